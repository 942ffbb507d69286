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
    w.globalItem("备注", "", false);
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

// The lines of one kind ("I", "h", "A", "S", "U") of a read.
QStringList linesOf(const BinaryRead& r, char kind)
{
    QStringList out;
    for (const QString& line : lines(r)) {
        if (line.startsWith(QLatin1Char(kind))) {
            out << line;
        }
    }
    return out;
}

} // namespace

class TestBinaryBadInput : public QObject
{
    Q_OBJECT
private slots:
    void everyTruncation();
    void everyByteFlipped_data();
    void everyByteFlipped();
    void randomBytes_data();
    void randomBytes();
    void hugeVariableCount_data();
    void hugeVariableCount();
};

// A cut-off file reads as the beginning of the whole one, kind by kind.
void TestBinaryBadInput::everyTruncation()
{
    const QByteArray file = smallValidFile();
    BinaryRead whole(file);
    QCOMPARE(whole.result, 0);
    QCOMPARE(lines(whole).size(), 14);
    for (int size = 0; size < file.size(); ++size) {
        BinaryRead r(file.left(size));
        const QString fault = readFault(r);
        QVERIFY2(fault.isEmpty(), qPrintable(QStringLiteral("size %1: %2").arg(size).arg(fault)));
        for (char kind : QByteArray("IhASU")) {
            const QStringList part = linesOf(r, kind);
            QVERIFY2(part == linesOf(whole, kind).mid(0, part.size()),
                     qPrintable(QStringLiteral("size %1: %2").arg(size).arg(part.join(" | "))));
        }
    }
}

void TestBinaryBadInput::everyByteFlipped_data()
{
    QTest::addColumn<int>("mask");
    QTest::newRow("all bits") << 0xFF;
    QTest::newRow("low bit") << 0x01;
    QTest::newRow("high bit") << 0x80;
}

void TestBinaryBadInput::everyByteFlipped()
{
    QFETCH(int, mask);
    const QByteArray file = smallValidFile();
    for (int at = 0; at < file.size(); ++at) {
        QByteArray damaged = file;
        damaged[at] = char(damaged[at] ^ mask);
        BinaryRead r(damaged);
        const QString fault = readFault(r);
        QVERIFY2(fault.isEmpty(), qPrintable(QStringLiteral("byte %1: %2").arg(at).arg(fault)));
    }
}

void TestBinaryBadInput::randomBytes_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("markers"); // marker runs planted at random places

    QTest::newRow("tiny") << 1u << 7 << 0;
    QTest::newRow("noise") << 2u << 5000 << 0;
    QTest::newRow("noise over windows") << 3u << 70000 << 0;
    for (quint32 seed = 10; seed < 40; ++seed) {
        QTest::addRow("with markers %u", seed) << seed << int(200 + seed * 97) << int(seed % 9);
    }
}

void TestBinaryBadInput::randomBytes()
{
    QFETCH(quint32, seed);
    QFETCH(int, size);
    QFETCH(int, markers);

    QRandomGenerator rng(seed);
    QByteArray bytes(size, '\0');
    for (char& c : bytes) {
        c = char(rng.bounded(256));
    }
    const QByteArray kinds("IHASU");
    for (int k = 0; k < markers; ++k) {
        const int at = int(rng.bounded(size));
        const QByteArray run(16 + int(rng.bounded(4)), kinds[int(rng.bounded(5))]);
        bytes.replace(at, qMin(run.size(), size - at), run.left(size - at));
        // A small History header now and then, so that decoding gets past the version.
        if (run[0] == 'H' && at + run.size() + 4 <= size) {
            bytes[at + run.size()] = 0;
            bytes[at + run.size() + 1] = char(1 + rng.bounded(4));
        }
    }
    BinaryRead r(bytes);
    QVERIFY2(readFault(r).isEmpty(), qPrintable(readFault(r)));
}

void TestBinaryBadInput::hugeVariableCount_data()
{
    QTest::addColumn<QByteArray>("history"); // after the 'H' marker
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("lastMessage"); // when the read fails

    TavWriter w;
    w.u16(2);
    w.u16(65535);
    w.raw("few bytes");
    QTest::newRow("fixed names past the end") << w.bytes << 0 << QString();

    w = TavWriter();
    w.u16(4);
    w.u16(65535);
    w.raw(QByteArray(100, 'x'));
    QTest::newRow("terminated names missing") << w.bytes << 1 << "变量名称结束符错误";

    w = TavWriter();
    w.u16(3);
    w.u16(65535);
    w.raw(QByteArray(65535, char(0x81)));
    w.u32(10);
    QTest::newRow("empty names, scales past the end") << w.bytes << 0 << QString();

    w = TavWriter();
    w.u16(1);
    w.u16(65535);
    QTest::newRow("nothing after the count") << w.bytes << 0 << QString();
}

void TestBinaryBadInput::hugeVariableCount()
{
    QFETCH(QByteArray, history);
    QFETCH(int, result);
    QFETCH(QString, lastMessage);

    TavWriter w;
    w.marker('H');
    w.raw(history);
    w.marker('A');
    w.errorRecord(T0, 4, 1);

    BinaryRead r(w.bytes);
    QVERIFY2(readFault(r).isEmpty(), qPrintable(readFault(r)));
    QCOMPARE(r.result, result);
    QCOMPARE(r.data.blocks.size(), 1);
    QCOMPARE(r.data.blocks[0].names.size(), 65535);
    QCOMPARE(r.data.blocks[0].stamps.size(), 0);
    if (result == 0) {
        QCOMPARE(r.data.errors.size(), 1); // the section after the block is still read
        QCOMPARE(r.data.errors[0].stamp, T0);
    } else {
        QCOMPARE(r.messages.last(), lastMessage);
        QCOMPARE(r.data.errors.size(), 0);
    }
}

QTEST_GUILESS_MAIN(TestBinaryBadInput)
#include "tst_binarybadinput.moc"
