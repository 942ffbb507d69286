// Reading speed of big .tavdata files.
//
//   bench_binaryread [DIR] [--size-mb N] [--runs R] [--keep]
//
// Writes a file of one History block (20 variables, layout 4, 10 s interval) of N MiB
// (default 1024) into DIR (default /tmp), warms the page cache, then times
//   - `cat FILE` with its output to /dev/null, run through QProcess,
//   - TavData::readFromBinary,
//   - SortedTavData::readTavData (the read plus the merge into one time line).
// Each read runs in a fresh child process (this program with --read-only), so that the
// peak resident memory (VmHWM) it reports belongs to the read alone. Each timing is run R
// times (default 3) and the fastest run is reported, with the median beside it, because
// the machine may be shared. GB/s is 1e9 bytes/s.

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

// Child side: one read, then "seconds peakKb samples" on stdout.
int readOnly(const QString& path, const QString& mode)
{
    QElapsedTimer timer;
    qint64 samples = 0;
    timer.start();
    if (mode == "sorted") {
        SortedTavData set;
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
    out << seconds << ' ' << peakRssKb() << ' ' << samples << '\n';
    return 0;
}

struct ReadFigures
{
    double seconds = -1;
    qint64 peakKb = -1;
    qint64 samples = -1;
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
    return f;
}

double median(QVector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? -1 : v[v.size() / 2];
}

// The fastest of runs reads; seconds of every run in `all`.
ReadFigures runChild(const QString& path, const QString& mode, int runs, QVector<double>& all)
{
    ReadFigures best;
    for (int i = 0; i < runs; ++i) {
        const ReadFigures f = runChildOnce(path, mode);
        if (f.seconds < 0) {
            return f;
        }
        all << f.seconds;
        best = best.seconds < 0 || f.seconds < best.seconds ? f : best;
    }
    return best;
}

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

void report(const char* label, const ReadFigures& f, const QVector<double>& all, qint64 size,
            double catSeconds)
{
    if (f.seconds < 0) {
        out << label << ": the read failed\n";
        return;
    }
    out << label << ": " << f.seconds << " s (median " << median(all) << "), "
        << size / f.seconds / 1e9 << " GB/s, " << f.seconds / catSeconds << " x cat, peak RSS "
        << f.peakKb / 1024 << " MiB (" << f.peakKb * 1024.0 / size << " x file), " << f.samples
        << " samples\n";
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
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == "--size-mb" && i + 1 < args.size()) {
            sizeMb = args[++i].toLongLong();
        } else if (args[i] == "--runs" && i + 1 < args.size()) {
            runs = qMax(1, args[++i].toInt());
        } else if (args[i] == "--keep") {
            keep = true;
        } else {
            dir = args[i];
        }
    }
    const QString path = QDir(dir).filePath("ostrel_bench_20x4.tavdata");

    QElapsedTimer timer;
    timer.start();
    const qint64 records =
        TavBulkWriter::writeHistoryFile(path, sizeMb << 20, 4, 20, 1767225600u, 10);
    if (records < 0) {
        out << "cannot write " << path << "\n";
        return 1;
    }
    const qint64 size = QFileInfo(path).size();
    out << "file " << path << ": " << size << " bytes, " << records << " records, written in "
        << timer.nsecsElapsed() / 1e9 << " s\n";

    timeCatOnce(path); // warm the page cache
    QVector<double> cats;
    for (int i = 0; i < runs; ++i) {
        cats << timeCatOnce(path);
    }
    const double catSeconds = *std::min_element(cats.begin(), cats.end());
    out << "cat FILE > /dev/null (QProcess): " << catSeconds << " s (median " << median(cats)
        << "), " << size / catSeconds / 1e9 << " GB/s\n";
    out.flush();
    QVector<double> all;
    const ReadFigures plain = runChild(path, "tavdata", runs, all);
    report("TavData::readFromBinary", plain, all, size, catSeconds);
    out.flush();
    all.clear();
    const ReadFigures sorted = runChild(path, "sorted", runs, all);
    report("SortedTavData::readTavData", sorted, all, size, catSeconds);
    if (!keep) {
        QFile::remove(path);
    }
    return 0;
}
