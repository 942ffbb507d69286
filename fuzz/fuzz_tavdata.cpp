// Bytes as a .tavdata file: marker scan, section readers, merge, runs, then one paint.
#include "fuzzharness.h"
#include "readharness.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzHarness::canvas();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzHarness::readAndShow(ReadHarness::writeInput(data, size, "tavdata"));
    return 0;
}
