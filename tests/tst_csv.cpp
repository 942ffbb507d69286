#include "sortedtavdata.h"
#include "tavcsv.h"
#include "tavdata.h"

#include <QDateTime>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <ctime>
#include <limits>
#include <random>

namespace {

using Messages = QList<QPair<QString, int>>;

struct CsvRead
{
    int result = -1;
    HistoryBlock block;
    int blockCount = 0;
    Messages messages;
};

CsvRead readCsv(const QString& path, bool useHeaderNames = false)
{
    TavData data;
    CsvRead out;
    QObject::connect(&data, &TavData::pushInfoUpward, [&out](const QString& info, int percent) {
        out.messages.append({info, percent});
    });
    out.result = data.readFromCsv(path, useHeaderNames);
    out.blockCount = data.blocks.size();
    if (!data.blocks.isEmpty())
        out.block = data.blocks.first();
    return out;
}

bool sameFloat(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b));
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
    void numberParsing_data()
    {
        QTest::addColumn<QByteArray>("text");
        for (const char* t : {"1",
                              "+1",
                              "-1",
                              " 1",
                              "1 ",
                              "\t1\r",
                              "1.",
                              "-.5",
                              "+.5",
                              ".5",
                              "1e5",
                              "1E+5",
                              "1e",
                              "1e0005",
                              "1.e5",
                              ".e5",
                              "e5",
                              ".",
                              "+",
                              "-",
                              "",
                              "  ",
                              "inf",
                              "-inf",
                              "+inf",
                              "iNf",
                              "nan",
                              "NaN",
                              "-nan",
                              "+nan",
                              "infinity",
                              "nan(1)",
                              "0x10",
                              "1e39",
                              "-1e39",
                              "3.4028235e38",
                              "1e400",
                              "-1e400",
                              "1e-50",
                              "1e-400",
                              "1.4e-45",
                              "-0",
                              "007",
                              "+-1",
                              "--1",
                              "1 2",
                              "1.5.",
                              "23.5",
                              "-999.9",
                              "0.1",
                              "16777217",
                              "9007199254740993",
                              "123456789012345678901234567890",
                              "0.3000000000000000166",
                              "0000000000000000000000000000001.5",
                              "1.00000005960464477539062",
                              "abc",
                              "1x"})
            QTest::newRow(t) << QByteArray(t);
    }
    // Fields must read exactly as QString::toFloat reads them (0 when it rejects them).
    void numberParsing()
    {
        QFETCH(QByteArray, text);
        const float expected = QString::fromLatin1(text).toFloat();
        const float got = TavCsv::parseNumber(text.constData(), text.constData() + text.size());
        QVERIFY2(sameFloat(got, expected),
                 qPrintable(QStringLiteral("%1 vs %2").arg(got).arg(expected)));
    }

    void numberFormatting_data()
    {
        QTest::addColumn<float>("value");
        const float inf = std::numeric_limits<float>::infinity();
        const float cases[] = {0.0f,          -0.0f,      23.5f,       MissingValue, 123456.5f,
                               123457.5f,     -430492.5f, 2678.125f,   999999.5f,    1e6f,
                               1e-4f,         1e-5f,      9.99999e-5f, 1e21f,        FLT_MAX,
                               -FLT_MAX,      FLT_MIN,    1e-45f,      inf,          -inf,
                               std::nanf(""), 5514325.0f, 0.1f,        100000.0f};
        for (float v : cases)
            QTest::newRow(qPrintable(QString::number(double(v), 'g', 9))) << v;
    }
    void numberFormatting()
    {
        QFETCH(float, value);
        QCOMPARE(numberText(value), QString::number(double(value), 'g', 6));
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
            const float back =
                TavCsv::parseNumber(text.constData(), text.constData() + text.size());
            if (!sameFloat(back, QString::fromLatin1(text).toFloat()))
                QFAIL(qPrintable(QStringLiteral("parse %1").arg(QString::fromLatin1(text))));
        }
    }

    void timeText_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<qint64>("stamp");
        QTest::newRow("epoch") << QByteArray("1970/01/01 00:00:00") << true << qint64(0);
        // A summer time and a time inside the spring gap of Europe/Berlin, the test's zone.
        QTest::newRow("summer") << QByteArray("2024/07/01 12:00:00") << true
                                << utc(2024, 7, 1, 12, 0, 0);
        QTest::newRow("gap") << QByteArray("2024/03/31 02:30:00") << true
                             << utc(2024, 3, 31, 2, 30, 0);
        QTest::newRow("leap day") << QByteArray("2024/02/29 23:59:59") << true
                                  << utc(2024, 2, 29, 23, 59, 59);
        QTest::newRow("before 1970") << QByteArray("1969/12/31 23:59:59") << true << qint64(-1);
        QTest::newRow("year 2400")
            << QByteArray("2400/02/29 00:00:00") << true << utc(2400, 2, 29, 0, 0, 0);
        QTest::newRow("no leap day") << QByteArray("2023/02/29 00:00:00") << false << qint64(0);
        QTest::newRow("1900 no leap") << QByteArray("1900/02/29 00:00:00") << false << qint64(0);
        QTest::newRow("hour 24") << QByteArray("2024/01/01 24:00:00") << false << qint64(0);
        QTest::newRow("second 60") << QByteArray("2024/01/01 00:00:60") << false << qint64(0);
        QTest::newRow("month 13") << QByteArray("2024/13/01 00:00:00") << false << qint64(0);
        QTest::newRow("day 0") << QByteArray("2024/01/00 00:00:00") << false << qint64(0);
        QTest::newRow("short fields") << QByteArray("2024/7/1 1:2:3") << false << qint64(0);
        QTest::newRow("dashes") << QByteArray("2024-07-01 12:00:00") << false << qint64(0);
        QTest::newRow("trailing blank") << QByteArray("2024/07/01 12:00:00 ") << false << qint64(0);
        QTest::newRow("empty") << QByteArray() << false << qint64(0);
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
        const QString format = QStringLiteral("yyyy/MM/dd hh:mm:ss");
        for (int i = 0; i < 20000; ++i) {
            const qint64 stamp = qint64(gen() % 400000000000ull) - 100000000000ll;
            char out[32];
            const QString got = QString::fromLatin1(out, TavCsv::formatTime(stamp, out));
            QCOMPARE(got, QDateTime::fromSecsSinceEpoch(stamp, Qt::UTC).toString(format));
        }
    }

    void import_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("headerNames");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QVector<qint64>>("stamps");
        QTest::addColumn<QVector<QVector<float>>>("values");
        QTest::addColumn<QStringList>("extraMessages");
        const qint64 t0 = utc(2024, 7, 1, 12, 0, 0);
        QTest::newRow("rules") << QByteArray("时间,a,b,c\r\n"
                                             "2024/07/01 12:00:00,1.5,x,-2,9,9\r\n"
                                             "2024/07/01 12:00:01, +3 ,1e3\n"
                                             "2024/07/01 12:00:02\n")
                               << false << QStringList{"Data[0]", "Data[1]", "Data[2]"}
                               << QVector<qint64>{t0, t0 + 1, t0 + 2}
                               << QVector<QVector<float>>{{1.5f, 3, 0}, {0, 1000, 0}, {-2, 0, 0}}
                               << QStringList();
        QTest::newRow("skipped lines")
            << QByteArray("h,v\n\n2024/07/01 12:00:00,1\nfooter\n"
                          "2024/07/01 12:00:01,2\n\n")
            << false << QStringList{"Data[0]"} << QVector<qint64>{t0, t0 + 1}
            << QVector<QVector<float>>{{1, 2}} << QStringList{" 已跳过3行：首字段不是有效时间"};
        QTest::newRow("duplicate name")
            << QByteArray("时间,温度,湿度,温度\n2024/07/01 12:00:00,1,2,3\n") << true
            << QStringList{"温度", "湿度"} << QVector<qint64>{t0}
            << QVector<QVector<float>>{{1}, {2}}
            << QStringList{" 变量名称重复，已忽略后出现的同名列：温度"};
        QTest::newRow("header only")
            << QByteArray("时间,a,b\n") << true << QStringList{"a", "b"} << QVector<qint64>()
            << QVector<QVector<float>>{{}, {}} << QStringList();
        QTest::newRow("empty file") << QByteArray() << false << QStringList() << QVector<qint64>()
                                    << QVector<QVector<float>>() << QStringList();
    }
    void import()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, headerNames);
        QFETCH(QStringList, names);
        QFETCH(QVector<qint64>, stamps);
        QFETCH(QVector<QVector<float>>, values);
        QFETCH(QStringList, extraMessages);
        const QString path = file(QStringLiteral("in.csv"), content);
        const CsvRead r = readCsv(path, headerNames);
        QCOMPARE(r.result, 0);
        QCOMPARE(r.blockCount, 1);
        QCOMPARE(r.block.version, quint16(0));
        QVERIFY(r.block.scales.isEmpty());
        QCOMPARE(QStringList(r.block.names.toList()), names);
        QCOMPARE(r.block.stamps, stamps);
        QCOMPARE(r.block.values, values);
        QStringList texts;
        for (const auto& m : r.messages)
            texts << m.first.mid(path.size());
        QStringList expected{" 正在打开"};
        expected << extraMessages << " 读取完毕";
        QCOMPARE(texts, expected);
        for (const auto& m : r.messages)
            QCOMPARE(m.second, -1);
    }

    void badInput_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("variables");
        QTest::addColumn<int>("samples");
        std::mt19937 gen(11);
        QByteArray garbage(1 << 20, '\0');
        for (char& c : garbage)
            c = char(gen());
        QTest::newRow("garbage") << garbage << 0 << -1 << 0;
        const QByteArray row = "2024/07/01 12:00:00" + QByteArray(",1.25").repeated(100000) + "\n";
        QTest::newRow("100000 columns")
            << "t" + QByteArray(",v").repeated(100000) + "\n" + row + row << 0 << 100000 << 2;
        QTest::newRow("10 MB line")
            << "t,v\n" + QByteArray(10 << 20, '7') + "\n" + row << 0 << 1 << 1;
        QTest::newRow("too many columns") << QByteArray(2 << 20, ',') << 1 << -1 << -1;
    }
    void badInput()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, result);
        QFETCH(int, variables);
        QFETCH(int, samples);
        const CsvRead r = readCsv(file(QStringLiteral("bad.csv"), content));
        QCOMPARE(r.result, result);
        QVERIFY(!r.messages.isEmpty());
        if (result != 0) {
            QCOMPARE(r.blockCount, 0);
            return;
        }
        if (variables >= 0)
            QCOMPARE(r.block.names.size(), variables);
        QCOMPARE(r.block.stamps.size(), samples);
        for (const auto& column : r.block.values)
            QCOMPARE(column.size(), samples);
        if (variables == 100000)
            QCOMPARE(r.block.values.last().last(), 1.25f);
    }

    void unreadable_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("missing") << m_dir.filePath(QStringLiteral("nothing.csv"));
        QTest::newRow("folder") << m_dir.path();
    }
    void unreadable()
    {
        QFETCH(QString, path);
        const CsvRead r = readCsv(path);
        QCOMPARE(r.result, 1);
        QCOMPARE(r.blockCount, 0);
        QCOMPARE(r.messages.last(), qMakePair(path + " 路径错误或不可读取", -1));
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
        SortedTavData set;
        set.names = QStringList{"温度", "H", "P"};
        set.stamps = {10, 20, 30, 40, 50};
        const float nan = std::nanf("");
        const float inf = std::numeric_limits<float>::infinity();
        set.values = {{1.5f, 2e6f, MissingValue, -0.0f, 7},
                      {nan, inf, -inf, 0.1f, 8},
                      {3, 1e-5f, 123456.5f, 9, 9}};
        set.sampleCount = 5;
        const QString path = m_dir.filePath(QStringLiteral("out.csv"));
        QSignalSpy finished(&set, &SortedTavData::exportFinished);
        set.onExportData(path, indexList, from, to);
        QCOMPARE(finished.count(), 1);
        QString expected = QStringLiteral("时间,");
        for (int i : indexList)
            expected += set.names[i] + ",";
        expected += "\n";
        int written = 0;
        for (int i = 0; i < set.stamps.size(); ++i) {
            if (set.stamps[i] < from || set.stamps[i] > to)
                continue;
            ++written;
            expected += QDateTime::fromSecsSinceEpoch(set.stamps[i], Qt::UTC)
                            .toString("yyyy/MM/dd hh:mm:ss") +
                        ",";
            for (int c : indexList)
                expected += QString::number(double(set.values[c][i]), 'g', 6) + ",";
            expected += "\n";
        }
        QCOMPARE(written, rows);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QTextCodec::codecForLocale()->fromUnicode(expected));
    }

    void exportProgress_data()
    {
        QTest::addColumn<QVector<qint64>>("stamps");
        QTest::addColumn<QList<int>>("percents");
        QVector<qint64> ramp(1000);
        for (int i = 0; i < ramp.size(); ++i)
            ramp[i] = i;
        QList<int> rampPercents{0};
        for (int i = 201; i < 1000; i += 201)
            rampPercents << int(float(i) / 999.0f * 100);
        QTest::newRow("ramp") << ramp << rampPercents;
        QTest::newRow("one stamp") << QVector<qint64>(450, 77) << QList<int>{0, 100, 100};
    }
    void exportProgress()
    {
        QFETCH(QVector<qint64>, stamps);
        QFETCH(QList<int>, percents);
        SortedTavData set;
        set.names = QStringList{"T"};
        set.stamps = stamps;
        set.values = {QVector<float>(stamps.size(), 1)};
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

    void exportUnwritable()
    {
        SortedTavData set;
        set.names = QStringList{"T"};
        set.stamps = {1, 2};
        set.values = {{1, 2}};
        QSignalSpy info(&set, &SortedTavData::pushInfoUpward);
        QSignalSpy finished(&set, &SortedTavData::exportFinished);
        set.onExportData(m_dir.filePath(QStringLiteral("no/such/folder/x.csv")), {0}, 0, 10);
        set.onExportData(m_dir.path(), {0}, 0, 10);
        QCOMPARE(info.count(), 0);
        QCOMPARE(finished.count(), 0);
    }

    // Export, then import: one more variable from the trailing comma, all zeros.
    void roundTrip()
    {
        SortedTavData set;
        set.names = QStringList{"A", "B"};
        set.stamps = {utc(2024, 7, 1, 0, 0, 0), utc(2024, 7, 1, 0, 0, 10)};
        set.values = {{23.5f, 1234567.0f}, {MissingValue, 0.333333f}};
        const QString path = m_dir.filePath(QStringLiteral("trip.csv"));
        set.onExportData(path, {1, 0}, set.stamps.first(), set.stamps.last());
        const CsvRead r = readCsv(path);
        QCOMPARE(r.result, 0);
        QCOMPARE(r.block.names, QVector<QString>({"Data[0]", "Data[1]", "Data[2]"}));
        QCOMPARE(r.block.stamps, set.stamps);
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(r.block.values[0][i],
                     QString::number(double(set.values[1][i]), 'g', 6).toFloat());
            QCOMPARE(r.block.values[1][i],
                     QString::number(double(set.values[0][i]), 'g', 6).toFloat());
            QCOMPARE(r.block.values[2][i], 0.0f);
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
