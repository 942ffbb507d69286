#include "tavcsv.h"

#include "columnalloc.h"
#include "csvrow.h"
#include "datalog.h"
#include "readermessages.h"
#include "tavdatamodel.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextCodec>

#include <algorithm>
#include <cstring>
#include <vector>

namespace TavCsv {

namespace {

// Limit that keeps a broken file from taking all memory. A real recording stays far below it.
constexpr qint64 MinCellBudget = 1 << 28; // floats allowed whatever the file size (1 GiB)

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
                if (!nl)
                    markOpen();
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
                m_cutStart = position();
                m_pos = m_scan = m_end;
                m_cut = true;
                return true;
            }
            fill();
        }
    }

    // When the last line was cut: reads past its rest and returns the commas in that rest
    // (0 unless countCommas). tail, when given, holds the last two bytes of the line so far
    // and follows them over the rest. The line handed out last is no longer valid
    // afterwards.
    qint64 skipCut(bool countCommas = false, char* tail = nullptr)
    {
        qint64 commas = 0;
        while (m_cut) {
            if (m_pos == m_end) {
                m_offset += m_end - m_buffer.data();
                m_pos = m_end = m_scan = m_buffer.data();
                if (!fill()) {
                    // The file ended inside the cut line: it had no line end.
                    m_cut = false;
                    m_open = true;
                    m_openStart = m_cutStart;
                }
                continue;
            }
            const char* nl =
                static_cast<const char*>(std::memchr(m_pos, '\n', size_t(m_end - m_pos)));
            const char* stop = nl ? nl : m_end;
            if (countCommas)
                commas += std::count(static_cast<const char*>(m_pos), stop, ',');
            if (tail && stop > m_pos) {
                tail[0] = stop - m_pos >= 2 ? stop[-2] : tail[1];
                tail[1] = stop[-1];
            }
            m_pos = m_scan = nl ? const_cast<char*>(nl) + 1 : m_end;
            m_cut = !nl;
        }
        return commas;
    }

    bool cut() const { return m_cut; }
    // The last line handed out (or skipped past) ended with the file, not with a line end;
    // openStart() is where it began.
    bool open() const { return m_open; }
    qint64 openStart() const { return m_openStart; }
    bool failed() const { return m_failed; }
    // Bytes of the file consumed so far.
    qint64 position() const { return m_offset + (m_pos - m_buffer.constData()); }

private:
    void markOpen()
    {
        m_open = true;
        m_openStart = position();
    }

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
    bool m_open = false;
    qint64 m_openStart = 0;
    qint64 m_cutStart = 0;
};

void debugLine(const char* b, const char* e)
{
    qCDebug(lcData) << "BBBB" << QString::fromLatin1(b, int(e - b)).split(QLatin1Char(','));
}

} // namespace

int read(QList<HistoryBlock>& blocks, const QString& path, bool useHeaderNames,
         const InfoReport& report, qint64 bufferBytes, CsvLayout* layoutOut, bool roomToGrow)
{
    const auto reportInfo = [&report](const QString& info, int percent) {
        if (report)
            report(info, percent);
    };
    qCDebug(lcData) << "TavData::readFromCsv" << path;
    reportInfo(QCoreApplication::translate("TavCsv", "%1 正在打开").arg(path), -1);
    const QString unreadable =
        QCoreApplication::translate("TavCsv", "%1 路径错误或不可读取").arg(path);
    QFile file(QDir::fromNativeSeparators(path));
    if (QFileInfo(file.fileName()).isDir() ||
        !file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        reportInfo(unreadable, -1);
        return 1;
    }

    // First pass: the header, then the real samples are counted, so that every column is
    // sized once.
    // A buffer larger than the file would cut no line either.
    bufferBytes = std::max<qint64>(2, std::min(bufferBytes, file.size() + 1));
    LineReader counter(file, bufferBytes);
    const char* begin = nullptr;
    const char* lineEnd = nullptr;
    qint64 commas = 0;
    bool lastFieldEmpty = false;
    QStringList header;
    if (counter.next(begin, lineEnd)) {
        const bool cut = counter.cut();
        if (!cut) {
            while (lineEnd > begin && lineEnd[-1] == '\r')
                --lineEnd; // no name ends in a carriage return
        }
        // The commas fix the variable count before any text is decoded.
        commas = std::count(begin, lineEnd, ',');
        if (useHeaderNames || lcData().isDebugEnabled())
            header = headerFields(begin, lineEnd);
        char tail[2] = {lineEnd - begin >= 2 ? lineEnd[-2] : '\0',
                        lineEnd > begin ? lineEnd[-1] : '\0'};
        commas += counter.skipCut(true, tail);
        // The export ends every line with a comma: the empty field behind it names no
        // variable.
        lastFieldEmpty = tail[1] == ',' || (cut && tail[1] == '\r' && tail[0] == ',');
    }
    const bool headerComplete = counter.position() > 0 && !counter.open();
    const qint64 bodyStart = counter.position();
    if (commas > MaxVariables) {
        reportInfo(QCoreApplication::translate("TavCsv", "%1 变量个数过多 %2")
                       .arg(path, QString::number(commas)),
                   -1);
        return 1;
    }
    const int fieldCount = headerFieldCount(commas, lastFieldEmpty);
    qCDebug(lcData) << "AAAA" << QStringList(header.mid(0, 64));
    qint64 rows = 0;
    qint64 skipped = 0;
    bool lastRow = false;
    while (counter.next(begin, lineEnd)) {
        qint64 stamp;
        lastRow = lineStamp(begin, lineEnd, stamp);
        rows += lastRow;
        skipped += !lastRow;
    }
    // Where a reader of later appends goes on: after the last line that has its line end.
    const bool bodyOpen = headerComplete && counter.open();
    const qint64 consumed = !headerComplete ? 0
                            : bodyOpen      ? counter.openStart()
                                            : counter.position();
    bool resumable = headerComplete;
    if (counter.failed()) {
        reportInfo(unreadable, -1);
        return 1;
    }
    const qint64 cellBudget = std::max(MinCellBudget, counter.position() - bodyStart);
    if (rows > MaxSamples) {
        // As many rows as one time line holds are read, like the records of a binary block.
        reportInfo(ReaderMessages::historyCut(path, MaxSamples), -1);
        rows = MaxSamples;
        resumable = false;
    }
    if (fieldCount > 0 && rows > cellBudget / fieldCount) {
        reportInfo(QCoreApplication::translate("TavCsv", "%1 数据量过大 %2行 %3列")
                       .arg(path, QString::number(rows), QString::number(fieldCount)),
                   -1);
        return 1;
    }

    CsvLayout layout;
    layoutColumns(layout, fieldCount, header, useHeaderNames);
    header.clear();
    const std::vector<int>& columnOf = layout.columnOf;
    const QStringList& dropped = layout.dropped;
    HistoryBlock block;
    block.names = layout.names.toVector();
    // Every slot is written by the second pass (missing fields as MissingValue), so the
    // columns are not cleared first.
    const int capacity = roomToGrow ? ColumnAlloc::roomToGrow(rows) : 0;
    block.stamps = ColumnAlloc::uninitialized<qint64>(int(rows), true, capacity);
    block.values.resize(block.names.size());
    for (int c = 0; c < block.values.size(); ++c)
        block.values[c] = ColumnAlloc::uninitialized<float>(int(rows), true, capacity);
    std::vector<float*> columns(size_t(fieldCount), nullptr);
    for (int j = 0; j < fieldCount; ++j) {
        if (columnOf[size_t(j)] >= 0)
            columns[size_t(j)] = block.values[columnOf[size_t(j)]].data();
    }

    // Second pass: fill in place.
    if (!file.seek(0)) {
        reportInfo(unreadable, -1);
        return 1;
    }
    LineReader parser(file, bufferBytes);
    parser.next(begin, lineEnd); // the header
    qint64* stamps = block.stamps.data();
    const bool logLines = lcData().isDebugEnabled();
    int r = 0;
    qint64 missing = 0;
    qint64 missingBeforeLastRow = 0;
    while (r < rows && parser.next(begin, lineEnd)) {
        if (logLines)
            debugLine(begin, lineEnd);
        const qint64 before = missing;
        if (takeRow(begin, lineEnd, stamps[r], columns.data(), fieldCount, r, missing)) {
            missingBeforeLastRow = before;
            ++r;
        }
    }
    file.close();
    if (parser.failed()) {
        reportInfo(unreadable, -1);
        return 1;
    }
    if (r < rows) {
        // The file lost lines between the passes: only the rows read are kept.
        block.stamps.resize(r);
        for (QVector<float>& column : block.values)
            column.resize(r);
        resumable = false;
    }
    if (layoutOut) {
        layout.headerComplete = headerComplete;
        layout.resumable = resumable;
        layout.consumed = consumed;
        layout.openRow = bodyOpen && lastRow;
        layout.openSkipped = bodyOpen && !lastRow;
        layout.skipped = skipped - (layout.openSkipped ? 1 : 0);
        layout.missing = layout.openRow ? missingBeforeLastRow : missing;
        *layoutOut = layout;
    }

    if (!dropped.isEmpty()) {
        reportInfo(ReaderMessages::repeatedNames(path, dropped), -1);
    }
    if (skipped > 0)
        reportInfo(ReaderMessages::skippedRows(path, skipped), -1);
    if (missing > 0)
        reportInfo(ReaderMessages::missingCells(path, missing), -1);
    reportInfo(QCoreApplication::translate("TavCsv", "%1 读取完毕").arg(path), -1);
    blocks.append(block);
    return 0;
}

bool exportData(const TavDataModel& set, const QString& filePath, const QList<int>& indexList,
                qlonglong stampStart, qlonglong stampEnd, const InfoReport& report)
{
    const auto emitInfo = [&report](const QString& info, int percent) {
        if (report)
            report(info, percent);
    };
    QFile file(filePath);
    // A failure is said once; a file that could not be finished is not left behind, as
    // it would look like a complete export.
    const QString failed = QCoreApplication::translate("TavCsv", "%1 导出失败").arg(filePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        emitInfo(failed, -1);
        return false;
    }
    const QString progress = QCoreApplication::translate("TavCsv", "%1 正在导出数据").arg(filePath);
    emitInfo(progress, 0);

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
            emitInfo(progress, percent);
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
    if (ok)
        return true;
    file.remove();
    emitInfo(failed, -1);
    return false;
}

} // namespace TavCsv
