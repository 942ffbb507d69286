// The one-pass leaf scan behind the summaries, on both of its code paths, against sums and
// extremes taken sample by sample.
#include "leafscan.h"
#include "tavrecords.h"

#include <QtTest>

#include <cmath>
#include <limits>
#include <random>

namespace {

using Path = LeafScan::Path;

bool valid(float v)
{
    return !std::isnan(v) && std::fabs(v) < 999.0f;
}

// A leaf of noisy values around `level` and stamp deltas of irregular spacing, with marks
// put in by kind.
void makeLeaf(const QString& kind, float level, std::vector<float>& v, std::vector<double>& dt)
{
    std::mt19937 rng(uint(kind.size()) * 977u + uint(level));
    std::uniform_real_distribution<float> noise(-3.0f, 3.0f);
    std::uniform_int_distribution<int> step(0, 40);
    v.resize(LeafScan::Samples);
    dt.resize(LeafScan::Samples);
    double t = 0;
    for (int i = 0; i < LeafScan::Samples; ++i) {
        v[size_t(i)] = level + noise(rng);
        dt[size_t(i)] = t;
        t += step(rng);
    }
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    auto& x = v;
    if (kind == "NaN in block 3")
        x[3 * 64 + 17] = nan;
    else if (kind == "NaN last")
        x[1023] = nan;
    else if (kind == "999 at the end")
        x[1023] = 999.0f;
    else if (kind == "-999 first")
        x[0] = -999.0f;
    else if (kind == "infinity")
        x[500] = inf;
    else if (kind == "minus infinity, then NaN")
        x[130] = -inf, x[900] = nan;
    else if (kind == "huge beside NaN") // the NaN must not hide the huge value
        x[64 * 5 + 2] = 5000.0f, x[64 * 5 + 6] = nan;
    else if (kind == "just valid")
        x[10] = 998.99f, x[700] = -998.99f;
    else if (kind == "missing mark everywhere")
        std::fill(x.begin(), x.end(), MissingValue);
    else if (kind == "a mark per block")
        for (int b = 0; b < LeafScan::Blocks; ++b)
            x[size_t(b * 64 + b)] = b % 2 ? MissingValue : nan;
    else if (kind == "signed zeros")
        for (int i = 0; i < LeafScan::Samples; ++i)
            x[size_t(i)] = i % 3 == 0 ? -0.0f : i % 3 == 1 ? 0.0f : float(i % 7);
    else if (kind == "constant")
        std::fill(x.begin(), x.end(), level);
}

} // namespace

class TestLeafScan : public QObject
{
    Q_OBJECT
private slots:
    void againstSampleBySample_data();
    void againstSampleBySample();
};

void TestLeafScan::againstSampleBySample_data()
{
    QTest::addColumn<int>("path");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<float>("level");
    const char* kinds[] = {"all valid",
                           "NaN in block 3",
                           "NaN last",
                           "999 at the end",
                           "-999 first",
                           "infinity",
                           "minus infinity, then NaN",
                           "huge beside NaN",
                           "just valid",
                           "missing mark everywhere",
                           "a mark per block",
                           "signed zeros",
                           "constant"};
    for (const Path path : {Path::Portable, Path::Wide}) {
        for (const char* kind : kinds) {
            for (const float level : {25.0f, -700.0f}) {
                QTest::newRow(qPrintable(QStringLiteral("%1 %2 at %3")
                                             .arg(path == Path::Wide ? "wide" : "portable")
                                             .arg(kind)
                                             .arg(level)))
                    << int(path) << QString(kind) << level;
            }
        }
    }
}

void TestLeafScan::againstSampleBySample()
{
    QFETCH(int, path);
    QFETCH(QString, kind);
    QFETCH(float, level);
    if (Path(path) == Path::Wide && !LeafScan::wideAvailable())
        QSKIP("this processor has no AVX and FMA");
    std::vector<float> v;
    std::vector<double> dt;
    makeLeaf(kind, level, v, dt);
    LeafScan scan;
    scan.run(v.data(), dt.data(), Path(path));

    // A block marked clean is valid throughout, with its true extremes; every block before
    // the first one with a missing sample is marked clean. (Later blocks may be left to the
    // careful scan once a NaN or infinity has spoilt the leaf's running sums.)
    bool allValid = true;
    for (int b = 0; b < LeafScan::Blocks; ++b) {
        bool clean = true;
        float mn = std::numeric_limits<float>::infinity();
        float mx = -mn;
        for (int i = b * LeafScan::BlockSize; i < (b + 1) * LeafScan::BlockSize; ++i) {
            clean = clean && valid(v[size_t(i)]);
            mn = std::min(mn, v[size_t(i)]);
            mx = std::max(mx, v[size_t(i)]);
        }
        const bool marked = scan.cleanBlocks >> b & 1;
        const QString what = QString("block %1").arg(b);
        if (allValid && clean)
            QVERIFY2(marked, qPrintable(what + " not marked clean"));
        allValid = allValid && clean;
        if (!marked)
            continue;
        QVERIFY2(clean, qPrintable(what + " marked clean"));
        QVERIFY(scan.blockMin[b] == mn); // == : the sign of a zero does not count
        QVERIFY(scan.blockMax[b] == mx);
    }
    QCOMPARE(scan.allClean(), allValid);
    if (!allValid)
        return;

    // The sums about the first value, in long double, one term at a time.
    long double d = 0, dd = 0, td = 0, scale = 0, tScale = 0;
    for (int i = 0; i < LeafScan::Samples; ++i) {
        const long double x = (long double)v[size_t(i)] - v[0];
        d += x;
        dd += x * x;
        td += dt[size_t(i)] * x;
        scale += std::fabs(x);
        tScale += std::fabs(dt[size_t(i)] * x);
    }
    const double eps = 1e-13;
    QVERIFY2(std::fabs(scan.sumD - double(d)) <= eps * double(scale),
             qPrintable(QString("sum %1 vs %2").arg(scan.sumD).arg(double(d))));
    QVERIFY2(std::fabs(scan.sumDD - double(dd)) <= eps * double(dd),
             qPrintable(QString("squares %1 vs %2").arg(scan.sumDD).arg(double(dd))));
    QVERIFY2(std::fabs(scan.sumTD - double(td)) <= eps * double(tScale),
             qPrintable(QString("products %1 vs %2").arg(scan.sumTD).arg(double(td))));

    // The other path on the same leaf: the same blocks, sums to the last bits or so.
    const Path other = Path(path) == Path::Wide ? Path::Portable : Path::Wide;
    if (other == Path::Wide && !LeafScan::wideAvailable())
        return;
    LeafScan second;
    second.run(v.data(), dt.data(), other);
    QCOMPARE(second.cleanBlocks, scan.cleanBlocks);
    for (int b = 0; b < LeafScan::Blocks; ++b) {
        QVERIFY(second.blockMin[b] == scan.blockMin[b]);
        QVERIFY(second.blockMax[b] == scan.blockMax[b]);
    }
    QVERIFY(std::fabs(second.sumD - scan.sumD) <= eps * double(scale));
    QVERIFY(std::fabs(second.sumDD - scan.sumDD) <= eps * double(dd));
    QVERIFY(std::fabs(second.sumTD - scan.sumTD) <= eps * double(tScale));
}

QTEST_APPLESS_MAIN(TestLeafScan)
#include "tst_leafscan.moc"
