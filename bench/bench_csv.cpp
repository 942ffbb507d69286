// CSV export and import speed on 1,000,000 samples of 10 variables.
// Usage: bench_csv [FOLDER]  (the CSV is kept in FOLDER when given, e.g. for tavtool timings)
// Each figure is the best of several runs, in wall time and in the CPU time of the process
// (user + system): on a shared machine the CPU time leaves out the waits for a core.
#include "sortedtavdata.h"
#include "tavdata.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>

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

double cpuSeconds()
{
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

// Best wall and CPU seconds over the runs measured so far.
struct Best
{
    double wall = 1e9;
    double cpu = 1e9;
    QElapsedTimer timer;
    double cpuStart = 0;
    void start()
    {
        cpuStart = cpuSeconds();
        timer.start();
    }
    void stop()
    {
        wall = qMin(wall, timer.nsecsElapsed() / 1e9);
        cpu = qMin(cpu, cpuSeconds() - cpuStart);
    }
};

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

    Best exportTime;
    for (int run = 0; run < 3; ++run) {
        exportTime.start();
        set.onExportData(path, all, set.stamps.first(), set.stamps.last());
        exportTime.stop();
    }
    const double megabytes = QFileInfo(path).size() / 1e6;
    std::printf("export: %d rows x %d variables, %.1f MB in %.3f s = %.0f MB/s; cpu %.3f s = %.0f "
                "MB/s (best of 3)\n",
                Rows, Variables, megabytes, exportTime.wall, megabytes / exportTime.wall,
                exportTime.cpu, megabytes / exportTime.cpu);

    Best importTime;
    int samples = 0;
    for (int run = 0; run < 5; ++run) {
        TavData data;
        importTime.start();
        data.readFromCsv(path, true);
        importTime.stop();
        samples = data.blocks.isEmpty() ? 0 : data.blocks.first().stamps.size();
    }
    std::printf("import: %d samples, %.1f MB in %.3f s = %.0f MB/s; cpu %.3f s = %.0f MB/s (best "
                "of 5)\n",
                samples, megabytes, importTime.wall, megabytes / importTime.wall, importTime.cpu,
                megabytes / importTime.cpu);

    Best readTime;
    for (int run = 0; run < 3; ++run) {
        SortedTavData reread;
        readTime.start();
        reread.readTavData(path);
        readTime.stop();
    }
    std::printf("readTavData (import and merge): %.3f s; cpu %.3f s (best of 3)\n", readTime.wall,
                readTime.cpu);
    return 0;
}
