// The binary reader over files composed by TavWriter: layouts, sections, messages.

#include "tst_binaryfixture.h"

#include <QRandomGenerator>

#include <tuple>

namespace {

const QString Drop = QStringLiteral("数据时间戳异常 地址%1  新数值 %2  旧数值 %3  rec_i %4");

// Appends one easily recognised section of the kind; returns the line it reads as.
QString appendSection(TavWriter& w, char kind)
{
    w.marker(kind);
    if (kind == 'I') {
        w.globalItem("试验名称", "交变湿热");
        return "I 试验名称=交变湿热";
    }
    if (kind == 'H') {
        w.historyHeader(4, {"温度", "湿度"}, {10, 10});
        w.historyRecord(4, 1, {235, 601});
        return "H4 温度/10 湿度/10 | h0 1: 23.5 60.1";
    }
    if (kind == 'A') {
        w.errorRecord(5, 12, 1);
        return "A 5 12 1";
    }
    const QString text = kind == 'S' ? "设备上电" : "用户登录";
    w.event(7, text);
    return QLatin1Char(kind) + QStringLiteral(" 7 ") + text;
}

// A row of what w holds; w starts afresh.
void addRow(TavWriter& w, const QByteArray& name, const QString& expected, int result = 0)
{
    QTest::newRow(name.constData()) << w.bytes << expected << result;
    w = TavWriter();
}

} // namespace

class TestBinaryReader : public QObject
{
    Q_OBJECT
private slots:
    void sections_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected"); // lines() joined by " | "
        QTest::addColumn<int>("result");

        // Layouts; the spare bytes of a partial record must not reach the next section.
        TavWriter w;
        w.historyBlock(1, {"温度设定", "温度"}, {10, 100}, {100, 110}, {{235, 2350}, {-12, -5}});
        w.raw("\x11\x11");
        appendSection(w, 'A');
        addRow(w, "v1",
               "H1 温度设定/10 温度/100 | h0 100: 23.5 23.5 | h0 110: -1.2 -0.05 | A 5 12 1");
        w.historyBlock(2, {"ABCDEFGHIJKLMNOP", "温度设定值123456"}, {1, 1000}, {5}, {{1, 3}});
        w.raw(QByteArray(13, 'x'));
        appendSection(w, 'A');
        addRow(w, "v2 names of 16 bytes",
               "H2 ABCDEFGHIJKLMNOP/1 温度设定值1/1000 | h0 5: 1 0.003 | A 5 12 1");
        w.historyBlock(3, {"湿度"}, {10}, {1, 2}, {{950}, {931}});
        w.raw(QByteArray(9, 'x'));
        addRow(w, "v3", "H3 湿度/10 | h0 1: 95 | h0 2: 93.1");
        w.historyBlock(4, {"一个很长的变量名称超过十六字节", "b"}, {1, 0xFFFFFFFFu}, {1},
                       {{2147483647, -2147483647 - 1}});
        addRow(w, "v4 extremes",
               "H4 一个很长的变量名称超过十六字节/1 b/-1 | h0 1: 2.147484e+09 -0.5");
        w.historyBlock(4, {"a", "b", "c"}, {0, 0, 0}, {1}, {{5, -5, 0}});
        addRow(w, "divisor 0", "H4 a/0 b/0 c/0 | h0 1: inf -inf nan");

        // Records whose stamp does not increase are dropped; the first one always stays.
        const std::tuple<const char*, quint16, QVector<quint32>> drops[] = {
            {"decreasing", 2, {100, 90, 110}},
            {"v1, unsigned compare", 1, {4000000000u, 5, 4000000001u}}};
        for (const auto& [name, version, stamps] : drops) {
            w.raw("junk before the first marker");
            w.marker('H');
            w.historyHeader(version, {"t"}, {1});
            QStringList kept = {"H" + QString::number(version) + " t/1"}, messages;
            qint64 last = -1;
            for (int i = 0; i < stamps.size(); ++i) {
                const int at = w.historyRecord(version, stamps[i], {i});
                if (last < 0 || stamps[i] > last) {
                    kept << QStringLiteral("h0 %1: %2").arg(stamps[i]).arg(i);
                    last = stamps[i];
                } else {
                    messages << "! " + Drop.arg(at).arg(stamps[i]).arg(last).arg(i);
                }
            }
            addRow(w, name, (kept + messages).join(" | "));
        }

        // A run of marker characters is one marker: History skips the extra copies.
        w.marker('H', 20);
        w.historyHeader(2, {"温度"}, {10});
        w.historyRecord(2, 1, {250});
        addRow(w, "H x20", "H2 温度/10 | h0 1: 25");
        // Sixteen marker bytes inside History records open a new section there.
        w.historyBlock(
            4, {"a", "b", "c", "d"}, {1, 1, 1, 1}, {1, 2, 3},
            {{1, 2, 3, 4}, {5, 6, 7, 8}, {0x49494949, 0x49494949, 0x49494949, 0x49494949}});
        const QString user = appendSection(w, 'U');
        addRow(w, "marker inside records",
               "H4 a/1 b/1 c/1 d/1 | h0 1: 1 2 3 4 | h0 2: 5 6 7 8 | " + user);

        // Within one scan window the marker that comes first in the file wins.
        for (const char* kinds : {"SA", "UI", "AH", "HI", "US", "USAHI", "IHASU", "SUIAH"}) {
            QString byKind[5];
            for (const char* k = kinds; *k; ++k)
                byKind[QByteArray("IHASU").indexOf(*k)] = appendSection(w, *k);
            QStringList expected(std::begin(byKind), std::end(byKind));
            expected.removeAll(QString());
            addRow(w, QByteArray("order ") + kinds, expected.join(" | "));
        }

        // Global items: empty ones, no separator, a second separator, zero bytes, no
        // terminator; a second section adds to the first.
        w.marker('I');
        w.raw("\x0F\x0C");
        w.globalItem("设备型号", "OTC-408 温湿度试验箱");
        w.globalItem("备注", "", false);
        w.globalItem("操作员", "");
        w.globalItem("ab", "cd", false);
        w.globalItem("a", QString::fromUtf8("b\x01"
                                            "c"));
        w.globalItem(QString::fromUtf8("na\0me", 5), QString::fromUtf8("va\0lue", 6));
        w.globalItem("未完", "没有结束符", true, false);
        appendSection(w, 'A');
        appendSection(w, 'I');
        w.raw("\x0F\x0C");
        addRow(w, "global items",
               "I = | I 设备型号=OTC-408 温湿度试验箱 | I 备注= | I 操作员= | I abcd= | I a=b | "
               "I na=va | I 试验名称=交变湿热 | I = | A 5 12 1");

        // Error records: a remainder under 8 bytes is ignored.
        const QStringList errors = {"A 4294967280 12 1", "A 4294967281 -3 0",
                                    "A 4294967282 32767 7"};
        for (int length : {7, 20, 31}) {
            w.marker('A');
            w.errorRecord(0xFFFFFFF0u, 12, 1);
            w.errorRecord(0xFFFFFFF1u, -3, 0);
            w.errorRecord(0xFFFFFFF2u, 32767, 7);
            w.errorRecord(0xFFFFFFF3u, 1, 1);
            w.truncate(16 + length);
            const QString expected =
                (errors.mid(0, length / 8) << appendSection(w, 'U')).join(" | ");
            addRow(w, "error section of " + QByteArray::number(length) + " bytes", expected);
        }

        // Events.
        w.marker('S');
        w.event(100, "设备上电");
        w.event(0xFFFFFFFFu, "");
        w.event(102, QString::fromUtf8("开门\0取样", 13));
        w.event(103, "没有结束符", false);
        addRow(w, "system events", "S 100 设备上电 | S 4294967295  | S 102 开门");
        w.marker('U');
        w.u32(0x12340D0Au); // the terminator lies in the entry's own stamp: skipped
        w.event(105, "程序开始");
        w.u32(0x9A0D0A00u); // again, so the next entry starts at this stamp's last byte
        w.raw(QByteArray("\x00\x02\x01\x43\x0D\x0A", 6));
        w.event(106, "用户登录");
        w.raw("\x0D");
        addRow(w, "terminators inside stamps", "U 105 程序开始 | U 513 A | U 106 用户登录");

        // Rejected History sections stop the read; what came before stays, nothing after.
        const std::tuple<const char*, quint16, QString> rejected[] = {
            {"version 5", 5, "H5 /0 /0 | ! 数据版本异常"},
            {"no name terminator", 4, "H4 /0 /0 | ! 变量名称结束符错误"},
            {"second name unterminated", 3, "H3 温度/0 /0 | ! 变量名称结束符错误"}};
        for (const auto& [name, version, expected] : rejected) {
            const QString global = appendSection(w, 'I');
            w.marker('H');
            if (version == 3 || version == 4) {
                w.u16(version);
                w.u16(2); // names are stored +128: 0x01 becomes the terminator 0x81
                w.raw(TavWriter::shifted(version == 3 ? "温度\x01湿度" : "温度湿度", 128));
            } else {
                w.historyHeader(version, {"温度", "湿度"}, {10, 100});
            }
            w.marker('A');
            w.errorRecord(0x81818181u, -127, 0x7E81); // 0x81 bytes beyond the section
            appendSection(w, 'U');
            addRow(w, name, global + " | " + expected, 1);
        }
    }

    void sections()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        QFETCH(int, result);

        BinaryRead r(bytes);
        QVERIFY2(readFault(r).isEmpty(), qPrintable(readFault(r)));
        QCOMPARE(r.result, result);
        QCOMPARE(lines(r).join(" | "), expected);
    }

    // Every value of many records, against raw / divisor in single precision; the long one
    // spans more than one read buffer, with drops on both sides of the seams.
    void manyRecords()
    {
        for (const auto& [version, variables, records, dropped] :
             {std::tuple<quint16, int, int, QVector<int>>{4, 9, 41, {3, 4, 17, 40}},
              {3, 5, 90000, {1, 40329, 40330, 40331, 80658, 89999}}}) {
            QRandomGenerator rng(quint32(variables * 1000 + records));
            const QVector<quint32> divisors = {1,       10,          100, 7,          0,
                                               1000000, 0xFFFFFFFFu, 3,   0x80000001u};
            QVector<quint32> scales;
            for (int j = 0; j < variables; ++j)
                scales << divisors[j % divisors.size()];
            TavWriter w;
            w.marker('H');
            w.historyHeader(version, QVector<QString>(variables, "变量").toList(), scales);
            QVector<qint64> stamps;
            QVector<QVector<float>> expected(variables);
            QStringList drops;
            quint32 stamp = 1773043200u;
            QVector<qint32> row(variables);
            for (int i = 0; i < records; ++i) {
                const bool drop = dropped.contains(i);
                stamp += drop ? 0 : 1 + rng.bounded(100);
                for (qint32& v : row)
                    v = qint32(rng.generate());
                const int at = w.historyRecord(version, stamp, row);
                if (drop) {
                    drops << Drop.arg(at).arg(stamp).arg(stamp).arg(i);
                    continue;
                }
                stamps << stamp;
                for (int j = 0; j < variables; ++j)
                    expected[j] << float(row[j]) / float(scales[j]);
            }
            appendSection(w, 'S');

            BinaryRead r(w.bytes);
            QVERIFY2(readFault(r).isEmpty(), qPrintable(readFault(r)));
            QCOMPARE(r.data.blocks.size(), 1);
            QCOMPARE(r.data.blocks[0].stamps, stamps);
            QVERIFY(r.data.blocks[0].values == expected); // no raw 0 over divisor 0: no NaN
            QCOMPARE(r.messages.filter("数据时间戳异常"), drops);
            QCOMPARE(r.data.systemEvents.size(), 1);
        }
    }
};

QTEST_GUILESS_MAIN(TestBinaryReader)
#include "tst_binaryreader.moc"
