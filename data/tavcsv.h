#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

class TavData;
class SortedTavData;

// The CSV side of the data files: import into one block, export of chosen columns.
namespace TavCsv {

// The text of a CSV file is read through one buffer of this many bytes, whatever the
// file's size. A line longer than the buffer is read up to the buffer's length.
constexpr qint64 ReadBuffer = 32 << 20;

// Body of TavData::readFromCsv. Both passes over the file stream it through a buffer of
// bufferBytes (tests make it small to move the block seams).
int read(TavData& data, const QString& path, bool useHeaderNames, qint64 bufferBytes = ReadBuffer);

// Body of SortedTavData::onExportData: writes the file and emits the data set's
// pushInfoUpward and exportFinished.
void exportData(SortedTavData& set, const QString& filePath, const QList<int>& indexList,
                qlonglong stampStart, qlonglong stampEnd);

// Length of the time text "yyyy/MM/dd hh:mm:ss".
constexpr int TimeTextLength = 19;
// Longest text formatNumber writes ("-1.17549e-38" and the like).
constexpr int NumberTextMax = 16;

// Reads exactly [begin, end) as "yyyy/MM/dd hh:mm:ss" taken as UTC wall-clock time.
// False when the text is not a valid time in that format.
bool parseTime(const char* begin, const char* end, qint64& stamp);
// Writes the UTC time text of stamp; returns the number of bytes (19 for years 1..9999).
// out must hold at least 32 bytes.
int formatTime(qint64 stamp, char* out);

// The float of a field as QString::toFloat reads it in the C locale, 0 when the text is
// not a number: surrounding blanks, a leading '+', "inf" and "nan" are accepted.
float parseNumber(const char* begin, const char* end);
// Writes QString::number(double(v), 'g', 6) into out (NumberTextMax bytes); returns the
// number of bytes.
int formatNumber(float v, char* out);

} // namespace TavCsv
