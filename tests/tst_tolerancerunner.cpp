// The tolerance check off the GUI thread: the hand-off's every transition, and the runner on
// its thread, where only the latest request's outcome may arrive.
#include "tolerancehandoff.h"
#include "tolerancerunner.h"

#include <QtTest>

#include <cmath>
#include <random>

Q_DECLARE_METATYPE(QVector<ToleranceResult>)

namespace {

using Step = ToleranceHandoff::Step;

QString stepsText(const ToleranceHandoff::Steps& steps)
{
    QStringList parts;
    for (Step s : steps) {
        switch (s) {
        case Step::ClearResults:
            parts << "Clear";
            break;
        case Step::StartCheck:
            parts << "Start";
            break;
        case Step::Deliver:
            parts << "Deliver";
            break;
        case Step::Drop:
            parts << "Drop";
            break;
        }
    }
    return parts.join(' ');
}

// One event: "r" request, "c" cancel, "d" the check done.
ToleranceHandoff::Steps apply(ToleranceHandoff& h, const QString& event)
{
    if (event == "r")
        return h.request();
    if (event == "c")
        return h.cancel();
    return h.done();
}

// A hold of setpoint 50 over n one-second samples whose measured value creeps up to it: the
// band decides when it settles, so every band gives other results.
ToleranceJob creepingJob(int n, double band)
{
    ToleranceJob job;
    job.stamps.resize(n);
    ToleranceJob::Pair p;
    p.measured.resize(n);
    p.setpoint.fill(50.0f, n);
    for (int i = 0; i < n; ++i) {
        job.stamps[i] = 1700000000 + i;
        p.measured[i] = float(50.0 - 40.0 * std::exp(-double(i) / (n / 8.0)));
    }
    p.band.below = p.band.above = band;
    job.pairs = {p, p};
    job.timing.dwell = 60;
    job.timing.minHold = 60;
    return job;
}

QString summary(const QVector<ToleranceResult>& results)
{
    QStringList parts;
    for (const ToleranceResult& r : results) {
        for (const ToleranceHold& h : r.holds) {
            parts << QStringLiteral("%1-%2@%3:%4/%5/%6/%7")
                         .arg(h.from)
                         .arg(h.to)
                         .arg(h.stableAt.value_or(-1))
                         .arg(h.count)
                         .arg(double(h.min))
                         .arg(h.mean, 0, 'g', 12)
                         .arg(h.excursions.size());
        }
        for (const ToleranceRamp& m : r.ramps)
            parts << QStringLiteral("ramp %1-%2 %3 %4")
                         .arg(m.from)
                         .arg(m.to)
                         .arg(m.achievedRate.value_or(-1), 0, 'g', 12)
                         .arg(m.overshoot.value_or(-1), 0, 'g', 12);
        parts << (r.pass ? "pass" : "fail");
    }
    return parts.join(' ');
}

// A program of setpoint steps with a noisy measured value that follows it with a lag, now
// and then a missing sample or a stamp going back.
ToleranceJob programJob(std::mt19937& gen, int n)
{
    ToleranceJob job;
    ToleranceJob::Pair p;
    job.stamps.resize(n);
    p.measured.resize(n);
    p.setpoint.resize(n);
    float sp = 20, value = 20;
    qint64 t = 1700000000;
    for (int i = 0; i < n; ++i) {
        if (gen() % 400 == 0)
            sp = float(int(gen() % 12) * 10 - 40);
        value += (sp - value) * 0.05f + float(int(gen() % 101) - 50) / 100.0f;
        t += gen() % 50 == 0 ? -3 : 10;
        job.stamps[i] = t;
        p.setpoint[i] = sp;
        p.measured[i] = gen() % 97 == 0 ? 999.9f : value;
    }
    job.pairs = {p};
    job.timing.dwell = 300;
    job.timing.minHold = 600;
    return job;
}

// The first m samples of job.
ToleranceJob prefix(const ToleranceJob& job, int m)
{
    ToleranceJob cut = job;
    cut.stamps.resize(m);
    for (ToleranceJob::Pair& p : cut.pairs) {
        p.measured.resize(m);
        p.setpoint.resize(m);
    }
    return cut;
}

} // namespace

class TestToleranceRunner : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qRegisterMetaType<QVector<ToleranceResult>>(); }

    void transitions_data()
    {
        QTest::addColumn<QString>("prefix"); // events that lead to the state under test
        QTest::addColumn<QString>("event");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("state");
        QTest::addColumn<bool>("waiting");
        // clang-format off
        const struct { const char* tag; QString prefix, event, steps, state; bool waiting; } rows[] = {
            {"idle request", "", "r", "Clear Start", "Running", false},
            {"idle cancel", "", "c", "Clear", "Idle", false},
            {"idle done", "", "d", "", "Idle", false},
            {"running request", "r", "r", "Clear", "Superseded", true},
            {"running cancel", "r", "c", "Clear", "Superseded", false},
            {"running done", "r", "d", "Deliver", "Idle", false},
            {"superseded request", "r r", "r", "Clear", "Superseded", true},
            {"superseded cancel drops the waiting request", "r r", "c", "Clear", "Superseded", false},
            {"superseded done, one waits", "r r", "d", "Drop Start", "Running", false},
            {"superseded done, none waits", "r c", "d", "Drop", "Idle", false},
            {"many requests start once", "r r r r", "d", "Drop Start", "Running", false},
            {"request after cancel", "r c r", "d", "Drop Start", "Running", false},
            {"cancel after requests", "r r r c", "d", "Drop", "Idle", false},
            {"the restarted check delivers", "r r d", "d", "Deliver", "Idle", false},
            {"request after delivery", "r d", "r", "Clear Start", "Running", false}};
        // clang-format on
        for (const auto& r : rows)
            QTest::newRow(r.tag) << r.prefix << r.event << r.steps << r.state << r.waiting;
    }

    void transitions()
    {
        QFETCH(QString, prefix);
        QFETCH(QString, event);
        QFETCH(bool, waiting);
        ToleranceHandoff h;
        for (const QString& e : prefix.split(' ', Qt::SkipEmptyParts))
            apply(h, e);
        QTEST(stepsText(apply(h, event)), "steps");
        QTEST(QString::fromLatin1(ToleranceHandoff::stateName(h.state())), "state");
        QCOMPARE(h.hasWaiting(), waiting);
        QCOMPARE(h.busy(), h.state() != ToleranceHandoff::State::Idle);
    }

    // Requests in a burst: the one outcome that arrives is that of the last request's band.
    void burstEndsWithTheLatest()
    {
        ToleranceRunner runner;
        QSignalSpy ready(&runner, &ToleranceRunner::resultsReady);
        QSignalSpy cleared(&runner, &ToleranceRunner::resultsCleared);
        const int n = 400000;
        const QVector<double> bands = {0.5, 8.0, 1.0, 4.0, 0.25, 2.0, 16.0, 3.0};
        for (double band : bands)
            runner.request(creepingJob(n, band));
        QVERIFY(runner.busy());
        QCOMPARE(cleared.count(), bands.size());
        QVERIFY(ready.wait(30000));
        QTRY_VERIFY(!runner.busy());
        QTest::qWait(50);
        QCOMPARE(ready.count(), 1);
        const auto results = ready.at(0).at(0).value<QVector<ToleranceResult>>();
        const QString want = summary(creepingJob(n, bands.last()).run().results);
        QCOMPARE(summary(results), want);
        // The bands give other results, or the comparison would prove nothing.
        QVERIFY(summary(creepingJob(n, bands.first()).run().results) != want);
    }

    // A recording that grows piece by piece: each check goes on from the last one's checks,
    // and must give what a check of all the samples gives.
    void goesOnAsSamplesArrive_data()
    {
        QTest::addColumn<int>("seed");
        for (int seed = 1; seed <= 8; ++seed)
            QTest::newRow(qPrintable(QString::number(seed))) << seed;
    }

    void goesOnAsSamplesArrive()
    {
        QFETCH(int, seed);
        std::mt19937 gen{unsigned(seed)};
        const ToleranceJob whole = programJob(gen, 6000);
        ToleranceJob::Outcome last;
        for (int m = 1 + int(gen() % 50); m <= 6000; m += 1 + int(gen() % 700)) {
            ToleranceJob job = prefix(whole, m);
            job.from = last.fed;
            job.resume = last.checks;
            last = job.run();
            QCOMPARE(summary(last.results), summary(prefix(whole, m).run().results));
        }
        // Through the runner: a request of the same generation goes on, and shows the same.
        ToleranceRunner runner;
        QSignalSpy ready(&runner, &ToleranceRunner::resultsReady);
        for (int m : {2000, 2001, 4500, 6000}) {
            ToleranceJob job = prefix(whole, m);
            job.generation = 3;
            runner.request(job);
            QVERIFY(ready.wait(30000));
            QCOMPARE(summary(ready.last().at(0).value<QVector<ToleranceResult>>()),
                     summary(prefix(whole, m).run().results));
        }
    }

    // A cancel while a check runs: nothing of it arrives.
    void cancelDropsTheRunningCheck()
    {
        ToleranceRunner runner;
        QSignalSpy ready(&runner, &ToleranceRunner::resultsReady);
        runner.request(creepingJob(400000, 1.0));
        runner.cancel();
        QTRY_VERIFY_WITH_TIMEOUT(!runner.busy(), 30000);
        QTest::qWait(50);
        QCOMPARE(ready.count(), 0);
        // And the runner answers the next request.
        runner.request(creepingJob(1000, 1.0));
        QVERIFY(ready.wait(30000));
    }

    // Destroyed while a check runs: it waits for the check, and nothing arrives afterwards.
    void destroyedWhileChecking()
    {
        auto* runner = new ToleranceRunner;
        runner->request(creepingJob(2000000, 1.0));
        delete runner;
        QTest::qWait(20);
    }
};

QTEST_GUILESS_MAIN(TestToleranceRunner)
#include "tst_tolerancerunner.moc"
