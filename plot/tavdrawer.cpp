#include "tavdrawer.h"

#include "fontstandin.h"
#include "plotconfig.h"
#include "plotlog.h"
#include "tavconfigpath.h"
#include "tolerancerunner.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>

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

    connectSession();

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
}

// The session, a member, stops its worker when it goes.
TavDrawer::~TavDrawer() = default;

void TavDrawer::readTAVData(QString path)
{
    qCDebug(lcPlot) << "TavDrawer::readTAVData" << path;
    session.read(path);
}

void TavDrawer::clear()
{
    qCDebug(lcPlot) << "TavDrawer::clear";
    session.clear();
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
    session.exportData(job);
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
    return session.dataSetReadable() && dataSet.status == 0;
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
    return tr("配置文件有误，已使用默认值");
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
    // The data set was filled in place (tests and fuzzing read on their own thread).
    if (dataSet.status > 0) {
        emit readFinished(QString());
        return;
    }
    applyNewRecording(filePath);
}

// The data set holds a recording new to the view: view, curves and verniers start afresh.
void TavDrawer::applyNewRecording(const QString& filePath)
{
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
