#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

// Composes a .tavdata file in memory, byte by byte, big-endian.
//
// Every call appends to `bytes`; nothing is checked, so a caller can build broken files
// just as easily as good ones:
//   - wrong version: historyHeader(7, ...)
//   - missing name terminator: historyHeader(4, names, scales, false)
//   - decreasing or equal stamps: pass them to historyRecord in that order
//   - extra marker copies: marker('H', 20); marker bytes inside data: raw(QByteArray(16, 'A'))
//   - partial records and odd bytes: raw(...); truncation: truncate(n)
//   - a divisor of 0: put 0 in the scales
//
// Typical use:
//   TavWriter w;
//   w.marker('I'); w.globalItem("设备型号", "OTC-408");
//   w.historyBlock(4, {"温度"}, {10}, {t0, t0 + 60}, {{235}, {236}});
//   w.marker('A'); w.errorRecord(t0 + 60, 12, 1);
//   w.save(path);
class TavWriter
{
public:
    QByteArray bytes; // the file so far

    bool save(const QString& path) const;

    // Plain big-endian values and raw bytes.
    void u8(quint8 v);
    void u16(quint16 v);
    void u32(quint32 v);
    void i32(qint32 v) { u32(quint32(v)); }
    void raw(const QByteArray& data) { bytes.append(data); }
    // Cuts the file to newSize bytes (no-op when it is already shorter).
    void truncate(int newSize);

    // A section marker: `copies` times the kind's character ('I', 'H', 'A', 'S', 'U').
    void marker(char kind, int copies = 16);

    // One information item of a Global section: name, separator 0x01, value, every byte
    // stored +2; then the terminator 0x0F 0x0C. Without the separator the value bytes
    // follow the name directly.
    void globalItem(const QString& name, const QString& value, bool withSeparator = true,
                    bool withTerminator = true);

    // History header. Versions up to 2 store each name in a 16-byte field (+128, cut at
    // 16 bytes, padded with 0x80), then the scales and 4 reserved bytes; any other version
    // stores each name +128 followed by 0x81 (left out when terminateNames is false),
    // then the scales. The count written is names.size().
    void historyHeader(quint16 version, const QStringList& names, const QVector<quint32>& scales,
                       bool terminateNames = true);
    // One record: stamp, raw values, status word (version 1 adds a second, zero, word).
    // Returns the offset in `bytes` where the record starts.
    int historyRecord(quint16 version, quint32 stamp, const QVector<qint32>& raws,
                      quint16 status = 0);
    // Marker 'H', header, then one record per stamp with rows[i] as its raw values.
    void historyBlock(quint16 version, const QStringList& names, const QVector<quint32>& scales,
                      const QVector<quint32>& stamps, const QVector<QVector<qint32>>& rows);

    // One record of an Error section (after marker('A')).
    void errorRecord(quint32 stamp, qint16 code, qint16 state);
    // One entry of a System or User section (after marker('S') or marker('U')): stamp,
    // text bytes +2, terminator 0x0D 0x0A.
    void event(quint32 stamp, const QString& text, bool withTerminator = true);

    // Bytes of one History record of the given layout and variable count.
    static int recordLength(quint16 version, int variableCount);
    // The text encoding of the format: UTF-8 with delta added to every byte.
    static QByteArray shifted(const QString& text, int delta);
};
