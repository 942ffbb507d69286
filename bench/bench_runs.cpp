// Memory of the runs of equal spacing.
//
//   bench_runs [DIR] [--samples N]
//
// Writes two files of N samples (default 3,000,000) of one variable into DIR (default
// /tmp): one regular (10 s throughout: one run) and one irregular (spacings 10, 10, 20, 20,
// 10, 10, ...: a run every two samples). Each is read through SortedTavData::readTavData;
// the heap in use is measured (mallinfo2) before and after the run lists are emptied, so
// the difference is what the runs cost, printed per run, beside the peak resident memory
// of the whole read (each read in a child process of its own).

#include "sortedtavdata.h"
#include "tavbulkwriter.h"
#include "tavwriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTextStream>

#include <malloc.h>

namespace {

QTextStream out(stdout);

qint64 heapInUse()
{
    const struct mallinfo2 m = mallinfo2();
    return qint64(m.uordblks) + qint64(m.hblkhd);
}

qint64 peakRssKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

bool writeFile(const QString& path, qint64 samples, bool regular)
{
    TavWriter header;
    header.marker('H');
    header.historyHeader(4, {QStringLiteral("T")}, {10});
    TavBulkWriter w(path);
    if (!w.isOpen() || !w.write(header.bytes))
        return false;
    constexpr quint32 T0 = 1767225600u;
    if (regular)
        return w.historyRecords(4, 1, samples, T0, 10) && w.finish();
    // Two records 10 s apart, then 10 s on; two records 20 s apart, then 20 s on; ...
    quint32 stamp = T0;
    for (qint64 i = 0; i < samples; i += 2) {
        const quint32 step = (i / 2) % 2 == 0 ? 10 : 20;
        if (!w.historyRecords(4, 1, std::min<qint64>(2, samples - i), stamp, step))
            return false;
        stamp += 2 * step;
    }
    return w.finish();
}

// Child side: "samples runs bytesPerRun peakKb".
int measure(const QString& path)
{
    SortedTavData set;
    if (set.readTavData(path) != 0)
        return 1;
    const int runs = set.spanIndexes.size();
    const qint64 before = heapInUse();
    set.spanIndexes = decltype(set.spanIndexes)();
    set.spanIntervals = decltype(set.spanIntervals)();
    const qint64 after = heapInUse();
    out << set.sampleCount << ' ' << runs << ' ' << (runs > 0 ? double(before - after) / runs : 0.0)
        << ' ' << peakRssKb() << '\n';
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.value(0) == QLatin1String("--measure"))
        return measure(args.value(1));
    QString dir = QStringLiteral("/tmp");
    qint64 samples = 3000000;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--samples") && i + 1 < args.size())
            samples = args[++i].toLongLong();
        else
            dir = args[i];
    }
    for (bool regular : {true, false}) {
        const QString path =
            QDir(dir).filePath(regular ? QStringLiteral("ostrel_runs_regular.tavdata")
                                       : QStringLiteral("ostrel_runs_irregular.tavdata"));
        if (!writeFile(path, samples, regular)) {
            out << "cannot write " << path << '\n';
            return 1;
        }
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--measure"), path});
        child.waitForFinished(-1);
        const QList<QByteArray> f = child.readAllStandardOutput().trimmed().split(' ');
        QFile::remove(path);
        if (child.exitCode() != 0 || f.size() < 4) {
            out << "the read of " << path << " failed\n";
            return 1;
        }
        out << (regular ? "regular:   " : "irregular: ") << f[0] << " samples, " << f[1]
            << " runs, " << f[2] << " bytes per run, peak RSS " << f[3].toLongLong() / 1024
            << " MiB\n";
        out.flush();
    }
    return 0;
}
