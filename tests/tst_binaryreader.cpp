// The binary reader over files composed by TavWriter: layouts, sections, messages.

#include "tst_binaryfixture.h"

#include <QRandomGenerator>

using Rows = QVector<QVector<qint32>>;
using Columns = QVector<QVector<float>>;

namespace {

const quint32 T0 = 1773043200u; // 2026-03-09 08:00:00 UTC

QStringList list(const QVector<QString>& v)
{
    return QStringList(v.toList());
}

QString msg(const QString& path, const char* text)
{
    return path + QString::fromUtf8(text);
}

// One easily recognised section of each kind, and its check.
void appendSection(TavWriter& w, char kind)
{
    w.marker(kind);
    switch (kind) {
    case 'I':
        w.globalItem("试验名称", "交变湿热");
        break;
    case 'H':
        w.historyHeader(4, {"温度", "湿度"}, {10, 10});
        w.historyRecord(4, T0, {235, 601});
        w.historyRecord(4, T0 + 60, {236, 598});
        break;
    case 'A':
        w.errorRecord(T0 + 5, 12, 1);
        break;
    case 'S':
        w.event(T0 + 7, "设备上电");
        break;
    case 'U':
        w.event(T0 + 9, "用户登录");
        break;
    }
}

QString sectionFault(const TavData& d, char kind)
{
    switch (kind) {
    case 'I':
        if (d.infoNames != QStringList{"试验名称"} || d.infoValues != QStringList{"交变湿热"}) {
            return "information items: " + d.infoNames.join('|');
        }
        break;
    case 'H':
        if (d.blocks.size() != 1 || d.blocks[0].stamps != QVector<qint64>{T0, T0 + 60} ||
            d.blocks[0].values.value(1) != QVector<float>{60.1f, 59.8f}) {
            return QStringLiteral("%1 blocks").arg(d.blocks.size());
        }
        break;
    case 'A':
        if (d.errors.size() != 1 || d.errors[0].stamp != T0 + 5 || d.errors[0].code != 12) {
            return QStringLiteral("%1 errors").arg(d.errors.size());
        }
        break;
    case 'S':
        if (d.systemEvents.size() != 1 || d.systemEvents[0].text != "设备上电") {
            return QStringLiteral("%1 system events").arg(d.systemEvents.size());
        }
        break;
    case 'U':
        if (d.userEvents.size() != 1 || d.userEvents[0].stamp != T0 + 9 ||
            d.userEvents[0].text != "用户登录") {
            return QStringLiteral("%1 user events").arg(d.userEvents.size());
        }
        break;
    }
    return {};
}

} // namespace

class TestBinaryReader : public QObject
{
    Q_OBJECT
private slots:
    void layouts_data();
    void layouts();
    void droppedRecords_data();
    void droppedRecords();
    void manyRecords_data();
    void manyRecords();
    void markerCopies_data();
    void markerCopies();
    void markerInsideData();
    void markerOrder_data();
    void markerOrder();
    void markerAcrossWindows_data();
    void markerAcrossWindows();
    void globalItems_data();
    void globalItems();
    void errorRemainder_data();
    void errorRemainder();
    void events_data();
    void events();
    void progress_data();
    void progress();
    void unreadableFile();
    void rejectedSection_data();
    void rejectedSection();
};

void TestBinaryReader::layouts_data()
{
    QTest::addColumn<int>("version");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QVector<quint32>>("scales");
    QTest::addColumn<Rows>("rows");
    QTest::addColumn<int>("trailing"); // bytes of a partial record after the last one
    QTest::addColumn<QStringList>("expectedNames");
    QTest::addColumn<Columns>("expected");

    QTest::newRow("v1 two records and 2 spare bytes")
        << 1 << QStringList{"温度设定", "温度"} << QVector<quint32>{10, 100}
        << Rows{{235, 2350}, {-12, -5}} << 2 << QStringList{"温度设定", "温度"}
        << Columns{{23.5f, -1.2f}, {23.5f, -0.05f}};
    QTest::newRow("v2 name of 16 bytes, long name cut")
        << 2 << QStringList{"ABCDEFGHIJKLMNOP", "温度设定值123456", "x"}
        << QVector<quint32>{1, 10, 1000} << Rows{{1, 2, 3}, {4, 5, 6}, {7, 8, 9}} << 13
        << QStringList{"ABCDEFGHIJKLMNOP", "温度设定值1", "x"}
        << Columns{{1, 4, 7}, {0.2f, 0.5f, 0.8f}, {0.003f, 0.006f, 0.009f}};
    QTest::newRow("v3") << 3 << QStringList{"湿度设定", "湿度"} << QVector<quint32>{10, 10}
                        << Rows{{950, 948}, {930, 931}} << 5 << QStringList{"湿度设定", "湿度"}
                        << Columns{{95.0f, 93.0f}, {94.8f, 93.1f}};
    QTest::newRow("v4 extremes") << 4 << QStringList{"a", "一个很长的变量名称超过十六字节"}
                                 << QVector<quint32>{1, 100}
                                 << Rows{{2147483647, -2147483647 - 1}, {0, 1}} << 0
                                 << QStringList{"a", "一个很长的变量名称超过十六字节"}
                                 << Columns{{2147483648.0f, 0.0f}, {-21474836.48f, 0.01f}};
    QTest::newRow("v3 without variables") << 3 << QStringList{} << QVector<quint32>{}
                                          << Rows{{}, {}, {}} << 5 << QStringList{} << Columns{};
    QTest::newRow("v4 header only") << 4 << QStringList{"温度"} << QVector<quint32>{10} << Rows{}
                                    << 9 << QStringList{"温度"} << Columns{{}};
}

void TestBinaryReader::layouts()
{
    QFETCH(int, version);
    QFETCH(QStringList, names);
    QFETCH(QVector<quint32>, scales);
    QFETCH(Rows, rows);
    QFETCH(int, trailing);
    QFETCH(QStringList, expectedNames);
    QFETCH(Columns, expected);

    TavWriter w;
    w.marker('H');
    w.historyHeader(quint16(version), names, scales);
    QVector<qint64> stamps;
    for (int i = 0; i < rows.size(); ++i) {
        stamps << T0 + 10 * i;
        w.historyRecord(quint16(version), quint32(stamps.last()), rows[i], quint16(0xA5A5));
    }
    w.raw(QByteArray(trailing, char(0x11)));
    appendSection(w, 'A'); // the block must end where the next section begins

    BinaryRead r(w.bytes);
    QVERIFY2(readFault(r).isEmpty(), qPrintable(readFault(r)));
    QCOMPARE(r.result, 0);
    QCOMPARE(r.data.blocks.size(), 1);
    const HistoryBlock& b = r.data.blocks[0];
    QCOMPARE(int(b.version), version);
    QCOMPARE(list(b.names), expectedNames);
    QVector<int> expectedScales;
    for (quint32 s : scales) {
        expectedScales << int(s);
    }
    QCOMPARE(b.scales, expectedScales);
    QCOMPARE(b.stamps, stamps);
    QCOMPARE(b.values.size(), expected.size());
    for (int j = 0; j < expected.size(); ++j) {
        QCOMPARE(b.values[j], expected[j]);
    }
    QCOMPARE(sectionFault(r.data, 'A'), QString());
}

void TestBinaryReader::droppedRecords_data()
{
    QTest::addColumn<int>("version");
    QTest::addColumn<QVector<quint32>>("stamps");
    QTest::addColumn<QVector<int>>("kept"); // indexes of the records that survive

    QTest::newRow("decreasing") << 2 << QVector<quint32>{100, 90, 110} << QVector<int>{0, 2};
    QTest::newRow("equal") << 4 << QVector<quint32>{100, 100, 101} << QVector<int>{0, 2};
    QTest::newRow("v1 positions") << 1 << QVector<quint32>{5, 4, 3, 6} << QVector<int>{0, 3};
    QTest::newRow("first kept, unsigned compare")
        << 3 << QVector<quint32>{4000000000u, 5, 6, 4000000001u} << QVector<int>{0, 3};
    QTest::newRow("drops then recovery")
        << 4 << QVector<quint32>{10, 20, 15, 15, 20, 21} << QVector<int>{0, 1, 5};
    QTest::newRow("largest stamp")
        << 4 << QVector<quint32>{1, 0xFFFFFFFFu, 0xFFFFFFFFu} << QVector<int>{0, 1};
    QTest::newRow("all increasing") << 2 << QVector<quint32>{0, 1, 2} << QVector<int>{0, 1, 2};
}

void TestBinaryReader::droppedRecords()
{
    QFETCH(int, version);
    QFETCH(QVector<quint32>, stamps);
    QFETCH(QVector<int>, kept);

    TavWriter w;
    w.raw("junk before the first marker");
    w.marker('H');
    w.historyHeader(quint16(version), {"温度", "湿度"}, {10, 1});
    QStringList expectedMessages;
    qint64 last = 0;
    for (int i = 0; i < stamps.size(); ++i) {
        const int at = w.historyRecord(quint16(version), stamps[i], {10 * i + 1, -i});
        if (i > 0 && !kept.contains(i)) {
            expectedMessages << QStringLiteral(
                                    "数据时间戳异常 地址%1  新数值 %2  旧数值 %3  rec_i %4")
                                    .arg(at)
                                    .arg(stamps[i])
                                    .arg(last)
                                    .arg(i);
        } else {
            last = stamps[i];
        }
    }
    BinaryRead r(w.bytes);
    QVERIFY2(readFault(r).isEmpty(), qPrintable(readFault(r)));
    QCOMPARE(r.result, 0);
    const HistoryBlock& b = r.data.blocks.value(0);
    QVector<qint64> keptStamps;
    QVector<float> first, second;
    for (int i : kept) {
        keptStamps << qint64(stamps[i]);
        first << (10 * i + 1) / 10.0f;
        second << float(-i);
    }
    QCOMPARE(b.stamps, keptStamps);
    QCOMPARE(b.values.value(0), first);
    QCOMPARE(b.values.value(1), second);

    QStringList dropMessages;
    for (int i = 0; i < r.messages.size(); ++i) {
        if (r.messages[i].startsWith("数据时间戳异常")) {
            dropMessages << r.messages[i];
            QCOMPARE(r.percents[i], -1);
        }
    }
    QCOMPARE(dropMessages, expectedMessages);
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
    quint32 stamp = T0;
    QVector<qint32> row(variables);
    QStringList drops;
    for (int i = 0; i < records; ++i) {
        const bool drop = dropped.contains(i);
        stamp += drop ? 0 : 1 + rng.bounded(100);
        for (qint32& v : row) {
            v = qint32(rng.generate());
        }
        const int at = w.historyRecord(quint16(version), stamp, row);
        if (drop) {
            drops << QStringLiteral("数据时间戳异常 地址%1  新数值 %2  旧数值 %2  rec_i %3")
                         .arg(at)
                         .arg(stamp)
                         .arg(i);
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
    QCOMPARE(sectionFault(r.data, 'S'), QString());
}

void TestBinaryReader::markerCopies_data()
{
    QTest::addColumn<char>("kind");
    QTest::addColumn<int>("copies");

    for (char kind : QByteArray("IHASU")) {
        for (int copies : {17, 20, 32, 40}) {
            QTest::addRow("%c x%d", kind, copies) << kind << copies;
        }
    }
}

// The scan swallows a run of marker characters whole. History skips the extra copies;
// every other kind reads them as the first bytes of its data.
void TestBinaryReader::markerCopies()
{
    QFETCH(char, kind);
    QFETCH(int, copies);

    TavWriter w;
    w.marker(kind, copies);
    const int extra = copies - 16;
    switch (kind) {
    case 'I':
        w.globalItem("型号", "OTC");
        break;
    case 'H':
        w.historyHeader(2, {"温度"}, {10});
        w.historyRecord(2, T0, {250});
        break;
    case 'A':
        w.errorRecord(T0, 3, 1);
        w.errorRecord(T0 + 1, 3, 0);
        break;
    default:
        w.event(0x6A6A6A6A, "事件");
        break;
    }
    appendSection(w, kind == 'A' ? 'S' : 'A');

    BinaryRead r(w.bytes);
    QVERIFY2(readFault(r).isEmpty(), qPrintable(readFault(r)));
    QCOMPARE(r.result, 0);
    const quint32 filler = quint32(quint8(kind)) * 0x01010101u;
    switch (kind) {
    case 'I':
        QCOMPARE(r.data.infoNames, QStringList{QString(extra, QChar(kind - 2)) + "型号"});
        QCOMPARE(r.data.infoValues, QStringList{"OTC"});
        break;
    case 'H':
        QCOMPARE(r.data.blocks.size(), 1);
        QCOMPARE(list(r.data.blocks[0].names), QStringList{"温度"});
        QCOMPARE(r.data.blocks[0].stamps, QVector<qint64>{T0});
        QCOMPARE(r.data.blocks[0].values.value(0), QVector<float>{25.0f});
        break;
    case 'A':
        QCOMPARE(r.data.errors.size(), (extra + 16) / 8);
        if (extra >= 4) {
            QCOMPARE(r.data.errors[0].stamp, filler);
        }
        break;
    default: {
        const QList<EventRecord>& events = kind == 'S' ? r.data.systemEvents : r.data.userEvents;
        QCOMPARE(events.size(), 1);
        const QByteArray head = QByteArray(extra, kind) + "\x6A\x6A\x6A\x6A";
        QCOMPARE(events[0].stamp, qFromBigEndian<quint32>(head.constData()));
        QVERIFY(events[0].text.endsWith("事件"));
    }
    }
    QCOMPARE(sectionFault(r.data, kind == 'A' ? 'S' : 'A'), QString());
}

// Sixteen equal marker bytes inside History records open a new section there.
void TestBinaryReader::markerInsideData()
{
    TavWriter w;
    w.marker('H');
    w.historyHeader(4, {"a", "b", "c", "d"}, {1, 1, 1, 1});
    w.historyRecord(4, T0, {1, 2, 3, 4});
    w.historyRecord(4, T0 + 1, {5, 6, 7, 8});
    w.historyRecord(4, T0 + 2, {0x49494949, 0x49494949, 0x49494949, 0x49494949});
    w.historyRecord(4, T0 + 3, {9, 9, 9, 9});
    appendSection(w, 'U');

    BinaryRead r(w.bytes);
    QVERIFY2(readFault(r).isEmpty(), qPrintable(readFault(r)));
    QCOMPARE(r.data.blocks.size(), 1);
    QCOMPARE(r.data.blocks[0].stamps, (QVector<qint64>{T0, T0 + 1}));
    QCOMPARE(r.data.infoNames, QStringList());
    QCOMPARE(r.messages.count(r.path + " 正在读取"), 3);
    QCOMPARE(sectionFault(r.data, 'U'), QString());
}

void TestBinaryReader::markerOrder_data()
{
    QTest::addColumn<QByteArray>("kinds");

    QTest::newRow("S before A") << QByteArray("SA");
    QTest::newRow("U before I") << QByteArray("UI");
    QTest::newRow("A before H") << QByteArray("AH");
    QTest::newRow("H before I") << QByteArray("HI");
    QTest::newRow("U before S") << QByteArray("US");
    QTest::newRow("reverse of all") << QByteArray("USAHI");
    QTest::newRow("table order") << QByteArray("IHASU");
    QTest::newRow("mixed") << QByteArray("SUIAH");
}

// Within one scan window the marker that comes first in the file wins.
void TestBinaryReader::markerOrder()
{
    QFETCH(QByteArray, kinds);

    TavWriter w;
    for (char kind : kinds) {
        appendSection(w, kind);
    }
    QVERIFY(w.bytes.size() < 8192);
    BinaryRead r(w.bytes);
    QVERIFY2(readFault(r).isEmpty(), qPrintable(readFault(r)));
    QCOMPARE(r.result, 0);
    for (char kind : kinds) {
        QCOMPARE(sectionFault(r.data, kind), QString());
    }
    QCOMPARE(r.messages.count(r.path + " 正在读取"), kinds.size());
}

void TestBinaryReader::markerAcrossWindows_data()
{
    QTest::addColumn<int>("markerAt"); // offset of the 'A' marker in the file
    QTest::addColumn<int>("copies");

    for (int at : {8192 - 17, 8192 - 16, 8192 - 15, 8192 - 8, 8192 - 1, 8192, 8192 + 1, 16384 - 9,
                   3 * 8192 - 16 - 16}) {
        QTest::addRow("at %d", at) << at << 16;
    }
    QTest::newRow("long run over a window edge") << 8192 - 20 << 40;
    // Far into the file, where large read blocks meet.
    for (int at : {(1 << 20) - 8, (4 << 20) - 16, (4 << 20) - 7, (4 << 20) + 5}) {
        QTest::addRow("at %d", at) << at << 16;
    }
    QTest::newRow("long run over a far edge") << (4 << 20) - 30 << 60;
}

void TestBinaryReader::markerAcrossWindows()
{
    QFETCH(int, markerAt);
    QFETCH(int, copies);

    TavWriter w;
    w.marker('H');
    w.historyHeader(3, {"温度"}, {10});
    const int head = w.bytes.size();
    const int recordLength = TavWriter::recordLength(3, 1);
    const int records = (markerAt - head) / recordLength;
    for (int i = 0; i < records; ++i) {
        w.historyRecord(3, T0 + quint32(i), {i % 1000});
    }
    w.raw(QByteArray(markerAt - w.bytes.size(), '\0')); // a partial record fills the gap
    QCOMPARE(w.bytes.size(), markerAt);
    w.marker('A', copies);
    w.errorRecord(0x01020304, 5, 1);
    const int extra = copies - 16;

    BinaryRead r(w.bytes);
    QVERIFY2(readFault(r).isEmpty(), qPrintable(readFault(r)));
    QCOMPARE(r.data.blocks.size(), 1);
    QCOMPARE(r.data.blocks[0].stamps.size(), records);
    QCOMPARE(r.data.errors.size(), (extra + 8) / 8);
    if (extra == 0) {
        QCOMPARE(r.data.errors[0].stamp, 0x01020304u);
    }
}

void TestBinaryReader::globalItems_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("values");

    TavWriter w;
    w.marker('I');
    w.globalItem("设备型号", "OTC-408 温湿度试验箱");
    w.globalItem("备注", "", false);
    w.globalItem("操作员", "");
    QTest::newRow("pair, no separator, empty value")
        << w.bytes << QStringList{"设备型号", "备注", "操作员"}
        << QStringList{"OTC-408 温湿度试验箱", "", ""};

    w = TavWriter();
    w.marker('I');
    w.globalItem("ab", "cd", false);
    w.globalItem("a", QString::fromUtf8("b\x01"
                                        "c"));
    w.globalItem(QString::fromUtf8("na\0me", 5), QString::fromUtf8("va\0lue", 6));
    QTest::newRow("no separator joins, third part dropped, zero byte ends")
        << w.bytes << QStringList{"abcd", "a", "na"} << QStringList{"", "b", "va"};

    w = TavWriter();
    w.marker('I');
    w.globalItem("试验名称", "低温");
    w.globalItem("未完", "没有结束符", true, false);
    QTest::newRow("item without terminator ignored")
        << w.bytes << QStringList{"试验名称"} << QStringList{"低温"};

    w = TavWriter();
    w.marker('I');
    w.globalItem("一", "1");
    appendSection(w, 'A');
    w.marker('I');
    w.globalItem("二", "2");
    w.globalItem("", "");
    QTest::newRow("two sections in file order")
        << w.bytes << QStringList{"一", "二", ""} << QStringList{"1", "2", ""};

    w = TavWriter();
    w.marker('I');
    w.raw("\x0F\x0C\x0F\x0C");
    QTest::newRow("bare terminators") << w.bytes << QStringList{"", ""} << QStringList{"", ""};
}

void TestBinaryReader::globalItems()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, names);
    QFETCH(QStringList, values);

    BinaryRead r(bytes);
    QVERIFY2(readFault(r).isEmpty(), qPrintable(readFault(r)));
    QCOMPARE(r.data.infoNames, names);
    QCOMPARE(r.data.infoValues, values);
}

void TestBinaryReader::errorRemainder_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("remainder");

    QTest::newRow("empty") << 0 << 0;
    QTest::newRow("7 bytes") << 0 << 7;
    QTest::newRow("8 bytes") << 1 << 0;
    QTest::newRow("20 bytes") << 2 << 4;
    QTest::newRow("24 bytes") << 3 << 0;
    QTest::newRow("31 bytes") << 3 << 7;
}

void TestBinaryReader::errorRemainder()
{
    QFETCH(int, records);
    QFETCH(int, remainder);

    const QVector<qint16> codes = {12, -3, 32767};
    const QVector<qint16> states = {1, 0, 7};
    TavWriter w;
    w.marker('A');
    for (int i = 0; i < records; ++i) {
        w.errorRecord(0xFFFFFFF0u + quint32(i), codes[i], states[i]);
    }
    w.raw(QByteArray(remainder, char(0xEE)));
    appendSection(w, 'U');

    BinaryRead r(w.bytes);
    QVERIFY2(readFault(r).isEmpty(), qPrintable(readFault(r)));
    QCOMPARE(r.data.errors.size(), records);
    for (int i = 0; i < records; ++i) {
        QCOMPARE(r.data.errors[i].stamp, 0xFFFFFFF0u + quint32(i));
        QCOMPARE(r.data.errors[i].code, codes[i]);
        QCOMPARE(r.data.errors[i].state, states[i]);
    }
    QCOMPARE(sectionFault(r.data, 'U'), QString());
}

void TestBinaryReader::events_data()
{
    QTest::addColumn<char>("kind");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QVector<quint32>>("stamps");
    QTest::addColumn<QStringList>("texts");

    for (char kind : {'S', 'U'}) {
        TavWriter w;
        w.event(T0, "设备上电");
        w.event(0xFFFFFFFFu, "");
        w.event(T0 + 2, QString::fromUtf8("开门\0取样", 13));
        QTest::addRow("%c plain, empty, zero byte", kind)
            << kind << w.bytes << QVector<quint32>{T0, 0xFFFFFFFFu, T0 + 2}
            << QStringList{"设备上电", "", "开门"};

        w = TavWriter();
        w.u32(0x12340D0Au); // an entry cut short by a terminator inside its stamp
        w.event(T0 + 5, "程序开始");
        w.u32(0x56780D0Au);
        w.u32(0x9A0D0A00u); // terminator across the stamp's middle bytes...
        w.raw(QByteArray("\x00\x02\x01\x43\x0D\x0A",
                         6)); // ...so the next entry starts at its last byte
        w.event(T0 + 6, "用户登录");
        QTest::addRow("%c terminators inside stamps", kind)
            << kind << w.bytes << QVector<quint32>{T0 + 5, 0x00000201u, T0 + 6}
            << QStringList{"程序开始", "A", "用户登录"};

        w = TavWriter();
        w.event(T0, "一");
        w.event(T0 + 1, "没有结束符", false);
        QTest::addRow("%c last entry without terminator", kind)
            << kind << w.bytes << QVector<quint32>{T0} << QStringList{"一"};
    }
}

void TestBinaryReader::events()
{
    QFETCH(char, kind);
    QFETCH(QByteArray, data);
    QFETCH(QVector<quint32>, stamps);
    QFETCH(QStringList, texts);

    TavWriter w;
    appendSection(w, 'I');
    w.marker(kind);
    w.raw(data);
    BinaryRead r(w.bytes);
    QVERIFY2(readFault(r).isEmpty(), qPrintable(readFault(r)));
    const QList<EventRecord>& events = kind == 'S' ? r.data.systemEvents : r.data.userEvents;
    const QList<EventRecord>& other = kind == 'S' ? r.data.userEvents : r.data.systemEvents;
    QCOMPARE(other.size(), 0);
    QVector<quint32> gotStamps;
    QStringList gotTexts;
    for (const EventRecord& e : events) {
        gotStamps << e.stamp;
        gotTexts << e.text;
    }
    QCOMPARE(gotStamps, stamps);
    QCOMPARE(gotTexts, texts);
    QCOMPARE(sectionFault(r.data, 'I'), QString());
}

void TestBinaryReader::progress_data()
{
    QTest::addColumn<QByteArray>("kinds");
    QTest::addColumn<QVector<int>>("percents"); // of the per-section messages

    QTest::newRow("empty file") << QByteArray() << QVector<int>{};
    QTest::newRow("one") << QByteArray("H") << QVector<int>{100};
    QTest::newRow("three") << QByteArray("IHA") << QVector<int>{33, 66, 100};
    QTest::newRow("seven") << QByteArray("IHASUAS") << QVector<int>{14, 28, 42, 57, 71, 85, 100};
}

void TestBinaryReader::progress()
{
    QFETCH(QByteArray, kinds);
    QFETCH(QVector<int>, percents);

    TavWriter w;
    for (char kind : kinds) {
        appendSection(w, kind);
    }
    BinaryRead r(w.bytes, "进度 测试.tavdata");
    QCOMPARE(r.result, 0);
    QCOMPARE(r.data.status, 0);

    QStringList expected = {msg(r.path, " 正在打开"),
                            r.path + " 文件大小 " + QString::number(w.bytes.size()),
                            msg(r.path, " 总览文件......"), msg(r.path, " 开始读取......")};
    QList<int> expectedPercents = {-1, -1, -1, 0};
    for (int p : percents) {
        expected << msg(r.path, " 正在读取");
        expectedPercents << p;
    }
    expected << msg(r.path, " 读取完毕");
    expectedPercents << -1;
    QCOMPARE(r.messages, expected);
    QCOMPARE(r.percents, expectedPercents);
}

void TestBinaryReader::unreadableFile()
{
    TavData data;
    QSignalSpy spy(&data, &TavData::pushInfoUpward);
    const QString path = BinaryRead::scratch().filePath("没有这个文件.tavdata");
    QCOMPARE(data.readFromBinary(path), 1);
    QCOMPARE(data.status, 1);
    QCOMPARE(spy.size(), 2);
    QCOMPARE(spy[0], (QList<QVariant>{msg(path, " 正在打开"), -1}));
    QCOMPARE(spy[1], (QList<QVariant>{msg(path, " 路径错误或不可读取"), -1}));
}

void TestBinaryReader::rejectedSection_data()
{
    QTest::addColumn<QByteArray>("history"); // everything after the 'H' marker
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("version");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QVector<int>>("scales");

    TavWriter w;
    w.historyHeader(5, {"温度", "湿度"}, {10, 10});
    w.historyRecord(5, T0, {1, 2});
    QTest::newRow("version 5") << w.bytes << "数据版本异常" << 5 << QStringList{"", ""}
                               << QVector<int>{0, 0};

    w = TavWriter();
    w.historyHeader(0xFFFF, {"温度"}, {10});
    QTest::newRow("version 65535")
        << w.bytes << "数据版本异常" << 0xFFFF << QStringList{""} << QVector<int>{0};

    w = TavWriter();
    w.historyHeader(0, {"温度", "湿度"}, {10, 100});
    w.historyRecord(2, T0, {1, 2});
    QTest::newRow("version 0 after names")
        << w.bytes << "数据版本异常" << 0 << QStringList{"温度", "湿度"} << QVector<int>{10, 100};

    w = TavWriter();
    w.historyHeader(4, {"温度", "湿度"}, {10, 10}, false);
    QTest::newRow("no name terminator")
        << w.bytes << "变量名称结束符错误" << 4 << QStringList{"", ""} << QVector<int>{0, 0};

    w = TavWriter();
    w.u16(3);
    w.u16(2);
    w.raw(TavWriter::shifted("温度", 128) + char(0x81) + TavWriter::shifted("湿度", 128));
    QTest::newRow("second name unterminated")
        << w.bytes << "变量名称结束符错误" << 3 << QStringList{"温度", ""} << QVector<int>{0, 0};
}

// A rejected History section stops the read; what came before stays, nothing after is read.
void TestBinaryReader::rejectedSection()
{
    QFETCH(QByteArray, history);
    QFETCH(QString, message);
    QFETCH(int, version);
    QFETCH(QStringList, names);
    QFETCH(QVector<int>, scales);

    TavWriter w;
    appendSection(w, 'I');
    w.marker('H');
    w.raw(history);
    w.marker('A');
    w.errorRecord(0x81818181u, -127, 0x7E81); // holds 0x81 bytes past the section
    appendSection(w, 'U');

    BinaryRead r(w.bytes);
    QVERIFY2(readFault(r).isEmpty(), qPrintable(readFault(r)));
    QCOMPARE(r.result, 1);
    QCOMPARE(r.messages.last(), message);
    QCOMPARE(r.percents.last(), -1);
    QCOMPARE(r.messages.count(r.path + " 正在读取"), 2);
    QCOMPARE(sectionFault(r.data, 'I'), QString());
    QCOMPARE(r.data.blocks.size(), 1);
    QCOMPARE(int(r.data.blocks[0].version), version);
    QCOMPARE(list(r.data.blocks[0].names), names);
    QCOMPARE(r.data.blocks[0].scales, scales);
    QCOMPARE(r.data.blocks[0].stamps.size(), 0);
    QCOMPARE(r.data.errors.size(), 0);
    QCOMPARE(r.data.userEvents.size(), 0);
}

QTEST_GUILESS_MAIN(TestBinaryReader)
#include "tst_binaryreader.moc"
