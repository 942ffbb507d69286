#pragma once

#include "vystatuslabel.h"
#include "windowmemory.h"

#include <QColor>
#include <QSplitter>
#include <QString>

class QCheckBox;
class QDateTimeEdit;
class QDoubleSpinBox;
class QLabel;
class QProgressBar;
class QSettings;
class QSpinBox;
class QTimer;
class QVBoxLayout;
class TavDrawer;
class VyIconButton;
class VyRecentList;
class VyTabCurve;
class VyTabEvent;
class VyTabInfo;
class VyTabStats;
class VyTabTolerance;
class VyTabVern;
struct OstrelParts;

// The main window: the canvas with its status row on the left, the side panel on the right.
class Ostrel : public QSplitter
{
    Q_OBJECT
public:
    // follow: the file at path is followed as it grows from the start.
    explicit Ostrel(const QString& path, bool follow = false);
    ~Ostrel() override;

    QString currentDir;
    QString currentStem;
    bool rightCollapsed = false;
    QColor headerColor = QColor(132, 194, 37);
    int readTimeoutTicks = 60;
    int readTickCount = 0;
    QTimer* readTimer = nullptr;
    TavDrawer* drawer = nullptr;
    VyStatusLabel* statusLabel = nullptr;
    QProgressBar* progressBar = nullptr;
    VyIconButton* collapseButton = nullptr;
    QVBoxLayout* canvasLayout = nullptr;
    VyTabInfo* tabInfo = nullptr;
    QCheckBox* checkDragX = nullptr;
    QCheckBox* checkZoomX = nullptr;
    QCheckBox* checkDragY0 = nullptr;
    QCheckBox* checkZoomY0 = nullptr;
    QCheckBox* checkDragY1 = nullptr;
    QCheckBox* checkZoomY1 = nullptr;
    QCheckBox* checkVernA = nullptr;
    QCheckBox* checkVernB = nullptr;
    VyTabVern* tabVern = nullptr;
    VyTabStats* tabStats = nullptr; // "区间统计" under the vernier table
    QDoubleSpinBox* spinUpperY1 = nullptr;
    QDoubleSpinBox* spinLowerY1 = nullptr;
    QDoubleSpinBox* spinUpperY2 = nullptr;
    QDoubleSpinBox* spinLowerY2 = nullptr;
    QSpinBox* spinGridX = nullptr;
    QSpinBox* spinGridY = nullptr;
    QDateTimeEdit* editStart = nullptr;
    QDateTimeEdit* editEnd = nullptr;
    QCheckBox* checkDark = nullptr;
    QCheckBox* checkFollow = nullptr;
    QCheckBox* checkWaterMark = nullptr;
    VyTabCurve* tabCurve = nullptr;
    QCheckBox* checkShowError = nullptr;
    QCheckBox* checkShowSys = nullptr;
    QCheckBox* checkShowUser = nullptr;
    VyTabEvent* tabEvent = nullptr;
    VyTabTolerance* tabTolerance = nullptr; // the tolerance page, the fifth
    QSettings* userSettings = nullptr;      // per-user: window state, dialog folders, recent files
    WindowMemory* windowMemory = nullptr;
    VyRecentList* recentList = nullptr; // the recent files on the file page

    // Period of one watchdog tick; only tests shorten it.
    void setWatchdogInterval(int ms) { watchdogInterval = ms; }

    void clearAll();
    void resetProgress();
    void loadStyleSheet(const QString& fileName);

public slots:
    void accMsg(QString msg, int percent);
    void onReadFinished(QString path);
    void onExportFinished(QString path);
    void onRepaintFinished();
    void onVernRefreshed();
    void onFollowUpdated(int samples, bool reread);
    void curveInfoChanged();
    void paintDataChanged();

private slots:
    void browseForOpenData();
    void browseForSaveData();
    void startFile(QString startFilePath);
    void timerCount();
    void collapsRight();
    void showFullScreen();
    void showWindowed();
    void toggleFullScreen();
    void screenShot();
    void exportReport();
    void refreshEvents();
    void moveVernA(int sft);
    void moveVernB(int sft);
    void saveSettings();

private:
    void createWidgets(OstrelParts& parts);
    void createStatusRow(OstrelParts& parts);
    void createFilePage(OstrelParts& parts);
    void createControlPage(OstrelParts& parts);
    void createChartPage(OstrelParts& parts);
    void createEventPage(OstrelParts& parts);
    void initEditors();
    void connectButtons(const OstrelParts& parts);
    void connectEditors(const OstrelParts& parts);
    void connectCanvas();
    void buildLayouts(OstrelParts& parts);
    QWidget* buildLeftPane(const OstrelParts& parts);
    QWidget* buildFilePage(const OstrelParts& parts);
    QWidget* buildControlPage(const OstrelParts& parts);
    QWidget* buildChartPage(const OstrelParts& parts);
    QWidget* buildEventPage(const OstrelParts& parts);
    QWidget* buildTolerancePage();
    void applyFonts(const OstrelParts& parts);
    void setValueEditorsBlocked(bool blocked);
    void registerFileType();
    void acceptDataFileDrops();
    void rememberWindow(const OstrelParts& parts);
    void addShortcuts(const OstrelParts& parts);
    QString proposedPath(WindowMemory::Dialog dialog, const QString& suffix) const;
    QString askSavePath(WindowMemory::Dialog dialog, const QString& caption, const QString& filter,
                        const QString& suffix);

    int watchdogInterval = 1000;
    QString loadedFile; // the file of the last completed read, for the report's title
};
