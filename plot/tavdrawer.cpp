#include "tavdrawer.h"

#include "messagerelay.h"
#include "plotconfig.h"
#include "plotlog.h"
#include "tavconfigpath.h"

#include <QDir>
#include <QImage>
#include <QThread>

namespace {

QPixmap loadIcon(const QString& path, int width)
{
    return QPixmap::fromImage(QImage(path).scaledToWidth(width, Qt::SmoothTransformation));
}

} // namespace

TavDrawer::TavDrawer(QWidget* parent) : QWidget(parent)
{
    setMinimumSize(480, 360);
    plotRight = width() - marginRight;
    plotBottom = height() - marginBottom;

    configPath = TavConfigPath::filePath();
    loadConfig();

    // Progress messages pass through a relay that coalesces them on the worker side: a
    // read that drops a million records must not queue a million events to this thread.
    // Its flush runs ahead of the finish signals, so the last message comes first.
    auto* relay = new MessageRelay(this);
    connect(&dataSet, &SortedTavData::pushInfoUpward, relay, &MessageRelay::push,
            Qt::DirectConnection);
    connect(&dataSet, &SortedTavData::readFinished, relay, &MessageRelay::flush,
            Qt::DirectConnection);
    connect(&dataSet, &SortedTavData::exportFinished, relay, &MessageRelay::flush,
            Qt::DirectConnection);
    connect(relay, &MessageRelay::message, this, &TavDrawer::pushInfoUpward);

    // Each request runs on the worker and then reports the worker idle, queued behind
    // whatever the request emitted: a failed export emits nothing, and the canvas must
    // still learn that the data set is free again.
    qRegisterMetaType<QList<int>>();
    connect(this, &TavDrawer::trigRead, &dataSet, [this](QString path) {
        dataSet.onReadTrigged(path);
        QMetaObject::invokeMethod(
            this, [this] { onWorkerIdle(); }, Qt::QueuedConnection);
    });
    connect(this, &TavDrawer::trigExport, &dataSet,
            [this](QString filePath, QList<int> indexList, qlonglong from, qlonglong to) {
                dataSet.onExportData(filePath, indexList, from, to);
                QMetaObject::invokeMethod(
                    this, [this] { onWorkerIdle(); }, Qt::QueuedConnection);
            });
    connect(&dataSet, &SortedTavData::readFinished, this, &TavDrawer::onTsdReadFinished);
    connect(&dataSet, &SortedTavData::exportFinished, this, &TavDrawer::exportFinished);

    setAttribute(Qt::WA_MouseTracking);
    vernPosA = 100;
    vernPosB = 200;

    valueFont = QFont(QStringLiteral("微软雅黑"), 10, QFont::Normal);
    unitFont = QFont(QStringLiteral("微软雅黑"), 12, QFont::Normal);
    titleFont = QFont(QStringLiteral("Times New Roman"), 14, QFont::Normal);
    vernFont = QFont(QStringLiteral("微软雅黑"), 11, QFont::Bold);
    lightWaterBrush = QBrush(QColor(0xFF, 0xFF, 0xFF), QPixmap(":/tav/water_mark_light.png"));
    darkWaterBrush = QBrush(QColor(0x20, 0x20, 0x20), QPixmap(":/tav/water_mark_dark.png"));
    sysIcon = loadIcon(QStringLiteral(":/pngs/sys_24px.png"), iconSize);
    errIcon = loadIcon(QStringLiteral(":/pngs/err_24px.png"), iconSize);
    solveIcon = loadIcon(QStringLiteral(":/pngs/solve_24px.png"), iconSize);
    userIcon = loadIcon(QStringLiteral(":/pngs/user_24px.png"), iconSize);
    unitTextY1 = QStaticText(QStringLiteral("℃"));
    unitTextY2 = QStaticText(QStringLiteral("%RH"));

    workerThread = new QThread;
    dataSet.moveToThread(workerThread);
    workerThread->start(QThread::InheritPriority);
}

// The worker may still be reading: it must be gone before dataSet is destroyed.
TavDrawer::~TavDrawer()
{
    workerThread->quit();
    workerThread->wait();
    delete workerThread;
}

void TavDrawer::readTAVData(QString path)
{
    qCDebug(lcPlot) << "TavDrawer::readTAVData" << path;
    if (busy) {
        // A read replaces the pending clear and read; an export asked earlier of the
        // current data still runs first.
        pendingReadSet = true;
        pendingRead = path;
        pendingClear = false;
        if (pendingExportSet)
            exportBeforeReset = true;
        return;
    }
    startRead(path);
}

void TavDrawer::startRead(const QString& path)
{
    clearNow();
    const QString name = QDir::toNativeSeparators(path).split(QDir::separator()).last();
    titleText.setText(name.split(QLatin1Char('.')).first());
    busy = true;
    reading = true;
    emit trigRead(path);
}

void TavDrawer::clear()
{
    if (busy) {
        // The latest wish wins: a clear cancels a read asked before it.
        pendingReadSet = false;
        pendingClear = true;
        if (pendingExportSet)
            exportBeforeReset = true;
        return;
    }
    clearNow();
}

void TavDrawer::clearNow()
{
    qCDebug(lcPlot) << "TavDrawer::clear";
    dataSet.clear();
    curveInfoList.clear();
    stampStart = 0;
    stampEnd = 0;
    onResetView();
    update();
}

void TavDrawer::exportData(QString filePath)
{
    if (busy) {
        pendingExportSet = true;
        pendingExport = filePath;
        exportBeforeReset = false;
        return;
    }
    startExport(filePath);
}

void TavDrawer::startExport(const QString& filePath)
{
    if (dataSet.status > 0)
        return;
    QList<int> indexList;
    for (int i = 0; i < dataSet.names.size(); ++i) {
        for (const CurveInfo& c : qAsConst(curveInfoList)) {
            if (c.ToDraw && c.CurveName == dataSet.names[i])
                indexList.append(i);
        }
    }
    qCDebug(lcPlot) << "TavDrawer::exportData" << indexList;
    busy = true;
    emit trigExport(filePath, indexList, stampStart, stampEnd);
}

void TavDrawer::onWorkerIdle()
{
    busy = false;
    runPending();
}

// Runs what waited for the worker, in the order it was asked.
void TavDrawer::runPending()
{
    if (busy)
        return;
    const bool reset = pendingClear || pendingReadSet;
    if (pendingExportSet && (exportBeforeReset || !reset)) {
        pendingExportSet = false;
        startExport(pendingExport);
        if (busy)
            return;
    }
    if (pendingReadSet) {
        pendingReadSet = false;
        pendingClear = false;
        startRead(pendingRead);
        return; // a pending export now waits for this read
    }
    if (pendingClear) {
        pendingClear = false;
        clearNow();
        pendingExportSet = false; // nothing left to export
    }
}

QPair<QStringList, QStringList> TavDrawer::fileInfo() const
{
    return {dataSet.infoNames, dataSet.infoValues};
}

void TavDrawer::stopThread()
{
    qCDebug(lcPlot) << "TavDrawer::stopThread";
    qCDebug(lcPlot) << "TavDrawer::stopThread Nothing Done";
}

bool TavDrawer::hasData() const
{
    return !reading && dataSet.status == 0;
}

void TavDrawer::loadConfig()
{
    PlotViewSettings s = viewSettings();
    PlotConfig::readView(configPath, s);
    setViewSettings(s);
}

void TavDrawer::saveConfig()
{
    PlotConfig::write(configPath, viewSettings(), curveInfoList);
}

PlotViewSettings TavDrawer::viewSettings() const
{
    PlotViewSettings s;
    s.DarkMode = DarkMode;
    s.WaterMark = WaterMark;
    s.upperLimits = upperLimits;
    s.lowerLimits = lowerLimits;
    s.xSplCount = xSplCount;
    s.ySplCount = ySplCount;
    s.DrawA = DrawA;
    s.DrawB = DrawB;
    s.allowDragX = allowDragX;
    s.allowZoomX = allowZoomX;
    s.allowDragY0 = allowDragY0;
    s.allowZoomY0 = allowZoomY0;
    s.allowDragY1 = allowDragY1;
    s.allowZoomY1 = allowZoomY1;
    s.showError = showError;
    s.showSys = showSys;
    s.showUser = showUser;
    return s;
}

void TavDrawer::setViewSettings(const PlotViewSettings& s)
{
    DarkMode = s.DarkMode;
    WaterMark = s.WaterMark;
    upperLimits = s.upperLimits;
    lowerLimits = s.lowerLimits;
    xSplCount = s.xSplCount;
    ySplCount = s.ySplCount;
    DrawA = s.DrawA;
    DrawB = s.DrawB;
    allowDragX = s.allowDragX;
    allowZoomX = s.allowZoomX;
    allowDragY0 = s.allowDragY0;
    allowZoomY0 = s.allowZoomY0;
    allowDragY1 = s.allowDragY1;
    allowZoomY1 = s.allowZoomY1;
    showError = s.showError;
    showSys = s.showSys;
    showUser = s.showUser;
}

void TavDrawer::applySavedCurves()
{
    PlotConfig::applyCurves(curveInfoList, PlotConfig::readCurves(configPath));
}

void TavDrawer::onTsdReadFinished(QString filePath)
{
    qCDebug(lcPlot) << "TavDrawer::onTsdReadFinished" << filePath;
    reading = false;
    if (dataSet.status > 0) {
        emit readFinished(QString());
        return;
    }
    dataSet.debugPrint();
    if (!dataSet.stamps.isEmpty()) {
        // Stamps may go back (a clock set back): the range spans the earliest to the latest.
        const QPair<qint64, qint64> range = dataSet.stampRange();
        stampStart = range.first;
        stampEnd = range.second;
    }
    curveInfoList.clear();
    for (const QString& name : qAsConst(dataSet.names)) {
        CurveInfo c;
        c.CurveName = name;
        curveInfoList.append(c);
    }
    applySavedCurves();
    vernPosA = 100;
    vernPosB = 200;
    update();
    emit readFinished(filePath);
}

void TavDrawer::onResetView()
{
    upperLimits.clear();
    lowerLimits.clear();
    PlotConfig::completeLimits(upperLimits, lowerLimits);
    if (!hasData() || dataSet.stamps.isEmpty())
        return;
    const QPair<qint64, qint64> range = dataSet.stampRange();
    stampStart = range.first;
    stampEnd = range.second;
    update();
}
