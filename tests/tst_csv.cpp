#include "sortedtavdata.h"
#include "tavcsv.h"
#include "tavdata.h"

#include <QSignalSpy>
#include <QtTest>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <ctime>
#include <limits>
#include <numeric>
#include <random>

namespace {

using Columns = QVector<QVector<float>>;

bool sameFloat(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b));
}

float parse(const QByteArray& text)
{
    return TavCsv::parseNumber(text.constData(), text.constData() + text.size());
}

QString numberText(float v)
{
    char buf[TavCsv::NumberTextMax];
    return QString::fromLatin1(buf, TavCsv::formatNumber(v, buf));
}

qint64 utc(int y, int mo, int d, int h, int mi, int s)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC).toSecsSinceEpoch();
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

    QTemporaryDir m_dir;
    QString file(const QString& name, const QByteArray& content)
    {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(content) != content.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

private slots:
    // Fields read exactly as QString::toFloat reads them (0 when it rejects them); numbers
    // are written exactly as QString::number(v, 'g', 6) writes them.
    void numbers()
    {
        const QByteArray texts =
            "1|+1|-1| 1|1 |\t1\r|1.|-.5|+.5|.5|1e5|1E+5|1e|1e0005|1.e5|.e5|e5|.|+|-||  |inf|-inf|"
            "+inf|iNf|nan|NaN|-nan|+nan|infinity|nan(1)|0x10|1e39|-1e39|3.4028235e38|1e400|"
            "-1e400|1e-50|1e-400|1.4e-45|-0|007|+-1|--1|1 2|1.5.|23.5|-999.9|0.1|16777217|"
            "9007199254740993|123456789012345678901234567890|0.3000000000000000166|"
            "0000000000000000000000000000001.5|1.00000005960464477539062|abc|1x";
        for (const QByteArray& t : texts.split('|')) {
            const float expected = QString::fromLatin1(t).toFloat();
            QVERIFY2(sameFloat(parse(t), expected), qPrintable(QStringLiteral("'%1': %2 vs %3")
                                                                   .arg(QString::fromLatin1(t))
                                                                   .arg(parse(t))
                                                                   .arg(expected)));
        }
        const float inf = std::numeric_limits<float>::infinity();
        for (float v : {0.0f,        -0.0f,     23.5f,         MissingValue, 123456.5f, 123457.5f,
                        -430492.5f,  2678.125f, 999999.5f,     1e6f,         1e-4f,     1e-5f,
                        9.99999e-5f, 1e21f,     FLT_MAX,       -FLT_MAX,     FLT_MIN,   1e-45f,
                        inf,         -inf,      std::nanf(""), 5514325.0f,   0.1f,      100000.0f})
            QCOMPARE(numberText(v), QString::number(double(v), 'g', 6));
    }

    // Every kind of float: random bit patterns, and plain decimals round-tripping through text.
    void numberSweep()
    {
        std::mt19937 gen(7);
        for (int i = 0; i < 1000000; ++i) {
            const quint32 bits = gen();
            float v;
            std::memcpy(&v, &bits, sizeof v);
            const QString expected = QString::number(double(v), 'g', 6);
            if (numberText(v) != expected)
                QFAIL(qPrintable(QStringLiteral("format %1: %2").arg(expected, numberText(v))));
            const QByteArray text = QByteArray::number(double(v), 'g', 1 + int(bits % 17));
            if (!sameFloat(parse(text), QString::fromLatin1(text).toFloat()))
                QFAIL(qPrintable(QStringLiteral("parse %1").arg(QString::fromLatin1(text))));
        }
    }

    void timeText_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<qint64>("stamp");
        const auto valid = [](const char* name, const char* text, qint64 stamp) {
            QTest::newRow(name) << QByteArray(text) << true << stamp;
        };
        valid("epoch", "1970/01/01 00:00:00", 0);
        // A summer time and a time inside the spring gap of Europe/Berlin, the test's zone.
        valid("summer", "2024/07/01 12:00:00", utc(2024, 7, 1, 12, 0, 0));
        valid("gap", "2024/03/31 02:30:00", utc(2024, 3, 31, 2, 30, 0));
        valid("leap day", "2024/02/29 23:59:59", utc(2024, 2, 29, 23, 59, 59));
        valid("before 1970", "1969/12/31 23:59:59", -1);
        valid("year 2400", "2400/02/29 00:00:00", utc(2400, 2, 29, 0, 0, 0));
        const QByteArray invalid = "2023/02/29 00:00:00|1900/02/29 00:00:00|2024/01/01 24:00:00|"
                                   "2024/01/01 00:00:60|2024/13/01 00:00:00|2024/01/00 00:00:00|"
                                   "2024/7/1 1:2:3|2024-07-01 12:00:00|2024/07/01 12:00:00 |";
        for (const QByteArray& t : invalid.split('|'))
            QTest::newRow(t.constData()) << t << false << qint64(0);
    }
    void timeText()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, valid);
        QFETCH(qint64, stamp);
        qint64 got = 0;
        QCOMPARE(TavCsv::parseTime(text.constData(), text.constData() + text.size(), got), valid);
        if (!valid)
            return;
        QCOMPARE(got, stamp);
        char out[32];
        QCOMPARE(QByteArray(out, TavCsv::formatTime(stamp, out)), text);
    }

    void timeFormattingSweep()
    {
        std::mt19937_64 gen(3);
        for (int i = 0; i < 20000; ++i) {
            const qint64 stamp = qint64(gen() % 400000000000ull) - 100000000000ll;
            char out[32];
            QCOMPARE(QString::fromLatin1(out, TavCsv::formatTime(stamp, out)),
                     QDateTime::fromSecsSinceEpoch(stamp, Qt::UTC).toString("yyyy/MM/dd hh:mm:ss"));
        }
    }

    void import_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("headerNames");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QVector<qint64>>("stamps");
        QTest::addColumn<Columns>("values");
        QTest::addColumn<QStringList>("extraMessages");
        const qint64 t0 = utc(2024, 7, 1, 12, 0, 0);
        QTest::newRow("rules") << QByteArray("时间,a,b,c\r\n"
                                             "2024/07/01 12:00:00,1.5,x,-2,9,9\r\n"
                                             "2024/07/01 12:00:01, +3 ,1e3\n"
                                             "2024/07/01 12:00:02\n")
                               << false << QStringList{"Data[0]", "Data[1]", "Data[2]"}
                               << QVector<qint64>{t0, t0 + 1, t0 + 2}
                               << Columns{{1.5f, 3, 0}, {0, 1000, 0}, {-2, 0, 0}} << QStringList();
        QTest::newRow("skipped lines")
            << QByteArray("h,v\n\n2024/07/01 12:00:00,1\nfooter\n"
                          "2024/07/01 12:00:01,2\n\n")
            << false << QStringList{"Data[0]"} << QVector<qint64>{t0, t0 + 1} << Columns{{1, 2}}
            << QStringList{" 已跳过3行：首字段不是有效时间"};
        QTest::newRow("duplicate name")
            << QByteArray("时间,温度,湿度,温度\n2024/07/01 12:00:00,1,2,3\n") << true
            << QStringList{"温度", "湿度"} << QVector<qint64>{t0} << Columns{{1}, {2}}
            << QStringList{" 变量名称重复，已忽略后出现的同名列：温度"};
        QTest::newRow("header only") << QByteArray("时间,a,b\n") << true << QStringList{"a", "b"}
                                     << QVector<qint64>() << Columns{{}, {}} << QStringList();
        QTest::newRow("empty file") << QByteArray() << false << QStringList() << QVector<qint64>()
                                    << Columns() << QStringList();
    }
    void import()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, headerNames);
        QFETCH(QStringList, names);
        QFETCH(QVector<qint64>, stamps);
        QFETCH(Columns, values);
        QFETCH(QStringList, extraMessages);
        const QString path = file(QStringLiteral("in.csv"), content);
        TavData data;
        QSignalSpy info(&data, &TavData::pushInfoUpward);
        QCOMPARE(data.readFromCsv(path, headerNames), 0);
        QCOMPARE(data.blocks.size(), 1);
        const HistoryBlock& block = data.blocks.first();
        QCOMPARE(block.version, quint16(0));
        QVERIFY(block.scales.isEmpty());
        QCOMPARE(QStringList(block.names.toList()), names);
        QCOMPARE(block.stamps, stamps);
        QCOMPARE(block.values, values);
        QStringList texts;
        for (const auto& args : info) {
            texts << args.at(0).toString().mid(path.size());
            QCOMPARE(args.at(1).toInt(), -1);
        }
        QCOMPARE(texts, QStringList{" 正在打开"} + extraMessages + QStringList{" 读取完毕"});
    }

    // Every bad input ends with a clear status and message; result 0 keeps what it could read.
    // (100,000 columns: see tst_sortedtavdata.)
    void badInput_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("variables");
        QTest::addColumn<int>("samples");
        QTest::addColumn<QString>("lastMessage");
        std::mt19937 gen(11);
        QByteArray garbage(1 << 20, '\0');
        for (char& c : garbage)
            c = char(gen());
        QTest::newRow("garbage") << file("garbage.csv", garbage) << 0 << -1 << 0 << " 读取完毕";
        QTest::newRow("10 MB line") << file("long.csv", "t,v\n" + QByteArray(10 << 20, '7') +
                                                            "\n2024/07/01 12:00:00,1.25\n")
                                    << 0 << 1 << 1 << " 读取完毕";
        QTest::newRow("too many columns") << file("commas.csv", QByteArray(2 << 20, ',')) << 1 << 0
                                          << 0 << " 变量个数过多 2097152";
        QTest::newRow("missing") << m_dir.filePath("nothing.csv") << 1 << 0 << 0
                                 << " 路径错误或不可读取";
        QTest::newRow("folder") << m_dir.path() << 1 << 0 << 0 << " 路径错误或不可读取";
    }
    void badInput()
    {
        QFETCH(QString, path);
        QFETCH(int, result);
        QFETCH(int, variables);
        QFETCH(int, samples);
        QFETCH(QString, lastMessage);
        TavData data;
        QSignalSpy info(&data, &TavData::pushInfoUpward);
        QCOMPARE(data.readFromCsv(path, false), result);
        QCOMPARE(info.last().at(0).toString(), path + lastMessage);
        QCOMPARE(info.last().at(1).toInt(), -1);
        QCOMPARE(data.blocks.size(), result == 0 ? 1 : 0);
        if (result != 0)
            return;
        const HistoryBlock& block = data.blocks.first();
        if (variables >= 0)
            QCOMPARE(block.names.size(), variables);
        QCOMPARE(block.stamps.size(), samples);
        for (const auto& column : block.values)
            QCOMPARE(column.size(), samples);
        if (samples > 0)
            QCOMPARE(block.values.last().last(), 1.25f);
    }

    void exportRules_data()
    {
        QTest::addColumn<QList<int>>("indexList");
        QTest::addColumn<qint64>("from");
        QTest::addColumn<qint64>("to");
        QTest::addColumn<int>("rows");
        QTest::newRow("(2,0) inclusive") << QList<int>{2, 0} << qint64(20) << qint64(40) << 3;
        QTest::newRow("all") << QList<int>{0, 1, 2} << qint64(0) << qint64(50) << 5;
        QTest::newRow("one stamp") << QList<int>{1} << qint64(30) << qint64(30) << 1;
        QTest::newRow("none") << QList<int>{1} << qint64(41) << qint64(49) << 0;
    }
    // The written file against a line-by-line composition with Qt's own formatting.
    void exportRules()
    {
        QFETCH(QList<int>, indexList);
        QFETCH(qint64, from);
        QFETCH(qint64, to);
        QFETCH(int, rows);
        const float nan = std::nanf("");
        const float inf = std::numeric_limits<float>::infinity();
        SortedTavData set;
        fill(set, {"温度", "H", "P"}, {10, 20, 30, 40, 50},
             {{1.5f, 2e6f, MissingValue, -0.0f, 7},
              {nan, inf, -inf, 0.1f, 8},
              {3, 1e-5f, 123456.5f, 9, 9}});
        const QString path = m_dir.filePath(QStringLiteral("out.csv"));
        QSignalSpy finished(&set, &SortedTavData::exportFinished);
        set.onExportData(path, indexList, from, to);
        QCOMPARE(finished.count(), 1);
        QString expected = QStringLiteral("时间,");
        for (int i : indexList)
            expected += set.names[i] + ",";
        expected += "\n";
        for (int i = 0; i < set.stamps.size(); ++i) {
            if (set.stamps[i] < from || set.stamps[i] > to)
                continue;
            expected += QDateTime::fromSecsSinceEpoch(set.stamps[i], Qt::UTC)
                            .toString("yyyy/MM/dd hh:mm:ss") +
                        ",";
            for (int c : indexList)
                expected += QString::number(double(set.values[c][i]), 'g', 6) + ",";
            expected += "\n";
        }
        QCOMPARE(expected.count('\n'), rows + 1);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QTextCodec::codecForLocale()->fromUnicode(expected));
    }

    // Progress every 201 rows; when the range is one stamp it cannot divide by zero.
    void exportProgress_data()
    {
        QTest::addColumn<QVector<qint64>>("stamps");
        QTest::addColumn<QList<int>>("percents");
        QVector<qint64> ramp(1000);
        std::iota(ramp.begin(), ramp.end(), 0);
        QTest::newRow("ramp") << ramp << QList<int>{0, 20, 40, 60, 80};
        QTest::newRow("one stamp") << QVector<qint64>(450, 77) << QList<int>{0, 100, 100};
    }
    void exportProgress()
    {
        QFETCH(QVector<qint64>, stamps);
        QFETCH(QList<int>, percents);
        SortedTavData set;
        fill(set, {"T"}, stamps, {QVector<float>(stamps.size(), 1)});
        QSignalSpy info(&set, &SortedTavData::pushInfoUpward);
        const QString path = m_dir.filePath(QStringLiteral("progress.csv"));
        set.onExportData(path, {0}, stamps.first(), stamps.last());
        QList<int> got;
        for (const auto& args : info) {
            QCOMPARE(args.at(0).toString(), path + " 正在导出数据");
            got << args.at(1).toInt();
        }
        QCOMPARE(got, percents);
    }

    // Export, then import: one more variable from the trailing comma, all zeros.
    void roundTrip()
    {
        SortedTavData set;
        fill(set, {"A", "B"}, {utc(2024, 7, 1, 0, 0, 0), utc(2024, 7, 1, 0, 0, 10)},
             {{23.5f, 1234567.0f}, {MissingValue, 0.333333f}});
        const QString path = m_dir.filePath(QStringLiteral("trip.csv"));
        set.onExportData(path, {1, 0}, set.stamps.first(), set.stamps.last());
        TavData data;
        QCOMPARE(data.readFromCsv(path, false), 0);
        const HistoryBlock& b = data.blocks.first();
        QCOMPARE(b.names, QVector<QString>({"Data[0]", "Data[1]", "Data[2]"}));
        QCOMPARE(b.stamps, set.stamps);
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(b.values[0][i], QString::number(double(set.values[1][i]), 'g', 6).toFloat());
            QCOMPARE(b.values[1][i], QString::number(double(set.values[0][i]), 'g', 6).toFloat());
            QCOMPARE(b.values[2][i], 0.0f);
        }
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
