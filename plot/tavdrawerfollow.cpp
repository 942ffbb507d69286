// The canvas's side of its data session: what each outcome does to the view, and the
// follow of a recording that is still being written.
#include "followview.h"
#include "plotlog.h"
#include "plotmapping.h"
#include "tavdrawer.h"

#include <QDateTime>
#include <QDir>

#include <cmath>

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

QString shownPath(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

void TavDrawer::connectSession()
{
    connect(&session, &DataSession::message, this, &TavDrawer::pushInfoUpward);
    connect(&session, &DataSession::cleared, this, &TavDrawer::clearView);
    connect(&session, &DataSession::readDone, this, &TavDrawer::onReadDone);
    connect(&session, &DataSession::appendDone, this, &TavDrawer::onAppendDone);
    connect(&session, &DataSession::exportDone, this, [this](const QString& path, bool written) {
        if (written)
            emit exportFinished(path);
    });
    connect(&session, &DataSession::exportRefused, this, [this](const QString& path) {
        emit pushInfoUpward(tr("%1 未导出：正在读取文件，请读取完成后再导出").arg(path), -1);
    });
    connect(&session, &DataSession::followStarted, this, [this](const QString& path) {
        emit pushInfoUpward(tr("正在跟随 %1").arg(shownPath(path)), -1);
    });
    connect(&session, &DataSession::followLost, this, [this](const QString& path) {
        emit pushInfoUpward(
            tr("%1 已不存在，实时跟随已停止；已读取的数据保留").arg(shownPath(path)), -1);
        emit followChanged(false);
    });
}

void TavDrawer::setFollow(bool on)
{
    if (on == session.following())
        return;
    qCDebug(lcPlot) << "TavDrawer::setFollow" << on;
    session.setFollow(on);
    emit followChanged(on);
}

bool TavDrawer::following() const
{
    return session.following();
}

qint64 TavDrawer::lastFollowNs() const
{
    return session.lastFollowNs;
}

// A read that failed leaves the recording on screen. A followed file read again keeps the
// view, curves and verniers when its variables are the same; otherwise it is a new
// recording to the view.
void TavDrawer::onReadDone(const QString& path, bool ok, bool followed, bool sameVariables,
                           const QPair<qint64, qint64>& before)
{
    qCDebug(lcPlot) << "TavDrawer::onReadDone" << path << ok << followed << sameVariables;
    if (!followed) {
        if (ok)
            applyNewRecording(path);
        else
            emit readFinished(QString());
        return;
    }
    if (!ok) {
        emit pushInfoUpward(tr("正在跟随 %1：文件暂时无法读取，等待其再次变化。%2")
                                .arg(shownPath(path), session.lastReadMessage),
                            -1);
        return;
    }
    if (!sameVariables) {
        applyNewRecording(path);
        return;
    }
    followViewTo(before, dataSet.stampRange());
    applySavedTolerance();
    lastFollowArrival = QDateTime::currentDateTime();
    emit followUpdated(dataSet.sampleCount, true);
    emit pushInfoUpward(
        tr("正在跟随 %1，%2 已重新读取整个文件")
            .arg(shownPath(path), lastFollowArrival.toString(QStringLiteral("HH:mm:ss"))),
        -1);
}

// The worker's batch is in the data set: the view goes where the user wants it.
void TavDrawer::onAppendDone(const QString& path, int appended, const QPair<qint64, qint64>& before)
{
    if (appended > 0) {
        followViewTo(before, dataSet.stampRange());
        if (toleranceCheckAfterRead)
            continueToleranceCheck();
    }
    update();
    lastFollowArrival = QDateTime::currentDateTime();
    emit followUpdated(appended, false);
    if (appended > 0)
        emit pushInfoUpward(
            tr("正在跟随 %1，%2 收到%n个新样本", nullptr, appended)
                .arg(shownPath(path), lastFollowArrival.toString(QStringLiteral("HH:mm:ss"))),
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
