// The binary reader over files composed by TavWriter: layouts, sections, messages.

#include "testutil.h"
#include "tst_binaryfixture.h"

#include <QRandomGenerator>

using Rows = QVector<QVector<qint32>>;

namespace {

const QString Drop = QStringLiteral("! 数据时间戳异常 地址%1  新数值 %2  旧数值 %3  rec_i %4");

// One easily recognised section of each kind, and the line it reads as.
void appendSection(TavWriter& w, char kind)
{
    w.marker(kind);
    switch (kind) {
    case 'I':
        w.globalItem("试验名称", "交变湿热");
        break;
    case 'H':
        w.historyHeader(4, {"温度", "湿度"}, {10, 10});
        w.historyRecord(4, 1, {235, 601});
        break;
    case 'A':
        w.errorRecord(5, 12, 1);
        break;
    default:
        w.event(7, kind == 'S' ? "设备上电" : "用户登录");
    }
}

QString sectionLine(char kind)
{
    switch (kind) {
    case 'I':
        return "I 试验名称=交变湿热";
    case 'H':
        return "H4 温度/10 湿度/10 | h0 1: 23.5 60.1";
    case 'A':
        return "A 5 12 1";
    case 'S':
        return "S 7 设备上电";
    }
    return "U 7 用户登录";
}

void addRow(const char* name, const QByteArray& bytes, const QString& expected, int result = 0)
{
    QTest::newRow(name) << bytes << expected << result;
}

} // namespace

class TestBinaryReader : public QObject
{
    Q_OBJECT
private slots:
    void sections_data();
    void sections();
    void manyRecords_data();
    void manyRecords();
    void markerPositions_data();
    void markerPositions();
    void longItems_data();
    void longItems();
    void sectionOverTwoGiB();
    void progress_data();
    void progress();
    void bundledSample();
};

void TestBinaryReader::sections_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected"); // lines() joined by " | "
    QTest::addColumn<int>("result");

    // Layouts; the spare bytes of a partial record must not reach the next section.
    TavWriter w;
    w.historyBlock(1, {"温度设定", "温度"}, {10, 100}, {100, 110}, {{235, 2350}, {-12, -5}});
    w.raw("\x11\x11");
    appendSection(w, 'A');
    addRow("v1", w.bytes,
           "H1 温度设定/10 温度/100 | h0 100: 23.5 23.5 | h0 110: -1.2 -0.05 | A 5 12 1");
    w = TavWriter();
    w.historyBlock(2, {"ABCDEFGHIJKLMNOP", "温度设定值123456"}, {1, 1000}, {5}, {{1, 3}});
    w.raw(QByteArray(13, 'x'));
    appendSection(w, 'A');
    addRow("v2 names of 16 bytes", w.bytes,
           "H2 ABCDEFGHIJKLMNOP/1 温度设定值1/1000 | h0 5: 1 0.003 | A 5 12 1");
    w = TavWriter();
    w.historyBlock(3, {"湿度"}, {10}, {1, 2}, {{950}, {931}});
    w.raw(QByteArray(9, 'x'));
    addRow("v3", w.bytes, "H3 湿度/10 | h0 1: 95 | h0 2: 93.1");
    w = TavWriter();
    w.historyBlock(4, {"一个很长的变量名称超过十六字节", "b"}, {1, 0xFFFFFFFFu}, {1},
                   {{2147483647, -2147483647 - 1}});
    addRow("v4 extremes", w.bytes,
           "H4 一个很长的变量名称超过十六字节/1 b/-1 | h0 1: 2.147484e+09 -0.5");
    w = TavWriter();
    w.historyBlock(3, {}, {}, {1, 2, 3}, {});
    w.raw(QByteArray(5, 'x'));
    addRow("v3 without variables", w.bytes, "H3 | h0 1: | h0 2: | h0 3:");
    w = TavWriter();
    w.historyBlock(4, {"温度"}, {10}, {}, {});
    w.raw(QByteArray(9, 'x'));
    addRow("v4 header only", w.bytes, "H4 温度/10");
    w = TavWriter();
    w.historyBlock(4, {"a", "b", "c"}, {0, 0, 0}, {1}, {{5, -5, 0}});
    addRow("divisor 0", w.bytes, "H4 a/0 b/0 c/0 | h0 1: inf -inf nan");

    // Records whose stamp does not increase are dropped; the first one always stays.
    struct DropCase
    {
        const char* name;
        quint16 version;
        QVector<quint32> stamps;
    };
    const QVector<DropCase> drops = {{"decreasing", 2, {100, 90, 110}},
                                     {"equal", 4, {100, 100, 101}},
                                     {"v1, unsigned compare", 1, {4000000000u, 5, 4000000001u}},
                                     {"runs of drops", 3, {10, 20, 15, 15, 20, 21}},
                                     {"largest stamp", 4, {1, 0xFFFFFFFFu, 0xFFFFFFFFu}}};
    for (const DropCase& c : drops) {
        w = TavWriter();
        w.raw("junk before the first marker");
        w.marker('H');
        w.historyHeader(c.version, {"t"}, {1});
        QStringList kept = {"H" + QString::number(c.version) + " t/1"};
        QStringList messages;
        qint64 last = -1;
        for (int i = 0; i < c.stamps.size(); ++i) {
            const int at = w.historyRecord(c.version, c.stamps[i], {i});
            if (last < 0 || c.stamps[i] > last) {
                kept << QStringLiteral("h0 %1: %2").arg(c.stamps[i]).arg(i);
                last = c.stamps[i];
            } else {
                messages << Drop.arg(at).arg(c.stamps[i]).arg(last).arg(i);
            }
        }
        addRow(c.name, w.bytes, (kept + messages).join(" | "));
    }

    // A run of marker characters is one marker. History skips the extra copies; the other
    // kinds read them as data.
    w = TavWriter();
    w.marker('H', 20);
    w.historyHeader(2, {"温度"}, {10});
    w.historyRecord(2, 1, {250});
    addRow("H x20", w.bytes, "H2 温度/10 | h0 1: 25");
    w = TavWriter();
    w.marker('A', 20);
    w.errorRecord(1, 2, 1);
    w.errorRecord(3, 4, 0);
    addRow("A x20", w.bytes, "A 1094795585 0 1 | A 131073 0 3");
    w = TavWriter();
    w.marker('I', 18);
    w.globalItem("型号", "OTC");
    addRow("I x18", w.bytes, "I GG型号=OTC");
    w = TavWriter();
    w.marker('U', 20);
    w.event(0x6A6A6A6A, "事件");
    addRow("U x20", w.bytes, "U 1431655765 hhhh事件");
    w = TavWriter();
    w.marker('S', 17);
    w.event(0x6A6A6A6A, "x");
    addRow("S x17", w.bytes, "S 1399482986 hx");
    w = TavWriter();
    w.marker('A', 40);
    addRow("A x40", w.bytes,
           "A 1094795585 16705 16705 | A 1094795585 16705 16705 | A 1094795585 16705 16705");

    w = TavWriter();
    w.marker('I');
    w.marker('A');
    w.errorRecord(5, 12, 1);
    w.raw(QByteArray(15, 'S')); // one short of a marker: data
    w.marker('U');
    w.marker('S');
    w.event(7, "设备上电");
    w.marker('H');
    addRow("adjacent markers, 15 copies, empty History at the end", w.bytes,
           "H0 | A 5 12 1 | A 1397969747 21331 21331 | S 7 设备上电 | ! 数据版本异常", 1);

    // Sixteen marker bytes inside History records open a new section there.
    w = TavWriter();
    w.historyBlock(4, {"a", "b", "c", "d"}, {1, 1, 1, 1}, {1, 2, 3},
                   {{1, 2, 3, 4}, {5, 6, 7, 8}, {0x49494949, 0x49494949, 0x49494949, 0x49494949}});
    appendSection(w, 'U');
    addRow("marker inside records", w.bytes,
           "H4 a/1 b/1 c/1 d/1 | h0 1: 1 2 3 4 | h0 2: 5 6 7 8 | U 7 用户登录");

    // Within one scan window the marker that comes first in the file wins.
    for (const char* kinds : {"SA", "UI", "AH", "HI", "US", "USAHI", "IHASU", "SUIAH"}) {
        w = TavWriter();
        QStringList expected;
        for (char kind : QByteArray("IHASU")) {
            expected << (QByteArray(kinds).contains(kind) ? sectionLine(kind) : QString());
        }
        for (const char* k = kinds; *k; ++k) {
            appendSection(w, *k);
        }
        expected.removeAll(QString());
        QTest::addRow("order %s", kinds) << w.bytes << expected.join(" | ") << 0;
    }

    // Global items.
    w = TavWriter();
    w.marker('I');
    w.globalItem("设备型号", "OTC-408 温湿度试验箱");
    w.globalItem("备注", "", false);
    w.globalItem("操作员", "");
    w.globalItem("ab", "cd", false);
    w.globalItem("a", QString::fromUtf8("b\x01"
                                        "c"));
    w.globalItem(QString::fromUtf8("na\0me", 5), QString::fromUtf8("va\0lue", 6));
    w.globalItem("未完", "没有结束符", true, false);
    addRow("global items", w.bytes,
           "I 设备型号=OTC-408 温湿度试验箱 | I 备注= | I 操作员= | I abcd= | I a=b | I na=va");
    w = TavWriter();
    w.marker('I');
    w.raw("\x0F\x0C\x0F\x0C");
    appendSection(w, 'A');
    appendSection(w, 'I');
    addRow("bare terminators, two sections", w.bytes, "I = | I = | I 试验名称=交变湿热 | A 5 12 1");

    // Error records: a remainder under 8 bytes is ignored.
    for (int length : {7, 20, 31}) {
        w = TavWriter();
        w.marker('A');
        w.errorRecord(0xFFFFFFF0u, 12, 1);
        w.errorRecord(0xFFFFFFF1u, -3, 0);
        w.errorRecord(0xFFFFFFF2u, 32767, 7);
        w.errorRecord(0xFFFFFFF3u, 1, 1);
        w.truncate(16 + length);
        appendSection(w, 'U');
        const QStringList all = {"A 4294967280 12 1", "A 4294967281 -3 0", "A 4294967282 32767 7"};
        QTest::addRow("error section of %d bytes", length)
            << w.bytes << (all.mid(0, length / 8) + QStringList{"U 7 用户登录"}).join(" | ") << 0;
    }

    // Events.
    w = TavWriter();
    w.marker('S');
    w.event(100, "设备上电");
    w.event(0xFFFFFFFFu, "");
    w.event(102, QString::fromUtf8("开门\0取样", 13));
    w.event(103, "没有结束符", false);
    addRow("system events", w.bytes, "S 100 设备上电 | S 4294967295  | S 102 开门");
    w = TavWriter();
    w.marker('U');
    w.u32(0x12340D0Au); // the terminator lies in the entry's own stamp: skipped
    w.event(105, "程序开始");
    w.u32(0x9A0D0A00u); // again, so the next entry starts at this stamp's last byte
    w.raw(QByteArray("\x00\x02\x01\x43\x0D\x0A", 6));
    w.event(106, "用户登录");
    w.raw("\x0D");
    addRow("terminators inside stamps", w.bytes, "U 105 程序开始 | U 513 A | U 106 用户登录");
    w = TavWriter();
    w.marker('S');
    w.raw("\x0D\x0A\x0D");
    w.marker('U');
    w.event(1, "用户登录", false);
    addRow("stray and missing terminators", w.bytes, "");

    // Rejected History sections stop the read; what came before stays, nothing after.
    const QVector<QPair<const char*, QString>> rejected = {
        {"version 5", "H5 /0 /0 | ! 数据版本异常"},
        {"version 65535", "H65535 /0 /0 | ! 数据版本异常"},
        {"version 0", "H0 温度/10 湿度/100 | ! 数据版本异常"},
        {"no name terminator", "H4 /0 /0 | ! 变量名称结束符错误"},
        {"second name unterminated", "H3 温度/0 /0 | ! 变量名称结束符错误"}};
    const QVector<quint16> versions = {5, 0xFFFF, 0, 4, 3};
    for (int k = 0; k < rejected.size(); ++k) {
        w = TavWriter();
        appendSection(w, 'I');
        w.marker('H');
        if (k < 3) {
            w.historyHeader(versions[k], {"温度", "湿度"}, {10, 100});
            w.historyRecord(2, 1, {1, 2});
        } else {
            w.u16(versions[k]);
            w.u16(2);
            w.raw(TavWriter::shifted("温度", 128) + (k == 4 ? "\x81" : ""));
            w.raw(TavWriter::shifted("湿度", 128));
        }
        w.marker('A');
        w.errorRecord(0x81818181u, -127, 0x7E81); // 0x81 bytes beyond the section
        appendSection(w, 'U');
        QTest::newRow(rejected[k].first)
            << w.bytes << "I 试验名称=交变湿热 | " + rejected[k].second << 1;
    }
}

void TestBinaryReader::sections()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    QFETCH(int, result);

    BinaryRead r(bytes);
    QVERIFY2(readFault(r).isEmpty(), qPrintable(readFault(r)));
    QCOMPARE(r.result, result);
    QCOMPARE(lines(r).join(" | "), expected);
}

void TestBinaryReader::manyRecords_data()
{
    QTest::addColumn<int>("version");
    QTest::addColumn<int>("variables");
    QTest::addColumn<int>("records");
    QTest::addColumn<QVector<int>>("dropped"); // records whose stamp repeats the one before

    QTest::newRow("v4 4 variables") << 4 << 4 << 37 << QVector<int>{};
    QTest::newRow("v4 9 variables, drops") << 4 << 9 << 41 << QVector<int>{3, 4, 17, 40};
    QTest::newRow("v1 6 variables") << 1 << 6 << 23 << QVector<int>{5};
    QTest::newRow("v2 20 variables") << 2 << 20 << 13 << QVector<int>{};
    // More than one read buffer of records, with drops on both sides of the seams.
    QTest::newRow("v3 5 variables, long")
        << 3 << 5 << 90000 << QVector<int>{1, 40329, 40330, 40331, 80658, 89999};
    QTest::newRow("v4 3 variables, long") << 4 << 3 << 70000 << QVector<int>{};
}

// Every value of many records, against raw / divisor in single precision.
void TestBinaryReader::manyRecords()
{
    QFETCH(int, version);
    QFETCH(int, variables);
    QFETCH(int, records);
    QFETCH(QVector<int>, dropped);

    QRandomGenerator rng(quint32(variables * 1000 + records));
    const QVector<quint32> divisors = {1, 10, 100, 7, 0, 1000000, 0xFFFFFFFFu, 3, 0x80000001u};
    QStringList names;
    QVector<quint32> scales;
    for (int j = 0; j < variables; ++j) {
        names << QStringLiteral("变量%1").arg(j);
        scales << divisors[j % divisors.size()];
    }
    TavWriter w;
    w.marker('H');
    w.historyHeader(quint16(version), names, scales);
    QVector<qint64> stamps;
    QVector<QVector<float>> expected(variables);
    QStringList drops;
    quint32 stamp = 1773043200u;
    QVector<qint32> row(variables);
    for (int i = 0; i < records; ++i) {
        const bool drop = dropped.contains(i);
        stamp += drop ? 0 : 1 + rng.bounded(100);
        for (qint32& v : row) {
            v = qint32(rng.generate());
        }
        const int at = w.historyRecord(quint16(version), stamp, row);
        if (drop) {
            drops << Drop.mid(2).arg(at).arg(stamp).arg(stamp).arg(i);
            continue;
        }
        stamps << stamp;
        for (int j = 0; j < variables; ++j) {
            expected[j] << float(row[j]) / float(scales[j]);
        }
    }
    appendSection(w, 'S');

    BinaryRead r(w.bytes);
    QVERIFY2(readFault(r).isEmpty(), qPrintable(readFault(r)));
    QCOMPARE(r.data.blocks.size(), 1);
    const HistoryBlock& b = r.data.blocks[0];
    QCOMPARE(b.stamps, stamps);
    QCOMPARE(b.values.size(), variables);
    for (int j = 0; j < variables; ++j) {
        const QVector<float>& got = b.values[j];
        QCOMPARE(got.size(), stamps.size());
        for (int i = 0; i < got.size(); ++i) {
            const float want = expected[j][i];
            if (!(got[i] == want || (qIsNaN(got[i]) && qIsNaN(want)))) {
                QFAIL(qPrintable(QStringLiteral("variable %1, sample %2: %3 instead of %4")
                                     .arg(j)
                                     .arg(i)
                                     .arg(double(got[i]))
                                     .arg(double(want))));
            }
        }
    }
    QStringList dropMessages;
    for (const QString& m : r.messages) {
        if (m.startsWith("数据时间戳异常")) {
            dropMessages << m;
        }
    }
    QCOMPARE(dropMessages, drops);
    QCOMPARE(r.data.systemEvents.size(), 1);
}

void TestBinaryReader::markerPositions_data()
{
    QTest::addColumn<int>("markerAt"); // offset of the 'A' marker in the file
    QTest::addColumn<int>("copies");

    // Around the edges of scan windows and of large read blocks.
    for (int at : {8192 - 17, 8192 - 16, 8192 - 15, 8192 - 8, 8192 - 1, 8192, 8192 + 1, 16384 - 9,
                   3 * 8192 - 32, (1 << 20) - 8, (4 << 20) - 16, (4 << 20) - 7, (4 << 20) + 5}) {
        QTest::addRow("at %d", at) << at << 16;
    }
    QTest::newRow("long run over a window edge") << 8192 - 20 << 40;
    QTest::newRow("long run over a far edge") << (4 << 20) - 30 << 60;
}

void TestBinaryReader::markerPositions()
{
    QFETCH(int, markerAt);
    QFETCH(int, copies);

    TavWriter w;
    w.marker('H');
    w.historyHeader(3, {"温度"}, {10});
    const int records = (markerAt - w.bytes.size()) / TavWriter::recordLength(3, 1);
    for (int i = 0; i < records; ++i) {
        w.historyRecord(3, quint32(i), {i % 1000});
    }
    w.raw(QByteArray(markerAt - w.bytes.size(), '\0')); // a partial record fills the gap
    w.marker('A', copies);
    w.errorRecord(0x01020304, 5, 1);

    BinaryRead r(w.bytes);
    QVERIFY2(readFault(r).isEmpty(), qPrintable(readFault(r)));
    QCOMPARE(r.data.blocks.size(), 1);
    QCOMPARE(r.data.blocks[0].stamps.size(), records);
    QCOMPARE(r.data.errors.size(), (copies - 16 + 8) / 8);
    QCOMPARE(r.data.errors[0].stamp, copies == 16 ? 0x01020304u : 0x41414141u);
}

void TestBinaryReader::longItems_data()
{
    QTest::addColumn<char>("kind");
    QTest::addColumn<int>("length"); // bytes of the first item's text

    for (char kind : QByteArray("ISU")) {
        for (int length : {(1 << 20) - 7, (1 << 20) - 6, (1 << 20) - 5, (1 << 20) + 1, 3 << 20}) {
            QTest::addRow("%c %d", kind, length) << kind << length;
        }
    }
}

// Items of any length, and terminators wherever they fall in the file.
void TestBinaryReader::longItems()
{
    QFETCH(char, kind);
    QFETCH(int, length);

    TavWriter w;
    w.marker(kind);
    const QString text(length, 'x');
    QStringList expected;
    for (int i = 0; i < 3; ++i) {
        const QString item = i == 0 ? text : QStringLiteral("第%1条").arg(i);
        if (kind == 'I') {
            w.globalItem(item, "值");
            expected << "I " + (i == 0 ? "long" : item) + "=值";
        } else {
            w.event(quint32(i), item);
            expected << QStringLiteral("%1 %2 ").arg(kind).arg(i) + (i == 0 ? "long" : item);
        }
    }
    BinaryRead r(w.bytes);
    QVERIFY2(readFault(r).isEmpty(), qPrintable(readFault(r)));
    QStringList got = lines(r);
    QCOMPARE(got.size(), 3);
    QVERIFY(got[0].contains(text));
    got[0].replace(text, "long");
    QCOMPARE(got, expected);
}

// A section longer than any single buffer can be: a sparse file of zeros after the marker.
void TestBinaryReader::sectionOverTwoGiB()
{
    const QString path = BinaryRead::scratch().filePath("huge.tavdata");
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QByteArray(16, 'U'));
        QVERIFY(file.resize((qint64(1) << 31) + (1 << 20)));
    }
    TavData data;
    QCOMPARE(data.readFromBinary(path), 0);
    QCOMPARE(data.userEvents.size(), 0);
    QFile::remove(path);
}

void TestBinaryReader::progress_data()
{
    QTest::addColumn<QByteArray>("kinds");      // "-": no file at all
    QTest::addColumn<QVector<int>>("percents"); // of the per-section messages

    QTest::newRow("missing file") << QByteArray("-") << QVector<int>{};
    QTest::newRow("empty file") << QByteArray() << QVector<int>{};
    QTest::newRow("one") << QByteArray("H") << QVector<int>{100};
    QTest::newRow("three") << QByteArray("IHA") << QVector<int>{33, 66, 100};
    QTest::newRow("seven") << QByteArray("IHASUAS") << QVector<int>{14, 28, 42, 57, 71, 85, 100};
}

void TestBinaryReader::progress()
{
    QFETCH(QByteArray, kinds);
    QFETCH(QVector<int>, percents);

    const bool missing = kinds == "-";
    TavWriter w;
    for (char kind : missing ? QByteArray() : kinds) {
        appendSection(w, kind);
    }
    TavData data;
    QSignalSpy spy(&data, &TavData::pushInfoUpward);
    const QString path = BinaryRead::scratch().filePath("进度 测试.tavdata");
    QFile::remove(path);
    QVERIFY(missing || w.save(path));
    QCOMPARE(data.readFromBinary(path), missing ? 1 : 0);

    QList<QVariant> expected = {path + " 正在打开", -1};
    if (missing) {
        expected << path + " 路径错误或不可读取" << -1;
    } else {
        expected << path + " 文件大小 " + QString::number(w.bytes.size()) << -1
                 << path + " 总览文件......" << -1 << path + " 开始读取......" << 0;
        for (int p : percents) {
            expected << path + " 正在读取" << p;
        }
        expected << path + " 读取完毕" << -1;
    }
    QList<QVariant> got;
    for (const QList<QVariant>& args : spy) {
        got << args;
    }
    QCOMPARE(got, expected);
}

// The recording shipped with the viewer: three blocks with a power cut between the first
// two, faults that occur and clear, and both event logs.
void TestBinaryReader::bundledSample()
{
    const QString path = TestUtil::sourceDir() + "/samples/sample.tavdata";
    QVERIFY(QFileInfo(path).size() < 1000000);
    TavData data;
    QCOMPARE(data.readFromBinary(path), 0);
    QCOMPARE(data.infoNames.size(), 8);
    QCOMPARE(data.blocks.size(), 3);
    QVector<int> versions, counts;
    for (const HistoryBlock& b : data.blocks) {
        versions << b.version;
        counts << b.stamps.size();
        QCOMPARE(QStringList(b.names.mid(0, 4).toList()),
                 (QStringList{"温度设定", "温度", "湿度设定", "湿度"}));
    }
    QCOMPARE(versions, (QVector<int>{4, 2, 4}));
    QCOMPARE(counts, (QVector<int>{1440, 1440, 1200}));
    QCOMPARE(data.blocks[1].stamps.first() - data.blocks[0].stamps.last(), 2 * 3600 + 60);
    QCOMPARE(data.errors.size(), 8);
    int open = 0;
    for (const ErrorRecord& e : data.errors) {
        open += e.state == 1 ? 1 : -1;
        QVERIFY(open == 0 || open == 1);
    }
    QCOMPARE(open, 0);
    QCOMPARE(data.systemEvents.size(), 11);
    QCOMPARE(data.userEvents.size(), 8);
}

QTEST_GUILESS_MAIN(TestBinaryReader)
#include "tst_binaryreader.moc"
