// The tolerance check of two pairs (temperature and humidity, each a measured and a setpoint
// column) over 100,000,000 samples, against one plain pass that sums the same four columns,
// timed in turns in the same run.
//   bench_tolerance [--samples N] [--runs R]
#include "tolerancecheck.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <QVector>

#include <algorithm>
#include <cstdio>

namespace {

struct Columns
{
    QVector<qint64> stamps;
    QVector<float> columns[4]; // temperature, its setpoint, humidity, its setpoint
};

// A cheap generator: the noise only has to defeat branch prediction, not pass tests.
struct Noise
{
    quint64 state = 0x9E3779B97F4A7C15ull;
    float next() // in [-1, 1)
    {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return float(qint64(state >> 40) - (1 << 23)) / float(1 << 23);
    }
};

// One-second samples in two blocks that overlap by a quarter. Two-hour plateaus and
// half-hour ramps; the measured value follows its setpoint at a limited rate with noise
// inside the band, a short excursion now and then, and missing samples.
void fill(Columns& c, int samples)
{
    c.stamps.resize(samples);
    const int half = samples / 2;
    for (int i = 0; i < samples; ++i)
        c.stamps[i] = 1600000000 + (i < half ? i : i - half / 4);
    const float plateaus[2][4] = {{25.0f, 85.0f, -40.0f, 60.0f}, {50.0f, 85.0f, 30.0f, 95.0f}};
    const float rates[2] = {0.05f, 0.08f};
    const float noise[2] = {0.6f, 1.2f};
    Noise rnd;
    for (int pair = 0; pair < 2; ++pair) {
        QVector<float>& measured = c.columns[2 * pair];
        QVector<float>& setpoint = c.columns[2 * pair + 1];
        measured.resize(samples);
        setpoint.resize(samples);
        float pv = plateaus[pair][0];
        const int cycle = 7200 + 1800;
        for (int i = 0; i < samples; ++i) {
            const int step = i / cycle;
            const int at = i % cycle;
            const float a = plateaus[pair][step % 4];
            const float b = plateaus[pair][(step + 1) % 4];
            // The setpoint ramps in one-minute steps.
            const float sp = at < 7200 ? a : a + (b - a) * float((at - 7200) / 60 + 1) / 30.0f;
            pv += std::max(-rates[pair], std::min(rates[pair], sp - pv));
            float v = pv + noise[pair] * rnd.next();
            if (i % 50021 == 333)
                v += 5.0f;
            if (i % 100003 == 17)
                v = -999.9f;
            measured[i] = v;
            setpoint[i] = i % 1000003 == 5 ? -999.9f : sp;
        }
    }
}

// The floor for anything that reads every sample of the four columns once.
double plainPass(const Columns& c)
{
    double total = 0;
    for (const QVector<float>& col : c.columns) {
        const float* v = col.constData();
        for (int i = 0; i < col.size(); ++i)
            total += v[i];
    }
    return total;
}

double check(const Columns& c, int* holds)
{
    const ToleranceBand bands[2] = {{2.0, 2.0}, {3.0, 3.0}};
    double total = 0;
    *holds = 0;
    for (int pair = 0; pair < 2; ++pair) {
        const ToleranceResult r = ToleranceCheck::run(
            c.stamps.constData(), c.columns[2 * pair].constData(),
            c.columns[2 * pair + 1].constData(), c.stamps.size(), bands[pair], ToleranceTiming());
        *holds += r.holds.size();
        for (const ToleranceHold& h : r.holds)
            total += h.mean + h.excursions.size();
    }
    return total;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    int samples = 100000000;
    int runs = 5;
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--samples"))
            samples = args[i + 1].toInt();
        if (args[i] == QLatin1String("--runs"))
            runs = args[i + 1].toInt();
    }
    if (samples < 1 || runs < 1) {
        std::fprintf(stderr, "usage: bench_tolerance [--samples N] [--runs R]\n");
        return 2;
    }
    Columns columns;
    fill(columns, samples);
    std::printf("samples %d x 2 pairs\n", samples);

    volatile double sink = 0;
    QVector<double> ratios;
    int holds = 0;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        sink = sink + plainPass(columns);
        const double passMs = timer.nsecsElapsed() / 1e6;
        timer.restart();
        sink = sink + check(columns, &holds);
        const double checkMs = timer.nsecsElapsed() / 1e6;
        ratios.append(checkMs / passMs);
        std::printf("run %d: check %.1f ms, plain pass %.1f ms, ratio %.2f (%d holds)\n", run + 1,
                    checkMs, passMs, checkMs / passMs, holds);
    }
    std::sort(ratios.begin(), ratios.end());
    std::printf("ratio: best %.2f, median %.2f\n", ratios.first(), ratios[ratios.size() / 2]);
    return sink == 12345.678 ? 1 : 0;
}
