// Bytes as a CSV file: line count, header, fields, times and numbers, merge, runs, paint.
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
    FuzzHarness::readAndShow(ReadHarness::writeInput(data, size, "csv"));
    return 0;
}
