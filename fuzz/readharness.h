#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>

// What the decode-only fuzz targets need: a scratch file and one read through the data set,
// with the data set's promises checked afterwards. No application, no canvas, no painting.
namespace ReadHarness {

// Writes the bytes to a scratch file with the given extension ("tavdata", "csv") in
// memory-backed storage when there is some, and returns its path.
QString writeInput(const uint8_t* data, size_t size, const char* extension);

// Reads the file through a fresh data set (read, merge, runs of equal spacing) and aborts
// when the result breaks what the rest of the program relies on.
void readAndCheck(const QString& path);

} // namespace ReadHarness
