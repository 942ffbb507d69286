// What following a growing recording costs, against reading it whole.
//
//   bench_follow [DIR] [--size-mb N] [--updates U] [--records K] [--gui-samples M]
//                [--idle-seconds S]
//
// 1. A .tavdata recording of N MiB (default 256) with 20 variables is written to DIR (default
//    /tmp) and read whole as the viewer reads it (worker read, then adoption).
// 2. U times (default 20), K records (default 1000) are appended to the file, and the
//    update is timed as the viewer runs it: the worker's decode, then the GUI thread's
//    step that writes the batch into the data set and extends the summaries. Printed: each
//    side's median and worst, and the update's median as a share of the whole read. The first
//    update is shown on its own: it finds room to grow in the columns the read left (the
//    viewer asks for it when it reads a file it follows), or moves them into such room.
// 3. The GUI thread's step alone, for K samples appended to a data set of M samples (default
//    100,000,000) of one variable, built in memory.
// 4. An unchanged file followed for S seconds (default 10) with the default interval: the
//    process's CPU time (user + system) as a share of one core.
// Times are wall clock on a shared machine: compare the ratios, not the seconds.

#include "appendbatch.h"
#include "filefollower.h"
#include "sortedtavdata.h"
#include "summarybuilder.h"
#include "tavwriter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <sys/resource.h>

namespace {

QTextStream out(stdout);
constexpr int Variables = 20;
constexpr quint16 Version = 4;

// K records after stamp, appended to the file; returns the next stamp.
quint32 appendRecords(QFile& file, quint32 stamp, int records)
{
    TavWriter w;
    QVector<qint32> raws(Variables);
    for (int r = 0; r < records; ++r) {
        for (int v = 0; v < Variables; ++v)
            raws[v] = qint32((stamp * 7 + quint32(v) * 13) % 2000) - 500;
        w.historyRecord(Version, stamp, raws);
        stamp += 60;
    }
    file.write(w.bytes);
    file.flush();
    return stamp;
}

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double median(QVector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0.0 : v.at(v.size() / 2);
}

double worst(const QVector<double>& v)
{
    return v.isEmpty() ? 0.0 : *std::max_element(v.cbegin(), v.cend());
}

void guiStepAt(int samples, int records)
{
    SortedTavData set;
    set.names << QStringLiteral("温度");
    set.stamps.reserve(samples + 64 * records);
    set.stamps.resize(samples);
    QVector<float> column;
    column.reserve(samples + 64 * records);
    column.resize(samples);
    for (int i = 0; i < samples; ++i) {
        set.stamps[i] = 1700000000LL + qint64(i) * 60;
        column[i] = float(i % 1000) * 0.1f;
    }
    set.values << column;
    column = QVector<float>();
    set.sampleCount = samples;
    set.status = 0;
    SummaryBuilder::build(set);
    QVector<double> ms;
    for (int u = 0; u < 20; ++u) {
        AppendBatch batch;
        batch.heldCount = set.stamps.size();
        for (int r = 0; r < records; ++r)
            batch.stamps << set.stamps.last() + 60 * (r + 1);
        batch.values.resize(1);
        batch.values[0].fill(21.5f, records);
        QElapsedTimer t;
        t.start();
        AppendApply::apply(set, batch);
        ms << t.nsecsElapsed() / 1e6;
    }
    out << QStringLiteral("GUI step at %1 samples, %2 appended: median %3 ms, worst %4 ms\n")
               .arg(samples)
               .arg(records)
               .arg(median(ms), 0, 'f', 3)
               .arg(worst(ms), 0, 'f', 3);
    out.flush();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    QString dir = QStringLiteral("/tmp");
    int sizeMb = 256, updates = 20, records = 1000, idleSeconds = 10;
    qint64 guiSamples = 100000000;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        const QString next = args.value(i + 1);
        if (a == "--size-mb")
            sizeMb = next.toInt(), ++i;
        else if (a == "--updates")
            updates = next.toInt(), ++i;
        else if (a == "--records")
            records = next.toInt(), ++i;
        else if (a == "--gui-samples")
            guiSamples = next.toLongLong(), ++i;
        else if (a == "--idle-seconds")
            idleSeconds = next.toInt(), ++i;
        else
            dir = a;
    }

    const QString path = dir + QStringLiteral("/ostrel_follow_20.tavdata");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        out << "cannot write " << path << "\n";
        return 1;
    }
    TavWriter head;
    head.marker('I');
    head.globalItem(QStringLiteral("设备型号"), QStringLiteral("OTC-408"));
    head.marker('H');
    QStringList names;
    for (int v = 0; v < Variables; ++v)
        names << QStringLiteral("变量%1").arg(v);
    head.historyHeader(Version, names, QVector<quint32>(Variables, 10));
    file.write(head.bytes);
    const qint64 recordBytes = TavWriter::recordLength(Version, Variables);
    const qint64 total = (qint64(sizeMb) << 20) / recordBytes;
    quint32 stamp = 1600000000u;
    for (qint64 done = 0; done < total; done += 100000)
        stamp = appendRecords(file, stamp, int(std::min<qint64>(100000, total - done)));
    out << QStringLiteral("%1: %2 records of %3 variables, %4 MiB\n")
               .arg(path)
               .arg(total)
               .arg(Variables)
               .arg(file.size() >> 20);
    out.flush();

    SortedTavData set;
    // As the viewer reads a file it follows: the columns keep room for the appends.
    set.limits.growRoom = true;
    QElapsedTimer t;
    t.start();
    set.onReadTrigged(path);
    set.adoptIncoming();
    const double readMs = t.nsecsElapsed() / 1e6;
    if (set.status != 0) {
        out << "the read failed\n";
        return 1;
    }
    out << QStringLiteral("whole read: %1 ms\n").arg(readMs, 0, 'f', 1);

    QVector<double> worker, gui, sum;
    for (int u = 0; u <= updates; ++u) {
        stamp = appendRecords(file, stamp, records);
        t.restart();
        set.onAppendTrigged(path);
        const double w = t.nsecsElapsed() / 1e6;
        const bool moved = set.batch() && set.batch()->grown;
        t.restart();
        if (!set.applyBatch()) {
            out << "update " << u << " could not be appended\n";
            return 1;
        }
        const double g = t.nsecsElapsed() / 1e6;
        if (u == 0) {
            out << QStringLiteral("first update (%1): worker %2 ms, GUI %3 ms, %4 of the whole "
                                  "read\n")
                       .arg(moved ? QStringLiteral("columns moved into room to grow")
                                  : QStringLiteral("the read left room to grow"))
                       .arg(w, 0, 'f', 3)
                       .arg(g, 0, 'f', 3)
                       .arg((w + g) / readMs, 0, 'f', 4);
            continue;
        }
        worker << w;
        gui << g;
        sum << w + g;
    }
    out << QStringLiteral("%1 updates of %2 records: worker median %3 ms (worst %4), GUI median "
                          "%5 ms (worst %6); update / whole read = %7 (median), %8 (worst)\n")
               .arg(updates)
               .arg(records)
               .arg(median(worker), 0, 'f', 3)
               .arg(worst(worker), 0, 'f', 3)
               .arg(median(gui), 0, 'f', 3)
               .arg(worst(gui), 0, 'f', 3)
               .arg(median(sum) / readMs, 0, 'f', 4)
               .arg(worst(sum) / readMs, 0, 'f', 4);
    out.flush();
    file.close();

    if (idleSeconds > 0) {
        FileFollower follower;
        follower.start(path, set.followConsumed(), QFile(path).size());
        int changes = 0;
        QObject::connect(&follower, &FileFollower::changed, [&changes] { ++changes; });
        const double cpu0 = cpuSeconds();
        t.restart();
        QTimer::singleShot(idleSeconds * 1000, &app, &QCoreApplication::quit);
        app.exec();
        const double share = (cpuSeconds() - cpu0) / (t.nsecsElapsed() / 1e9);
        out << QStringLiteral("idle follow for %1 s: %2 % of a core, %3 changes reported\n")
                   .arg(idleSeconds)
                   .arg(share * 100, 0, 'f', 3)
                   .arg(changes);
        out.flush();
    }
    set.clear();
    if (guiSamples > 0)
        guiStepAt(int(guiSamples), records);
    QFile::remove(path);
    return 0;
}
