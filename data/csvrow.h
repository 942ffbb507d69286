#pragma once

#include "csvtext.h"
#include "missingvalue.h"

#include <QStringList>

#include <cstring>
#include <vector>

// What the whole read of a CSV file and the reader of its appended lines share: the rules
// of one data line and of the header's columns. Both must take a line the same way, or a
// followed file would differ from the same file read again.
namespace TavCsv {

// Limit that keeps a hostile or broken header from taking all memory. A real recording
// stays far below it.
constexpr int MaxVariables = 1 << 20;

inline constexpr double Pow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Where the read of a file stopped and how its fields map to columns, so that a reader of
// what is appended later can go on from there.
struct CsvLayout
{
    // The header line ended with its line feed; until then nothing after it can be read.
    bool headerComplete = false;
    // Reading may go on at consumed: the header was complete and every row up to there
    // was taken (none cut at the sample limit, none lost while the file was read).
    bool resumable = false;
    int fieldCount = 0;        // value fields after the time that a line may carry
    QStringList names;         // one per column
    std::vector<int> columnOf; // per value field, its column, or -1 for a repeated name
    QStringList dropped;       // repeated names whose fields are ignored
    // Bytes up to the end of the last complete line taken in (its "\n" included).
    qint64 consumed = 0;
    // A last line without its line end was taken too (the whole read takes it): as the
    // last row when openRow, else as a skipped line. It is not counted below; whoever goes
    // on at consumed drops that row, as the line is read again once it is complete.
    bool openRow = false;
    bool openSkipped = false;
    qint64 skipped = 0; // complete lines skipped because their first field is not a time
    qint64 missing = 0; // cells of complete lines that were empty, not numbers, or absent
};

// The value fields a header line of commas commas announces: an export ends every line
// with a comma, and the empty field behind it names no variable.
inline int headerFieldCount(qint64 commas, bool lastFieldEmpty)
{
    return int(commas) - (lastFieldEmpty ? 1 : 0);
}

// The header's field texts in the locale's encoding, a byte order mark left out.
QStringList headerFields(const char* begin, const char* end);

// Fills layout's names, columnOf and dropped for fieldCount value fields: with header
// names, field j is named by header field j + 1 ("Data[j]" when empty) and a name seen
// before keeps its first column; else every field is "Data[j]".
void layoutColumns(CsvLayout& layout, int fieldCount, const QStringList& header,
                   bool useHeaderNames);

// The stamp of a data line, when its first field is a valid time.
inline bool lineStamp(const char* b, const char* le, qint64& stamp)
{
    if (le - b < TimeTextLength)
        return false;
    if (le - b > TimeTextLength && b[TimeTextLength] != ',')
        return false;
    return parseTime(b, b + TimeTextLength, stamp);
}

// Fields missing from row r hold MissingValue, so that they break the curve instead of
// drawing a false zero; a null column drops its field. Returns the cells so filled.
inline int fillMissing(float* const* columns, int from, int count, int r)
{
    int filled = 0;
    for (int j = from; j < count; ++j) {
        if (columns[j]) {
            columns[j][r] = MissingValue;
            ++filled;
        }
    }
    return filled;
}

// Parses the fields after the time of one line into the row r of the columns;
// a null column drops its field. A field that is not a number, and a field the line
// lacks, is a missing value; returns how many cells of the columns were missing.
inline int parseRow(const char* p, const char* le, float* const* columns, int count, int r)
{
    int missing = 0;
    for (int j = 0; j < count; ++j) {
        const char* field = p;
        bool negative = false;
        if (p < le && *p == '-') {
            negative = true;
            ++p;
        }
        quint64 m = 0;
        int digits = 0;
        int fraction = 0;
        while (p < le && isDigit(*p)) {
            m = m * 10 + quint64(*p - '0');
            ++p;
            ++digits;
        }
        if (p < le && *p == '.') {
            ++p;
            while (p < le && isDigit(*p)) {
                m = m * 10 + quint64(*p - '0');
                ++p;
                ++digits;
                ++fraction;
            }
        }
        float value;
        if (digits > 0 && digits <= 19 && (p == le || *p == ',') && m <= (quint64(1) << 53) &&
            fraction <= 22) {
            // Both operands are exact, so the quotient is the correctly rounded double.
            const double d = double(m) / Pow10[fraction];
            value = float(negative ? -d : d);
        } else {
            const void* comma = std::memchr(field, ',', size_t(le - field));
            p = comma ? static_cast<const char*>(comma) : le;
            if (!parseNumber(field, p, value)) {
                value = MissingValue;
                missing += columns[j] != nullptr;
            }
        }
        if (columns[j])
            columns[j][r] = value;
        if (p == le)
            return missing + fillMissing(columns, j + 1, count, r);
        ++p;
    }
    return missing;
}

// Takes the data line [b, le) (its line end left out) into row r: true, with the stamp
// and the row written, when its first field is a valid time; the row's missing cells are
// added to missing. False for a line to skip.
inline bool takeRow(const char* b, const char* le, qint64& stamp, float* const* columns, int count,
                    int r, qint64& missing)
{
    if (!lineStamp(b, le, stamp))
        return false;
    const char* fields = b + TimeTextLength;
    if (fields < le)
        missing += parseRow(fields + 1, le, columns, count, r);
    else
        missing += fillMissing(columns, 0, count, r);
    return true;
}

} // namespace TavCsv
