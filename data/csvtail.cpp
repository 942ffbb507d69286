#include "csvtail.h"

#include "columnalloc.h"
#include "datalog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstring>

namespace TavCsv {

namespace {

// Bytes read at once: large enough that the calls cost nothing, small enough that the
// block stays in the cache until its lines are parsed.
constexpr qint64 Block = 1 << 20;

} // namespace

CsvTail::CsvTail(bool useHeaderNames, qint64 lineLimit)
    : m_useHeaderNames(useHeaderNames), m_lineLimit(std::max<qint64>(lineLimit, 2))
{
}

CsvTail::CsvTail(const CsvLayout& layout, bool useHeaderNames, qint64 lineLimit)
    : m_layout(layout), m_useHeaderNames(useHeaderNames),
      m_lineLimit(std::max<qint64>(lineLimit, 2))
{
}

namespace {

// A file seen as if it ended at end: what lies beyond is left for a later decode.
class FileUpTo : public QIODevice
{
public:
    FileUpTo(QFile& file, qint64 end) : m_file(file), m_end(end) {}
    bool isSequential() const override { return false; }
    qint64 size() const override { return std::min(m_file.size(), m_end); }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        const qint64 n = std::min(maxSize, size() - pos());
        if (n <= 0)
            return 0;
        if (!m_file.seek(pos()))
            return -1;
        return m_file.read(data, n);
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QFile& m_file;
    qint64 m_end;
};

} // namespace

CsvTail::Batch CsvTail::decode(const QString& path, qint64 from, qint64 end)
{
    QFile file(QDir::fromNativeSeparators(path));
    if (QFileInfo(file.fileName()).isDir() ||
        !file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        Batch batch;
        batch.status = Status::Unreadable;
        batch.consumed = from;
        return batch;
    }
    if (end < 0 || end >= file.size())
        return decode(file, from);
    FileUpTo upTo(file, end);
    upTo.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    return decode(upTo, from);
}

CsvTail::Batch CsvTail::decode(QIODevice& device, qint64 from)
{
    Batch batch;
    batch.consumed = from;
    if (!m_layout.headerComplete) {
        // Nothing was taken yet: the header comes first, from the start of the file.
        batch.status = takeHeader(device);
        if (batch.status != Status::Taken)
            return batch;
        batch.header = true;
        batch.consumed = m_layout.consumed;
    } else if (!m_layout.resumable) {
        batch.status = Status::ReadWhole;
        return batch;
    }
    if (!device.seek(batch.consumed) || !takeBody(device, batch))
        batch.status = Status::Unreadable;
    return batch;
}

CsvTail::Status CsvTail::takeHeader(QIODevice& device)
{
    if (!device.seek(0))
        return Status::Unreadable;
    QByteArray head;
    const char* nl = nullptr;
    while (!nl) {
        const qint64 before = head.size();
        const QByteArray more = device.read(std::min<qint64>(Block, m_lineLimit + 1));
        if (more.isEmpty())
            return device.atEnd() ? Status::HeaderIncomplete : Status::Unreadable;
        head += more;
        nl = static_cast<const char*>(
            std::memchr(head.constData() + before, '\n', size_t(head.size() - before)));
        // The whole read cuts a line this long: its names would differ from ours.
        if ((nl ? nl - head.constData() : head.size()) >= m_lineLimit)
            return Status::ReadWhole;
    }
    const char* b = head.constData();
    const char* le = nl;
    while (le > b && le[-1] == '\r')
        --le; // no name ends in a carriage return
    const qint64 commas = std::count(b, le, ',');
    if (commas > MaxVariables)
        return Status::ReadWhole; // the whole read says why it refuses the file
    const bool lastFieldEmpty = le > b && le[-1] == ',';
    const QStringList header = m_useHeaderNames ? headerFields(b, le) : QStringList();
    layoutColumns(m_layout, headerFieldCount(commas, lastFieldEmpty), header, m_useHeaderNames);
    m_layout.headerComplete = true;
    m_layout.resumable = true;
    m_layout.consumed = nl + 1 - b;
    m_layout.openRow = m_layout.openSkipped = false;
    m_layout.skipped = m_layout.missing = 0;
    return Status::Taken;
}

bool CsvTail::takeBody(QIODevice& device, Batch& batch)
{
    const int fieldCount = m_layout.fieldCount;
    const std::vector<int>& columnOf = m_layout.columnOf;
    batch.values.resize(m_layout.names.size());
    std::vector<float*> columns(size_t(fieldCount), nullptr);
    qint64* stamps = nullptr;
    int capacity = 0;
    int r = 0;
    // Columns grow by doubling at least, never per line: each block's line feeds bound the
    // rows it can add before any of them is parsed.
    const auto grow = [&](qint64 need) {
        need = std::min(need, MaxSamples);
        if (need <= capacity)
            return;
        const int size = int(std::min(std::max(need, 2 * qint64(capacity)), MaxSamples));
        QVector<qint64> grownStamps = ColumnAlloc::uninitialized<qint64>(size);
        std::copy_n(batch.stamps.constData(), r, grownStamps.data());
        batch.stamps = std::move(grownStamps);
        stamps = batch.stamps.data();
        for (QVector<float>& column : batch.values) {
            QVector<float> grown = ColumnAlloc::uninitialized<float>(size);
            std::copy_n(column.constData(), r, grown.data());
            column = std::move(grown);
        }
        for (int j = 0; j < fieldCount; ++j) {
            const int c = columnOf[size_t(j)];
            columns[size_t(j)] = c >= 0 ? batch.values[c].data() : nullptr;
        }
        capacity = size;
    };

    qint64 missing = 0;
    qint64 skipped = 0;
    const auto take = [&](const char* b, const char* le) {
        if (takeRow(b, le, stamps[r], columns.data(), fieldCount, r, missing))
            ++r;
        else
            ++skipped;
    };

    // The bytes after the last complete line are kept at the front of the buffer.
    const qint64 limit = m_lineLimit;
    QByteArray buffer(int(qBound<qint64>(4096, device.size() - batch.consumed + 1, Block)),
                      Qt::Uninitialized);
    char* data = buffer.data();
    qint64 fileAt = batch.consumed; // file offset of the byte after data[have - 1]
    qint64 have = 0;                // bytes in the buffer
    qint64 pos = 0;                 // start of the first line not taken
    qint64 counted = 0;             // bytes whose line feeds were counted into capacity
    bool end = false;
    for (;;) {
        grow(r + std::count(data + counted, data + have, '\n'));
        counted = have;
        for (;;) {
            const char* b = data + pos;
            const char* nl = static_cast<const char*>(std::memchr(b, '\n', size_t(have - pos)));
            if (!nl || r == capacity)
                break;
            const char* le = nl;
            if (le - b >= limit)
                le = b + limit; // cut as the whole read's buffer cuts it, line end and all
            else if (le > b && le[-1] == '\r')
                --le;
            take(b, le);
            pos = nl + 1 - data;
        }
        batch.consumed = fileAt - (have - pos);
        if (end || r == MaxSamples)
            break;
        // Move the unfinished line to the front.
        if (pos > 0) {
            std::memmove(data, data + pos, size_t(have - pos));
            have -= pos;
            pos = 0;
            counted = have;
        }
        if (have >= limit) {
            // A line too long to hold: its first limit bytes are the line, the rest is
            // read past, once its line end comes.
            if (buffer.size() < limit + 4096)
                buffer.resize(int(limit + 4096));
            data = buffer.data();
            have = limit;
            const char* nl = nullptr;
            qint64 n = 0;
            while (!nl) {
                n = device.read(data + limit, buffer.size() - limit);
                if (n < 0)
                    return false;
                if (n == 0)
                    break;
                fileAt += n;
                nl = static_cast<const char*>(std::memchr(data + limit, '\n', size_t(n)));
            }
            if (!nl)
                break; // the line waits for its end
            grow(r + 1);
            if (r == capacity)
                break; // the batch is full: the line is taken by the next one
            take(data, data + limit);
            have = limit + n;
            pos = counted = nl + 1 - data;
            continue;
        }
        if (have == buffer.size()) {
            buffer.resize(int(std::min<qint64>(2 * qint64(buffer.size()), limit + Block)));
            data = buffer.data();
        }
        const qint64 n = device.read(data + have, buffer.size() - have);
        if (n < 0)
            return false;
        end = n == 0;
        fileAt += n;
        have += n;
    }
    batch.stamps.resize(r);
    for (QVector<float>& column : batch.values)
        column.resize(r);
    batch.skipped = skipped;
    batch.missing = missing;
    qCDebug(lcData) << "CsvTail::decode" << r << "rows" << skipped << "skipped up to"
                    << batch.consumed;
    return true;
}

} // namespace TavCsv
