#include "tavdata.h"

#include "columnalloc.h"
#include "datalog.h"
#include "filescan.h"
#include "historyheader.h"
#include "numberpattern.h"
#include "readermessages.h"
#include "recordstream.h"
#include "sectioncursor.h"
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

} // namespace

using namespace TavBinary;

TavData::TavData(QObject* parent) : QObject(parent) {}

int TavData::readFromCsv(const QString& path, bool useHeaderNames, qint64 bufferBytes,
                         TavCsv::CsvLayout* layout)
{
    const auto report = [this](const QString& info, int percent) { reportInfo(info, percent); };
    if (TavCsv::read(blocks, path, useHeaderNames, report, bufferBytes, layout, roomToGrow) == 0)
        status = 0;
    return status;
}

void TavData::reportInfo(const QString& message, int percent)
{
    qCDebug(lcData) << message << percent;
    emit pushInfoUpward(message, percent);
}

int TavData::readFromBinary(const QString& path, TailLayout* tail, qint64 block)
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
    // The scan for markers and the decoding are one pass: a section is decoded as soon as
    // the scan has found where it ends, a History section while the scan goes on, from the
    // bytes the scan has just read.
    reportInfo(tr("%1 总览文件......").arg(path), -1);
    reportInfo(tr("%1 开始读取......").arg(path), 0);
    FileScan scan(file, size, block);
    m_reading = tr("%1 正在读取").arg(path);
    m_percent = 0;
    for (int i = 0;; ++i) {
        while (scan.markers().size() <= i && advance(scan, scan.scanned())) {
        }
        if (scan.markers().size() <= i)
            break;
        const MarkerHit m = scan.markers().at(i);
        if (m.kind == TavDataHeader::History) {
            blocks.append(HistoryBlock());
            if (readHistoryStream(scan, file, i) != 0)
                return status;
            continue;
        }
        while (scan.markers().size() <= i + 1 && advance(scan, scan.scanned())) {
        }
        const qint64 start = m.start + TavDataHeader::MarkerLength;
        const qint64 end =
            (i + 1 < scan.markers().size() ? scan.markers().at(i + 1).start : scan.size()) - 1;
        switch (m.kind) {
        case TavDataHeader::Global:
            readGlobalData(file, start, end);
            break;
        case TavDataHeader::Error:
            readErrorData(file, start, end);
            break;
        case TavDataHeader::System:
            readSystemData(file, start, end);
            break;
        case TavDataHeader::User:
            readUserData(file, start, end);
            break;
        default:
            break;
        }
    }
    if (tail)
        *tail = tailLayout(scan.markers(), scan.size());
    reportInfo(tr("%1 读取完毕").arg(path), -1);
    file.close();
    status = 0;
    return 0;
}

bool TavData::advance(FileScan& scan, qint64 keepFrom)
{
    const bool read = scan.advance(keepFrom);
    const qint64 size = std::max<qint64>(1, scan.size());
    const int percent = int(std::min(scan.scanned(), size) * 100.0 / size);
    if (read && percent > m_percent) {
        m_percent = percent;
        reportInfo(m_reading, percent);
    }
    return read;
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
    HistoryHeader header = HistoryHeader::read(file, start, end);
    const qint64 pos = header.recordsStart;
    const qint64 length = header.recordLength;
    if (takeHeader(header) != 0)
        return 1;
    const qint64 records = countRecords(pos, end, length);
    qCDebug(lcData) << "变量的名称" << block.names << "记录条数" << records;
    if (onHistoryLayout)
        onHistoryLayout(records, block.names.size());
    RecordStream::decode(file, pos, records, length, block.scales, {pos, 0, 0, 0}, block.stamps,
                         block.values, droppedReport());
    logDropped(block, records);
    return 0;
}

int TavData::readHistoryStream(FileScan& scan, QFile& file, int index)
{
    HistoryBlock& block = blocks.last();
    const auto nextMarker = [&scan, index] {
        return index + 1 < scan.markers().size() ? scan.markers().at(index + 1).start : -1;
    };
    const auto sectionEnd = [&scan, &nextMarker] {
        const qint64 next = nextMarker();
        return (next >= 0 ? next : scan.size()) - 1;
    };
    // Further 'H' bytes after the marker belong to the marker, not to the block; the next
    // marker never starts before they end.
    const qint64 start = scan.markers().at(index).runEnd;
    qCDebug(lcData) << "TAVData::readHistoryData" << start;
    // The header reads the same for any end of the section after its last name terminator:
    // read as far as the scan knows the section, it needs a second reading only when the
    // scan then finds a marker before that terminator.
    HistoryHeader header = HistoryHeader::read(file, start, sectionEnd());
    while (nextMarker() < 0 && scan.confirmed() <= header.lastTerminator &&
           advance(scan, scan.scanned())) {
    }
    if (nextMarker() >= 0 && nextMarker() <= header.lastTerminator)
        header = HistoryHeader::read(file, start, sectionEnd());
    const qint64 pos = header.recordsStart;
    const qint64 length = header.recordLength;
    if (takeHeader(header) != 0)
        return 1;

    // Columns for every record up to the end of the file, unless the scan knows the end of
    // the section already; the pages of the records that are not there are never touched.
    const qint64 bound =
        std::min(MaxRecords, std::max<qint64>(0, (sectionEnd() - pos + 1) / length));
    if (onHistoryLayout)
        onHistoryLayout(bound, block.names.size());
    RecordStream stream(block.scales, length, bound, {pos, 0, 0, 0}, droppedReport(),
                        roomToGrow ? ColumnAlloc::roomToGrow(bound) : 0);
    // The records before the first byte the scan has not confirmed are the section's:
    // every marker that starts before that byte is known.
    qint64 at = pos;
    for (;;) {
        const bool ended = nextMarker() >= 0 || scan.atEnd();
        const qint64 limit = ended ? sectionEnd() + 1 : scan.confirmed();
        const qint64 n = limit > at ? std::min((limit - at) / length, stream.left()) : 0;
        if (n > 0) {
            if (const uchar* bytes = scan.bytes(at, n * length))
                stream.take(bytes, n);
            else
                stream.takeFrom(file, at, n);
            at += n * length;
        }
        if (ended)
            break;
        advance(scan, at);
    }
    const qint64 records = countRecords(pos, sectionEnd(), length);
    qCDebug(lcData) << "变量的名称" << block.names << "记录条数" << records;
    stream.finish(block.stamps, block.values);
    logDropped(block, records);
    return 0;
}

int TavData::takeHeader(HistoryHeader& header)
{
    HistoryBlock& block = blocks.last();
    block.version = header.version;
    block.names = std::move(header.names);
    block.scales = std::move(header.scales);
    qCDebug(lcData) << "版本" << block.version << "变量个数" << block.names.size();
    switch (header.fault) {
    case HistoryHeader::Fault::BadVersion:
        reportInfo(tr("数据版本异常"), -1);
        return 1;
    case HistoryHeader::Fault::MissingTerminator:
        reportInfo(tr("变量名称结束符错误"), -1);
        return 1;
    case HistoryHeader::Fault::None:
        break;
    }
    return 0;
}

qint64 TavData::countRecords(qint64 pos, qint64 end, qint64 recordLength)
{
    qint64 records = std::max<qint64>(0, (end - pos + 1) / recordLength);
    m_lastHistory = {pos <= end + 1, pos, recordLength, records};
    m_headersEnd = std::max(m_headersEnd, pos);
    if (records > MaxRecords) {
        m_lastHistory.whole = false;
        reportInfo(ReaderMessages::historyCut(m_path, MaxRecords), -1);
        records = MaxRecords;
    }
    return records;
}

TavBinary::DroppedRecord TavData::droppedReport()
{
    return [this](qint64 position, qint64 stamp, qint64 lastKept, qint64 index) {
        reportDroppedRecord(position, stamp, lastKept, index);
    };
}

void TavData::logDropped(const HistoryBlock& block, qint64 records) const
{
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
        tail.takeBlock(blocks.last(), m_lastHistory.recordsStart, m_lastHistory.recordLength,
                       m_lastHistory.records);
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
