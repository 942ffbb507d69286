#include "sortedtavdata.h"
#include "tavcsv.h"
#include "testutil.h"
#include "tst_binaryfixture.h"

#include <QSignalSpy>
#include <QtTest>

#include <cmath>
#include <cstring>
#include <ctime>
#include <limits>
#include <random>

namespace {

// Every cell as text, so that NaN compares equal to NaN and -0 differs from 0.
QStringList cellTexts(const Columns& columns)
{
    QStringList texts;
    for (const QVector<float>& column : columns) {
        QStringList cells;
        for (float v : column)
            cells << QString::number(double(v), 'g', 9);
        texts << cells.join(' ');
    }
    return texts;
}

void fill(SortedTavData& set, const QStringList& names, const QVector<qint64>& stamps,
          const Columns& values)
{
    set.names = names;
    set.stamps = stamps;
    set.values = values;
}

} // namespace

class TestCsv : public QObject
{
    Q_OBJECT

private slots:
    // A number reads as QString::toFloat reads the text inside its blanks and quotes; any
    // other text is not a number.
    void numbers_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("number");
        const QByteArray numbers = "1|+1|-1| 1|1 |1.|-.5|.5|1e5|1E+5|inf|-inf|nan|1e39|1e-50|-0|"
                                   "007|23.5|-999.9|16777217|\t2\r|\"23.5\"| \"-1e3\" |\" 7 \"|"
                                   "\"nan\"";
        const QByteArray others = "1e|.|+||0x10|+-1|1 2|1.5.|abc|1x|--|1.2.3|12abc|+nan|\"\"|"
                                  "\"abc\"|\"23.5|23.5\"|\"|\"\"1\"\"| |\"-\"";
        for (const QByteArray& t : numbers.split('|'))
            QTest::addRow("%s", t.constData()) << t << true;
        for (const QByteArray& t : others.split('|'))
            QTest::addRow("not %s", t.constData()) << t << false;
    }
    void numbers()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, number);
        float got = 12345.0f;
        QCOMPARE(TavCsv::parseNumber(text.constData(), text.constData() + text.size(), got),
                 number);
        if (!number) {
            QCOMPARE(got, 12345.0f);
            return;
        }
        QString bare = QString::fromLatin1(text).trimmed();
        if (bare.startsWith('"'))
            bare = bare.mid(1, bare.size() - 2);
        const float expected = bare.toFloat();
        QVERIFY(std::memcmp(&got, &expected, 4) == 0 || (std::isnan(got) && std::isnan(expected)));
    }

    // Five valid texts, then invalid ones. UTC wall-clock time, also in summer and inside the
    // spring gap of Europe/Berlin.
    void timeText()
    {
        const QByteArray texts = "1970/01/01 00:00:00|2024/07/01 12:00:00|2024/03/31 02:30:00|"
                                 "2024/02/29 23:59:59|1969/12/31 23:59:59|2023/02/29 00:00:00|"
                                 "2024/01/01 24:00:00|2024/13/01 00:00:00|2024/7/1 1:2:3|"
                                 "2024-07-01 12:00:00|2024/07/01 12:00:00 |";
        int index = 0;
        for (const QByteArray& t : texts.split('|')) {
            const bool valid = index++ < 5;
            const QDateTime want(QDate::fromString(t.left(10), "yyyy/MM/dd"),
                                 QTime::fromString(t.mid(11), "hh:mm:ss"), Qt::UTC);
            qint64 got = 0;
            QVERIFY2(TavCsv::parseTime(t.constData(), t.constData() + t.size(), got) == valid,
                     t.constData());
            if (!valid)
                continue;
            QCOMPARE(got, want.toSecsSinceEpoch());
            char out[32];
            QCOMPARE(QByteArray(out, TavCsv::formatTime(got, out)), t);
        }
    }

    // Each cell either reads as its number or is a missing value; the header's fields name
    // the variables. Expected cells are written from that rule, M for MissingValue.
    void import_data()
    {
        constexpr float M = MissingValue;
        const float nan = std::nanf(""), inf = std::numeric_limits<float>::infinity();
        const qint64 t0 = 1719835200; // 2024/07/01 12:00:00 UTC
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("headerNames");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QVector<qint64>>("stamps");
        QTest::addColumn<Columns>("values");
        QTest::addColumn<QStringList>("messages"); // between "正在打开" and "读取完毕"
        const QString counted = QStringLiteral(" 已将%1个非数字单元视为缺失值");
        QTest::newRow("text and empty cells")
            << QByteArray("时间,a,b,c\n2024/07/01 12:00:00,abc,,--\n"
                          "2024/07/01 12:00:01,1.2.3,12abc,4\n")
            << true << QStringList{"a", "b", "c"} << QVector<qint64>{t0, t0 + 1}
            << Columns{{M, M}, {M, M}, {M, 4}} << QStringList{counted.arg(5)};
        QTest::newRow("short and long rows")
            << QByteArray("时间,a,b,c\r\n2024/07/01 12:00:00,1.5\r\n2024/07/01 12:00:01\r\n"
                          "2024/07/01 12:00:02,1,2,3,9,x\r\n2024/07/01 12:00:03,\r\n")
            << true << QStringList{"a", "b", "c"} << QVector<qint64>{t0, t0 + 1, t0 + 2, t0 + 3}
            << Columns{{1.5f, M, 1, M}, {M, M, 2, M}, {M, M, 3, M}} << QStringList{counted.arg(8)};
        QTest::newRow("quoted and padded numbers")
            << QByteArray("时间,a,b,c,d,e\n2024/07/01 12:00:00,\"23.5\", 7 , \"-1\" ,\"\",\t2e3\n")
            << true << QStringList{"a", "b", "c", "d", "e"} << QVector<qint64>{t0}
            << Columns{{23.5f}, {7}, {-1}, {M}, {2000}} << QStringList{counted.arg(1)};
        QTest::newRow("nan, inf and out of range are numbers")
            << QByteArray("时间,a,b,c,d\n2024/07/01 12:00:00,nan,-inf,1e39,1e-50\n") << true
            << QStringList{"a", "b", "c", "d"} << QVector<qint64>{t0}
            << Columns{{nan}, {-inf}, {inf}, {0}} << QStringList{};
        QTest::newRow("the export's trailing comma")
            << QByteArray("时间,温度,湿度,\n2024/07/01 12:00:00,23.5,45,\n"
                          "2024/07/01 12:00:01,-999.9,1e+06,\n")
            << true << QStringList{"温度", "湿度"} << QVector<qint64>{t0, t0 + 1}
            << Columns{{23.5f, M}, {45, 1e6f}} << QStringList{};
        QTest::newRow("trailing comma, generated names")
            << QByteArray("时间,温度,湿度,\r\n2024/07/01 12:00:00,1,2,\r\n") << false
            << QStringList{"Data[0]", "Data[1]"} << QVector<qint64>{t0} << Columns{{1}, {2}}
            << QStringList{};
        QTest::newRow("only a trailing comma")
            << QByteArray("时间,\n2024/07/01 12:00:00,1,\n") << true << QStringList{}
            << QVector<qint64>{t0} << Columns{} << QStringList{};
        QTest::newRow("empty, repeated and CRLF-ended names")
            << QByteArray("时间,a,,a,b\r\n2024/07/01 12:00:00,1,2,x,4\r\n") << true
            << QStringList{"a", "Data[1]", "b"} << QVector<qint64>{t0} << Columns{{1}, {2}, {4}}
            << QStringList{QStringLiteral(" 变量名称重复，已忽略后出现的同名列：a")};
        QTest::newRow("empty names before a trailing comma")
            << QByteArray("时间,,b,,\n2024/07/01 12:00:00,1,2,3,\n") << true
            << QStringList{"Data[0]", "b", "Data[2]"} << QVector<qint64>{t0}
            << Columns{{1}, {2}, {3}} << QStringList{};
        QTest::newRow("byte order mark")
            << QByteArray("\xEF\xBB\xBF时间,温度\r\n2024/07/01 12:00:00,-2\r\n") << true
            << QStringList{"温度"} << QVector<qint64>{t0} << Columns{{-2}} << QStringList{};
        QTest::newRow("lines without a time are skipped, not counted")
            << QByteArray("h,v\n\n2024/07/01 12:00:00,1\nfooter,x\n2024/07/01 12:00:01,2\n\n")
            << true << QStringList{"v"} << QVector<qint64>{t0, t0 + 1} << Columns{{1, 2}}
            << QStringList{QStringLiteral(" 已跳过3行：首字段不是有效时间")};
        QTest::newRow("header only") << QByteArray("时间,a,b\n") << true << QStringList{"a", "b"}
                                     << QVector<qint64>{} << Columns{{}, {}} << QStringList{};
        QTest::newRow("empty file") << QByteArray() << false << QStringList{} << QVector<qint64>{}
                                    << Columns{} << QStringList{};
    }
    void import()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, headerNames);
        QFETCH(QStringList, names);
        QFETCH(QVector<qint64>, stamps);
        QFETCH(Columns, values);
        QFETCH(QStringList, messages);
        const QString path = saveScratch(QStringLiteral("in.csv"), content);
        TavData data;
        QSignalSpy info(&data, &TavData::pushInfoUpward);
        QCOMPARE(data.readFromCsv(path, headerNames), 0);
        QCOMPARE(data.blocks.size(), 1);
        const HistoryBlock& block = data.blocks.first();
        QCOMPARE(QStringList(block.names.toList()), names);
        QCOMPARE(block.stamps, stamps);
        QCOMPARE(cellTexts(block.values), cellTexts(values));
        QStringList texts;
        for (const auto& args : info) {
            texts << args.at(0).toString().mid(path.size());
            QCOMPARE(args.at(1).toInt(), -1);
        }
        QCOMPARE(texts, QStringList{" 正在打开"} + messages + QStringList{" 读取完毕"});
    }

    // Every bad input ends with a clear status and message; result 0 keeps what it could read.
    // (100,000 columns: see tst_sortedtavdata.)
    void badInput()
    {
        std::mt19937 gen(11);
        QByteArray garbage(1 << 20, '\0');
        for (char& c : garbage)
            c = char(gen());
        const QByteArray longLine =
            "t,v\n" + QByteArray(10 << 20, '7') + "\n2024/07/01 12:00:00,1.25\n";
        const std::tuple<QString, int, int, QString> cases[] = {
            {saveScratch("garbage.csv", garbage), 0, 0, " 读取完毕"},
            {saveScratch("long.csv", longLine), 0, 1, " 读取完毕"},
            {scratch.filePath("nothing.csv"), 1, 0, " 路径错误或不可读取"},
            // Refused before any column is made; the names hold placeholders the message
            // must not fill. The empty field behind the last comma is no variable.
            {saveScratch("wide%2of%1.csv", QByteArray(2 << 20, ',')), 1, 0,
             " 变量个数过多 2097152"},
            {saveScratch("cells%2of%1.csv", "t" + QByteArray(1 << 20, ',') + "\n" +
                                                QByteArray("2024/07/01 12:00:00\n").repeated(300)),
             1, 0, " 数据量过大 300行 1048575列"},
            {scratch.path(), 1, 0, " 路径错误或不可读取"}};
        for (const auto& [path, result, samples, lastMessage] : cases) {
            TavData data;
            QSignalSpy info(&data, &TavData::pushInfoUpward);
            QCOMPARE(data.readFromCsv(path, false), result);
            QCOMPARE(info.last(), QVariantList({path + lastMessage, -1}));
            QCOMPARE(data.blocks.size(), result == 0 ? 1 : 0);
            if (result != 0)
                continue;
            const HistoryBlock& block = data.blocks.first();
            QCOMPARE(block.stamps.size(), samples);
            for (const auto& column : block.values)
                QCOMPARE(column.size(), samples);
            if (samples > 0)
                QCOMPARE(block.values, Columns{{1.25f}});
        }
    }

    // The written file against a line-by-line composition with Qt's own formatting (what it
    // reads back as: exportRoundTripModel).
    void exportRoundTrip()
    {
        const float nan = std::nanf(""), inf = std::numeric_limits<float>::infinity();
        SortedTavData set;
        fill(set, {"温度", "H", "P"}, {10, 20, 30, 40, 50},
             {{1.5f, 2e6f, MissingValue, -0.0f, 7},
              {nan, inf, -inf, 0.1f, 1234567.0f},
              {3, 1e-5f, 123456.5f, 0.333333f, 9}});
        const QString path = scratch.filePath(QStringLiteral("out.csv"));
        const QList<int> indexList = {2, 1};
        const qint64 from = 10, to = 40;
        QSignalSpy finished(&set, &SortedTavData::exportFinished);
        set.onExportData(path, indexList, from, to);
        QCOMPARE(finished.count(), 1);
        QString expected = QStringLiteral("时间,");
        for (int i : indexList)
            expected += set.names[i] + ",";
        expected += "\n";
        int rows = 0;
        for (int i = 0; i < set.stamps.size(); ++i) {
            if (set.stamps[i] < from || set.stamps[i] > to)
                continue;
            ++rows;
            expected += QDateTime::fromSecsSinceEpoch(set.stamps[i], Qt::UTC)
                            .toString("yyyy/MM/dd hh:mm:ss") +
                        ",";
            for (int c : indexList)
                expected += QString::number(double(set.values[c][i]), 'g', 6) + ",";
            expected += "\n";
        }
        QCOMPARE(rows, 4);
        QCOMPARE(TestUtil::readFile(path), QTextCodec::codecForLocale()->fromUnicode(expected));
    }

    // Random data sets through the export and the viewer's own read: the names come back
    // as written (an empty one as "Data[n]", a repeated one once), and every value as its
    // six significant digits read back.
    void exportRoundTripModel()
    {
        const bool wide = QTextCodec::codecForLocale()->canEncode(QStringLiteral("温度"));
        const QStringList pieces =
            wide ? QStringList{"温度", "湿度", "压力", "T", "rh", " ", "_1", "Data[2]", "风速", "x"}
                 : QStringList{"T", "rh", " ", "_1", "Data[2]", "x"};
        std::mt19937 gen(2024);
        auto uniform = [&gen](double lo, double hi) {
            return std::uniform_real_distribution<double>(lo, hi)(gen);
        };
        for (int round = 0; round < 40; ++round) {
            const int variables = 1 + int(gen() % 12);
            QStringList names;
            for (int v = 0; v < variables; ++v) {
                QString name;
                const int kind = int(gen() % 16);
                if (kind == 0)
                    name = QString(); // empty
                else if (kind == 1 && v > 0)
                    name = names.at(int(gen() % v)); // repeated
                else
                    for (int k = 1 + int(gen() % 3); k > 0; --k)
                        name += pieces.at(int(gen() % pieces.size()));
                names << name;
            }
            const int samples = 4 + int(gen() % 300);
            QVector<qint64> stamps;
            qint64 s = 1700000000 + qint64(gen() % 100000);
            for (int i = 0; i < samples; ++i)
                stamps << (s += 1 + qint64(gen() % 600));
            Columns values(variables);
            for (QVector<float>& column : values) {
                for (int i = 0; i < samples; ++i) {
                    const int kind = int(gen() % 6);
                    const double sign = gen() % 2 ? -1 : 1;
                    column << (kind == 0   ? MissingValue
                               : kind == 1 ? float(sign * std::pow(10.0, uniform(5, 30)))
                               : kind == 2 ? float(sign * std::pow(10.0, uniform(-30, -3)))
                               : kind == 3 ? float(int(gen() % 2001) - 1000)
                                           : float(uniform(-1000, 1000)));
                }
            }
            QList<int> indexList;
            for (int v = 0; v < variables; ++v)
                indexList.insert(int(gen() % (indexList.size() + 1)), v);
            indexList = indexList.mid(0, 1 + int(gen() % variables));

            SortedTavData set;
            fill(set, names, stamps, values);
            const QString path = scratch.filePath(QStringLiteral("round%1.csv").arg(round));
            TavCsv::exportData(set, path, indexList, stamps.first(), stamps.last());
            SortedTavData back;
            QSignalSpy info(&back, &SortedTavData::pushInfoUpward);
            QCOMPARE(back.readTavData(path), 0);
            for (const auto& args : info) // a written MissingValue is a number
                QVERIFY(!args.at(0).toString().contains(QStringLiteral("非数字")));

            // The model: field j of the header names variable j unless it is empty or seen.
            QStringList wantNames;
            Columns wantValues;
            for (int j = 0; j < indexList.size(); ++j) {
                const QString written = names.at(indexList.at(j));
                const QString name =
                    written.isEmpty() ? QStringLiteral("Data[%1]").arg(j) : written;
                if (wantNames.contains(name))
                    continue;
                wantNames << name;
                QVector<float> column;
                for (float v : values.at(indexList.at(j)))
                    column << QString::number(double(v), 'g', 6).toFloat();
                wantValues << column;
            }
            QCOMPARE(back.names, wantNames);
            QCOMPARE(back.stamps, stamps);
            QCOMPARE(cellTexts(back.values), cellTexts(wantValues));
        }
    }

    // Progress on a range of a single stamp: no division by zero, and every row written.
    void exportOfOneStamp()
    {
        const QVector<qint64> stamps(450, 77);
        SortedTavData set;
        fill(set, {"T"}, stamps, {QVector<float>(stamps.size(), 1)});
        QSignalSpy info(&set, &SortedTavData::pushInfoUpward);
        const QString path = scratch.filePath(QStringLiteral("progress.csv"));
        set.onExportData(path, {0}, 77, 77);
        for (const auto& args : info)
            QVERIFY(args.at(1).toInt() >= 0 && args.at(1).toInt() <= 100);
        QCOMPARE(TestUtil::readFile(path).count('\n'), 451);
    }
};

int main(int argc, char* argv[])
{
    // Stamps are UTC wall-clock time whatever the zone: run in one with summer time.
    qputenv("TZ", "Europe/Berlin");
    tzset();
    QCoreApplication app(argc, argv);
    TestCsv test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_csv.moc"
