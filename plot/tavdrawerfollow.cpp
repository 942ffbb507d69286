// Following a recording that is still being written: the watch, the appends and the view.
#include "filefollower.h"
#include "followview.h"
#include "plotlog.h"
#include "plotmapping.h"
#include "tavdrawer.h"

#include <QDateTime>
#include <QDir>

namespace {

// The pixel whose time is closest to t in the mapping; the verniers stay at their times.
int pixelOf(const TimeMapping& tm, qint64 t)
{
    if (!tm.valid())
        return tm.left;
    const double x = double(t - tm.stampStart) * double(tm.right - tm.left) /
                         double(tm.stampEnd - tm.stampStart) +
                     double(tm.left);
    return int(std::lround(std::max(-1e6, std::min(1e6, x))));
}

} // namespace

void TavDrawer::setFollow(bool on)
{
    if (on == handoff.following())
        return;
    qCDebug(lcPlot) << "TavDrawer::setFollow" << on;
    run(handoff.requestFollow(on));
    emit followChanged(on);
}

bool TavDrawer::following() const
{
    return handoff.following();
}

void TavDrawer::startWatch(const QString& path)
{
    if (!follower) {
        follower = new FileFollower(this);
        connect(follower, &FileFollower::changed, this,
                [this](FileChange change) { run(handoff.fileChanged(change)); });
    }
    if (followIntervalMs > 0)
        follower->setInterval(followIntervalMs);
    // Growth since the read is taken at the first check.
    follower->start(path, dataSet.followConsumed(), dataSet.followConsumed());
    emit pushInfoUpward(tr("正在跟随 %1").arg(QDir::toNativeSeparators(path)), -1);
}

void TavDrawer::stopWatch()
{
    if (follower)
        follower->stop();
}

// Writes the worker's batch into the data set and keeps the view where the user wants it.
void TavDrawer::deliverAppend(const QString& path)
{
    const QPair<qint64, qint64> before = dataSet.stampRange();
    const int appended = dataSet.batch() ? dataSet.batch()->appended() : 0;
    const qint64 seen = dataSet.batch() ? dataSet.batch()->seenSize : -1;
    lastFollowNs = dataSet.batch() ? dataSet.batch()->workerNs : 0;
    if (!dataSet.applyBatch())
        return;
    if (follower)
        follower->setReadEnd(dataSet.followConsumed(), seen);
    const QPair<qint64, qint64> after = dataSet.stampRange();
    if (appended > 0)
        followViewTo(before, after);
    lastFollowArrival = QDateTime::currentDateTime();
    if (appended > 0 && toleranceCheckAfterRead)
        continueToleranceCheck();
    emit followUpdated(appended, false);
    if (appended > 0)
        emit pushInfoUpward(tr("正在跟随 %1，%2 收到%3个新样本")
                                .arg(QDir::toNativeSeparators(path),
                                     lastFollowArrival.toString(QStringLiteral("HH:mm:ss")))
                                .arg(appended),
                            -1);
}

void TavDrawer::followViewTo(const QPair<qint64, qint64>& before,
                             const QPair<qint64, qint64>& after)
{
    const TimeMapping old{stampStart, stampEnd, plotLeft, plotRight};
    const qint64 timeA = old.timeAt(vernPosA);
    const qint64 timeB = old.timeAt(vernPosB);
    const FollowView moved = FollowView::afterGrowth({stampStart, stampEnd}, before.first,
                                                     before.second, after.first, after.second);
    if (moved.stampStart != stampStart || moved.stampEnd != stampEnd) {
        stampStart = moved.stampStart;
        stampEnd = moved.stampEnd;
        const TimeMapping now{stampStart, stampEnd, plotLeft, plotRight};
        vernPosA = pixelOf(now, timeA);
        vernPosB = pixelOf(now, timeB);
    }
    update();
}

// A followed file read again: the view, curves and verniers stay where they were when the
// variables are the same; otherwise it is a new recording and reported as a read.
void TavDrawer::deliverFollowedRead(const QString& path)
{
    if (dataSet.incomingStatus() > 0) {
        dataSet.dropIncoming();
        emit pushInfoUpward(tr("正在跟随 %1：文件暂时无法读取，等待其再次变化。%2")
                                .arg(QDir::toNativeSeparators(path), lastReadMessage),
                            -1);
        return;
    }
    const QStringList names = dataSet.names;
    const QPair<qint64, qint64> before = dataSet.stampRange();
    dataSet.adoptIncoming();
    if (dataSet.names != names) {
        applyNewRecording(path);
        return;
    }
    followViewTo(before, dataSet.stampRange());
    applySavedTolerance();
    lastFollowArrival = QDateTime::currentDateTime();
    emit followUpdated(dataSet.sampleCount, true);
    emit pushInfoUpward(tr("正在跟随 %1，%2 已重新读取整个文件")
                            .arg(QDir::toNativeSeparators(path),
                                 lastFollowArrival.toString(QStringLiteral("HH:mm:ss"))),
                        -1);
}

void TavDrawer::reportFollowLost(const QString& path)
{
    emit pushInfoUpward(
        tr("%1 已不存在，实时跟随已停止；已读取的数据保留").arg(QDir::toNativeSeparators(path)),
        -1);
    emit followChanged(false);
}
