// The min/max pyramid against brute force, and where the time line breaks.
#include "curvesummary.h"
#include "tavrecords.h"
#include "timebreaks.h"

#include <QtTest>

#include <cmath>
#include <limits>
#include <random>

using Stamps = QList<qint64>;

class TestCurveSummary : public QObject
{
    Q_OBJECT
private slots:
    void extremes_data();
    void extremes();
    void breaks_data();
    void breaks();
};

void TestCurveSummary::extremes_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("kind");
    for (int count : {1, 63, 64, 65, 1000, 70000}) {
        for (const char* kind : {"noisy", "missing runs", "ties", "one valid"})
            QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(count).arg(kind)))
                << count << QString(kind);
    }
}

void TestCurveSummary::extremes()
{
    QFETCH(int, count);
    QFETCH(QString, kind);
    std::mt19937 rng(uint(count) * 31u + uint(kind.size()));
    std::uniform_real_distribution<float> value(-500.0f, 500.0f);
    std::uniform_int_distribution<int> index(0, count - 1);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    QVector<float> v(count);
    for (float& x : v)
        x = kind == QLatin1String("ties") ? float(index(rng) % 3) : value(rng);
    if (kind == QLatin1String("missing runs")) {
        for (int r = 0; r < 1 + count / 50; ++r) {
            const int a = index(rng);
            const int len = std::uniform_int_distribution<int>(1, 300)(rng);
            const float mark = r % 3 == 0 ? MissingValue : r % 3 == 1 ? nan : -999.0f;
            for (int i = a; i < std::min(count, a + len); ++i)
                v[i] = mark;
        }
        v[index(rng)] = 998.9f; // still a value
    }
    if (kind == QLatin1String("one valid")) {
        v.fill(MissingValue);
        v[index(rng)] = 7.5f;
    }
    CurveSummary s;
    s.build(v.constData(), count);
    QCOMPARE(s.count(), count);

    QList<QPair<int, int>> ranges = {{0, count - 1}, {63, 64}, {64, 127}, {60, 700}};
    for (int r = 0; r < 400; ++r) {
        int a = index(rng);
        int b = index(rng);
        ranges.append({std::min(a, b), std::max(a, b)});
    }
    for (const auto& range : ranges) {
        const int first = std::min(range.first, count - 1);
        const int last = std::min(range.second, count - 1);
        // Brute force: the first valid sample holding the least and the greatest value.
        int minAt = -1;
        int maxAt = -1;
        bool missing = false;
        for (int i = first; i <= last; ++i) {
            if (!(std::fabs(v[i]) < 999.0f)) {
                missing = true;
                continue;
            }
            if (minAt < 0 || v[i] < v[minAt])
                minAt = i;
            if (maxAt < 0 || v[i] > v[maxAt])
                maxAt = i;
        }
        const QString where = QStringLiteral("%1..%2").arg(first).arg(last);
        for (const bool positions : {false, true}) {
            const CurveSummary::Extremes e = s.extremes(v.constData(), first, last, positions);
            QVERIFY2(e.anyValid == (minAt >= 0) && e.anyMissing == missing, qPrintable(where));
            if (minAt < 0)
                continue;
            QVERIFY2(e.min == v[minAt] && e.max == v[maxAt], qPrintable(where));
            if (positions)
                QVERIFY2(e.minIndex == minAt && e.maxIndex == maxAt, qPrintable(where));
        }
    }
}

void TestCurveSummary::breaks_data()
{
    QTest::addColumn<Stamps>("stamps");
    QTest::addColumn<QString>("gaps");      // per gap: + joined, - broken
    QTest::addColumn<QList<int>>("starts"); // first index of each forward stretch
    // The plain cases are drawn in tst_truthfulplot; these are the edges of the rule.
    QTest::newRow("gap of bridgeGap") << Stamps{0, 1, 2, 62, 63} << "++++" << QList<int>{0};
    QTest::newRow("gap just over bridgeGap, short beside")
        << Stamps{0, 1, 2, 63, 64} << "++-+" << QList<int>{0};
    QTest::newRow("twice the shorter interval")
        << Stamps{0, 40, 80, 160, 260} << "++++" << QList<int>{0};
    QTest::newRow("over twice the shorter interval")
        << Stamps{0, 40, 80, 161, 261} << "++-+" << QList<int>{0};
    QTest::newRow("two samples an hour apart") << Stamps{0, 3600} << "-" << QList<int>{0};
    QTest::newRow("equal stamps join") << Stamps{0, 10, 10, 20} << "+++" << QList<int>{0};
    QTest::newRow("stamps go back")
        << Stamps{0, 10, 20, 5, 15, 25, 1, 2} << "++-++-+" << QList<int>{0, 3, 6};
    QTest::newRow("a step back beside a long gap")
        << Stamps{0, 100, 50, 150, 200} << "--++" << QList<int>{0, 2};
}

void TestCurveSummary::breaks()
{
    QFETCH(Stamps, stamps);
    QFETCH(QString, gaps);
    QFETCH(QList<int>, starts);
    const QVector<qint64> t = QVector<qint64>::fromList(stamps);
    TimeBreaks b;
    b.build(t.constData(), t.size());
    QString got;
    for (int i = 0; i + 1 < t.size(); ++i)
        got += b.joined(i) ? '+' : '-';
    QCOMPARE(got, gaps);
    QCOMPARE(b.stretchStarts().toList(), starts);
    QCOMPARE(b.earliest(), *std::min_element(t.begin(), t.end()));
    QCOMPARE(b.latest(), *std::max_element(t.begin(), t.end()));
    // Built in two parts, as two threads build it, split anywhere: the same breaks.
    for (int split = 0; split < t.size(); ++split) {
        TimeBreaks parts;
        parts.beginBuild(t.size());
        parts.markGaps(t.constData(), split, t.size() - 1);
        parts.markGaps(t.constData(), 0, split);
        parts.finishBuild(t.constData());
        QString partsGot;
        for (int i = 0; i + 1 < t.size(); ++i)
            partsGot += parts.joined(i) ? '+' : '-';
        QCOMPARE(partsGot, gaps);
        QCOMPARE(parts.stretchStarts().toList(), starts);
        QCOMPARE(parts.earliest(), b.earliest());
        QCOMPARE(parts.latest(), b.latest());
    }
    // nextBreak agrees with the joins for every window.
    for (int from = 0; from < t.size(); ++from) {
        for (int limit = from; limit <= t.size(); ++limit) {
            int expected = limit;
            for (int i = from; i < limit && i + 1 < t.size(); ++i) {
                if (gaps[i] == '-') {
                    expected = i;
                    break;
                }
            }
            QCOMPARE(b.nextBreak(from, limit), std::min(expected, int(t.size())));
        }
    }
}

QTEST_APPLESS_MAIN(TestCurveSummary)
#include "tst_curvesummary.moc"
