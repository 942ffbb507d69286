#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>

// What the decode-only fuzz targets need: a scratch file and one read through the data set,
// with the data set's promises checked afterwards. No application, no canvas, no painting.
namespace ReadHarness {

// A folder of this process for scratch files, in memory-backed storage when there is some.
QString scratchDir();

// Writes the bytes to a scratch file with the given extension ("tavdata", "csv") in
// memory-backed storage when there is some, and returns its path.
QString writeInput(const uint8_t* data, size_t size, const char* extension);

// Reads the file through a fresh data set (read, merge, runs of equal spacing) and aborts
// when the result breaks what the rest of the program relies on.
void readAndCheck(const QString& path);

// Whether an input is worth a read here. Four bytes of a History header claim 65535
// variables and a CSV header of commas as many: each such input costs a fuzzer with the
// sanitizers half a second, and they crowd out everything else. Inputs claiming more
// than MaxVariables in all are left to the unit tests and the painting targets.
constexpr int MaxVariables = 4096;
bool worthReading(const uint8_t* data, size_t size, bool csv);

} // namespace ReadHarness
