// Bytes as a .csv file through the data set alone: read, merge, runs of equal spacing,
// with the result's invariants checked. No painting, so thousands of inputs a second.
// Inputs that claim thousands of variables are skipped (see ReadHarness::worthReading).
#include "readharness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!ReadHarness::worthReading(data, size, true))
        return -1; // not kept in the corpus
    ReadHarness::readAndCheck(ReadHarness::writeInput(data, size, "csv"));
    return 0;
}
