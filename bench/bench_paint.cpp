// Paint times of the canvas at 1920x1080, by default over 10,000,000 samples with 20 drawn
// curves: full range and zoomed, smooth and noisy data, and what the canvas adds to memory.
// Each view is painted again with tolerance bands on (two pairs of 5,000 holds, each with an
// excursion), side by side, with the ratio of the medians.
//   bench_paint [SAMPLES [CURVES]]
// The data set is filled as a read leaves it, summaries included (built once per data kind,
// not timed here: bench_binaryread times them as part of the read).
#include "columnalloc.h"
#include "tavdrawer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QResizeEvent>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

const int Runs = 15;

long residentKiB()
{
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = f.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * 4 : -1;
}

// One-second samples in 10 runs with a short gap between them, so painting crosses spans.
void fill(SortedTavData& s, int samples, int curves, bool noisy)
{
    s.clear();
    s.stamps = ColumnAlloc::uninitialized<qint64>(samples);
    const int runs = 10;
    const int perRun = samples / runs;
    qint64 t = 1600000000;
    for (int i = 0; i < samples; ++i) {
        if (i > 0 && i % perRun == 0)
            t += 30;
        s.stamps[i] = t++;
    }
    for (int r = 0; r < runs; ++r) {
        const int first = r * perRun;
        const int last = r == runs - 1 ? samples - 1 : first + perRun - 1;
        s.spanIndexes.append(qMakePair(first, last));
        s.spanIntervals.append(1);
    }
    // A cheap generator: a hundred million noisy values must not take minutes to make.
    quint64 state = 0x9E3779B97F4A7C15ull;
    const auto noise = [&state] {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return float(state >> 40) * (80.0f / 16777216.0f) - 40.0f;
    };
    s.values.resize(curves);
    for (int c = 0; c < curves; ++c) {
        s.names.append(QStringLiteral("变量%1").arg(c + 1));
        QVector<float>& col = s.values[c];
        col = ColumnAlloc::uninitialized<float>(samples);
        float* v = col.data();
        const double base = 20.0 + 6.0 * c;
        for (int i = 0; i < samples; ++i) {
            const double slow = 25.0 * std::sin(i * 2.0e-6 + c);
            v[i] = float(base + slow + (noisy ? noise() : 0.0f));
        }
    }
    s.sampleCount = samples;
    s.status = 0;
    s.buildSummaries();
}

void setUp(TavDrawer& d)
{
    d.curveInfoList.clear();
    static const char* colours[] = {"#1F77B4", "#D62728", "#2CA02C", "#FF7F0E", "#9467BD"};
    for (int c = 0; c < d.dataSet.names.size(); ++c) {
        CurveInfo info;
        info.CurveName = d.dataSet.names[c];
        info.ToDraw = true;
        info.CurveColor = QString::fromLatin1(colours[c % 5]);
        d.curveInfoList.append(info);
    }
    d.upperLimits = {200.0f, 110.0f};
    d.lowerLimits = {-100.0f, -10.0f};
    d.xSplCount = 9;
    d.ySplCount = 9;
    d.DrawA = true;
    d.DrawB = true;
}

// Two pairs, measured curves 0 and 1 (setpoints do not matter to the drawing), each with
// 5,000 holds spread over the recording and an excursion in each: a profile of short cycles.
void setUpBands(TavDrawer& d)
{
    const int holds = 5000;
    const qint64 first = d.dataSet.stamps.first();
    const qint64 span = d.dataSet.stamps.last() - first;
    d.tolerance = ToleranceSettings();
    d.toleranceResults.clear();
    for (int p = 0; p < 2 && p < d.curveInfoList.size(); ++p) {
        d.tolerance.pairs.append({p, p, {3.0, 3.0}});
        ToleranceResult r;
        for (int k = 0; k < holds; ++k) {
            ToleranceHold h;
            h.from = first + span * k / holds;
            h.to = first + span * (k + 1) / holds - 1;
            h.setpoint = float(20.0 + 6.0 * p + (k % 7));
            h.excursions.append({h.from + (h.to - h.from) / 2, h.from + (h.to - h.from) * 3 / 4,
                                 h.setpoint + 5.0f});
            r.holds.append(h);
        }
        d.toleranceResults.append(r);
    }
}

// Median and fastest of the paint times, milliseconds.
QPair<double, double> timePaints(TavDrawer& d, QImage& image)
{
    QVector<double> ms;
    for (int i = 0; i < Runs; ++i) {
        QElapsedTimer t;
        t.start();
        d.render(&image);
        ms.append(t.nsecsElapsed() / 1.0e6);
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.first()};
}

void report(TavDrawer& d, QImage& image, const char* data)
{
    const qint64 first = d.dataSet.stamps.first();
    const qint64 last = d.dataSet.stamps.last();
    const qint64 range = last - first;
    struct View
    {
        const char* name;
        double from; // fractions of the recording
        double width;
    };
    const View views[] = {{"full range", 0.0, 1.0},         {"zoom 1/10 start", 0.0, 0.1},
                          {"zoom 1/10 middle", 0.45, 0.1},  {"zoom 1/1000 end", 0.999, 0.001},
                          {"zoom 1/100000 mid", 0.5, 1e-5}, {"across a gap", 0.0999, 0.0002}};
    for (const View& v : views) {
        d.stampStart = first + qint64(range * v.from);
        d.stampEnd = d.stampStart + std::max<qint64>(qint64(range * v.width), 960);
        d.tolerance.showBands = false;
        const auto t = timePaints(d, image);
        std::printf("%-7s %-18s median %7.2f ms  fastest %7.2f ms\n", data, v.name, t.first,
                    t.second);
        d.tolerance.showBands = true;
        const auto b = timePaints(d, image);
        d.tolerance.showBands = false;
        std::printf("%-7s %-18s median %7.2f ms  fastest %7.2f ms  with bands (%.2fx)\n", data,
                    v.name, b.first, b.second, b.first / t.first);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int samples = argc > 1 ? std::atoi(argv[1]) : 10000000;
    const int curves = argc > 2 ? std::atoi(argv[2]) : 20;
    if (samples < 1000 || curves < 1) {
        std::fprintf(stderr, "usage: bench_paint [SAMPLES [CURVES]] (SAMPLES >= 1000)\n");
        return 2;
    }
    const QSize size(1920, 1080);
    QImage image(size, QImage::Format_RGB32);

    TavDrawer d;
    d.configPath = QString(); // the bench ignores any settings file beside it
    d.resize(size);
    QResizeEvent resize(size, QSize());
    QCoreApplication::sendEvent(&d, &resize);
    std::printf("samples %d, curves %d, image %dx%d, %d paints per view\n", samples, curves,
                size.width(), size.height(), Runs);

    for (const bool noisy : {false, true}) {
        fill(d.dataSet, samples, curves, noisy);
        setUp(d);
        setUpBands(d);
        d.render(&image); // glyph and pixmap caches fill on the first paint
        const long before = residentKiB();
        report(d, image, noisy ? "noisy" : "smooth");
        const long after = residentKiB();
        std::printf("%-7s canvas memory growth over %d paints: %ld KiB\n",
                    noisy ? "noisy" : "smooth", 6 * Runs, after - before);
    }
    return 0;
}
