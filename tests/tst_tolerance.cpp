#include "tolerancecheck.h"
#include "tolerancepairs.h"

#include <QtTest>

#include <cmath>
#include <random>

namespace {

bool valid(float v)
{
    return !std::isnan(v) && std::fabs(v) < 999.0f;
}

// The check written straight from its definitions, one figure at a time, quadratic where
// that is simplest. The clock of a run is the latest stamp seen in it so far.
ToleranceResult model(const QVector<qint64>& t, const QVector<float>& m, const QVector<float>& s,
                      const ToleranceBand& band, const ToleranceTiming& timing)
{
    const int n = t.size();
    struct Run
    {
        int first, last;
    };
    QVector<Run> holds;
    for (int i = 0; i < n;) {
        if (!valid(s[i])) {
            ++i;
            continue;
        }
        int j = i;
        while (j + 1 < n && valid(s[j + 1]) && s[j + 1] == s[i])
            ++j;
        qint64 latest = t[i];
        for (int k = i; k <= j; ++k)
            latest = std::max(latest, t[k]);
        if (double(latest - t[i]) >= timing.minHold)
            holds.append({i, j});
        i = j + 1;
    }

    ToleranceResult r;
    for (int h = 0; h < holds.size(); ++h) {
        const int f = holds[h].first;
        const int l = holds[h].last;
        const double sp = s[f];
        const auto inBand = [&](float v) {
            return double(v) >= sp - band.below && double(v) <= sp + band.above;
        };
        QVector<qint64> clock(n);
        for (int k = f; k <= l; ++k)
            clock[k] = k == f ? t[k] : std::max(clock[k - 1], t[k]);

        ToleranceHold hold;
        hold.from = t[f];
        hold.to = t[l];
        hold.setpoint = s[f];
        int stable = -1;
        for (int i = f; i <= l && stable < 0; ++i) {
            if (!valid(m[i]) || !inBand(m[i]))
                continue;
            bool stays = true;
            for (int j = i; j <= l; ++j) {
                if (double(clock[j] - clock[i]) <= timing.dwell && valid(m[j]) && !inBand(m[j]))
                    stays = false;
            }
            if (stays)
                stable = i;
        }
        if (stable >= 0) {
            hold.stableAt = t[stable];
            hold.settling = std::max<qint64>(0, t[stable] - t[f]);
        }
        double sum = 0;
        for (int k = stable >= 0 ? stable : f; k <= l; ++k) {
            if (!valid(m[k]))
                continue;
            hold.min = hold.count == 0 ? m[k] : std::min(hold.min, m[k]);
            hold.max = hold.count == 0 ? m[k] : std::max(hold.max, m[k]);
            sum += m[k];
            ++hold.count;
        }
        if (hold.count > 0) {
            hold.mean = sum / hold.count;
            hold.meanDeviation = hold.mean - sp;
            hold.fluctuation = (double(hold.max) - double(hold.min)) / 2;
        }
        if (stable >= 0) {
            const auto outside = [&](float v) {
                return std::max(double(v) - (sp + band.above), (sp - band.below) - double(v));
            };
            for (int k = stable; k <= l; ++k) {
                if (!valid(m[k]) || inBand(m[k]))
                    continue;
                ToleranceExcursion e{t[k], t[l], m[k]};
                int end = k;
                while (end <= l && !(valid(m[end]) && inBand(m[end]))) {
                    if (valid(m[end]) && outside(m[end]) > outside(e.peak))
                        e.peak = m[end];
                    ++end;
                }
                if (end <= l)
                    e.to = t[end];
                hold.excursions.append(e);
                hold.outOfBand += std::max<qint64>(0, e.to - e.from);
                k = end;
            }
        }
        hold.pass = stable >= 0 && hold.excursions.isEmpty();
        r.holds.append(hold);

        if (h == 0 || s[holds[h - 1].first] == s[f])
            continue;
        const ToleranceHold& prev = r.holds[h - 1];
        ToleranceRamp ramp;
        ramp.from = prev.to;
        ramp.to = hold.from;
        ramp.start = prev.setpoint;
        ramp.end = hold.setpoint;
        const double a = ramp.start;
        const double b = ramp.end;
        if (ramp.to > ramp.from)
            ramp.programmedRate = (b - a) / (ramp.to - ramp.from) * 60;
        std::optional<qint64> t10, t90;
        for (int k = holds[h - 1].last; k <= l; ++k) {
            if (!valid(m[k]))
                continue;
            const auto reaches = [&](double level) {
                return b > a ? m[k] >= level : m[k] <= level;
            };
            if (!t10 && reaches(a + 0.1 * (b - a)))
                t10 = t[k];
            if (!t90 && reaches(a + 0.9 * (b - a)))
                t90 = t[k];
        }
        if (t10 && t90 && *t90 > *t10)
            ramp.achievedRate = 0.8 * (b - a) / double(*t90 - *t10) * 60;
        bool any = false;
        double over = 0;
        for (int k = f; k <= l; ++k) {
            if (valid(m[k])) {
                any = true;
                over = std::max(over, b > a ? m[k] - b : b - m[k]);
            }
        }
        if (any)
            ramp.overshoot = over;
        r.ramps.append(ramp);
    }
    r.pass = !r.holds.isEmpty();
    for (const ToleranceHold& h : qAsConst(r.holds))
        r.pass = r.pass && h.pass;
    return r;
}

// Sums of many floats are added in another order by the check: equal to rounding.
bool near(double a, double b)
{
    return std::fabs(a - b) <= 1e-9 * std::max(1.0, std::fabs(b));
}

QString text(const std::optional<qint64>& v)
{
    return v ? QString::number(*v) : QStringLiteral("null");
}

QString text(const std::optional<double>& v)
{
    return v ? QString::number(*v, 'g', 17) : QStringLiteral("null");
}

bool near(const std::optional<double>& a, const std::optional<double>& b)
{
    return a.has_value() == b.has_value() && (!a || near(*a, *b));
}

// The first field that differs, empty when none does: stamps, counts and sample values
// exactly (a float's nine digits tell it apart, and -0 counts as 0), sums to rounding.
QString difference(const ToleranceResult& got, const ToleranceResult& want)
{
    QString first;
    const auto same = [&first](const QString& what, const QString& a, const QString& b) {
        if (first.isEmpty() && a != b)
            first = QStringLiteral("%1 %2, want %3").arg(what, a, b);
    };
    const auto close = [&same](const QString& what, std::optional<double> a,
                               std::optional<double> b) {
        same(what, near(a, b) ? text(b) : text(a), text(b));
    };
    const auto n = [](qint64 v) { return QString::number(v); };
    const auto f = [](float v) { return QString::number(double(v) + 0.0, 'g', 9); };
    same("holds", n(got.holds.size()), n(want.holds.size()));
    for (int h = 0; first.isEmpty() && h < want.holds.size(); ++h) {
        const ToleranceHold& g = got.holds[h];
        const ToleranceHold& w = want.holds[h];
        const QString at = QStringLiteral("hold %1 (%2..%3): ").arg(h).arg(w.from).arg(w.to);
        same(at + "from/to", n(g.from) + ".." + n(g.to), n(w.from) + ".." + n(w.to));
        same(at + "setpoint", f(g.setpoint), f(w.setpoint));
        same(at + "stableAt", text(g.stableAt), text(w.stableAt));
        same(at + "settling", text(g.settling), text(w.settling));
        same(at + "count", n(g.count), n(w.count));
        if (w.count > 0) {
            same(at + "min/max", f(g.min) + "/" + f(g.max), f(w.min) + "/" + f(w.max));
            close(at + "mean", g.mean, w.mean);
            close(at + "meanDeviation", g.meanDeviation, w.meanDeviation);
            close(at + "fluctuation", g.fluctuation, w.fluctuation);
        }
        const auto excursions = [&](const ToleranceHold& x) {
            QStringList out;
            for (const ToleranceExcursion& e : x.excursions)
                out << n(e.from) + ".." + n(e.to) + " peak " + f(e.peak);
            return out.join(QStringLiteral(", "));
        };
        same(at + "excursions", excursions(g), excursions(w));
        same(at + "outOfBand", n(g.outOfBand), n(w.outOfBand));
        same(at + "pass", n(g.pass), n(w.pass));
    }
    same("ramps", n(got.ramps.size()), n(want.ramps.size()));
    for (int k = 0; first.isEmpty() && k < want.ramps.size(); ++k) {
        const ToleranceRamp& g = got.ramps[k];
        const ToleranceRamp& w = want.ramps[k];
        const auto span = [&](const ToleranceRamp& r) {
            return n(r.from) + ".." + n(r.to) + " " + f(r.start) + "->" + f(r.end);
        };
        const QString at = QStringLiteral("ramp %1: ").arg(k);
        same(at + "span", span(g), span(w));
        close(at + "programmedRate", g.programmedRate, w.programmedRate);
        close(at + "achievedRate", g.achievedRate, w.achievedRate);
        close(at + "overshoot", g.overshoot, w.overshoot);
    }
    same("pass", n(got.pass), n(want.pass));
    return first;
}

// What a random profile may contain.
struct ProfileKind
{
    bool stampsBack = false;     // some steps go back in time
    bool zeroBands = false;      // below and above are 0 (only exact values are in band)
    bool oneSampleHolds = false; // minHold 0: every run is a hold
};

struct Profile
{
    QVector<qint64> t;
    QVector<float> m;
    QVector<float> s;
    ToleranceBand band;
    ToleranceTiming timing;
};

// Plateaus of setpoints (multiples of 0.5, so that the band's edges are exact floats) with
// linear ramps and short odd runs between them, missing stretches in both columns, and a
// measured value that follows the setpoint at a limited rate (so that some ramps never reach
// their levels) with noise scaled to the band, exact edge values and wild samples.
Profile profile(std::mt19937& rng, const ProfileKind& kind)
{
    const auto uniform = [&rng](int lo, int hi) {
        return std::uniform_int_distribution<int>(lo, hi)(rng);
    };
    const auto chance = [&rng](double p) { return std::bernoulli_distribution(p)(rng); };
    const float missing[] = {-999.9f, 999.0f, std::nanf(""), -1000.0f};
    const double bands[] = {0.0, 0.5, 1.0, 2.0, 3.0};
    Profile p;
    p.band.below = kind.zeroBands ? 0.0 : bands[uniform(0, 4)];
    p.band.above = kind.zeroBands ? 0.0 : bands[uniform(0, 4)];
    const int step = 10;
    p.timing.dwell = step * uniform(0, 8) + (chance(0.2) ? 0.5 : 0.0);
    p.timing.minHold = kind.oneSampleHolds ? 0.0 : step * uniform(1, 12);

    const int n = uniform(1, 400);
    qint64 stamp = 1700000000;
    float setpoint = 0.5f * uniform(-40, 160);
    float pv = setpoint;
    float rate = 0.25f * uniform(1, 20);
    int left = 0; // samples left in the current setpoint segment
    int mode = 0; // 0 plateau, 1 ramp, 2 missing setpoint
    float target = setpoint;
    int measuredGap = 0;
    for (int i = 0; i < n; ++i) {
        if (left == 0) {
            mode = chance(0.55) ? 0 : chance(0.6) ? 1 : 2;
            left = mode == 0 ? uniform(1, 50) : uniform(1, 8);
            if (mode == 0 && chance(0.7))
                setpoint = 0.5f * uniform(-40, 160);
            target = 0.5f * uniform(-40, 160);
            if (chance(0.3))
                rate = 0.25f * uniform(0, 20); // 0: the measured value is stuck
        }
        --left;
        if (mode == 1 && left > 0)
            setpoint += (target - setpoint) / float(left + 1);
        p.t.append(stamp);
        const int dt = chance(0.8) ? step : uniform(0, 3 * step);
        stamp += kind.stampsBack && chance(0.05) ? -uniform(1, 40 * step) : dt;
        p.s.append(mode == 2 ? missing[uniform(0, 3)] : setpoint);

        pv += std::max(-rate, std::min(rate, setpoint - pv));
        const double below = p.band.below;
        const double above = p.band.above;
        float v = pv;
        switch (uniform(0, 9)) {
        case 0:
            v = float(setpoint - below);
            break;
        case 1:
            v = float(setpoint + above);
            break;
        case 2:
            v = setpoint;
            break;
        case 3:
            v = pv +
                float((above + below + 0.5) * std::uniform_real_distribution<>(-1.5, 1.5)(rng));
            break;
        case 4:
            v = chance(0.5) ? float(setpoint + above + 0.5 * uniform(1, 4))
                            : float(setpoint - below - 0.5 * uniform(1, 4));
            break;
        default:
            v = pv + float(0.5 * std::min(below, above) *
                           std::uniform_real_distribution<>(-1.0, 1.0)(rng));
        }
        if (measuredGap == 0 && chance(0.03))
            measuredGap = uniform(1, 12);
        if (measuredGap > 0) {
            --measuredGap;
            v = missing[uniform(0, 3)];
        }
        p.m.append(v);
    }
    return p;
}

QString describe(const Profile& p)
{
    QString out = QStringLiteral("band -%1/+%2 dwell %3 minHold %4\n")
                      .arg(p.band.below)
                      .arg(p.band.above)
                      .arg(p.timing.dwell)
                      .arg(p.timing.minHold);
    for (int i = 0; i < p.t.size(); ++i)
        out += QStringLiteral("%1: t %2 sp %3 pv %4\n").arg(i).arg(p.t[i]).arg(p.s[i]).arg(p.m[i]);
    return out;
}

} // namespace

class TestTolerance : public QObject
{
    Q_OBJECT

private slots:
    void againstModel_data()
    {
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<bool>("stampsBack");
        QTest::addColumn<bool>("zeroBands");
        QTest::addColumn<bool>("oneSampleHolds");
        QTest::newRow("forward stamps") << 1u << false << false << false;
        QTest::newRow("stamps going back") << 2u << true << false << false;
        QTest::newRow("zero bands") << 3u << false << true << false;
        QTest::newRow("one-sample holds") << 4u << false << false << true;
        QTest::newRow("everything") << 5u << true << true << true;
    }

    // Random profiles against the model, every field; the check is also fed in random
    // pieces, as appended data would come. TOLERANCE_SEED replaces the row's seed.
    void againstModel()
    {
        QFETCH(quint32, seed);
        QFETCH(bool, stampsBack);
        QFETCH(bool, zeroBands);
        QFETCH(bool, oneSampleHolds);
        if (qEnvironmentVariableIsSet("TOLERANCE_SEED"))
            seed = quint32(qEnvironmentVariableIntValue("TOLERANCE_SEED"));
        const ProfileKind kind{stampsBack, zeroBands, oneSampleHolds};
        int holds = 0, stable = 0, excursions = 0, ramps = 0, unreached = 0, shortest = 0,
            openAtEnd = 0;
        for (int iteration = 0; iteration < 2000; ++iteration) {
            std::mt19937 rng(seed * 100003u + quint32(iteration));
            const Profile p = profile(rng, kind);
            const int n = p.t.size();
            const ToleranceResult want = model(p.t, p.m, p.s, p.band, p.timing);
            const ToleranceResult got = ToleranceCheck::run(p.t.constData(), p.m.constData(),
                                                            p.s.constData(), n, p.band, p.timing);
            const QString why = difference(got, want);
            QVERIFY2(why.isEmpty(), qPrintable(QStringLiteral("seed %1 iteration %2: %3\n%4")
                                                   .arg(seed)
                                                   .arg(iteration)
                                                   .arg(why, describe(p))));

            ToleranceCheck pieces(p.band, p.timing);
            for (int from = 0; from < n;) {
                const int to = std::min(n, from + int(rng() % 50));
                pieces.feed(p.t.constData(), p.m.constData(), p.s.constData(), from, to);
                from = to;
            }
            const QString piecesWhy = difference(pieces.finish(p.t.constData()), want);
            QVERIFY2(piecesWhy.isEmpty(),
                     qPrintable(QStringLiteral("in pieces, seed %1 iteration %2: %3")
                                    .arg(seed)
                                    .arg(iteration)
                                    .arg(piecesWhy)));

            holds += want.holds.size();
            ramps += want.ramps.size();
            for (const ToleranceHold& h : want.holds) {
                stable += h.stableAt.has_value();
                excursions += h.excursions.size();
                shortest += double(h.to - h.from) == p.timing.minHold;
                openAtEnd += !h.excursions.isEmpty() && h.excursions.last().to == h.to &&
                             p.m[p.t.lastIndexOf(h.to)] == h.excursions.last().peak;
            }
            for (const ToleranceRamp& r : want.ramps)
                unreached += !r.achievedRate.has_value();
        }
        // The profiles must reach what they are there to reach.
        QVERIFY2(holds > 1000 && stable > 300 && stable < holds && excursions > 100 &&
                     ramps > 300 && unreached > 30 && shortest > 30 && openAtEnd > 30,
                 qPrintable(QStringLiteral("holds %1 settled %2 excursions %3 ramps %4 "
                                           "without achieved rate %5 of minimum length %6 "
                                           "excursions open at the end %7")
                                .arg(holds)
                                .arg(stable)
                                .arg(excursions)
                                .arg(ramps)
                                .arg(unreached)
                                .arg(shortest)
                                .arg(openAtEnd)));
    }

    void automaticPairs_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("pairs"); // "measured>setpoint" by index, comma-separated
        QTest::newRow("设定") << QStringList{"温度", "温度设定"} << "0>1";
        QTest::newRow("setpoint first") << QStringList{"温度设定", "温度"} << "1>0";
        QTest::newRow("设定值") << QStringList{"湿度", "湿度设定值"} << "0>1";
        QTest::newRow("both suffixes: first in name order")
            << QStringList{"温度", "温度设定值", "温度设定"} << "0>1";
        QTest::newRow("PV/SV") << QStringList{"TEMP PV", "TEMP SV"} << "0>1";
        QTest::newRow("PV/SV alone") << QStringList{"SV", "PV"} << "1>0";
        QTest::newRow("stems differ by a blank")
            << QStringList{"TEMP PV", "TEMPSV", "HUMI PV", "HUMI  SV"} << "";
        QTest::newRow("case counts") << QStringList{"temp pv", "temp sv", "T Pv", "T Sv"} << "";
        QTest::newRow("no measured variable") << QStringList{"温度设定", "湿度设定值"} << "";
        QTest::newRow("blank before the suffix") << QStringList{"温度", "温度 设定"} << "";
        QTest::newRow("order of the measured variables")
            << QStringList{"湿度设定", "温度", "湿度", "温度设定", "LOOP PV", "LOOP SV"}
            << "1>3,2>0,4>5";
    }

    void automaticPairs()
    {
        QFETCH(QStringList, names);
        QFETCH(QString, pairs);
        QStringList got;
        for (const auto& pair : TolerancePairs::automatic(names))
            got << QStringLiteral("%1>%2").arg(pair.first).arg(pair.second);
        QCOMPARE(got.join(','), pairs);
    }
};

QTEST_GUILESS_MAIN(TestTolerance)
#include "tst_tolerance.moc"
