// CSV export and import speed on 1,000,000 samples of 10 variables.
// Usage: bench_csv [FOLDER]  (the CSV is kept in FOLDER when given, e.g. for tavtool timings)
#include "sortedtavdata.h"
#include "tavdata.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int Rows = 1000000;
constexpr int Variables = 10;

// Chamber-like values: slow ramps with two decimals, a few large and missing values.
void fill(SortedTavData& set)
{
    set.stamps.resize(Rows);
    const qint64 t0 = 1719835200; // 2024/07/01 12:00:00
    for (int i = 0; i < Rows; ++i)
        set.stamps[i] = t0 + 5 * qint64(i);
    quint32 seed = 12345;
    for (int v = 0; v < Variables; ++v) {
        set.names << QStringLiteral("变量%1").arg(v);
        QVector<float> column(Rows);
        float level = 20.0f + v;
        for (int i = 0; i < Rows; ++i) {
            seed = seed * 1664525u + 1013904223u;
            level += float(int(seed >> 24) - 128) / 1000.0f;
            column[i] = (seed & 0xFFF) == 7 ? MissingValue : float(qRound(level * 100)) / 100;
        }
        set.values.append(column);
    }
    set.sampleCount = Rows;
    set.status = 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir temp;
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temp.path();
    const QString path = folder + QStringLiteral("/bench_1m_x10.csv");

    SortedTavData set;
    fill(set);
    QList<int> all;
    for (int v = 0; v < Variables; ++v)
        all << v;

    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer timer;
        timer.start();
        set.onExportData(path, all, set.stamps.first(), set.stamps.last());
        best = qMin(best, timer.nsecsElapsed() / 1e9);
    }
    const double megabytes = QFileInfo(path).size() / 1e6;
    std::printf("export: %d rows x %d variables, %.1f MB in %.3f s = %.0f MB/s (best of 3)\n", Rows,
                Variables, megabytes, best, megabytes / best);

    best = 1e9;
    int samples = 0;
    for (int run = 0; run < 5; ++run) {
        TavData data;
        QElapsedTimer timer;
        timer.start();
        data.readFromCsv(path, false);
        best = qMin(best, timer.nsecsElapsed() / 1e9);
        samples = data.blocks.isEmpty() ? 0 : data.blocks.first().stamps.size();
    }
    std::printf("import: %d samples, %.1f MB in %.3f s = %.0f MB/s (best of 5)\n", samples,
                megabytes, best, megabytes / best);

    best = 1e9;
    for (int run = 0; run < 3; ++run) {
        SortedTavData reread;
        QElapsedTimer timer;
        timer.start();
        reread.readTavData(path);
        best = qMin(best, timer.nsecsElapsed() / 1e9);
    }
    std::printf("readTavData (import and merge): %.3f s (best of 3)\n", best);
    return 0;
}
