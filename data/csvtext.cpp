#include "csvtext.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace TavCsv {

namespace {

constexpr quint64 Pow10Int[] = {1ull,
                                10ull,
                                100ull,
                                1000ull,
                                10000ull,
                                100000ull,
                                1000000ull,
                                10000000ull,
                                100000000ull,
                                1000000000ull,
                                10000000000ull,
                                100000000000ull,
                                1000000000000ull,
                                10000000000000ull,
                                100000000000000ull,
                                1000000000000000ull,
                                10000000000000000ull,
                                100000000000000000ull,
                                1000000000000000000ull,
                                10000000000000000000ull};

inline bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

inline void trimBlanks(const char*& b, const char*& e)
{
    while (b < e && isBlank(*b))
        ++b;
    while (e > b && isBlank(e[-1]))
        --e;
}

inline int twoDigits(const char* p)
{
    return (p[0] - '0') * 10 + (p[1] - '0');
}

bool isLeapYear(int y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysInMonth(int y, int m)
{
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeapYear(y) ? 29 : days[m - 1];
}

// Days since 1970-01-01 of a proleptic Gregorian date.
qint64 daysFromCivil(int y, int m, int d)
{
    y -= m <= 2;
    const qint64 era = (y >= 0 ? y : y - 399) / 400;
    const qint64 yoe = y - era * 400;
    const qint64 doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const qint64 doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(qint64 z, qint64& y, int& m, int& d)
{
    z += 719468;
    const qint64 era = (z >= 0 ? z : z - 146096) / 146097;
    const qint64 doe = z - era * 146097;
    const qint64 yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const qint64 doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const qint64 mp = (5 * doy + 2) / 153;
    d = int(doy - (153 * mp + 2) / 5 + 1);
    m = int(mp < 10 ? mp + 3 : mp - 9);
    y = yoe + era * 400 + (m <= 2);
}

inline void putTwo(char* p, int v)
{
    p[0] = char('0' + v / 10);
    p[1] = char('0' + v % 10);
}

// QString::toFloat narrows its double like this: overflow gives an infinity, a non-zero
// value that narrows to zero gives plain 0.
float narrowLikeQt(double d)
{
    if (std::isinf(d))
        return float(d);
    if (std::fabs(d) > double(FLT_MAX))
        return d < 0 ? -std::numeric_limits<float>::infinity()
                     : std::numeric_limits<float>::infinity();
    const float f = float(d);
    if (d != 0 && f == 0)
        return 0.0f;
    return f;
}

bool equalsNoCase(const char* b, const char* e, const char* word)
{
    for (; b < e && *word; ++b, ++word) {
        if ((*b | 0x20) != *word)
            return false;
    }
    return b == e && !*word;
}

// A number whose double does not fit: decide between infinity and zero.
double outOfRange(const char* b, const char* e)
{
    long double ld = 0;
    const auto r = std::from_chars(b, e, ld);
    if (r.ec == std::errc() && r.ptr == e)
        return double(ld);
    for (const char* p = b; p < e; ++p) {
        if (*p == 'e' || *p == 'E')
            return p + 1 < e && p[1] == '-' ? 0.0 : std::numeric_limits<double>::infinity();
    }
    return std::numeric_limits<double>::infinity();
}

// Writes the six significant digits of a (finite, > 0) rounded half away from zero, as
// QString::number rounds, with the decimal exponent of the first digit. False when a is
// outside the range the integer arithmetic covers exactly.
bool sixDigits(float a, quint32& digits, int& exponent)
{
    quint32 bits;
    std::memcpy(&bits, &a, sizeof bits);
    const int biased = int(bits >> 23);
    if (biased == 0)
        return false; // subnormal: far below the covered range
    const quint64 mantissa = (bits & 0x7FFFFFu) | 0x800000u;
    const int e2 = biased - 150; // a = mantissa * 2^e2
    if (e2 > 100)
        return false;
    int e10 = ((biased - 127) * 1233) >> 12; // floor(log10(a)) or one less
    for (int attempt = 0; attempt < 3; ++attempt) {
        quint64 q = 0;
        bool up = false;
        if (e10 <= 5) {
            const int k = 5 - e10;
            if (k > 12 || e2 >= 0)
                return false;
            const quint64 scaled = mantissa * Pow10Int[k];
            const int s = -e2;
            if (s >= 64) {
                q = 0;
            } else {
                q = scaled >> s;
                const quint64 rest = scaled & ((quint64(1) << s) - 1);
                up = rest >= (quint64(1) << (s - 1));
            }
        } else {
            const int k = e10 - 5;
            if (k > 33)
                return false;
            unsigned __int128 num = mantissa;
            unsigned __int128 den = 1;
            for (int i = 0; i < k; ++i)
                den *= 10;
            if (e2 >= 0)
                num <<= e2;
            else
                den <<= -e2;
            q = quint64(num / den);
            up = 2 * (num % den) >= den;
        }
        if (q < 100000) {
            --e10;
        } else if (q > 999999) {
            ++e10;
        } else {
            quint64 n = q + (up ? 1 : 0);
            if (n == 1000000) {
                n = 100000;
                ++e10;
            }
            digits = quint32(n);
            exponent = e10;
            return true;
        }
    }
    return false;
}

int writeGeneral(quint32 n, int e10, char* out)
{
    char d[6];
    for (int i = 5; i >= 0; --i) {
        d[i] = char('0' + n % 10);
        n /= 10;
    }
    int significant = 6;
    while (significant > 1 && d[significant - 1] == '0')
        --significant;
    char* p = out;
    if (e10 < -4 || e10 >= 6) {
        *p++ = d[0];
        if (significant > 1) {
            *p++ = '.';
            for (int i = 1; i < significant; ++i)
                *p++ = d[i];
        }
        *p++ = 'e';
        *p++ = e10 < 0 ? '-' : '+';
        const int ae = e10 < 0 ? -e10 : e10;
        if (ae >= 100)
            *p++ = char('0' + ae / 100);
        putTwo(p, ae % 100);
        p += 2;
    } else if (e10 >= 0) {
        for (int i = 0; i <= e10; ++i)
            *p++ = d[i];
        if (significant > e10 + 1) {
            *p++ = '.';
            for (int i = e10 + 1; i < significant; ++i)
                *p++ = d[i];
        }
    } else {
        *p++ = '0';
        *p++ = '.';
        for (int i = 0; i < -e10 - 1; ++i)
            *p++ = '0';
        for (int i = 0; i < significant; ++i)
            *p++ = d[i];
    }
    return int(p - out);
}

} // namespace

bool parseTime(const char* b, const char* e, qint64& stamp)
{
    if (e - b != TimeTextLength)
        return false;
    static const int digitAt[] = {0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 17, 18};
    for (int i : digitAt) {
        if (!isDigit(b[i]))
            return false;
    }
    if (b[4] != '/' || b[7] != '/' || b[10] != ' ' || b[13] != ':' || b[16] != ':')
        return false;
    const int year = twoDigits(b) * 100 + twoDigits(b + 2);
    const int month = twoDigits(b + 5);
    const int day = twoDigits(b + 8);
    const int hour = twoDigits(b + 11);
    const int minute = twoDigits(b + 14);
    const int second = twoDigits(b + 17);
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) ||
        hour > 23 || minute > 59 || second > 59)
        return false;
    stamp = daysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
    return true;
}

int formatTime(qint64 stamp, char* out)
{
    qint64 days = stamp / 86400;
    qint64 rest = stamp % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    qint64 year;
    int month, day;
    civilFromDays(days, year, month, day);
    if (year < 1 || year > 9999) {
        const QByteArray text = QDateTime::fromSecsSinceEpoch(stamp, Qt::UTC)
                                    .toString(QStringLiteral("yyyy/MM/dd hh:mm:ss"))
                                    .toLatin1()
                                    .left(31);
        std::memcpy(out, text.constData(), size_t(text.size()));
        return text.size();
    }
    putTwo(out, int(year / 100));
    putTwo(out + 2, int(year % 100));
    out[4] = '/';
    putTwo(out + 5, month);
    out[7] = '/';
    putTwo(out + 8, day);
    out[10] = ' ';
    putTwo(out + 11, int(rest / 3600));
    out[13] = ':';
    putTwo(out + 14, int(rest / 60 % 60));
    out[16] = ':';
    putTwo(out + 17, int(rest % 60));
    return TimeTextLength;
}

bool parseNumber(const char* b, const char* e, float& value)
{
    trimBlanks(b, e);
    if (e - b >= 2 && *b == '"' && e[-1] == '"') {
        ++b;
        --e;
        trimBlanks(b, e);
    }
    char sign = 0;
    if (b < e && (*b == '+' || *b == '-'))
        sign = *b++;
    if (b == e)
        return false;
    if (!isDigit(*b) && *b != '.') {
        if (equalsNoCase(b, e, "inf")) {
            value = sign == '-' ? -std::numeric_limits<float>::infinity()
                                : std::numeric_limits<float>::infinity();
            return true;
        }
        if (sign == 0 && equalsNoCase(b, e, "nan")) {
            value = std::numeric_limits<float>::quiet_NaN();
            return true;
        }
        return false;
    }
    double d = 0;
    const auto r = std::from_chars(b, e, d);
    if (r.ptr != e)
        return false;
    if (r.ec == std::errc::result_out_of_range)
        d = outOfRange(b, e);
    else if (r.ec != std::errc())
        return false;
    value = narrowLikeQt(sign == '-' ? -d : d);
    return true;
}

int formatNumber(float v, char* out)
{
    if (std::isnan(v)) {
        std::memcpy(out, "nan", 3);
        return 3;
    }
    char* p = out;
    if (std::isinf(v)) {
        if (v < 0)
            *p++ = '-';
        std::memcpy(p, "inf", 3);
        return int(p - out) + 3;
    }
    if (v == 0) {
        *p = '0'; // negative zero too
        return 1;
    }
    quint32 digits;
    int exponent;
    if (!sixDigits(std::fabs(v), digits, exponent)) {
        const QByteArray text = QString::number(double(v), 'g', 6).toLatin1();
        std::memcpy(out, text.constData(), size_t(text.size()));
        return text.size();
    }
    if (v < 0)
        *p++ = '-';
    return int(p - out) + writeGeneral(digits, exponent, p);
}

} // namespace TavCsv
