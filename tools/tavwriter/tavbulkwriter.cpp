#include "tavbulkwriter.h"

#include "tavwriter.h"

#include <QStringList>
#include <QVector>

#include <vector>

namespace {

inline char* putU32(char* p, quint32 v)
{
    p[0] = char(v >> 24);
    p[1] = char(v >> 16);
    p[2] = char(v >> 8);
    p[3] = char(v);
    return p + 4;
}

} // namespace

TavBulkWriter::TavBulkWriter(const QString& path) : m_file(path)
{
    m_ok = m_file.open(QIODevice::WriteOnly | QIODevice::Truncate);
}

bool TavBulkWriter::write(const QByteArray& data)
{
    if (!m_ok) {
        return false;
    }
    m_ok = m_file.write(data) == data.size();
    m_written += data.size();
    return m_ok;
}

bool TavBulkWriter::historyRecords(quint16 version, int variableCount, qint64 count,
                                   quint32 firstStamp, quint32 interval)
{
    const int length = TavWriter::recordLength(version, variableCount);
    const qint64 perBuffer = qMax<qint64>(1, (4 << 20) / length);
    std::vector<char> buffer(size_t(perBuffer * length));
    quint32 stamp = firstStamp;
    qint64 i = 0;
    while (m_ok && i < count) {
        const qint64 batch = qMin(perBuffer, count - i);
        char* p = buffer.data();
        for (qint64 k = 0; k < batch; ++k, ++i, stamp += interval) {
            p = putU32(p, stamp);
            // A slow triangle wave per variable around its own level.
            const qint32 phase = qint32(i % 2000);
            const qint32 wave = phase < 1000 ? phase : 2000 - phase;
            for (int j = 0; j < variableCount; ++j) {
                p = putU32(p, quint32(j * 100 + wave - 500 + (j & 1) * (phase & 7)));
            }
            *p++ = 0;
            *p++ = char(i & 3);
            if (version == 1) {
                *p++ = 0;
                *p++ = 0;
            }
        }
        const qint64 bytes = batch * length;
        m_ok = m_file.write(buffer.data(), bytes) == bytes;
        m_written += bytes;
    }
    return m_ok;
}

bool TavBulkWriter::finish()
{
    if (m_file.isOpen()) {
        m_ok = m_file.flush() && m_ok;
        m_file.close();
    }
    return m_ok;
}

qint64 TavBulkWriter::writeHistoryFile(const QString& path, qint64 targetBytes, quint16 version,
                                       int variableCount, quint32 firstStamp, quint32 interval)
{
    TavWriter head;
    head.marker('H');
    QStringList names;
    QVector<quint32> scales;
    for (int j = 0; j < variableCount; ++j) {
        names << QStringLiteral("变量%1").arg(j + 1);
        scales << (j % 2 ? 100 : 10);
    }
    head.historyHeader(version, names, scales);
    const qint64 count = qMax<qint64>(0, (targetBytes - head.bytes.size()) /
                                             TavWriter::recordLength(version, variableCount));
    TavBulkWriter out(path);
    out.write(head.bytes);
    out.historyRecords(version, variableCount, count, firstStamp, interval);
    return out.finish() ? count : -1;
}
