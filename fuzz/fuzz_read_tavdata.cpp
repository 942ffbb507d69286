// Bytes as a .tavdata file through the data set alone: read, merge, runs of equal spacing,
// with the result's invariants checked. No painting, so thousands of inputs a second.
#include "readharness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ReadHarness::readAndCheck(ReadHarness::writeInput(data, size, "tavdata"));
    return 0;
}
