#include "historyheader.h"

#include "sectioncursor.h"
#include "tavbinary.h"

#include <cstring>

namespace {

inline quint32 be32(const uchar* p)
{
    return (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | quint32(p[3]);
}

inline quint16 be16(const uchar* p)
{
    return quint16((p[0] << 8) | p[1]);
}

void readScales(QFile& file, qint64 pos, HistoryHeader& h)
{
    QByteArray bytes;
    TavBinary::readAt(file, pos, 4 * qint64(h.scales.size()), bytes);
    const auto* scales = reinterpret_cast<const uchar*>(bytes.constData());
    for (int j = 0; j < h.scales.size(); ++j)
        h.scales[j] = int(be32(scales + 4 * j));
}

// Names of 16 bytes each, then the scales and 4 reserved bytes. Returns the byte after.
qint64 readFixedNames(QFile& file, qint64 pos, HistoryHeader& h)
{
    const int count = h.names.size();
    QByteArray names;
    TavBinary::readAt(file, pos, 16 * qint64(count), names);
    TavBinary::shiftBytes(names, -128);
    for (int j = 0; j < count; ++j) {
        const char* name = names.constData() + 16 * j;
        // A header that runs past the end of the file repeats one name many times:
        // the same text shares one string.
        if (j > 0 && std::memcmp(name, name - 16, 16) == 0)
            h.names[j] = h.names.at(j - 1);
        else
            h.names[j] = TavBinary::decodeText(name, 16);
    }
    readScales(file, pos + 16 * qint64(count), h);
    return pos + 20 * qint64(count) + 4;
}

// Names each ended by 0x81, then the scales. Returns the byte after, or -1 when a name
// has no terminator before end.
qint64 readTerminatedNames(QFile& file, qint64 pos, qint64 end, HistoryHeader& h)
{
    SectionCursor cursor(file, end);
    qint64 from = pos;
    for (int j = 0; j < h.names.size(); ++j) {
        static const char terminator = char(0x81);
        const qint64 p = cursor.find(from, &terminator, 1);
        if (p < 0)
            return -1;
        h.lastTerminator = p - 1;
        QByteArray name = cursor.bytes(from, p - from - 1);
        TavBinary::shiftBytes(name, -128);
        h.names[j] = TavBinary::decodeText(name.constData(), name.size());
        from = p;
    }
    readScales(file, from, h);
    return from + 4 * qint64(h.names.size());
}

} // namespace

HistoryHeader HistoryHeader::read(QFile& file, qint64 start, qint64 end)
{
    HistoryHeader h;
    QByteArray bytes;
    TavBinary::readAt(file, start, 4, bytes);
    const auto* head = reinterpret_cast<const uchar*>(bytes.constData());
    h.version = be16(head);
    const int count = be16(head + 2);
    h.scales.fill(0, count);
    h.names.resize(count);

    const qint64 pos = start + 4;
    if (h.version <= 2) {
        h.recordsStart = readFixedNames(file, pos, h);
    } else if (h.version == 3 || h.version == 4) {
        h.recordsStart = readTerminatedNames(file, pos, end, h);
        if (h.recordsStart < 0) {
            h.fault = Fault::MissingTerminator;
            return h;
        }
    } else {
        h.fault = Fault::BadVersion;
        return h;
    }
    if (h.version == 1)
        h.recordLength = 4 * qint64(count) + 8;
    else if (h.version < 2)
        h.fault = Fault::BadVersion;
    else
        h.recordLength = 4 * qint64(count) + 6;
    return h;
}
