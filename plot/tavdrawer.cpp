#include "tavdrawer.h"

#include "fontstandin.h"
#include "messagerelay.h"
#include "plotconfig.h"
#include "plotlog.h"
#include "tavconfigpath.h"
#include "tolerancerunner.h"

#include <QDir>
#include <QFileInfo>
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
    defaultConfigPath = TavConfigPath::installedFilePath();
    fallbackConfigPath = TavConfigPath::userFilePath();
    loadConfig();

    // Progress messages pass through a relay that coalesces them on the worker side: a
    // read that drops a million records must not queue a million events to this thread.
    // Its flush runs ahead of the finish signals, so the last message comes first.
    relay = new MessageRelay(this);
    connect(&dataSet, &SortedTavData::pushInfoUpward, relay, &MessageRelay::push,
            Qt::DirectConnection);
    connect(&dataSet, &SortedTavData::readFinished, relay, &MessageRelay::flush,
            Qt::DirectConnection);
    connect(&dataSet, &SortedTavData::exportFinished, relay, &MessageRelay::flush,
            Qt::DirectConnection);
    connect(relay, &MessageRelay::message, this, &TavDrawer::pushInfoUpward);
    connect(relay, &MessageRelay::message, this,
            [this](const QString& info) { lastReadMessage = info; });

    // Each job runs on the worker and then reports the worker idle, queued behind
    // whatever the job emitted. The hand-off decides whether its outcome is still wanted.
    qRegisterMetaType<QList<int>>();
    connect(this, &TavDrawer::trigRead, &dataSet, [this](QString path) {
        dataSet.onReadTrigged(path);
        QMetaObject::invokeMethod(
            this, [this] { onWorkerDone(false); }, Qt::QueuedConnection);
    });
    connect(this, &TavDrawer::trigExport, &dataSet,
            [this](QString filePath, QList<int> indexList, qlonglong from, qlonglong to) {
                bool written = false;
                const QMetaObject::Connection c = connect(
                    &dataSet, &SortedTavData::exportFinished, &dataSet,
                    [&written] { written = true; }, Qt::DirectConnection);
                dataSet.onExportData(filePath, indexList, from, to);
                disconnect(c);
                QMetaObject::invokeMethod(
                    this, [this, written] { onWorkerDone(written); }, Qt::QueuedConnection);
            });

    setAttribute(Qt::WA_MouseTracking);
    vernPosA = 100;
    vernPosB = 200;

    valueFont = QFont(QStringLiteral("微软雅黑"), 10, QFont::Normal);
    unitFont = QFont(QStringLiteral("微软雅黑"), 12, QFont::Normal);
    titleFont = QFont(QStringLiteral("Times New Roman"), 14, QFont::Normal);
    vernFont = QFont(QStringLiteral("微软雅黑"), 11, QFont::Bold);
    // Before any of them is used: what stands in for a missing family must draw every text
    // of the canvas, whatever the locale.
    for (const QFont* font : {&valueFont, &unitFont, &titleFont, &vernFont})
        FontStandIn::settle(font->family());
    lightWaterBrush = QBrush(QColor(0xFF, 0xFF, 0xFF), QPixmap(":/tav/water_mark_light.png"));
    darkWaterBrush = QBrush(QColor(0x20, 0x20, 0x20), QPixmap(":/tav/water_mark_dark.png"));
    sysIcon = loadIcon(QStringLiteral(":/pngs/sys_24px.png"), iconSize);
    errIcon = loadIcon(QStringLiteral(":/pngs/err_24px.png"), iconSize);
    solveIcon = loadIcon(QStringLiteral(":/pngs/solve_24px.png"), iconSize);
    userIcon = loadIcon(QStringLiteral(":/pngs/user_24px.png"), iconSize);
    unitTextY1 = QStaticText(QStringLiteral("℃"));
    unitTextY2 = QStaticText(QStringLiteral("%RH"));

    toleranceRunner = new ToleranceRunner(this);
    connect(toleranceRunner, &ToleranceRunner::resultsCleared, this, [this] {
        toleranceResults.clear();
        update();
        emit toleranceChecked();
    });
    connect(toleranceRunner, &ToleranceRunner::resultsReady, this,
            [this](const QVector<ToleranceResult>& results) {
                toleranceResults = results;
                update();
                emit toleranceChecked();
            });

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
    run(handoff.requestRead(path));
}

void TavDrawer::clear()
{
    qCDebug(lcPlot) << "TavDrawer::clear";
    run(handoff.requestClear());
}

void TavDrawer::exportData(QString filePath)
{
    if (!hasData())
        return;
    ExportJob job;
    job.filePath = filePath;
    for (int i = 0; i < dataSet.names.size(); ++i) {
        for (const CurveInfo& c : qAsConst(curveInfoList)) {
            if (c.ToDraw && c.CurveName == dataSet.names[i])
                job.indexList.append(i);
        }
    }
    job.stampStart = stampStart;
    job.stampEnd = stampEnd;
    qCDebug(lcPlot) << "TavDrawer::exportData" << job.indexList;
    run(handoff.requestExport(job));
}

void TavDrawer::onWorkerDone(bool exportWritten)
{
    run(handoff.workerDone(), exportWritten);
}

// Carries out what the hand-off decided, in its order. A failed export has reported
// itself through its progress message; it has no finish to report.
void TavDrawer::run(const WorkerHandoff::Steps& steps, bool exportWritten)
{
    for (const WorkerHandoff::Step& s : steps) {
        switch (s.kind) {
        case WorkerHandoff::Step::ClearView:
            clearView();
            break;
        case WorkerHandoff::Step::ClearData:
            dataSet.clear();
            break;
        case WorkerHandoff::Step::MuteWorker:
            relay->setMuted(true);
            break;
        case WorkerHandoff::Step::StartRead:
            relay->setMuted(false);
            lastReadMessage.clear();
            emit trigRead(s.path);
            break;
        case WorkerHandoff::Step::StartExport:
            relay->setMuted(false);
            emit trigExport(s.job.filePath, s.job.indexList, s.job.stampStart, s.job.stampEnd);
            break;
        case WorkerHandoff::Step::DeliverRead:
            onTsdReadFinished(s.path);
            break;
        case WorkerHandoff::Step::DeliverExport:
            if (exportWritten)
                emit exportFinished(s.path);
            break;
        case WorkerHandoff::Step::DropRead:
            dataSet.dropIncoming();
            break;
        case WorkerHandoff::Step::RefuseExport:
            emit pushInfoUpward(
                tr("%1 未导出：正在读取文件，请读取完成后再导出").arg(s.job.filePath), -1);
            break;
        }
    }
}

void TavDrawer::clearView()
{
    dropTolerance();
    curveInfoList.clear();
    stampStart = 0;
    stampEnd = 0;
    onResetView();
    update();
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
    return handoff.dataSetReadable() && dataSet.status == 0;
}

void TavDrawer::loadConfig()
{
    PlotViewSettings s = viewSettings();
    configDamaged = PlotConfig::readView(readConfigPath(), s) || configDamaged;
    setViewSettings(s);
    savedUpperLimits = upperLimits;
    savedLowerLimits = lowerLimits;
}

TavDrawer::ConfigSave TavDrawer::saveConfig()
{
    ConfigSave saved;
    if (PlotConfig::write(configPath, viewSettings(), curveInfoList)) {
        saved.path = configPath;
    } else if (!fallbackConfigPath.isEmpty() && fallbackConfigPath != configPath) {
        QDir().mkpath(QFileInfo(fallbackConfigPath).absolutePath());
        if (PlotConfig::write(fallbackConfigPath, viewSettings(), curveInfoList)) {
            // Later reads must find what was just saved.
            configPath = fallbackConfigPath;
            saved.path = configPath;
            saved.fellBack = true;
        }
    }
    if (saved.path.isEmpty())
        return saved;
    saveTolerance(saved.path);
    // What was saved is what the file now holds.
    savedUpperLimits = upperLimits;
    savedLowerLimits = lowerLimits;
    return saved;
}

QString TavDrawer::readConfigPath() const
{
    return TavConfigPath::readPath(configPath, defaultConfigPath);
}

bool TavDrawer::takeConfigComplaint()
{
    if (!configDamaged || configComplained)
        return false;
    configComplained = true;
    return true;
}

QString TavDrawer::configComplaint()
{
    return QStringLiteral("配置文件有误，已使用默认值");
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
    bool damaged = false;
    const QList<CurveInfo> saved = PlotConfig::readCurves(readConfigPath(), &damaged);
    if (PlotConfig::applyCurvesOrDrawAll(curveInfoList, saved))
        qCDebug(lcPlot) << "TavDrawer::applySavedCurves no saved curve matches, drawing all";
    configDamaged = configDamaged || damaged;
}

void TavDrawer::onTsdReadFinished(QString filePath)
{
    qCDebug(lcPlot) << "TavDrawer::onTsdReadFinished" << filePath;
    // A failed read leaves the recording on screen as it was. Without a set from the
    // worker, the data set was filled in place (tools and tests read on their own thread).
    const int status = dataSet.hasIncoming() ? dataSet.incomingStatus() : dataSet.status;
    if (status > 0) {
        dataSet.dropIncoming();
        emit readFinished(QString());
        return;
    }
    dataSet.adoptIncoming();
    dataSet.debugPrint();
    const QString name = QDir::toNativeSeparators(filePath).split(QDir::separator()).last();
    titleText.setText(name.split(QLatin1Char('.')).first());
    onResetView();
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
    applySavedTolerance();
    vernPosA = 100;
    vernPosB = 200;
    update();
    emit readFinished(filePath);
}

void TavDrawer::onResetView()
{
    upperLimits = savedUpperLimits;
    lowerLimits = savedLowerLimits;
    PlotConfig::completeLimits(upperLimits, lowerLimits);
    if (!hasData() || dataSet.stamps.isEmpty())
        return;
    const QPair<qint64, qint64> range = dataSet.stampRange();
    stampStart = range.first;
    stampEnd = range.second;
    update();
}
