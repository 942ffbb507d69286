#include "tavwriter.h"

#include <QFile>

bool TavWriter::save(const QString& path) const
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    return file.write(bytes) == bytes.size();
}

void TavWriter::u8(quint8 v)
{
    bytes.append(char(v));
}

void TavWriter::u16(quint16 v)
{
    const char b[2] = {char(v >> 8), char(v)};
    bytes.append(b, 2);
}

void TavWriter::u32(quint32 v)
{
    const char b[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    bytes.append(b, 4);
}

void TavWriter::truncate(int newSize)
{
    if (newSize < bytes.size()) {
        bytes.truncate(qMax(0, newSize));
    }
}

void TavWriter::marker(char kind, int copies)
{
    bytes.append(QByteArray(copies, kind));
}

QByteArray TavWriter::shifted(const QString& text, int delta)
{
    QByteArray b = text.toUtf8();
    for (char& c : b) {
        c = char(quint8(c) + delta);
    }
    return b;
}

void TavWriter::globalItem(const QString& name, const QString& value, bool withSeparator,
                           bool withTerminator)
{
    bytes.append(shifted(name, 2));
    if (withSeparator) {
        u8(0x01 + 2);
    }
    bytes.append(shifted(value, 2));
    if (withTerminator) {
        bytes.append("\x0F\x0C", 2);
    }
}

void TavWriter::historyHeader(quint16 version, const QStringList& names,
                              const QVector<quint32>& scales, bool terminateNames)
{
    u16(version);
    u16(quint16(names.size()));
    const bool fixed = version <= 2;
    for (const QString& name : names) {
        QByteArray b = shifted(name, 128);
        if (fixed) {
            b = b.left(16);
            b.append(QByteArray(16 - b.size(), char(0x80)));
        } else if (terminateNames) {
            b.append(char(0x81));
        }
        bytes.append(b);
    }
    for (quint32 s : scales) {
        u32(s);
    }
    if (fixed) {
        u32(0);
    }
}

int TavWriter::historyRecord(quint16 version, quint32 stamp, const QVector<qint32>& raws,
                             quint16 status)
{
    const int at = bytes.size();
    u32(stamp);
    for (qint32 v : raws) {
        i32(v);
    }
    u16(status);
    if (version == 1) {
        u16(0);
    }
    return at;
}

void TavWriter::historyBlock(quint16 version, const QStringList& names,
                             const QVector<quint32>& scales, const QVector<quint32>& stamps,
                             const QVector<QVector<qint32>>& rows)
{
    marker('H');
    historyHeader(version, names, scales);
    bytes.reserve(bytes.size() + stamps.size() * recordLength(version, names.size()));
    for (int i = 0; i < stamps.size(); ++i) {
        historyRecord(version, stamps[i], i < rows.size() ? rows[i] : QVector<qint32>());
    }
}

void TavWriter::errorRecord(quint32 stamp, qint16 code, qint16 state)
{
    u32(stamp);
    u16(quint16(code));
    u16(quint16(state));
}

void TavWriter::event(quint32 stamp, const QString& text, bool withTerminator)
{
    u32(stamp);
    bytes.append(shifted(text, 2));
    if (withTerminator) {
        bytes.append("\x0D\x0A", 2);
    }
}

int TavWriter::recordLength(quint16 version, int variableCount)
{
    return 4 * variableCount + (version == 1 ? 8 : 6);
}
