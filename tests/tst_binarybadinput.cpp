// The binary reader over damaged and hostile files: it must end with a status, never crash,
// hang or run out of memory, and keep what it read before the damage.

#include "tst_binaryfixture.h"

#include <QRandomGenerator>

namespace {

const quint32 T0 = 1773043200u; // 2026-03-09 08:00:00 UTC

// A small file with every kind of section. The Error section comes last so that a cut
// marker (15 bytes of its character) never adds to a section that counts such bytes.
QByteArray smallValidFile()
{
    TavWriter w;
    w.marker('I');
    w.globalItem("设备型号", "OTC-408");
    w.historyBlock(1, {"温度设定", "温度"}, {10, 100}, {T0, T0 + 60, T0 + 120},
                   {{250, 2498}, {250, 2503}, {300, 2611}});
    w.marker('S');
    w.event(T0 + 30, "设备上电");
    w.event(T0 + 90, "程序开始");
    w.historyBlock(4, {"湿度设定", "湿度", "加热输出"}, {10, 10, 10}, {T0 + 300, T0 + 310},
                   {{950, 931, 402}, {950, 944, 388}});
    w.marker('U');
    w.event(T0 + 305, "用户登录");
    w.marker('A');
    w.errorRecord(T0 + 100, 12, 1);
    w.errorRecord(T0 + 200, 12, 0);
    return w.bytes;
}

// Every cut and every flipped byte of the small valid file, and noise.
QVector<QPair<QString, QByteArray>> damagedInputs()
{
    const QByteArray file = smallValidFile();
    QVector<QPair<QString, QByteArray>> inputs;
    for (int at = 0; at < file.size(); ++at) {
        inputs.append({QStringLiteral("size %1").arg(at), file.left(at)});
        for (int mask : {0xFF, 0x01})
            inputs.append({QStringLiteral("mask %1 at %2").arg(mask).arg(at),
                           file.left(at) + char(file[at] ^ mask) + file.mid(at + 1)});
    }
    for (quint32 seed = 1; seed < 40; ++seed) {
        QRandomGenerator rng(seed);
        const int size = seed == 1 ? 7 : seed == 2 ? 70000 : int(200 + seed * 97);
        QByteArray bytes;
        while (bytes.size() < size)
            bytes += char(rng.bounded(256));
        inputs.append({QStringLiteral("seed %1").arg(seed), bytes});
    }
    return inputs;
}

// A History block of any version whose records now and then hold runs of marker
// characters (a value of four 'H' bytes next to another makes a marker), whose stamps
// sometimes go back, and whose header may be broken by a marker.
void randomHistory(TavWriter& w, QRandomGenerator& rng)
{
    const quint16 version = quint16(1 + rng.bounded(4));
    const int variables = rng.bounded(7);
    QStringList names;
    QVector<quint32> scales;
    for (int j = 0; j < variables; ++j) {
        names << QStringLiteral("变量%1").arg(rng.bounded(4));
        scales << quint32(1 + rng.bounded(100));
    }
    w.marker('H', 16 + rng.bounded(3));
    const int headerAt = w.bytes.size();
    w.historyHeader(version, names, scales);
    if (rng.bounded(6) == 0)
        w.bytes.insert(headerAt + rng.bounded(w.bytes.size() - headerAt + 1),
                       QByteArray(16 + rng.bounded(3), "IHASU"[rng.bounded(5)]));
    quint32 stamp = T0;
    for (int i = rng.bounded(80); i > 0; --i) {
        stamp = rng.bounded(8) == 0 ? stamp - rng.bounded(3) : stamp + 1 + rng.bounded(5);
        QVector<qint32> raws(variables);
        for (qint32& v : raws)
            v = rng.bounded(4) == 0 ? 0x48484848 : qint32(rng.generate());
        w.historyRecord(version, stamp, raws);
        if (rng.bounded(50) == 0)
            w.raw(QByteArray(10 + rng.bounded(10), "IHASU"[rng.bounded(5)]));
    }
}

// Sections of every kind in any order, then maybe a cut anywhere.
QByteArray randomFile(QRandomGenerator& rng)
{
    TavWriter w;
    for (int s = 1 + rng.bounded(5); s > 0; --s) {
        switch (rng.bounded(5)) {
        case 0:
            w.marker('I', 16 + rng.bounded(3));
            w.globalItem("设备型号", "OTC-408");
            break;
        case 1:
            w.marker('A');
            for (int k = rng.bounded(4); k > 0; --k)
                w.errorRecord(T0 + k, 12, 1);
            break;
        case 2:
            w.marker(rng.bounded(2) ? 'S' : 'U');
            w.event(T0, "设备上电");
            break;
        default:
            randomHistory(w, rng);
        }
    }
    if (rng.bounded(3) == 0)
        w.truncate(rng.bounded(w.bytes.size() + 1));
    return w.bytes;
}

// Where a read left off, as one line.
QString tailText(const BinaryRead& r)
{
    const TavBinary::TailLayout& t = r.tail;
    return QStringLiteral("%1 %2 %3 %4 %5 | ")
               .arg(t.resumable)
               .arg(t.consumed)
               .arg(int(t.kind))
               .arg(t.sectionStart)
               .arg(t.runEnd) +
           QStringList(t.names.toList()).join(',') +
           QStringLiteral(" %1 %2 %3 %4 %5 | %6 %7 %8 %9 ")
               .arg(t.recordsStart)
               .arg(t.recordLength)
               .arg(t.records)
               .arg(t.kept)
               .arg(t.lastStamp)
               .arg(t.blocks)
               .arg(t.samples)
               .arg(t.lastSample)
               .arg(t.columns) +
           QStringLiteral("%1 %2 %3 %4")
               .arg(t.infoItems)
               .arg(t.errors)
               .arg(t.systemEvents)
               .arg(t.userEvents);
}

} // namespace

class TestBinaryBadInput : public QObject
{
    Q_OBJECT
private slots:
    // Every cut and every flipped byte of a small valid file, and noise. A cut file reads as
    // the beginning of the whole one, kind by kind.
    void damagedFiles()
    {
        const QByteArray file = smallValidFile();
        BinaryRead whole(file);
        QCOMPARE(whole.result, 0);
        QCOMPARE(lines(whole).size(), 13);
        for (const auto& [what, bytes] : damagedInputs()) {
            BinaryRead r(bytes);
            const QString fault = readFault(r);
            QVERIFY2(fault.isEmpty(), qPrintable(what + ": " + fault));
            for (char kind : QByteArray(file.startsWith(bytes) ? "IhASU" : "")) {
                const QRegularExpression start(QStringLiteral("^") + kind);
                const QStringList part = lines(r).filter(start);
                QVERIFY2(part == lines(whole).filter(start).mid(0, part.size()),
                         qPrintable(what + ": " + part.join(" | ")));
            }
        }
    }

    // Read a few bytes at a time, so that the seams between the reads fall anywhere (in
    // markers, runs of marker characters, headers and records), any file reads as in one
    // read: the same sections, records, messages and resume point.
    void seams()
    {
        QVector<QPair<QString, QByteArray>> inputs = damagedInputs();
        for (quint32 seed = 1; seed <= 300; ++seed) {
            QRandomGenerator rng(seed);
            inputs.append({QStringLiteral("sections %1").arg(seed), randomFile(rng)});
        }
        for (const auto& [what, bytes] : inputs) {
            const BinaryRead whole(bytes);
            const QStringList expected = lines(whole);
            const QString expectedTail = tailText(whole);
            for (const qint64 block : {1, 5, 16, 61}) {
                const BinaryRead r(bytes, block, true);
                const QString fault = readFault(r);
                const QStringList got = lines(r);
                if (fault.isEmpty() && r.result == whole.result && got == expected &&
                    tailText(r) == expectedTail)
                    continue;
                QFAIL(qPrintable(what + QStringLiteral(", blocks of %1: ").arg(block) + fault +
                                 got.join(" | ") + "\n  against " + expected.join(" | ") +
                                 "\n  resume " + tailText(r) + " against " + expectedTail));
            }
        }
    }

    // 65535 variables in a History section of a few bytes; an Error section follows.
    void hugeVariableCount()
    {
        const QPair<QByteArray, QString> cases[] = {
            {QByteArray("\0\x04\xFF\xFF", 4) + QByteArray(100, 'x'), "变量名称结束符错误"},
            {QByteArray("\0\x03\xFF\xFF", 4) + QByteArray(65535, char(0x81)) +
                 QByteArray("\0\0\0\x0A", 4),
             {}}};
        for (const auto& [history, failure] : cases) {
            TavWriter w;
            w.marker('H');
            w.raw(history);
            w.marker('A');
            w.errorRecord(T0, 4, 1);
            BinaryRead r(w.bytes);
            QVERIFY2(readFault(r).isEmpty(), qPrintable(readFault(r)));
            QCOMPARE(r.result, failure.isEmpty() ? 0 : 1);
            QCOMPARE(r.data.blocks.size(), 1);
            QCOMPARE(r.data.blocks[0].names.size(), 65535);
            QCOMPARE(r.data.blocks[0].stamps.size(), 0);
            // Without a failure the section after the block is still read.
            QCOMPARE(r.data.errors.size(), failure.isEmpty() ? 1 : 0);
            QCOMPARE(r.data.errors.value(0).stamp, failure.isEmpty() ? T0 : 0);
            QCOMPARE(r.messages.last(), failure.isEmpty() ? r.path + " 读取完毕" : failure);
        }
    }
};

QTEST_GUILESS_MAIN(TestBinaryBadInput)
#include "tst_binarybadinput.moc"
