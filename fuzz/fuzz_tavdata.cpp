// Bytes as a .tavdata file: marker scan, section readers, merge, runs, then one paint.
#include "fuzzharness.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzHarness::canvas();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzHarness::readAndShow(FuzzHarness::writeInput(data, size, "tavdata"), true);
    return 0;
}
