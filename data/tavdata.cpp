#include "tavdata.h"

#include "datalog.h"
#include "numberpattern.h"
#include "readermessages.h"
#include "tavbinary.h"
#include "tavcsv.h"
#include "tavdataheader.h"

#include <QDateTime>
#include <QDir>
#include <QSet>
#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

constexpr qint64 MaxRecords = MaxSamples;

inline quint32 be32(const uchar* p)
{
    return (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | quint32(p[3]);
}

inline quint16 be16(const uchar* p)
{
    return quint16((p[0] << 8) | p[1]);
}

QString stampText(qint64 stamp)
{
    return QDateTime::fromSecsSinceEpoch(stamp, Qt::UTC)
        .toString(QStringLiteral("yyyy/MM/dd hh:mm:ss"));
}

// Reads forward through one section in windows, so that no section, however long, has
// to fit into memory at once.
class SectionCursor
{
public:
    SectionCursor(QFile& file, qint64 end) : m_file(file), m_end(end) {}

    // Position right after the first occurrence of pattern inside [from, end], or -1.
    qint64 find(qint64 from, const char* pattern, int length)
    {
        while (from + length - 1 <= m_end) {
            load(from);
            const char* begin = m_buffer.constData() + (from - m_base);
            const char* last = m_buffer.constData() + m_buffer.size();
            const char* hit = std::search(begin, last, pattern, pattern + length);
            if (hit != last)
                return m_base + (hit - m_buffer.constData()) + length;
            const qint64 windowEnd = m_base + m_buffer.size();
            if (windowEnd > m_end)
                return -1;
            // The next window repeats the last length - 1 bytes: a pattern may straddle.
            from = windowEnd - (length - 1);
            m_buffer.clear();
        }
        return -1;
    }

    // The bytes [from, from + length) of the file, at most MaxItem of them.
    QByteArray bytes(qint64 from, qint64 length)
    {
        length = std::min(length, MaxItem);
        if (from >= m_base && from + length <= m_base + m_buffer.size())
            return m_buffer.mid(int(from - m_base), int(length));
        QByteArray out;
        TavBinary::readAt(m_file, from, length, out);
        return out;
    }

    // No single text of a file is worth more memory than this.
    static constexpr qint64 MaxItem = 16 << 20;

private:
    void load(qint64 from)
    {
        if (from >= m_base && from < m_base + m_buffer.size())
            return;
        m_base = from;
        TavBinary::readAt(m_file, from, std::min<qint64>(TavBinary::ReadBlock, m_end - from + 1),
                          m_buffer);
    }

    QFile& m_file;
    qint64 m_end;
    qint64 m_base = 0;
    QByteArray m_buffer;
};

} // namespace

using namespace TavBinary;

TavData::TavData(QObject* parent) : QObject(parent) {}

int TavData::readFromCsv(const QString& path, bool useHeaderNames, qint64 bufferBytes,
                         TavCsv::CsvLayout* layout)
{
    const auto report = [this](const QString& info, int percent) { reportInfo(info, percent); };
    if (TavCsv::read(blocks, path, useHeaderNames, report, bufferBytes, layout) == 0)
        status = 0;
    return status;
}

void TavData::reportInfo(const QString& message, int percent)
{
    qCDebug(lcData) << message << percent;
    emit pushInfoUpward(message, percent);
}

int TavData::readFromBinary(const QString& path, TailLayout* tail)
{
    m_path = path;
    reportInfo(tr("%1 正在打开").arg(path), -1);
    QFile file(QDir::fromNativeSeparators(path));
    if (!file.open(QIODevice::ReadOnly)) {
        reportInfo(tr("%1 路径错误或不可读取").arg(path), -1);
        return status;
    }
    const qint64 size = file.size();
    reportInfo(tr("%1 文件大小 %2", nullptr, numerus(size)).arg(path, QString::number(size)), -1);
    qCDebug(lcData) << "初始地址！！！！！！！！！！！！！！！！！！！" << file.pos();
    reportInfo(tr("%1 总览文件......").arg(path), -1);
    const QVector<MarkerHit> markers = scanMarkers(file, size);
    reportInfo(tr("%1 开始读取......").arg(path), 0);

    const int n = markers.size();
    const QString reading = tr("%1 正在读取").arg(path);
    for (int i = 0; i < n; ++i) {
        reportInfo(reading, int((i + 1) * 100.0 / n));
        const MarkerHit& m = markers.at(i);
        const qint64 start = m.start + TavDataHeader::MarkerLength;
        const qint64 end = (i + 1 < n ? markers.at(i + 1).start : size) - 1;
        int result = 0;
        switch (m.kind) {
        case TavDataHeader::Global:
            result = readGlobalData(file, start, end);
            break;
        case TavDataHeader::Error:
            result = readErrorData(file, start, end);
            break;
        case TavDataHeader::System:
            result = readSystemData(file, start, end);
            break;
        case TavDataHeader::User:
            result = readUserData(file, start, end);
            break;
        case TavDataHeader::History:
            // Further 'H' bytes after the marker belong to the marker, not to the block.
            blocks.append(HistoryBlock());
            result = readHistoryData(file, std::min(m.runEnd, end + 1), end);
            break;
        default:
            break;
        }
        if (result != 0)
            return status;
    }
    if (tail)
        *tail = tailLayout(markers, size);
    reportInfo(tr("%1 读取完毕").arg(path), -1);
    file.close();
    status = 0;
    return 0;
}

int TavData::readGlobalData(QFile& file, qint64 start, qint64 end)
{
    static const char terminator[] = {0x0F, 0x0C};
    SectionCursor cursor(file, end);
    qint64 from = start;
    while (from <= end) {
        if (infoNames.size() >= MaxInfoItems) {
            reportListFull(infoNames.size());
            break;
        }
        const qint64 p = cursor.find(from, terminator, 2);
        if (p < 0)
            break;
        QByteArray item = cursor.bytes(from, p - from - 2);
        shiftBytes(item, -2);
        // Split at 0x01: the first part is the name, the second the value, the rest unused.
        const int sep = item.indexOf('\x01');
        const int sep2 = sep < 0 ? -1 : item.indexOf('\x01', sep + 1);
        const QByteArray name = sep < 0 ? item : item.left(sep);
        const QByteArray value =
            sep < 0 ? QByteArray() : item.mid(sep + 1, sep2 < 0 ? -1 : sep2 - sep - 1);
        infoNames.append(decodeText(name.constData(), name.size()));
        infoValues.append(decodeText(value.constData(), value.size()));
        from = p;
    }
    itemsEnd = from;
    return 0;
}

int TavData::readErrorData(QFile& file, qint64 start, qint64 end)
{
    const qint64 count = std::max<qint64>(0, (end - start + 1) / 8);
    itemsEnd = start + 8 * count;
    constexpr qint64 PerRead = ReadBlock / 8;
    QByteArray buffer;
    for (qint64 first = 0; first < count; first += PerRead) {
        const qint64 k = std::min(PerRead, count - first);
        readAt(file, start + first * 8, k * 8, buffer);
        const auto* p = reinterpret_cast<const uchar*>(buffer.constData());
        for (qint64 i = 0; i < k; ++i, p += 8) {
            if (errors.size() >= MaxErrors) {
                reportListFull(errors.size());
                itemsEnd = start + 8 * (first + i);
                return 0;
            }
            ErrorRecord r;
            r.stamp = be32(p);
            r.code = qint16(be16(p + 4));
            r.state = qint16(be16(p + 6));
            errors.append(r);
        }
    }
    return 0;
}

int TavData::readSystemData(QFile& file, qint64 start, qint64 end)
{
    return readEventData(file, start, end, systemEvents);
}

int TavData::readUserData(QFile& file, qint64 start, qint64 end)
{
    return readEventData(file, start, end, userEvents);
}

int TavData::readEventData(QFile& file, qint64 start, qint64 end, QList<EventRecord>& out)
{
    static const char terminator[] = {0x0D, 0x0A};
    SectionCursor cursor(file, end);
    qint64 from = start;
    while (from <= end) {
        if (out.size() >= MaxEvents) {
            reportListFull(out.size());
            break;
        }
        const qint64 p = cursor.find(from, terminator, 2);
        if (p < 0)
            break;
        const qint64 textLength = p - from - 4 - 2;
        // A terminator inside the entry's own stamp leaves no text: skip the entry.
        if (textLength >= 0) {
            const QByteArray stamp = cursor.bytes(from, 4);
            QByteArray text = cursor.bytes(from + 4, textLength);
            shiftBytes(text, -2);
            out.append({be32(reinterpret_cast<const uchar*>(stamp.constData())),
                        decodeText(text.constData(), text.size())});
        }
        from = p;
    }
    itemsEnd = from;
    return 0;
}

int TavData::readHistoryData(QFile& file, qint64 start, qint64 end)
{
    HistoryBlock& block = blocks.last();
    qCDebug(lcData) << "TAVData::readHistoryData" << start;
    QByteArray bytes;
    readAt(file, start, 4, bytes);
    const auto* head = reinterpret_cast<const uchar*>(bytes.constData());
    const quint16 version = be16(head);
    const int count = be16(head + 2);
    block.version = version;
    qCDebug(lcData) << "版本" << version << "变量个数" << count;
    block.scales.fill(0, count);
    block.names.resize(count);

    qint64 pos = start + 4;
    if (version <= 2) {
        readAt(file, pos, 20 * qint64(count) + 4, bytes);
        QByteArray names = bytes.left(16 * count);
        shiftBytes(names, -128);
        for (int j = 0; j < count; ++j) {
            const char* name = names.constData() + 16 * j;
            // A header that runs past the end of the file repeats one name many times:
            // the same text shares one string.
            if (j > 0 && std::memcmp(name, name - 16, 16) == 0)
                block.names[j] = block.names.at(j - 1);
            else
                block.names[j] = decodeText(name, 16);
        }
        const auto* scales = reinterpret_cast<const uchar*>(bytes.constData()) + 16 * count;
        for (int j = 0; j < count; ++j)
            block.scales[j] = int(be32(scales + 4 * j));
        pos += 20 * qint64(count) + 4;
    } else if (version != 3 && version != 4) {
        reportInfo(tr("数据版本异常"), -1);
        return 1;
    } else {
        SectionCursor cursor(file, end);
        qint64 from = pos;
        for (int j = 0; j < count; ++j) {
            static const char terminator = char(0x81);
            const qint64 p = cursor.find(from, &terminator, 1);
            if (p < 0) {
                reportInfo(tr("变量名称结束符错误"), -1);
                return 1;
            }
            QByteArray name = cursor.bytes(from, p - from - 1);
            shiftBytes(name, -128);
            block.names[j] = decodeText(name.constData(), name.size());
            from = p;
        }
        readAt(file, from, 4 * qint64(count), bytes);
        const auto* scales = reinterpret_cast<const uchar*>(bytes.constData());
        for (int j = 0; j < count; ++j)
            block.scales[j] = int(be32(scales + 4 * j));
        pos = from + 4 * qint64(count);
    }

    qint64 recordLength = 0;
    if (version == 1) {
        recordLength = 4 * qint64(count) + 8;
    } else if (version < 2) {
        reportInfo(tr("数据版本异常"), -1);
        return 1;
    } else {
        recordLength = 4 * qint64(count) + 6;
    }
    qint64 records = std::max<qint64>(0, (end - pos + 1) / recordLength);
    m_lastHistory = {pos <= end + 1, pos, recordLength, records};
    m_headersEnd = std::max(m_headersEnd, pos);
    if (records > MaxRecords) {
        m_lastHistory.whole = false;
        reportInfo(ReaderMessages::historyCut(m_path, MaxRecords), -1);
        records = MaxRecords;
    }
    qCDebug(lcData) << "变量的名称" << block.names << "记录条数" << records;
    if (onHistoryLayout)
        onHistoryLayout(records, count);
    decodeRecords(file, block, pos, records, recordLength);
    return 0;
}

void TavData::decodeRecords(QFile& file, HistoryBlock& block, qint64 pos, qint64 records,
                            qint64 recordLength)
{
    const auto dropped = [this](qint64 position, qint64 stamp, qint64 lastKept, qint64 index) {
        reportDroppedRecord(position, stamp, lastKept, index);
    };
    TavBinary::decodeRecords(file, pos, records, recordLength, block.scales, 0, 0, 0, block.stamps,
                             block.values, dropped);
    if (block.stamps.size() < records)
        qCDebug(lcData) << "遍历条数" << records + 1 << "有效条数" << block.stamps.size() + 1
                        << "发生错误" << records - block.stamps.size();
}

TailLayout TavData::tailLayout(const QVector<TavBinary::MarkerHit>& markers, qint64 size) const
{
    TailLayout tail;
    QSet<QString> distinct;
    for (const HistoryBlock& block : blocks) {
        tail.samples += block.stamps.size();
        if (!block.stamps.isEmpty())
            tail.lastSample = block.stamps.last();
        for (const QString& name : block.names)
            distinct.insert(name);
    }
    tail.blocks = blocks.size();
    tail.columns = distinct.size();
    tail.infoItems = infoNames.size();
    tail.errors = errors.size();
    tail.systemEvents = systemEvents.size();
    tail.userEvents = userEvents.size();
    if (!blocks.isEmpty()) {
        const HistoryBlock& block = blocks.last();
        tail.names = block.names;
        tail.scales = block.scales;
        tail.recordsStart = m_lastHistory.recordsStart;
        tail.recordLength = m_lastHistory.recordLength;
        tail.records = m_lastHistory.records;
        tail.kept = block.stamps.size();
        tail.lastStamp = block.stamps.isEmpty() ? 0 : block.stamps.last();
    }
    // A header read past the end of the file holds zeros that later bytes would change.
    tail.resumable = m_headersEnd <= size;
    if (markers.isEmpty()) {
        tail.consumed = size; // nothing before a first marker counts
        return tail;
    }
    const MarkerHit& last = markers.last();
    tail.kind = last.kind;
    tail.sectionStart = last.start;
    tail.runEnd = last.runEnd;
    if (tail.kind != TavDataHeader::History) {
        tail.consumed = itemsEnd;
        return tail;
    }
    // Records can be appended to a History block only once its header is complete and
    // every record of it was taken.
    tail.resumable = tail.resumable && m_lastHistory.whole;
    tail.consumed = tail.recordsStart + tail.records * tail.recordLength;
    Q_ASSERT(!tail.resumable || tail.consumed <= size);
    return tail;
}

void TavData::reportDroppedRecord(qint64 position, qint64 stamp, qint64 lastKept, qint64 index)
{
    // A clock set back can drop millions of records, each with its own message: translated
    // and cut once per read, each text then costs one allocation instead of four arg() passes.
    if (!m_droppedRecord)
        m_droppedRecord.emplace(tr("数据时间戳异常 地址%1  新数值 %2  旧数值 %3  rec_i %4"));
    reportInfo(m_droppedRecord->fill({position, stamp, lastKept, index}), -1);
    qCDebug(lcData) << "           新时间" << stampText(stamp);
    qCDebug(lcData) << "           旧时间" << stampText(lastKept);
}

void TavData::reportListFull(int entries)
{
    reportInfo(tr("%1 条目过多，只读取前%n条", nullptr, entries).arg(m_path), -1);
}
