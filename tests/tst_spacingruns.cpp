// Runs of equal spacing over random time lines, against the runs read off the stretches of
// equal spacing directly, found whole and carried on over appended pieces.
#include "spacingruns.h"

#include <QtTest>

#include <random>

namespace {

using Span = SpacingRuns::Span;

// The model: every maximal stretch d(a) .. d(b) of one spacing with b > a is the run
// (a, b + 1), except a stretch of zero spacing at the start (it continues d(-1) = 0) and a
// stretch of only two spacings at the very end (it starts at the last step).
QVector<Span> model(const QVector<qint64>& s)
{
    QVector<Span> runs;
    const int n = s.size();
    for (int a = 0; a + 1 <= n - 2;) {
        const qint64 spacing = s[a + 1] - s[a];
        int b = a;
        while (b + 1 <= n - 2 && s[b + 2] - s[b + 1] == spacing)
            ++b;
        const bool atStart = a == 0 && spacing == 0;
        const bool onlyAtEnd = b == n - 2 && b - a == 1;
        if (b > a && !atStart && !onlyAtEnd)
            runs.append({a, b + 1, spacing});
        a = b + 1;
    }
    return runs;
}

// Stretches of one spacing, mostly long, between changes of every kind: other spacings,
// equal stamps, stamps that go back.
QVector<qint64> timeLine(std::mt19937& gen)
{
    const auto pick = [&gen](int n) { return int(gen() % unsigned(n)); };
    QVector<qint64> s;
    qint64 t = 1700000000;
    const int n = pick(8) == 0 ? pick(6) : pick(300);
    while (s.size() < n) {
        const qint64 spacing = pick(6) == 0 ? 0 : pick(8) == 0 ? -pick(90) : 10 * (1 + pick(3));
        for (int i = pick(3) == 0 ? pick(3) : pick(40); i >= 0 && s.size() < n; --i) {
            s.append(t);
            t += spacing;
        }
    }
    return s;
}

QString text(const QVector<Span>& runs)
{
    QStringList out;
    for (const Span& r : runs)
        out << QStringLiteral("%1-%2/%3").arg(r.first).arg(r.last).arg(r.interval);
    return out.join(' ');
}

} // namespace

class TestSpacingRuns : public QObject
{
    Q_OBJECT
private slots:
    void againstModel_data()
    {
        QTest::addColumn<int>("seed");
        for (int seed = 1; seed <= 8; ++seed)
            QTest::newRow(qPrintable(QString::number(seed))) << seed;
    }

    void againstModel()
    {
        QFETCH(int, seed);
        std::mt19937 gen{unsigned(seed)};
        for (int round = 0; round < 500; ++round) {
            const QVector<qint64> s = timeLine(gen);
            const QString want = text(model(s));
            QCOMPARE(text(SpacingRuns::find(s)), want);
            // The same runs when the time line arrives in pieces.
            QVector<QPair<int, int>> indexes;
            QVector<qint64> intervals;
            for (int count = 0; count < s.size();) {
                const int old = count;
                count = std::min<int>(s.size(), count + 1 + int(gen() % 30u));
                SpacingRuns::extend(s.constData(), old, count, indexes, intervals);
            }
            QVector<Span> pieces;
            for (int i = 0; i < indexes.size(); ++i)
                pieces.append({indexes[i].first, indexes[i].second, intervals[i]});
            QCOMPARE(text(pieces), want);
        }
    }
};

QTEST_GUILESS_MAIN(TestSpacingRuns)
#include "tst_spacingruns.moc"
