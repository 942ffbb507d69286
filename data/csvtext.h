#pragma once

#include <QtGlobal>

// The text of CSV fields: times and numbers, read and written without a QString on the way,
// as the import and export touch every cell.
namespace TavCsv {

// Length of the time text "yyyy/MM/dd hh:mm:ss".
constexpr int TimeTextLength = 19;
// Longest text formatNumber writes ("-1.17549e-38" and the like).
constexpr int NumberTextMax = 16;

inline bool isDigit(char c)
{
    return unsigned(c - '0') < 10u;
}

// Reads exactly [begin, end) as "yyyy/MM/dd hh:mm:ss" taken as UTC wall-clock time.
// False when the text is not a valid time in that format.
bool parseTime(const char* begin, const char* end, qint64& stamp);
// Writes the UTC time text of stamp; returns the number of bytes (19 for years 1..9999).
// out must hold at least 32 bytes.
int formatTime(qint64 stamp, char* out);

// Reads a field as QString::toFloat reads it in the C locale: surrounding blanks, a
// leading '+', "inf" and "nan" are accepted, and so is one pair of double quotes around
// the number (spreadsheets write them). False, with value untouched, when the text is not
// a number: empty, a word, "--", "1.2.3", "12abc".
bool parseNumber(const char* begin, const char* end, float& value);
// Writes QString::number(double(v), 'g', 6) into out (NumberTextMax bytes); returns the
// number of bytes.
int formatNumber(float v, char* out);

} // namespace TavCsv
