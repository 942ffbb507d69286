// A recording followed by the canvas while another program writes it must, after every
// update, hold exactly what a read of the whole file as it then stands gives: samples,
// events, information, runs and every summary the plot and the statistics use.
#include "curvesummary.h"
#include "tavdatamodel.h"
#include "tavdrawer.h"
#include "tavloader.h"
#include "tavwriter.h"
#include "testutil.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <random>

namespace {

// A CSV recording: a header, then lines with now and then a missing cell, a text cell, a
// stamp going back or a line that is no sample. Returns the offsets where a line ends.
QByteArray randomCsv(std::mt19937& gen, int rows, QVector<int>& lineEnds)
{
    const auto pick = [&gen](int n) { return int(gen() % unsigned(n)); };
    QByteArray csv = "时间,温度,湿度,压力\n";
    lineEnds << csv.size();
    qint64 stamp = 1719835200;
    for (int r = 0; r < rows; ++r) {
        stamp += pick(10) == 0 ? -pick(5) : (pick(15) == 0 ? 3600 : 60);
        QByteArray line = pick(40) == 0 ? QByteArray("footer") : TestUtil::csvTime(stamp);
        for (int f = 0; f < 3; ++f) {
            const int kind = pick(12);
            line += ',';
            line += kind == 0   ? QByteArray()
                    : kind == 1 ? QByteArray("--")
                                : QByteArray::number(pick(2000) / 10.0);
        }
        csv += line + '\n';
        lineEnds << csv.size();
    }
    return csv;
}

// A .tavdata recording: information, a History block whose records grow, and now and then
// another section: events, or a block with the same or other variables. An appendable
// recording is one block of records whose stamps only go forward.
QByteArray randomTav(std::mt19937& gen, int records, QVector<int>& recordEnds,
                     bool appendable = false)
{
    const auto pick = [&gen](int n) { return int(gen() % unsigned(n)); };
    TavWriter w;
    w.marker('I');
    w.globalItem(QStringLiteral("设备型号"), QStringLiteral("OTC-408"));
    const QStringList twoNames = {QStringLiteral("温度"), QStringLiteral("湿度")};
    const QStringList oneName = {QStringLiteral("压力")};
    QStringList names = twoNames;
    const auto block = [&](const QStringList& n) {
        names = n;
        w.marker('H');
        w.historyHeader(4, names, QVector<quint32>(names.size(), 10));
        recordEnds << w.bytes.size();
    };
    block(twoNames);
    quint32 stamp = 1700000000u;
    for (int r = 0; r < records; ++r) {
        stamp = pick(12) == 0 && !appendable ? stamp - quint32(pick(3)) : stamp + 60;
        QVector<qint32> raws;
        for (int v = 0; v < names.size(); ++v)
            raws << qint32(pick(2000)) - 500;
        w.historyRecord(4, stamp, raws);
        recordEnds << w.bytes.size();
        if (r > 8 && pick(60) == 0 && !appendable) {
            const int kind = pick(4);
            if (kind == 0) {
                w.marker('S');
                w.event(stamp, QStringLiteral("运行"));
                recordEnds << w.bytes.size();
            } else if (kind == 1) {
                w.marker('A');
                w.errorRecord(stamp, qint16(pick(30)), 1);
                recordEnds << w.bytes.size();
            } else {
                // A block of the same variables, or of others.
                block(kind == 2 || appendable ? names : (names == twoNames ? oneName : twoNames));
            }
        }
    }
    return w.bytes;
}

// The held set against a whole read: the first difference, or an empty text.
QString difference(const TavDataModel& held, const TavDataModel& whole, std::mt19937& gen)
{
    if (held.names != whole.names)
        return QStringLiteral("names");
    if (held.stamps != whole.stamps || held.sampleCount != whole.sampleCount)
        return QStringLiteral("stamps");
    for (int c = 0; c < whole.values.size(); ++c) {
        if (TestUtil::bits(held.values.at(c)) != TestUtil::bits(whole.values.at(c)))
            return QStringLiteral("values of %1").arg(c);
    }
    if (held.infoNames != whole.infoNames || held.infoValues != whole.infoValues)
        return QStringLiteral("information");
    if (held.errors.size() != whole.errors.size() ||
        held.systemEvents.size() != whole.systemEvents.size() ||
        held.userEvents.size() != whole.userEvents.size())
        return QStringLiteral("events");
    if (held.spanIndexes != whole.spanIndexes || held.spanIntervals != whole.spanIntervals)
        return QStringLiteral("runs");
    const int n = whole.sampleCount;
    if (held.timeBreaks.stretchStarts() != whole.timeBreaks.stretchStarts())
        return QStringLiteral("stretches");
    for (int i = 0; i + 1 < n; ++i) {
        if (held.timeBreaks.joined(i) != whole.timeBreaks.joined(i))
            return QStringLiteral("break after %1").arg(i);
    }
    const auto [first, last] = whole.stampRange();
    for (int q = 0; q < 20; ++q) {
        const int c = int(gen() % unsigned(whole.values.size()));
        int a = int(gen() % unsigned(n)), b = int(gen() % unsigned(n));
        if (a > b)
            std::swap(a, b);
        const CurveSummary* hs = held.summaryOf(c);
        const CurveSummary* ws = whole.summaryOf(c);
        if (!hs || !ws)
            return QStringLiteral("summary of %1 missing").arg(c);
        const float* v = whole.values.at(c).constData();
        const CurveSummary::Extremes he = hs->extremes(held.values.at(c).constData(), a, b, true);
        const CurveSummary::Extremes we = ws->extremes(v, a, b, true);
        if (he.min != we.min || he.max != we.max || he.minIndex != we.minIndex ||
            he.maxIndex != we.maxIndex || he.anyMissing != we.anyMissing)
            return QStringLiteral("extremes of %1 over %2..%3").arg(c).arg(a).arg(b);
        const qint64 from = first + qint64(gen() % quint64(last - first + 1));
        const qint64 to = from + qint64(gen() % quint64(last - from + 1));
        const RangeSummary hr = rangeSummary(held, c, from, to);
        const RangeSummary wr = rangeSummary(whole, c, from, to);
        if (hr.count != wr.count || hr.min != wr.min || hr.max != wr.max ||
            hr.minStamp != wr.minStamp || hr.first != wr.first || hr.last != wr.last ||
            std::abs(hr.mean - wr.mean) > 1e-9 * (1 + std::abs(wr.mean)) ||
            std::abs(hr.stdDev - wr.stdDev) > 1e-6 * (1 + wr.stdDev))
            return QStringLiteral("statistics of %1 over %2..%3").arg(c).arg(from).arg(to);
    }
    return QString();
}

} // namespace

class TestFollow : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    // A canvas that reads no settings of the user's and checks a followed file often.
    void prepare(TavDrawer& d)
    {
        d.configPath = m_dir.filePath(QStringLiteral("none.ini"));
        d.defaultConfigPath = m_dir.filePath(QStringLiteral("none-default.ini"));
        d.followIntervalMs = 20;
        d.resize(800, 500);
    }

    void open(TavDrawer& d, const QString& path)
    {
        QSignalSpy read(&d, &TavDrawer::readFinished);
        d.readTAVData(path);
        QVERIFY(read.wait(10000));
        QCOMPARE(read.first().first().toString(), path);
    }

private slots:
    void followMatchesWholeRead_data()
    {
        QTest::addColumn<bool>("csv");
        QTest::addColumn<int>("seed");
        for (int seed = 1; seed <= 6; ++seed) {
            QTest::newRow(qPrintable(QStringLiteral("csv %1").arg(seed))) << true << seed;
            QTest::newRow(qPrintable(QStringLiteral("tavdata %1").arg(seed))) << false << seed;
        }
    }

    // The file grows in random pieces, cut inside lines, records and markers. Whenever it
    // ends on a whole line or record, the followed set must equal a whole read.
    void followMatchesWholeRead()
    {
        QFETCH(bool, csv);
        QFETCH(int, seed);
        std::mt19937 gen(unsigned(seed) * 7919u);
        QVector<int> ends;
        const QByteArray file = csv ? randomCsv(gen, 400, ends) : randomTav(gen, 400, ends);
        const QString path =
            m_dir.filePath(QStringLiteral("grow%1.%2")
                               .arg(seed)
                               .arg(csv ? QStringLiteral("csv") : QStringLiteral("tavdata")));
        int written = ends.at(20);
        QVERIFY(!TestUtil::writeFile(path, file.left(written)).isNull());
        TavDrawer d;
        prepare(d);
        open(d, path);
        d.setFollow(true);
        QVERIFY(d.following());
        int updates = 0;
        int rereads = 0;
        while (written < file.size()) {
            const int piece = 1 + int(gen() % 900u);
            const int to = std::min<int>(file.size(), written + piece);
            QSignalSpy updated(&d, &TavDrawer::followUpdated);
            QVERIFY(TestUtil::appendFile(path, file.mid(written, to - written)));
            written = to;
            QVERIFY2(updated.wait(10000), "no update after the file grew");
            ++updates;
            rereads += updated.last().at(1).toBool() ? 1 : 0;
            if (!ends.contains(written))
                continue;
            TavDataModel whole;
            QCOMPARE(
                TavLoader::read(whole, path, TavLoader::Limits(), true, [](const QString&, int) {}),
                0);
            const QString diff = difference(d.dataSet, whole, gen);
            QVERIFY2(diff.isEmpty(),
                     qPrintable(QStringLiteral("after %1 bytes: %2").arg(written).arg(diff)));
        }
        QVERIFY(updates > 5);
        // Most updates must take the appended data in, not read the file again.
        QVERIFY2(
            rereads * 4 < updates,
            qPrintable(QStringLiteral("%1 of %2 updates read whole").arg(rereads).arg(updates)));
        // The last piece ends the file, which ends on a whole line or record.
        TavDataModel whole;
        QCOMPARE(
            TavLoader::read(whole, path, TavLoader::Limits(), true, [](const QString&, int) {}), 0);
        QCOMPARE(difference(d.dataSet, whole, gen), QString());
    }

    // A burst appended at once is taken in pieces and ends as a whole read.
    void burstInPieces_data()
    {
        QTest::addColumn<bool>("csv");
        QTest::newRow("csv") << true;
        QTest::newRow("tavdata") << false;
    }

    void burstInPieces()
    {
        QFETCH(bool, csv);
        std::mt19937 gen(11);
        QVector<int> ends;
        const QByteArray file = csv ? randomCsv(gen, 3000, ends) : randomTav(gen, 3000, ends, true);
        const QString path =
            m_dir.filePath(csv ? QStringLiteral("burst.csv") : QStringLiteral("burst.tavdata"));
        QVERIFY(!TestUtil::writeFile(path, file.left(ends.at(20))).isNull());
        TavDrawer d;
        prepare(d);
        d.dataSet.limits.followPiece = 2000;
        open(d, path);
        d.setFollow(true);
        QSignalSpy updated(&d, &TavDrawer::followUpdated);
        QVERIFY(TestUtil::appendFile(path, file.mid(ends.at(20))));
        TavDataModel whole;
        QCOMPARE(
            TavLoader::read(whole, path, TavLoader::Limits(), true, [](const QString&, int) {}), 0);
        QTRY_COMPARE_WITH_TIMEOUT(d.dataSet.sampleCount, whole.sampleCount, 20000);
        QCOMPARE(difference(d.dataSet, whole, gen), QString());
        // Many pieces, not one read.
        int appends = 0;
        for (const QList<QVariant>& u : qAsConst(updated))
            appends += u.at(1).toBool() ? 0 : 1;
        QVERIFY2(appends > (file.size() - ends.at(20)) / 8000,
                 qPrintable(QString::number(appends)));
    }

    void viewAfterGrowth_data()
    {
        QTest::addColumn<int>("viewFrom"); // minutes after the first sample, -1: whole
        QTest::addColumn<int>("viewTo");   // minutes, -1: up to the newest sample
        QTest::addColumn<bool>("moves");
        QTest::newRow("whole recording") << -1 << -1 << true;
        QTest::newRow("end at the newest sample") << 10 << -1 << true;
        QTest::newRow("elsewhere") << 10 << 20 << false;
    }

    // The view after 30 minutes more of a 60-minute recording; the verniers keep their times.
    void viewAfterGrowth()
    {
        QFETCH(int, viewFrom);
        QFETCH(int, viewTo);
        QFETCH(bool, moves);
        const QString path = m_dir.filePath(QStringLiteral("view.csv"));
        QByteArray csv = "时间,温度\n";
        const qint64 t0 = 1719835200;
        const auto lines = [&](int from, int to) {
            QByteArray text;
            for (int m = from; m <= to; ++m)
                text += TestUtil::csvTime(t0 + m * 60) + ",20\n";
            return text;
        };
        QVERIFY(!TestUtil::writeFile(path, csv + lines(0, 60)).isNull());
        TavDrawer d;
        prepare(d);
        open(d, path);
        d.stampStart = viewFrom < 0 ? t0 : t0 + viewFrom * 60;
        d.stampEnd = viewTo < 0 ? t0 + 3600 : t0 + viewTo * 60;
        const qint64 start = d.stampStart, end = d.stampEnd;
        d.vernPosA = (d.plotLeft + d.plotRight) / 2;
        const TimeMapping before{d.stampStart, d.stampEnd, d.plotLeft, d.plotRight};
        const qint64 vernier = before.timeAt(d.vernPosA);
        d.setFollow(true);
        QSignalSpy updated(&d, &TavDrawer::followUpdated);
        QVERIFY(TestUtil::appendFile(path, lines(61, 90)));
        QVERIFY(updated.wait(10000));
        QCOMPARE(d.dataSet.sampleCount, 91);
        if (viewFrom < 0) {
            QCOMPARE(d.stampStart, t0);
            QCOMPARE(d.stampEnd, t0 + 90 * 60);
        } else {
            QCOMPARE(d.stampStart, moves ? start + 30 * 60 : start);
            QCOMPARE(d.stampEnd, moves ? end + 30 * 60 : end);
        }
        const TimeMapping after{d.stampStart, d.stampEnd, d.plotLeft, d.plotRight};
        const qint64 secondsPerPixel = (d.stampEnd - d.stampStart) / (d.plotRight - d.plotLeft) + 1;
        QVERIFY(std::abs(after.timeAt(d.vernPosA) - vernier) <= secondsPerPixel);
    }

    // A followed file that disappears ends the follow; what was read stays.
    void vanishedFileStopsFollow()
    {
        const QString path = m_dir.filePath(QStringLiteral("gone.csv"));
        QVector<int> ends;
        std::mt19937 gen(5);
        QVERIFY(!TestUtil::writeFile(path, randomCsv(gen, 50, ends)).isNull());
        TavDrawer d;
        prepare(d);
        open(d, path);
        const int held = d.dataSet.sampleCount;
        QSignalSpy changed(&d, &TavDrawer::followChanged);
        d.setFollow(true);
        QVERIFY(QFile::remove(path));
        QTRY_VERIFY_WITH_TIMEOUT(!d.following(), 10000);
        QCOMPARE(changed.last().first().toBool(), false);
        QVERIFY(d.hasData());
        QCOMPARE(d.dataSet.sampleCount, held);
    }
};

QTEST_MAIN(TestFollow)
#include "tst_follow.moc"
