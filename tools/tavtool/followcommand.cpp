#include "followcommand.h"

#include "commands.h"
#include "dumpjson.h"
#include "jsontext.h"
#include "tavdrawer.h"

#include <QCoreApplication>
#include <QSignalBlocker>
#include <QTimer>

#include <cstdio>

namespace {

struct FollowOptions
{
    QString path;
    int intervalMs = 1000;
    int idleSeconds = -1; // never
    bool withValues = false;
};

QString parseFollowOptions(const QStringList& args, FollowOptions& o)
{
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (a == QLatin1String("--values")) {
            o.withValues = true;
        } else if (a == QLatin1String("--interval") || a == QLatin1String("--idle")) {
            bool ok = false;
            const int v = i + 1 < args.size() ? args.at(i + 1).toInt(&ok) : 0;
            if (!ok || v < (a == QLatin1String("--idle") ? 0 : 10))
                return QStringLiteral("follow: %1 needs a number (%2)")
                    .arg(a, a == QLatin1String("--idle") ? QStringLiteral("seconds, 0 or more")
                                                         : QStringLiteral("ms, 10 or more"));
            (a == QLatin1String("--idle") ? o.idleSeconds : o.intervalMs) = v;
            ++i;
        } else if (a.startsWith(QLatin1String("--"))) {
            return QStringLiteral("follow: unknown option %1").arg(a);
        } else if (o.path.isEmpty()) {
            o.path = a;
        } else {
            return QStringLiteral("follow takes one FILE");
        }
    }
    return o.path.isEmpty() ? QStringLiteral("follow needs FILE") : QString();
}

// One line per update: what it took in and what is held now.
bool printUpdate(int update, bool reread, int appended, const SortedTavData& set, qint64 ns)
{
    QByteArray line = "{\"update\":" + QByteArray::number(update) +
                      ",\"reread\":" + (reread ? "true" : "false") +
                      ",\"appended\":" + QByteArray::number(appended) +
                      ",\"sampleCount\":" + QByteArray::number(set.sampleCount);
    const QPair<qint64, qint64> range = set.stampRange();
    line += ",\"firstStamp\":" + QByteArray::number(range.first) +
            ",\"lastStamp\":" + QByteArray::number(range.second) +
            ",\"errors\":" + QByteArray::number(set.errors.size()) +
            ",\"systemEvents\":" + QByteArray::number(set.systemEvents.size()) +
            ",\"userEvents\":" + QByteArray::number(set.userEvents.size()) + ",\"millis\":";
    JsonText::appendNumber(line, double(ns) / 1e6);
    line += "}\n";
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    return std::fflush(stdout) == 0 && !std::ferror(stdout);
}

} // namespace

int runFollow(const QStringList& args)
{
    FollowOptions o;
    const QString usage = parseFollowOptions(args, o);
    if (!usage.isEmpty())
        return toolError(usage, ExitUsage);

    // The viewer's canvas, never shown: its worker, hand-off and follow are the ones used.
    TavDrawer canvas;
    canvas.toleranceCheckAfterRead = false;
    canvas.followIntervalMs = o.intervalMs;
    InfoMessages messages;
    QObject::connect(&canvas, &TavDrawer::pushInfoUpward,
                     [&messages](const QString& info, int percent) {
                         messages.append(qMakePair(info, percent));
                     });
    int exitCode = ExitOk;
    int updates = 0;
    QTimer idle;
    idle.setSingleShot(true);
    if (o.idleSeconds >= 0)
        idle.setInterval(o.idleSeconds * 1000);
    const auto finish = [&exitCode](int code) {
        exitCode = code;
        QCoreApplication::exit(code);
    };
    QObject::connect(&idle, &QTimer::timeout, [&] {
        if (!writeDumpJson(stdout, canvas.dataSet, messages, o.withValues))
            return finish(toolError(QStringLiteral("cannot write the output"), ExitFailed));
        finish(ExitOk);
    });
    const auto restartIdle = [&] {
        if (o.idleSeconds >= 0)
            idle.start();
    };
    // What the last line reported: an update that changed none of it took in no new data.
    const auto counts = [&canvas] {
        const SortedTavData& s = canvas.dataSet;
        return QVector<qint64>{s.sampleCount,       s.errors.size(),    s.systemEvents.size(),
                               s.userEvents.size(), s.infoNames.size(), s.stampRange().second};
    };
    QVector<qint64> reported;
    QObject::connect(&canvas, &TavDrawer::readFinished, [&](const QString& path) {
        if (path.isEmpty()) {
            const QString reason = canvas.readFailureReason();
            return finish(
                toolError(QStringLiteral("cannot read %1: %2").arg(o.path, reason), ExitFailed));
        }
        if (updates == 0) {
            // Watched before the line goes out, so that whatever the line sets off is seen.
            canvas.setFollow(true);
            if (!printUpdate(0, true, canvas.dataSet.sampleCount, canvas.dataSet,
                             canvas.dataSet.readNs))
                return finish(toolError(QStringLiteral("cannot write the output"), ExitFailed));
            updates = 1;
            reported = counts();
            restartIdle();
        }
    });
    QObject::connect(&canvas, &TavDrawer::followUpdated, [&](int, bool reread) {
        const QVector<qint64> now = counts();
        if (now == reported && !reread)
            return;
        const int appended = int(now.first() - reported.value(0));
        const qint64 ns = reread ? canvas.dataSet.readNs : canvas.lastFollowNs();
        if (!printUpdate(updates++, reread, appended, canvas.dataSet, ns))
            return finish(toolError(QStringLiteral("cannot write the output"), ExitFailed));
        reported = now;
        restartIdle();
    });
    QObject::connect(&canvas, &TavDrawer::followChanged, [&](bool on) {
        if (!on)
            finish(
                toolError(QStringLiteral("%1 is gone; the follow ended").arg(o.path), ExitFailed));
    });
    canvas.readTAVData(o.path);
    QCoreApplication::exec();
    return exitCode;
}
