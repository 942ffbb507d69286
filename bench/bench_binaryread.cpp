// Reading speed of big .tavdata files.
//
//   bench_binaryread [DIR] [--size-mb N] [--runs R] [--keep] [--file FILE]
//
// Writes a file of one History block (20 variables, layout 4, 10 s interval) of N MiB
// (default 1024) into DIR (default /tmp), warms the page cache, then times
//   - `cat FILE` with its output to /dev/null, run through QProcess,
//   - TavData::readFromBinary,
//   - SortedTavData::readTavData without the summaries (the read plus the merge into one
//     time line and the runs of equal spacing),
//   - SortedTavData::readTavData as the viewer runs it, with the summaries the plot and
//     the range statistics use,
// and what the summaries add to the read. --keep leaves the file in DIR; --file times an
// existing file (such as a kept one) instead of writing one. Processor time (all threads)
// is given beside the elapsed time: on a loaded machine it varies less.
// Each read runs in a fresh child process (this program with --read-only), so that the
// peak resident memory (VmHWM) it reports belongs to the read alone. The reads take turns,
// R rounds (default 3) of one run each, so that a change in the machine's load falls on
// all of them; the fastest run is reported, with the median beside it. GB/s is 1e9 bytes/s.

#include "sortedtavdata.h"
#include "tavbulkwriter.h"
#include "tavdata.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTextStream>

#include <algorithm>

#include <sys/resource.h>

namespace {

QTextStream out(stdout);

qint64 peakRssKb()
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
        }
    }
    return -1;
}

// Processor seconds of this process so far, all threads, user and system.
double cpuSeconds()
{
    rusage u;
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Child side: one read, then "seconds peakKb samples cpuSeconds" on stdout.
int readOnly(const QString& path, const QString& mode)
{
    QElapsedTimer timer;
    qint64 samples = 0;
    const double cpuBefore = cpuSeconds();
    timer.start();
    if (mode == "split") {
        // The read without summaries, then the summaries the viewer's read builds, timed
        // apart in one process: the two differences of separate processes are noisier
        // than the summaries themselves.
        SortedTavData set;
        set.summariesAfterRead = false;
        set.readTavData(path);
        const double readSeconds = timer.nsecsElapsed() / 1e9;
        timer.restart();
        set.buildSummaries();
        out << readSeconds << ' ' << timer.nsecsElapsed() / 1e9 << '\n';
        return 0;
    }
    if (mode == "inside") {
        // The viewer's read, its summaries timed inside it. Their memory is made during the
        // decode on the other core, so the rest of the read carries what that costs it.
        SortedTavData set;
        set.readTavData(path);
        const qint64 total = timer.nsecsElapsed();
        out << (total - set.summaryBuildNs) / 1e9 << ' ' << set.summaryBuildNs / 1e9 << '\n';
        return 0;
    }
    if (mode == "sorted" || mode == "bare") {
        SortedTavData set;
        set.summariesAfterRead = mode == "sorted";
        set.readTavData(path);
        samples = set.sampleCount;
    } else {
        TavData data;
        if (data.readFromBinary(path) == 0) {
            for (const HistoryBlock& b : data.blocks) {
                samples += b.stamps.size();
            }
        }
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    out << seconds << ' ' << peakRssKb() << ' ' << samples << ' ' << cpuSeconds() - cpuBefore
        << '\n';
    return 0;
}

struct ReadFigures
{
    double seconds = -1;
    qint64 peakKb = -1;
    qint64 samples = -1;
    double cpu = -1; // processor seconds, all threads
};

ReadFigures runChildOnce(const QString& path, const QString& mode)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {"--read-only", path, mode});
    ReadFigures f;
    if (!child.waitForFinished(-1) || child.exitCode() != 0) {
        return f;
    }
    const QList<QByteArray> parts = child.readAllStandardOutput().trimmed().split(' ');
    f.seconds = parts.value(0).toDouble();
    f.peakKb = parts.value(1).toLongLong();
    f.samples = parts.value(2).toLongLong();
    f.cpu = parts.value(3).toDouble();
    return f;
}

double median(QVector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? -1 : v[v.size() / 2];
}

// Keeps the fastest run, and every run's seconds and processor seconds.
struct Timings
{
    ReadFigures best;
    QVector<double> all;
    QVector<double> cpu;
    bool failed = false;

    void add(const ReadFigures& f)
    {
        if (f.seconds < 0) {
            failed = true;
            return;
        }
        all << f.seconds;
        cpu << f.cpu;
        best = best.seconds < 0 || f.seconds < best.seconds ? f : best;
    }
};

double timeCatOnce(const QString& path)
{
    QProcess cat;
    cat.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    cat.start("cat", {path});
    cat.waitForFinished(-1);
    return timer.nsecsElapsed() / 1e9;
}

void report(const char* label, const Timings& timings, qint64 size, double catSeconds)
{
    const ReadFigures& f = timings.best;
    const QVector<double>& all = timings.all;
    if (timings.failed || f.seconds < 0) {
        out << label << ": the read failed\n";
        return;
    }
    out << label << ": " << f.seconds << " s (median " << median(all) << "), "
        << size / f.seconds / 1e9 << " GB/s, " << f.seconds / catSeconds << " x cat, peak RSS "
        << f.peakKb / 1024 << " MiB (" << f.peakKb * 1024.0 / size << " x file), " << f.samples
        << " samples, processor " << median(timings.cpu) << " s (median)\n";
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.value(0) == "--read-only") {
        return readOnly(args.value(1), args.value(2));
    }
    qint64 sizeMb = 1024;
    int runs = 3;
    bool keep = false;
    QString dir = "/tmp";
    QString existing;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == "--size-mb" && i + 1 < args.size()) {
            sizeMb = args[++i].toLongLong();
        } else if (args[i] == "--runs" && i + 1 < args.size()) {
            runs = qMax(1, args[++i].toInt());
        } else if (args[i] == "--keep") {
            keep = true;
        } else if (args[i] == "--file" && i + 1 < args.size()) {
            existing = args[++i];
        } else {
            dir = args[i];
        }
    }
    const QString path =
        existing.isEmpty() ? QDir(dir).filePath("ostrel_bench_20x4.tavdata") : existing;
    if (existing.isEmpty()) {
        QElapsedTimer timer;
        timer.start();
        const qint64 records =
            TavBulkWriter::writeHistoryFile(path, sizeMb << 20, 4, 20, 1767225600u, 10);
        if (records < 0) {
            out << "cannot write " << path << "\n";
            return 1;
        }
        out << "file " << path << ": " << QFileInfo(path).size() << " bytes, " << records
            << " records, written in " << timer.nsecsElapsed() / 1e9 << " s\n";
    } else {
        keep = true;
        out << "file " << path << ": " << QFileInfo(path).size() << " bytes\n";
    }
    const qint64 size = QFileInfo(path).size();

    timeCatOnce(path); // warm the page cache
    QVector<double> cats;
    for (int i = 0; i < runs; ++i) {
        cats << timeCatOnce(path);
    }
    const double catSeconds = *std::min_element(cats.begin(), cats.end());
    out << "cat FILE > /dev/null (QProcess): " << catSeconds << " s (median " << median(cats)
        << "), " << size / catSeconds / 1e9 << " GB/s\n";
    out.flush();
    Timings plain, bare, sorted;
    for (int i = 0; i < runs; ++i) {
        plain.add(runChildOnce(path, "tavdata"));
        bare.add(runChildOnce(path, "bare"));
        sorted.add(runChildOnce(path, "sorted"));
    }
    report("TavData::readFromBinary", plain, size, catSeconds);
    report("SortedTavData::readTavData, no summaries", bare, size, catSeconds);
    report("SortedTavData::readTavData", sorted, size, catSeconds);
    if (!bare.failed && !sorted.failed) {
        const double fastest = sorted.best.seconds - bare.best.seconds;
        const double typical = median(sorted.all) - median(bare.all);
        out << "summaries: " << fastest << " s, " << 100 * fastest / bare.best.seconds
            << " % of the read without them (fastest runs); medians: " << typical << " s, "
            << 100 * typical / median(bare.all)
            << " %; processor time (medians): " << median(sorted.cpu) - median(bare.cpu) << " s, "
            << 100 * (median(sorted.cpu) / median(bare.cpu) - 1) << " %\n";
    }
    // Pairs of runs, one of each kind in turn.
    QVector<double> after;
    QVector<double> inside;
    for (int i = 0; i < runs; ++i) {
        for (const char* mode : {"split", "inside"}) {
            QProcess child;
            child.start(QCoreApplication::applicationFilePath(), {"--read-only", path, mode});
            if (!child.waitForFinished(-1) || child.exitCode() != 0)
                continue;
            const QList<QByteArray> parts = child.readAllStandardOutput().trimmed().split(' ');
            if (parts.value(0).toDouble() > 0)
                (qstrcmp(mode, "split") == 0 ? after : inside)
                    << 100 * parts.value(1).toDouble() / parts.value(0).toDouble();
        }
    }
    const auto share = [](const char* what, QVector<double> shares) {
        if (shares.isEmpty())
            return;
        std::sort(shares.begin(), shares.end());
        out << what << median(shares) << " % of the rest of the read (median; " << shares.first()
            << " to " << shares.last() << " %)\n";
    };
    share("summaries built after the read, timed in the same process: ", after);
    share("summaries as the viewer's read builds them, timed inside it: ", inside);
    if (!keep) {
        QFile::remove(path);
    }
    return 0;
}
