#include "programrun.h"
#include "rangestats.h"
#include "sortedtavdata.h"
#include "tavwriter.h"
#include "testutil.h"

#include <QtTest>

#include <cmath>

using TestUtil::tavtool;

namespace {

// Two blocks whose stamps overlap (the second starts before the first ends), a missing
// mark (-9999 / 10), equal values for ties, a variable only the second block carries,
// information items and events in and out of a middle range.
TavWriter recording()
{
    TavWriter w;
    w.marker('I');
    w.globalItem("设备型号", "OTC-408 温湿度试验箱");
    w.globalItem("操作员", "李明");
    QVector<quint32> stampsA, stampsB;
    QVector<QVector<qint32>> rowsA, rowsB;
    for (int i = 0; i < 40; ++i) {
        stampsA.append(quint32(100000 + 60 * i));
        rowsA.append(
            QVector<qint32>{i == 7 ? -9999 : qint32(200 + (i * 37) % 50), qint32(500 - 3 * i)});
    }
    for (int i = 0; i < 30; ++i) {
        stampsB.append(quint32(101500 + 30 * i)); // back into the first block's time
        rowsB.append(QVector<qint32>{qint32(200 + (i * 11) % 50), qint32(-40 + i)});
    }
    w.historyBlock(4, {"温度", "湿度"}, {10, 10}, stampsA, rowsA);
    w.historyBlock(4, {"温度", "压力"}, {10, 10}, stampsB, rowsB);
    w.marker('A');
    w.errorRecord(100600, 12, 1);
    w.errorRecord(101000, 12, 0);
    w.marker('S');
    w.event(100060, "程序段 3 高温保持");
    w.marker('U');
    w.event(102000, "开门观察样品");
    w.event(200000, "范围之外的事件");
    return w;
}

// What the JSON must say for one variable: the in-process summary of the same file (the
// summaries themselves are checked against a brute force in tst_rangestats).
QJsonObject expected(const SortedTavData& set, int var, qint64 from, qint64 to)
{
    const RangeSummary s = rangeSummary(set, var, from, to);
    const auto v = [&s](double x, bool known = true) {
        return known && s.count > 0 ? QJsonValue(x) : QJsonValue(QJsonValue::Null);
    };
    return {{"name", set.names[var]},
            {"count", double(s.count)},
            {"min", v(s.min)},
            {"minStamp", v(double(s.minStamp))},
            {"max", v(s.max)},
            {"maxStamp", v(double(s.maxStamp))},
            {"mean", v(s.mean)},
            {"std", v(s.stdDev)},
            {"first", v(s.first)},
            {"last", v(s.last)},
            {"ratePerMinute", v(s.ratePerMinute, s.hasRate)}};
}

// Sample values are floats and printed as the shortest text of the float: compare them
// as floats; the computed figures as doubles, to rounding.
bool sameValue(const QString& key, const QJsonValue& got, const QJsonValue& want)
{
    const QStringList floats = {"min", "max", "first", "last"};
    if (floats.contains(key) && want.isDouble() && got.isDouble())
        return float(got.toDouble()) == float(want.toDouble());
    if (want.isDouble() && got.isDouble())
        return std::fabs(got.toDouble() - want.toDouble()) <=
               1e-9 * std::max(1.0, std::fabs(want.toDouble()));
    return got == want;
}

} // namespace

class TestTavToolStats : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_file;
    SortedTavData m_set;

private slots:
    void initTestCase()
    {
        m_file = m_dir.filePath("rec.tavdata");
        QVERIFY(recording().save(m_file));
        QCOMPARE(m_set.readTavData(m_file), 0);
    }

    // The whole recording, the overlap of the blocks, one sample of chosen variables, only
    // the missing mark, a range between samples, an open end.
    void statsJson_data()
    {
        QTest::addColumn<QString>("options");
        for (const char* options :
             {"", "--from 101500 --to 102340", "--from 100060 --to 100060 --vars 1,0",
              "--from 100420 --to 100420 --vars 0", "--from 100001 --to 100059", "--from 102000"})
            QTest::newRow(*options ? options : "whole recording") << QString(options);
    }

    void statsJson()
    {
        QFETCH(QString, options);
        const QStringList args = options.split(' ', Qt::SkipEmptyParts);
        const auto option = [&args](const char* name, qint64 otherwise) {
            const int i = args.indexOf(name);
            return i < 0 ? QString::number(otherwise) : args[i + 1];
        };
        const auto [first, last] = std::minmax_element(m_set.stamps.begin(), m_set.stamps.end());
        const qint64 from = option("--from", *first).toLongLong();
        const qint64 to = option("--to", *last).toLongLong();
        QList<int> vars = {0, 1, 2}; // every variable
        if (args.contains("--vars")) {
            vars.clear();
            for (const QString& v : option("--vars", 0).split(','))
                vars << v.toInt();
        }
        const auto r = tavtool(QStringList{"stats", m_file} + args);
        QCOMPARE(r.code, 0);
        QJsonParseError error;
        const QJsonObject o = QJsonDocument::fromJson(r.out, &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(o.keys(), QStringList({"from", "to", "variables"}));
        QCOMPARE(o["from"].toDouble(), double(from));
        QCOMPARE(o["to"].toDouble(), double(to));
        const QJsonArray variables = o["variables"].toArray();
        QCOMPARE(variables.size(), vars.size());
        for (int k = 0; k < vars.size(); ++k) {
            const QJsonObject got = variables[k].toObject();
            const QJsonObject want = expected(m_set, vars[k], from, to);
            QCOMPARE(got.keys(), want.keys());
            for (const QString& key : want.keys())
                QVERIFY2(sameValue(key, got[key], want[key]),
                         qPrintable(want["name"].toString() + '.' + key));
        }
    }

    // The report is a PDF whose text layer holds the items, names, page numbers and the
    // events of the range, not those outside it, and no vernier; a huge event log is cut
    // at 5000 listed events, and the report says how many it left out.
    void report()
    {
        TavWriter w = recording();
        w.marker('U');
        for (int i = 0; i < 5003; ++i)
            w.event(quint32(102001 + i / 14), QString("事件%1").arg(i));
        const QString file = m_dir.filePath("rec-events.tavdata");
        const QString pdf = m_dir.filePath("report.pdf");
        QVERIFY(w.save(file));
        // Settings that draw no curve (the report then draws them all, as render does) and
        // both verniers, which the report leaves out: it plots exactly its range, and a
        // vernier would mark some other stretch as if the figures belonged to it.
        const QString ini = m_dir.filePath("verniers.ini");
        QVERIFY(!TestUtil::writeFile(ini, "[Vernier]\nDrawA=true\nDrawB=true\n").isNull());
        const auto r =
            tavtool({"report", file, pdf, "--from", "100000", "--to", "102400", "--config", ini});
        QCOMPARE(r.code, 0);
        QVERIFY(TestUtil::readFile(pdf).startsWith("%PDF-"));
        const QString text = TestUtil::pdfText(pdf);
        if (text.isNull())
            QSKIP("pdftotext is not installed (poppler-utils): the text layer is not checked");
        for (const QString& expected :
             {"rec-events.tavdata", "设备型号", "OTC-408 温湿度试验箱", "操作员", "李明", "温度",
              "湿度", "压力", "区间统计", "程序段 3 高温保持", "开门观察样品", "故障[12] 发生",
              "故障[12] 解除", "事件4995"})
            QVERIFY2(text.contains(expected), qPrintable(expected + " missing"));
        QVERIFY(!text.contains("范围之外的事件"));
        // The recording's four events in the range come first, then 4996 of these.
        QVERIFY(!text.contains("事件4996"));
        // pdftotext may drop the blanks between the glyphs.
        QVERIFY(text.contains(QRegularExpression("第\\s*1\\s*页\\s*/\\s*共\\s*\\d+\\s*页")));
        QVERIFY(text.contains(
            QRegularExpression("另有\\s*7\\s*条事件未列出（区间内共\\s*5007\\s*条）")));
        for (const QString& line : text.split('\n'))
            QVERIFY2(line.trimmed() != "A" && line.trimmed() != "B", "a vernier is drawn");
    }
};

QTEST_GUILESS_MAIN(TestTavToolStats)
#include "tst_tavtoolstats.moc"
