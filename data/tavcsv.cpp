#include "tavcsv.h"

#include "columnalloc.h"
#include "datalog.h"
#include "sortedtavdata.h"
#include "tavdata.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTextCodec>

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace TavCsv {

namespace {

// Limits that keep a hostile or broken file from taking all memory. A real recording
// stays far below them.
constexpr int MaxVariables = 1 << 20;
constexpr qint64 MinCellBudget = 1 << 28; // floats allowed whatever the file size (1 GiB)

constexpr double Pow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                            1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

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

inline bool isDigit(char c)
{
    return unsigned(c - '0') < 10u;
}

inline bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
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

// Reads a text file line by line through one buffer of fixed capacity, so that a file of
// any size costs the same memory. The bytes come in blocks small enough to stay in the
// cache until they are parsed. A line longer than the buffer is cut: its first bytes are
// handed out and the rest is skipped.
class LineReader
{
public:
    LineReader(QFile& file, qint64 capacity)
        : m_file(file), m_buffer(int(std::max<qint64>(capacity, 2)), Qt::Uninitialized),
          m_chunk(std::max<qint64>(1, std::min<qint64>(1 << 20, m_buffer.size() / 4)))
    {
        m_pos = m_end = m_scan = m_buffer.data();
    }

    // The next line, without its "\n" or "\r\n"; false at the end of the file.
    bool next(const char*& begin, const char*& lineEnd)
    {
        skipCut();
        for (;;) {
            const char* nl =
                static_cast<const char*>(std::memchr(m_scan, '\n', size_t(m_end - m_scan)));
            if (nl || (m_eof && m_pos < m_end)) {
                const char* le = nl ? nl : m_end;
                begin = m_pos;
                lineEnd = le > m_pos && le[-1] == '\r' ? le - 1 : le;
                m_pos = m_scan = nl ? const_cast<char*>(nl) + 1 : m_end;
                return true;
            }
            if (m_eof)
                return false;
            m_scan = m_end;
            if (m_pos == m_buffer.data() && m_end == m_buffer.data() + m_buffer.size()) {
                begin = m_pos;
                lineEnd = m_end;
                m_pos = m_scan = m_end;
                m_cut = true;
                return true;
            }
            fill();
        }
    }

    // When the last line was cut: reads past its rest and returns the commas in that rest
    // (0 unless countCommas). The line handed out last is no longer valid afterwards.
    qint64 skipCut(bool countCommas = false)
    {
        qint64 commas = 0;
        while (m_cut) {
            if (m_pos == m_end) {
                m_offset += m_end - m_buffer.data();
                m_pos = m_end = m_scan = m_buffer.data();
                if (!fill())
                    m_cut = false;
                continue;
            }
            const char* nl =
                static_cast<const char*>(std::memchr(m_pos, '\n', size_t(m_end - m_pos)));
            const char* stop = nl ? nl : m_end;
            if (countCommas)
                commas += std::count(static_cast<const char*>(m_pos), stop, ',');
            m_pos = m_scan = nl ? const_cast<char*>(nl) + 1 : m_end;
            m_cut = !nl;
        }
        return commas;
    }

    bool cut() const { return m_cut; }
    bool failed() const { return m_failed; }
    // Bytes of the file consumed so far.
    qint64 position() const { return m_offset + (m_pos - m_buffer.constData()); }

private:
    // Reads the next block behind the unread bytes. False at the end of the file or on an
    // error.
    bool fill()
    {
        char* const data = m_buffer.data();
        const qint64 capacity = m_buffer.size();
        // The unread bytes are a partial line: moved to the front while they are short, so
        // that the bytes in use stay within the first block or two of the buffer (and the
        // cache); a long line moves only when the room behind it runs short.
        const qint64 unreadBytes = m_end - m_pos;
        if (m_pos > data && (unreadBytes <= m_chunk || capacity - (m_end - data) < m_chunk)) {
            const qint64 unread = m_end - m_pos;
            std::memmove(data, m_pos, size_t(unread));
            m_offset += m_pos - data;
            m_scan = data + (m_scan - m_pos);
            m_pos = data;
            m_end = data + unread;
        }
        const qint64 room = std::min<qint64>(m_chunk, capacity - (m_end - data));
        const qint64 n = room > 0 ? m_file.read(m_end, room) : 0;
        if (n <= 0) {
            m_eof = true;
            m_failed = n < 0 || m_file.error() != QFileDevice::NoError;
            return false;
        }
        m_end += n;
        return true;
    }

    QFile& m_file;
    QByteArray m_buffer;
    const qint64 m_chunk;
    char* m_pos;         // first unread byte
    char* m_end;         // end of the bytes read
    char* m_scan;        // the bytes before this hold no line feed
    qint64 m_offset = 0; // file position of the buffer's first byte
    bool m_eof = false;
    bool m_failed = false;
    bool m_cut = false;
};

// The stamp of a data line, when its first field is a valid time.
inline bool lineStamp(const char* b, const char* le, qint64& stamp)
{
    if (le - b < TimeTextLength)
        return false;
    if (le - b > TimeTextLength && b[TimeTextLength] != ',')
        return false;
    return parseTime(b, b + TimeTextLength, stamp);
}

// Missing fields of row r read as zero; a null column drops its field.
void zeroFields(float* const* columns, int from, int count, int r)
{
    for (int j = from; j < count; ++j) {
        if (columns[j])
            columns[j][r] = 0.0f;
    }
}

// Parses the fields after the time of one line into the row r of the columns;
// a null column drops its field.
void parseRow(const char* p, const char* le, float* const* columns, int count, int r)
{
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
            value = parseNumber(field, p);
        }
        if (columns[j])
            columns[j][r] = value;
        if (p == le) {
            zeroFields(columns, j + 1, count, r);
            return;
        }
        ++p;
    }
}

QStringList headerFields(const char* b, const char* e)
{
    if (e - b >= 3 && uchar(b[0]) == 0xEF && uchar(b[1]) == 0xBB && uchar(b[2]) == 0xBF)
        b += 3;
    e = b + std::min<qint64>(e - b, 1 << 28); // names beyond this cannot be real
    const QString text = QTextCodec::codecForLocale()->toUnicode(b, int(e - b));
    return text.split(QLatin1Char(','));
}

void debugLine(const char* b, const char* e)
{
    qCDebug(lcData) << "BBBB" << QString::fromLatin1(b, int(e - b)).split(QLatin1Char(','));
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

float parseNumber(const char* b, const char* e)
{
    while (b < e && isBlank(*b))
        ++b;
    while (e > b && isBlank(e[-1]))
        --e;
    char sign = 0;
    if (b < e && (*b == '+' || *b == '-'))
        sign = *b++;
    if (b == e)
        return 0.0f;
    if (!isDigit(*b) && *b != '.') {
        if (equalsNoCase(b, e, "inf"))
            return sign == '-' ? -std::numeric_limits<float>::infinity()
                               : std::numeric_limits<float>::infinity();
        if (sign == 0 && equalsNoCase(b, e, "nan"))
            return std::numeric_limits<float>::quiet_NaN();
        return 0.0f;
    }
    double d = 0;
    const auto r = std::from_chars(b, e, d);
    if (r.ptr != e)
        return 0.0f;
    if (r.ec == std::errc::result_out_of_range)
        d = outOfRange(b, e);
    else if (r.ec != std::errc())
        return 0.0f;
    return narrowLikeQt(sign == '-' ? -d : d);
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

int read(TavData& data, const QString& path, bool useHeaderNames, qint64 bufferBytes)
{
    qCDebug(lcData) << "TavData::readFromCsv" << path;
    data.reportInfo(QStringLiteral("%1 正在打开").arg(path), -1);
    const QString unreadable = QStringLiteral("%1 路径错误或不可读取").arg(path);
    QFile file(QDir::fromNativeSeparators(path));
    if (QFileInfo(file.fileName()).isDir() ||
        !file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        data.reportInfo(unreadable, -1);
        return data.status;
    }

    // First pass: the header, then the real samples are counted, so that every column is
    // sized once.
    // A buffer larger than the file would cut no line either.
    bufferBytes = std::max<qint64>(2, std::min(bufferBytes, file.size() + 1));
    LineReader counter(file, bufferBytes);
    const char* begin = nullptr;
    const char* lineEnd = nullptr;
    qint64 commas = 0;
    QStringList header;
    if (counter.next(begin, lineEnd)) {
        // The commas fix the variable count before any text is decoded.
        commas = std::count(begin, lineEnd, ',');
        if (useHeaderNames || lcData().isDebugEnabled())
            header = headerFields(begin, lineEnd);
        commas += counter.skipCut(true);
    }
    const qint64 bodyStart = counter.position();
    if (commas > MaxVariables) {
        data.reportInfo(QStringLiteral("%1 变量个数过多 %2").arg(path, QString::number(commas)),
                        -1);
        return data.status;
    }
    const int fieldCount = int(commas);
    qCDebug(lcData) << "AAAA" << QStringList(header.mid(0, 64));
    qint64 rows = 0;
    qint64 skipped = 0;
    while (counter.next(begin, lineEnd)) {
        qint64 stamp;
        if (lineStamp(begin, lineEnd, stamp))
            ++rows;
        else
            ++skipped;
    }
    if (counter.failed()) {
        data.reportInfo(unreadable, -1);
        return data.status;
    }
    const qint64 cellBudget = std::max(MinCellBudget, counter.position() - bodyStart);
    if (rows > MaxSamples) {
        // As many rows as one time line holds are read, like the records of a binary block.
        data.reportInfo(
            QStringLiteral("%1 历史数据过长，只读取前%2条").arg(path, QString::number(MaxSamples)),
            -1);
        rows = MaxSamples;
    }
    if (fieldCount > 0 && rows > cellBudget / fieldCount) {
        data.reportInfo(QStringLiteral("%1 数据量过大 %2行 %3列")
                            .arg(path, QString::number(rows), QString::number(fieldCount)),
                        -1);
        return data.status;
    }

    // Columns: with header names, a name seen before keeps its first column.
    HistoryBlock block;
    std::vector<int> columnOf(size_t(fieldCount), -1);
    QStringList dropped;
    QHash<QString, int> seen;
    for (int j = 0; j < fieldCount; ++j) {
        if (!useHeaderNames) {
            columnOf[size_t(j)] = j;
            block.names.append(QStringLiteral("Data[%1]").arg(j));
            continue;
        }
        const QString name = header.value(j + 1);
        if (seen.contains(name)) {
            dropped.append(name);
            continue;
        }
        seen.insert(name, block.names.size());
        columnOf[size_t(j)] = block.names.size();
        block.names.append(name);
    }
    header.clear();
    // Every slot is written by the second pass (missing fields as zeros), so the columns
    // are not cleared first.
    block.stamps = ColumnAlloc::uninitialized<qint64>(int(rows));
    block.values.resize(block.names.size());
    for (int c = 0; c < block.values.size(); ++c)
        block.values[c] = ColumnAlloc::uninitialized<float>(int(rows));
    std::vector<float*> columns(size_t(fieldCount), nullptr);
    for (int j = 0; j < fieldCount; ++j) {
        if (columnOf[size_t(j)] >= 0)
            columns[size_t(j)] = block.values[columnOf[size_t(j)]].data();
    }

    // Second pass: fill in place.
    if (!file.seek(0)) {
        data.reportInfo(unreadable, -1);
        return data.status;
    }
    LineReader parser(file, bufferBytes);
    parser.next(begin, lineEnd); // the header
    qint64* stamps = block.stamps.data();
    const bool logLines = lcData().isDebugEnabled();
    int r = 0;
    while (r < rows && parser.next(begin, lineEnd)) {
        if (logLines)
            debugLine(begin, lineEnd);
        if (lineStamp(begin, lineEnd, stamps[r])) {
            const char* fields = begin + TimeTextLength;
            if (fields < lineEnd)
                parseRow(fields + 1, lineEnd, columns.data(), fieldCount, r);
            else
                zeroFields(columns.data(), 0, fieldCount, r);
            ++r;
        }
    }
    file.close();
    if (parser.failed()) {
        data.reportInfo(unreadable, -1);
        return data.status;
    }
    if (r < rows) {
        // The file lost lines between the passes: only the rows read are kept.
        block.stamps.resize(r);
        for (QVector<float>& column : block.values)
            column.resize(r);
    }

    if (!dropped.isEmpty()) {
        const QStringList shown = dropped.mid(0, 10);
        data.reportInfo(QStringLiteral("%1 变量名称重复，已忽略后出现的同名列：%2%3")
                            .arg(path, shown.join(QLatin1Char(',')),
                                 dropped.size() > shown.size() ? QStringLiteral("…") : QString()),
                        -1);
    }
    if (skipped > 0)
        data.reportInfo(
            QStringLiteral("%1 已跳过%2行：首字段不是有效时间").arg(path, QString::number(skipped)),
            -1);
    data.reportInfo(QStringLiteral("%1 读取完毕").arg(path), -1);
    data.blocks.append(block);
    data.status = 0;
    return 0;
}

void exportData(SortedTavData& set, const QString& filePath, const QList<int>& indexList,
                qlonglong stampStart, qlonglong stampEnd)
{
    QFile file(filePath);
    // A failure is said once; a file that could not be finished is not left behind, as
    // it would look like a complete export.
    const QString failed = QStringLiteral("%1 导出失败").arg(filePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        emit set.pushInfoUpward(failed, -1);
        return;
    }
    const QString progress = QStringLiteral("%1 正在导出数据").arg(filePath);
    emit set.pushInfoUpward(progress, 0);

    QString header = QStringLiteral("时间,");
    std::vector<const float*> columns;
    columns.reserve(size_t(indexList.size()));
    for (int index : indexList) {
        header += set.names.at(index);
        header += QLatin1Char(',');
        columns.push_back(set.values.at(index).constData());
    }
    header += QLatin1Char('\n');
    bool ok = file.write(QTextCodec::codecForLocale()->fromUnicode(header)) >= 0;

    // Lines are composed in one buffer and written in large blocks.
    constexpr size_t chunk = 1 << 20;
    const size_t lineMax = 40 + columns.size() * (NumberTextMax + 1);
    std::vector<char> buffer(chunk + lineMax);
    char* const base = buffer.data();
    char* w = base;
    const qint64* stamps = set.stamps.constData();
    int count = set.stamps.size();
    for (int index : indexList)
        count = qMin(count, set.values.at(index).size()); // never read past a short column
    int last = 0;
    for (int i = 0; i < count && ok; ++i) {
        const qint64 s = stamps[i];
        if (s < stampStart || s > stampEnd)
            continue;
        if (i > last + 200) {
            const int percent =
                stampEnd == stampStart
                    ? 100
                    : int(float(s - stampStart) / float(stampEnd - stampStart) * 100);
            emit set.pushInfoUpward(progress, percent);
            last = i;
        }
        w += formatTime(s, w);
        *w++ = ',';
        for (const float* column : columns) {
            w += formatNumber(column[i], w);
            *w++ = ',';
        }
        *w++ = '\n';
        if (size_t(w - base) >= chunk) {
            ok = file.write(base, w - base) == w - base;
            w = base;
        }
    }
    if (ok && w > base)
        ok = file.write(base, w - base) == w - base;
    ok = file.flush() && ok;
    file.close();
    ok = ok && file.error() == QFileDevice::NoError;
    if (ok) {
        emit set.exportFinished(filePath);
        return;
    }
    file.remove();
    emit set.pushInfoUpward(failed, -1);
}

} // namespace TavCsv
