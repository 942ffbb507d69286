#pragma once

#include "curveaggregator.h"
#include "curveinfo.h"
#include "curvepainter.h"
#include "datasession.h"
#include "paintlanes.h"
#include "plotconfig.h"
#include "sortedtavdata.h"
#include "tolerancesettings.h"

#include <QBrush>
#include <QDateTime>
#include <QFont>
#include <QList>
#include <QPair>
#include <QPixmap>
#include <QPoint>
#include <QStaticText>
#include <QString>
#include <QStringList>
#include <QVector>
#include <QWidget>

class QPainter;
class ToleranceRunner;
class QThread;

// The plot canvas: curves of the loaded data set against time, two verniers, event
// markers. The main window and the side tables read and write the public state directly
// and repaint afterwards.
class TavDrawer : public QWidget
{
    Q_OBJECT
public:
    explicit TavDrawer(QWidget* parent = nullptr);
    ~TavDrawer() override;

    // Requests a read of a .tavdata or CSV file. A read or export still running is
    // superseded: nothing of it reaches the window.
    void readTAVData(QString path);
    // Drops the data and resets the view at once; a running read or export is superseded.
    void clear();
    // Requests a CSV export of the drawn curves over the visible range (only with data).
    // One asked while another runs waits for it.
    void exportData(QString filePath);
    QPair<QStringList, QStringList> fileInfo() const;
    // Follows the loaded file as it grows: what is appended is taken in, the view kept as
    // the user had it (see FollowView). Stays on across reads until turned off or until the
    // file disappears (followChanged(false) then).
    void setFollow(bool on);
    bool following() const;
    // Worker time of the last follow update or read, nanoseconds.
    qint64 lastFollowNs() const;
    // When data of the followed file last arrived.
    QDateTime lastFollowArrival;
    void stopThread();
    bool hasData() const;
    // The last progress message of the latest read: after a failed read, its reason.
    QString readFailureReason() const { return session.lastReadMessage; }
    // True from a read or export request until the worker reports back.
    bool workerBusy() const { return session.busy(); }

    // Reads the view settings from the user's file, or the installed default without one.
    void loadConfig();

    // Where saveConfig wrote: path is empty when nothing could be written; fellBack is set
    // when the user's file could not be written and the settings went to the per-user
    // folder instead, which is then the user's file.
    struct ConfigSave
    {
        QString path;
        bool fellBack = false;
    };
    ConfigSave saveConfig();
    // The file the settings are read from now.
    QString readConfigPath() const;

    // Paints the view as it stands (range, limits, curves, verniers, events) into painter
    // at area's size from (0, 0), on white and without the watermark, for paper. What the
    // screen shows and the window reads back is left as it was.
    void renderForPrint(QPainter& painter, const QSize& area);

    // True once after the configuration file was found damaged (some values fell back
    // to their defaults), so that the user is told once.
    bool takeConfigComplaint();
    static QString configComplaint();

    // The Y ranges a read and a reset return to: those of the configuration file, or
    // the defaults when it has none.
    QList<float> savedUpperLimits;
    QList<float> savedLowerLimits;

    // Plot geometry, pixels.
    int marginLeft = 50;
    int marginRight = 50;
    int marginTop = 53;
    int marginBottom = 50;
    int plotLeft = 50;
    int plotRight = 0;
    int plotTop = 53;
    int plotBottom = 0;

    // X range: the stamps shown at plotLeft and plotRight.
    qint64 stampStart = 0;
    qint64 stampEnd = 0;

    // Visible Y ranges, one entry per axis (0: "℃" left, 1: "%RH" right, more from the INI).
    QList<float> upperLimits;
    QList<float> lowerLimits;

    int xSplCount = 0;
    int ySplCount = 0;

    QList<CurveInfo> curveInfoList;

    // View flags, named after their INI keys.
    bool DarkMode = false;
    bool WaterMark = false;
    bool DrawA = true;
    bool DrawB = false;
    bool allowDragX = true;
    bool allowZoomX = true;
    bool allowDragY0 = true;
    bool allowZoomY0 = false;
    bool allowDragY1 = true;
    bool allowZoomY1 = false;
    bool showError = false;
    bool showSys = false;
    bool showUser = false;

    // Verniers: x pixel; stamp and per-drawn-curve readings (999.0: no reading) of the
    // last paint with data.
    int vernPosA = 100;
    int vernPosB = 200;
    qint64 vernStampA = 0;
    qint64 vernStampB = 0;
    QList<float> vernValuesA;
    QList<float> vernValuesB;

    bool fullScreen = false;

    // Tolerance verification of the loaded recording: its pairs and timing, and the results
    // of the last check (one per pair; empty while none matches the data and settings).
    ToleranceSettings tolerance;
    QVector<ToleranceResult> toleranceResults;
    // Off for callers that check on their own thread (the command-line tool): a read then
    // only fills in the pairs.
    bool toleranceCheckAfterRead = true;
    // Checks the recording against tolerance off the GUI thread; toleranceChecked follows
    // when the results come back. Every edit of tolerance's pairs or timing asks for one.
    void requestToleranceCheck();
    // The same after samples were appended: only they are checked, from the last hold or
    // ramp that was still open.
    void continueToleranceCheck();
    // A check runs or waits: toleranceResults are not yet those of the settings.
    bool toleranceCheckPending() const;

    // A gap between two samples is a pause, where the curve breaks, when it is longer than
    // this many seconds and longer than twice the shorter sampling interval beside it.
    int bridgeGap = 60;

    // The configuration files: the viewer's own unless a caller points elsewhere.
    // configPath: the user's file, read and written. defaultConfigPath: the settings
    // installed with the program, read while the user has no file, never written.
    // fallbackConfigPath: where a save goes when configPath cannot be written.
    QString configPath;
    QString defaultConfigPath;
    QString fallbackConfigPath;

    int iconSize = 18;
    QStaticText titleText;

    // The data set and its worker, shared in kind with the command-line tool.
    DataSession session;
    SortedTavData& dataSet{session.dataSet};
    // Milliseconds between checks of a followed file without notification; 0: the default.
    int& followIntervalMs{session.followIntervalMs};

    // --- interaction state (tavdrawerinput.cpp) ---
    bool mousePressed = false;
    int pressX = 0;
    int pressY = 0;
    bool hoverA = false;
    bool hoverB = false;
    bool dragA = false;
    bool dragB = false;
    int lastTipX = -1;
    int lastTipY = -1;
    QString lastTipText;
    float panRemainder = 0.0f;
    // --- end of interaction state ---

signals:
    void pushInfoUpward(QString info, int percent);
    void readFinished(QString filePath);
    void exportFinished(QString filePath);
    // The followed file brought appended samples (reread false) or was read again whole
    // (reread true; samples: the count now held). Tables that show the data set refresh.
    void followUpdated(int samples, bool reread);
    void followChanged(bool on);
    void repaintFinished();
    void vernRefreshed();
    void recoverWindow();
    // toleranceResults changed: results came back, or they were dropped with the recording
    // or with an edit of the settings.
    void toleranceChecked();

public slots:
    void onTsdReadFinished(QString filePath);
    void onRepaintRequestedByData();
    void onMoveView(int sft_x, int sft_y);
    void onMoveTCenter(qlonglong stamp);
    void onResetView();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void enterEvent(QEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Painting steps (tavdrawerpaint.cpp).
    bool paintView(QPainter& painter, const QSize& area);
    void paintGrid(QPainter& painter, const QPen& gridPen);
    void paintCurves(QPainter& painter);
    void readVerniers(const TimeBreaks& breaks);
    void prepareCurveJobs(int samples);
    struct CurveJob;
    void inkCurve(CurvePainter& ink, const CurveJob& job, const TimeBreaks& breaks,
                  QVector<CurveAggregator::Mark>& marks) const;
    void addLeads(CurvePainter& ink, const TimeBreaks& breaks, const float* values, int stretch,
                  const ValueMapping& vm) const;
    void paintFrame(QPainter& painter, const QSize& area, const QColor& background,
                    const QPen& axisPen);
    void paintLabels(QPainter& painter, int w);
    void paintEvents(QPainter& painter);
    void paintVerniers(QPainter& painter, const QColor& ink);
    const TimeBreaks& paintBreaks(int samples);

    // Hand-off (tavdrawer.cpp).
    void connectSession();
    void applyNewRecording(const QString& filePath);
    // Follow (tavdrawerfollow.cpp).
    void onReadDone(const QString& path, bool ok, bool followed, bool sameVariables,
                    const QPair<qint64, qint64>& before);
    void onAppendDone(const QString& path, int appended, const QPair<qint64, qint64>& before);
    void followViewTo(const QPair<qint64, qint64>& before, const QPair<qint64, qint64>& after);
    void clearView();
    void applySavedCurves();
    PlotViewSettings viewSettings() const;
    // Tolerance (tavdrawertolerance.cpp).
    void applySavedTolerance();
    void saveTolerance(const QString& path);
    void dropTolerance();
    void setViewSettings(const PlotViewSettings& s);

    // Painting resources.
    QFont valueFont;
    QFont unitFont;
    QFont titleFont;
    QFont vernFont;
    QBrush lightWaterBrush;
    QBrush darkWaterBrush;
    QPixmap sysIcon;
    QPixmap errIcon;
    QPixmap solveIcon;
    QPixmap userIcon;
    QStaticText unitTextY1;
    QStaticText unitTextY2;

    // Buffers reused by every paint.
    struct StretchView
    {
        int first;    // first sample of the stretch
        int last;     // last sample of the stretch
        int visFirst; // first sample at or after stampStart
        int visLast;  // last sample at or before stampEnd (visFirst - 1 when none)
        int columnOffset;
        int columnCount;
    };
    QVector<StretchView> stretchViews;
    QVector<CurveAggregator::Column> columnBuffer; // pixel columns of every visible stretch
    QVector<CurveAggregator::Mark> markBuffers[PaintLanes::MaxLanes]; // marks, one per lane
    struct CurveJob
    {
        const float* values = nullptr; // nullptr: the curve draws nothing
        const CurveSummary* summary = nullptr;
        ValueMapping vm;
    };
    QVector<CurveJob> curveJobs;
    QVector<CurvePainter> curveInks; // one per drawn curve
    QVector<int> coverTop;           // scratch of CurvePainter::hideCovered
    QVector<int> coverBottom;
    PaintLanes lanes;         // the curves' ink is built on two cores
    TimeBreaks ownBreaks;     // when the data set's do not fit (another bridgeGap)
    QVector<int> drawnCurves; // indexes of the curves drawn by the current paint

    ToleranceRunner* toleranceRunner = nullptr;
    quint64 toleranceGeneration = 1;
    // The configuration file was found damaged; complained: the user has been told.
    bool configDamaged = false;
    bool configComplained = false;
};
