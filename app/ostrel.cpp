#include "ostrel.h"

#include "filedropfilter.h"
#include "fullscreenguard.h"
#include "headerlook.h"
#include "ostrellog.h"
#include "tavdrawer.h"
#include "viewnavigation.h"
#include "vybrandwidget.h"
#include "vygreenlabel.h"
#include "vyiconbutton.h"
#include "vyicontextbutton.h"
#include "vyrecentlist.h"
#include "vystatuslabel.h"
#include "vytabcurve.h"
#include "vytabevent.h"
#include "vytabinfo.h"
#include "vytabstats.h"
#include "vytabtolerance.h"
#include "vytabvern.h"
#include "vytolerancepairs.h"
#include "windowpaths.h"
#include "windowshortcuts.h"

#include "registerfiletype.h"
#include "statsrange.h"
#include "testreport.h"

#include <QAction>
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QDesktopServices>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QSettings>
#include <QSpinBox>
#include <QStyle>
#include <QTabWidget>
#include <QTableWidget>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

// The widgets the window builds but keeps no member for: created in one step of the
// constructor, connected in the next and laid out in the one after.
struct OstrelParts
{
    VyIconButton* screenshotButton = nullptr;
    VyIconButton* fullScreenButton = nullptr;
    VyBrandWidget* brand = nullptr;
    VyIconButton* regButton = nullptr;
    VyIconButton* openButton = nullptr;
    VyIconButton* saveButton = nullptr;
    VyIconButton* exportButton = nullptr;
    VyIconButton* clearButton = nullptr;
    VyIconButton* reportButton = nullptr;
    VyIconButton* navUp = nullptr;
    VyIconButton* navLeft = nullptr;
    VyIconButton* navHome = nullptr;
    VyIconButton* navRight = nullptr;
    VyIconButton* navDown = nullptr;
    VyGreenLabel* axisLabels[5] = {};
    VyIconButton* vernALeft = nullptr;
    VyIconButton* vernARight = nullptr;
    VyIconButton* vernBLeft = nullptr;
    VyIconButton* vernBRight = nullptr;
    VyIconButton* resetButton = nullptr;
    QLabel* eventIcons[3] = {};
    QTabWidget* tabs = nullptr;
    QWidget* leftPane = nullptr;
};

namespace {

const char* const DateTimeFormat = "yyyy/MM/dd hh:mm:ss";

// The sheet text is shared by the whole process, as one application has one look.
QString& styleSheetText()
{
    static QString text;
    return text;
}

VyIconButton* iconButton(const char* icon, int edge, const QString& tip = QString())
{
    auto* button = new VyIconButton(QIcon(QString::fromLatin1(icon)), QSize(edge, edge));
    button->setToolTip(tip);
    return button;
}

VyIconButton* textButton(const char* icon, const QString& text, const QString& tip = QString())
{
    auto* button = new VyIconTextButton(QIcon(QString::fromLatin1(icon)), text, QSize(28, 28));
    button->setToolTip(tip);
    return button;
}

QCheckBox* checkBox(const QString& text = QString())
{
    return new QCheckBox(text);
}

QLabel* eventIcon(const char* path)
{
    auto* label = new QLabel;
    label->setPixmap(
        QPixmap(QString::fromLatin1(path)).scaledToWidth(18, Qt::SmoothTransformation));
    return label;
}

qint64 utcStamp(const QDateTimeEdit* edit)
{
    QDateTime shown = edit->dateTime();
    shown.setOffsetFromUtc(0);
    return shown.toSecsSinceEpoch();
}

// The limit the canvas should take from a limit editor: its own when the editor still
// shows it (rounded to the editor's decimals), so that a change elsewhere on the page does
// not move the view by that rounding.
float editedLimit(const QDoubleSpinBox* spin, float current)
{
    const double shown =
        qBound(spin->minimum(), QString::number(double(current), 'f', spin->decimals()).toDouble(),
               spin->maximum());
    const double half = 0.5 * std::pow(10.0, -spin->decimals());
    return std::fabs(shown - spin->value()) < half ? current : float(spin->value());
}

void emptyTable(QTableWidget* table)
{
    table->clearContents();
    table->setRowCount(0);
}

QHBoxLayout* centredRow(QWidget* a, QWidget* b)
{
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(a);
    row->addStretch();
    row->addWidget(b);
    row->addStretch();
    return row;
}

QGroupBox* formGroup(const QString& title, const QString& label1, QWidget* field1,
                     const QString& label2, QWidget* field2)
{
    auto* group = new QGroupBox(title);
    auto* form = new QFormLayout(group);
    form->addRow(label1, field1);
    form->addRow(label2, field2);
    return group;
}

} // namespace

Ostrel::Ostrel(const QString& path, bool follow) : QSplitter(nullptr)
{
    qCDebug(lcOstrel) << "Ostrel::Ostrel" << QThread::currentThreadId();
    userSettings = WindowMemory::openUserSettings(this);
    OstrelParts parts;
    createWidgets(parts);
    initEditors();
    readTimer = new QTimer(this);
    readTimer->setSingleShot(false);
    connectButtons(parts);
    connectEditors(parts);
    connectCanvas();
    buildLayouts(parts);
    applyFonts(parts);
    loadStyleSheet(QStringLiteral(":/qss/common.qss"));
    setWindowTitle(QStringLiteral("Ostrel V1.0.8"));
    setWindowIcon(QIcon(QStringLiteral(":/pngs/ostrel.png")));
    setStretchFactor(0, 3);
    setStretchFactor(1, 0);
    parts.tabs->setCurrentIndex(2);
    parts.tabs->setCurrentIndex(0);
    canvasLayout->setContentsMargins(5, 5, 0, 0);

    acceptDataFileDrops();
    connect(new FullScreenGuard(drawer, this), &FullScreenGuard::returnRequested, this,
            &Ostrel::showWindowed);
    rememberWindow(parts);
    addShortcuts(parts);
    if (drawer->takeConfigComplaint())
        statusLabel->setText(TavDrawer::configComplaint());

    const QFileInfo start(path);
    if (follow)
        checkFollow->setChecked(true);
    if (!path.isEmpty() && start.isFile())
        startFile(path);
}

Ostrel::~Ostrel()
{
    // While shown full screen the canvas has no parent, so nothing else would release it.
    if (drawer && !drawer->parent())
        delete drawer;
}

// A file dropped on the window opens as one chosen in the open dialog would.
void Ostrel::acceptDataFileDrops()
{
    auto* dropFilter = new FileDropFilter(this);
    installEventFilter(dropFilter);
    setAcceptDrops(true);
    connect(dropFilter, &FileDropFilter::fileDropped, this, &Ostrel::startFile);
}

// Back where the user left it; saved again when it closes. The recent list opens its files
// as the open dialog would.
void Ostrel::rememberWindow(const OstrelParts& parts)
{
    windowMemory = new WindowMemory(userSettings, this, parts.tabs);
    windowMemory->restore();
    connect(recentList, &VyRecentList::openRequested, this, &Ostrel::startFile);
    connect(recentList, &VyRecentList::notice, statusLabel, &VyStatusLabel::setText);
}

// The full-screen plot is a window of its own: F11 and quitting work there too.
void Ostrel::addShortcuts(const OstrelParts& parts)
{
    auto* keys = new WindowShortcuts(this);
    connect(keys->add(QKeySequence::keyBindings(QKeySequence::Open), parts.openButton),
            &QAction::triggered, this, &Ostrel::browseForOpenData);
    connect(keys->add({QKeySequence(Qt::CTRL | Qt::Key_E)}, parts.exportButton),
            &QAction::triggered, this, &Ostrel::browseForSaveData);
    connect(keys->add({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)}, parts.screenshotButton),
            &QAction::triggered, this, &Ostrel::screenShot);
    connect(keys->add({QKeySequence(Qt::CTRL | Qt::Key_P)}, parts.reportButton),
            &QAction::triggered, this, &Ostrel::exportReport);
    QAction* fullScreen = keys->add({QKeySequence(Qt::Key_F11)}, parts.fullScreenButton);
    QAction* quit = keys->add(WindowShortcuts::quitKeys());
    drawer->addActions({fullScreen, quit});
    connect(fullScreen, &QAction::triggered, this, &Ostrel::toggleFullScreen);
    connect(quit, &QAction::triggered, this, &QWidget::close);
}

void Ostrel::createWidgets(OstrelParts& parts)
{
    drawer = new TavDrawer;
    createStatusRow(parts);
    createFilePage(parts);
    createControlPage(parts);
    createChartPage(parts);
    createEventPage(parts);
}

void Ostrel::createStatusRow(OstrelParts& parts)
{
    statusLabel = new VyStatusLabel(tr("等待打开文件"));
    progressBar = new QProgressBar;
    progressBar->setRange(0, 100);
    progressBar->setTextVisible(false);
    parts.screenshotButton = iconButton(":/pngs/screenshot.png", 24, tr("截图导出为PNG"));
    parts.fullScreenButton = iconButton(":/pngs/fullscreen.png", 24, tr("全屏显示"));
    collapseButton = iconButton(":/pngs/collaps.png", 24, tr("折叠右侧菜单"));
}

void Ostrel::createFilePage(OstrelParts& parts)
{
    parts.brand = new VyBrandWidget;
    parts.regButton = iconButton(":/pngs/reg.png", 26, tr("注册.tavdata文件格式"));
    parts.regButton->setFixedSize(34, 34);
    parts.regButton->setParent(parts.brand);
    parts.regButton->move(12, 10);
    parts.openButton = textButton(":/pngs/open.png", tr("打开文件"), tr("打开.tavdata文件"));
    parts.saveButton = textButton(":/pngs/save.png", tr("保存设置"), tr("保存曲线配置"));
    parts.exportButton = textButton(":/pngs/table.png", tr("导出数据"), tr("导出为CSV"));
    parts.clearButton = textButton(":/pngs/clear.png", tr("清空屏幕"), tr("清空画面中打开的曲线"));
    parts.reportButton = textButton(":/pngs/chart.png", tr("导出报告"), tr("导出PDF测试报告"));
    tabInfo = new VyTabInfo;
    recentList = new VyRecentList(userSettings);
}

void Ostrel::createControlPage(OstrelParts& parts)
{
    parts.navUp = iconButton(":/pngs/up.png", 26);
    parts.navLeft = iconButton(":/pngs/left.png", 26);
    parts.navHome = iconButton(":/pngs/home.png", 26);
    parts.navRight = iconButton(":/pngs/right.png", 26);
    parts.navDown = iconButton(":/pngs/down.png", 26);
    const QString axisTexts[5] = {tr("拖动"), tr("缩放"), tr("X轴"), tr("Y1轴"), tr("Y2轴")};
    for (int i = 0; i < 5; ++i)
        parts.axisLabels[i] = new VyGreenLabel(axisTexts[i]);
    checkDragX = checkBox();
    checkZoomX = checkBox();
    checkDragY0 = checkBox();
    checkZoomY0 = checkBox();
    checkDragY1 = checkBox();
    checkZoomY1 = checkBox();
    checkVernA = checkBox(tr("游标A"));
    checkVernB = checkBox(tr("游标B"));
    parts.vernALeft = iconButton(":/pngs/left.png", 26);
    parts.vernARight = iconButton(":/pngs/right.png", 26);
    parts.vernBLeft = iconButton(":/pngs/left.png", 26);
    parts.vernBRight = iconButton(":/pngs/right.png", 26);
    tabVern = new VyTabVern;
    tabStats = new VyTabStats;
}

void Ostrel::createChartPage(OstrelParts& parts)
{
    spinUpperY1 = new QDoubleSpinBox;
    spinLowerY1 = new QDoubleSpinBox;
    spinUpperY2 = new QDoubleSpinBox;
    spinLowerY2 = new QDoubleSpinBox;
    spinGridX = new QSpinBox;
    spinGridY = new QSpinBox;
    editStart = new QDateTimeEdit;
    editEnd = new QDateTimeEdit;
    parts.resetButton = textButton(":/pngs/reset.png", tr(" 重置"));
    checkDark = checkBox(tr("暗色背景"));
    checkFollow = new QCheckBox(tr("实时跟随"));
    checkFollow->setToolTip(tr("文件仍在写入时，随时读入新增的数据"));
    checkWaterMark = checkBox(tr("TAV水印"));
    tabCurve = new VyTabCurve;
}

void Ostrel::createEventPage(OstrelParts& parts)
{
    parts.eventIcons[0] = eventIcon(":/pngs/err_24px.png");
    parts.eventIcons[1] = eventIcon(":/pngs/sys_24px.png");
    parts.eventIcons[2] = eventIcon(":/pngs/user_24px.png");
    checkShowError = checkBox(tr("显示：故障及解除"));
    checkShowSys = checkBox(tr("显示：系统事件"));
    checkShowUser = checkBox(tr("显示：用户事件"));
    tabEvent = new VyTabEvent;
}

// Nothing is connected yet, so copying the canvas's settings repaints nothing.
void Ostrel::initEditors()
{
    checkDragX->setChecked(drawer->allowDragX);
    checkZoomX->setChecked(drawer->allowZoomX);
    checkDragY0->setChecked(drawer->allowDragY0);
    checkZoomY0->setChecked(drawer->allowZoomY0);
    checkDragY1->setChecked(drawer->allowDragY1);
    checkZoomY1->setChecked(drawer->allowZoomY1);
    checkVernA->setChecked(drawer->DrawA);
    checkVernB->setChecked(drawer->DrawB);
    checkDark->setChecked(drawer->DarkMode);
    checkWaterMark->setChecked(drawer->WaterMark);
    checkShowError->setChecked(drawer->showError);
    checkShowSys->setChecked(drawer->showSys);
    checkShowUser->setChecked(drawer->showUser);
    // Every limit the wheel and the drags can reach fits.
    for (QDoubleSpinBox* spin : {spinUpperY1, spinLowerY1, spinUpperY2, spinLowerY2})
        spin->setRange(-double(ViewNavigation::MaxYLimit), double(ViewNavigation::MaxYLimit));
    spinGridX->setRange(0, 99);
    spinGridY->setRange(0, 99);
    for (QDateTimeEdit* edit : {editStart, editEnd}) {
        edit->setDisplayFormat(QString::fromLatin1(DateTimeFormat));
        // Stamps are wall-clock times as recorded; the editor must not shift them.
        edit->setTimeSpec(Qt::UTC);
    }
}

void Ostrel::connectButtons(const OstrelParts& parts)
{
    connect(readTimer, &QTimer::timeout, this, &Ostrel::timerCount);
    connect(parts.screenshotButton, &QPushButton::clicked, this, &Ostrel::screenShot);
    connect(parts.fullScreenButton, &QPushButton::clicked, this, &Ostrel::showFullScreen);
    connect(collapseButton, &QPushButton::clicked, this, &Ostrel::collapsRight);
    connect(parts.regButton, &QPushButton::clicked, this, &Ostrel::registerFileType);
    connect(parts.openButton, &QPushButton::clicked, this, &Ostrel::browseForOpenData);
    connect(parts.saveButton, &QPushButton::clicked, this, &Ostrel::saveSettings);
    connect(parts.exportButton, &QPushButton::clicked, this, &Ostrel::browseForSaveData);
    connect(parts.clearButton, &QPushButton::clicked, this, &Ostrel::clearAll);
    connect(parts.reportButton, &QPushButton::clicked, this, &Ostrel::exportReport);
    connect(parts.navLeft, &QPushButton::clicked, parts.navLeft,
            [this] { drawer->onMoveView(-1, 0); });
    connect(parts.navRight, &QPushButton::clicked, parts.navRight,
            [this] { drawer->onMoveView(1, 0); });
    connect(parts.navUp, &QPushButton::clicked, parts.navUp, [this] { drawer->onMoveView(0, -1); });
    connect(parts.navDown, &QPushButton::clicked, parts.navDown,
            [this] { drawer->onMoveView(0, 1); });
    connect(parts.navHome, &QPushButton::clicked, drawer, &TavDrawer::onResetView);
}

// A save that lands elsewhere or nowhere says so: the user must not believe the settings
// kept when they were not.
void Ostrel::saveSettings()
{
    const QString wanted = drawer->configPath;
    const TavDrawer::ConfigSave saved = drawer->saveConfig();
    if (saved.path.isEmpty()) {
        QMessageBox::warning(this, QStringLiteral("Ostrel"),
                             tr("设置保存失败，无法写入 %1").arg(QDir::toNativeSeparators(wanted)),
                             QMessageBox::Ok);
        return;
    }
    const QString where = QDir::toNativeSeparators(saved.path);
    statusLabel->setText(
        saved.fellBack
            ? tr("%1 无法写入，设置已保存到 %2").arg(QDir::toNativeSeparators(wanted), where)
            : tr("%1 设置已保存").arg(where));
}

void Ostrel::connectEditors(const OstrelParts& parts)
{
    for (QCheckBox* box :
         {checkDragX, checkZoomX, checkDragY0, checkZoomY0, checkDragY1, checkZoomY1})
        connect(box, &QCheckBox::stateChanged, this, &Ostrel::paintDataChanged);
    auto nudge = [this](int& pos, int step) {
        pos += step;
        drawer->onRepaintRequestedByData();
    };
    connect(parts.vernALeft, &QPushButton::clicked, parts.vernALeft,
            [this, nudge] { nudge(drawer->vernPosA, -1); });
    connect(parts.vernARight, &QPushButton::clicked, parts.vernARight,
            [this, nudge] { nudge(drawer->vernPosA, 1); });
    connect(parts.vernBLeft, &QPushButton::clicked, parts.vernBLeft,
            [this, nudge] { nudge(drawer->vernPosB, -1); });
    connect(parts.vernBRight, &QPushButton::clicked, parts.vernBRight,
            [this, nudge] { nudge(drawer->vernPosB, 1); });
    for (QCheckBox* box : {checkVernA, checkVernB})
        connect(box, &QCheckBox::stateChanged, this, &Ostrel::paintDataChanged);
    for (QDoubleSpinBox* spin : {spinUpperY1, spinLowerY1, spinUpperY2, spinLowerY2})
        connect(spin, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
                &Ostrel::paintDataChanged);
    for (QSpinBox* spin : {spinGridX, spinGridY})
        connect(spin, QOverload<int>::of(&QSpinBox::valueChanged), this, &Ostrel::paintDataChanged);
    for (QDateTimeEdit* edit : {editStart, editEnd})
        connect(edit, &QDateTimeEdit::dateTimeChanged, this, &Ostrel::paintDataChanged);
    for (QCheckBox* box : {checkDark, checkWaterMark})
        connect(box, &QCheckBox::stateChanged, this, &Ostrel::paintDataChanged);
    connect(parts.resetButton, &QPushButton::clicked, drawer, &TavDrawer::onResetView);
    connect(tabCurve, &VyTabCurve::curveInfoChanged, this, &Ostrel::curveInfoChanged);
    // The flags must be in the canvas before the event list is rebuilt from them.
    for (QCheckBox* box : {checkShowError, checkShowSys, checkShowUser})
        connect(box, &QCheckBox::stateChanged, this, &Ostrel::paintDataChanged);
    for (QCheckBox* box : {checkShowError, checkShowSys, checkShowUser})
        connect(box, &QCheckBox::stateChanged, this, &Ostrel::refreshEvents);
    connect(tabEvent, &VyTabEvent::jumpToStamp, drawer, &TavDrawer::onMoveTCenter);
}

void Ostrel::connectCanvas()
{
    connect(drawer, &TavDrawer::recoverWindow, this, &Ostrel::showWindowed);
    connect(drawer, &TavDrawer::pushInfoUpward, this, &Ostrel::accMsg);
    connect(drawer, &TavDrawer::readFinished, this, &Ostrel::onReadFinished);
    connect(drawer, &TavDrawer::exportFinished, this, &Ostrel::onExportFinished);
    connect(drawer, &TavDrawer::repaintFinished, this, &Ostrel::onRepaintFinished);
    connect(drawer, &TavDrawer::vernRefreshed, this, &Ostrel::onVernRefreshed);
    connect(drawer, &TavDrawer::vernRefreshed, tabStats,
            [this] { tabStats->onVernRefreshed(drawer); });
    connect(checkFollow, &QCheckBox::toggled, drawer, &TavDrawer::setFollow);
    connect(drawer, &TavDrawer::followChanged, checkFollow, [this](bool on) {
        const QSignalBlocker blocker(checkFollow);
        checkFollow->setChecked(on);
    });
    connect(drawer, &TavDrawer::followUpdated, this, &Ostrel::onFollowUpdated);
    connect(drawer, &TavDrawer::readFinished, this, [this](const QString& path) {
        if (!path.isEmpty())
            loadedFile = path;
    });
}

void Ostrel::buildLayouts(OstrelParts& parts)
{
    parts.leftPane = buildLeftPane(parts);
    parts.tabs = new QTabWidget;
    parts.tabs->setIconSize(QSize(36, 36));
    parts.tabs->addTab(buildFilePage(parts), QIcon(QStringLiteral(":/tav/tav.png")), QString());
    parts.tabs->addTab(buildControlPage(parts), QIcon(QStringLiteral(":/pngs/control.png")),
                       QString());
    parts.tabs->addTab(buildChartPage(parts), QIcon(QStringLiteral(":/pngs/chart.png")), QString());
    parts.tabs->addTab(buildEventPage(parts), QIcon(QStringLiteral(":/pngs/event.png")), QString());
    parts.tabs->addTab(buildTolerancePage(), QIcon(QStringLiteral(":/pngs/tolerance.png")),
                       QString());
    addWidget(parts.leftPane);
    addWidget(parts.tabs);
}

QWidget* Ostrel::buildLeftPane(const OstrelParts& parts)
{
    auto* pane = new QWidget;
    canvasLayout = new QVBoxLayout(pane);
    canvasLayout->setSpacing(0);
    canvasLayout->setContentsMargins(5, 5, 0, 0);
    canvasLayout->addWidget(drawer, 1);
    progressBar->setAlignment(Qt::AlignCenter);
    progressBar->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    statusLabel->setIndent(6);
    statusLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    auto* row = new QHBoxLayout;
    row->addWidget(progressBar, 0);
    row->addWidget(statusLabel, 1);
    row->addStretch();
    row->addWidget(parts.screenshotButton);
    row->addSpacing(4);
    row->addWidget(parts.fullScreenButton);
    row->addWidget(collapseButton);
    canvasLayout->addLayout(row);
    return pane;
}

QWidget* Ostrel::buildFilePage(const OstrelParts& parts)
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(parts.brand);
    auto* row1 = new QHBoxLayout;
    row1->addWidget(parts.openButton);
    row1->addWidget(parts.saveButton);
    layout->addLayout(row1);
    auto* row2 = new QHBoxLayout;
    row2->addWidget(parts.exportButton);
    row2->addWidget(parts.clearButton);
    layout->addLayout(row2);
    auto* row3 = new QHBoxLayout;
    row3->addWidget(parts.reportButton);
    row3->addWidget(checkFollow);
    row3->addStretch();
    layout->addLayout(row3);
    layout->addWidget(tabInfo, 1);
    auto* recent = new QGroupBox(tr("最近打开"));
    auto* recentLayout = new QVBoxLayout(recent);
    recentLayout->setContentsMargins(0, 0, 0, 0);
    recentLayout->addWidget(recentList);
    layout->addWidget(recent);
    // The layout has placed the panel; the button sits over its corner, outside any layout.
    parts.regButton->raise();
    return page;
}

QWidget* Ostrel::buildControlPage(const OstrelParts& parts)
{
    auto* nav = new QGridLayout;
    nav->setSpacing(0);
    nav->addWidget(parts.navUp, 0, 1);
    nav->addWidget(parts.navLeft, 1, 0);
    nav->addWidget(parts.navHome, 1, 1);
    nav->addWidget(parts.navRight, 1, 2);
    nav->addWidget(parts.navDown, 2, 1);

    auto* axes = new QGridLayout;
    axes->addWidget(parts.axisLabels[0], 0, 1, Qt::AlignCenter);
    axes->addWidget(parts.axisLabels[1], 0, 2, Qt::AlignCenter);
    QCheckBox* boxes[3][2] = {
        {checkDragX, checkZoomX}, {checkDragY0, checkZoomY0}, {checkDragY1, checkZoomY1}};
    for (int r = 0; r < 3; ++r) {
        axes->addWidget(parts.axisLabels[2 + r], r + 1, 0, Qt::AlignRight | Qt::AlignVCenter);
        axes->addWidget(boxes[r][0], r + 1, 1, Qt::AlignCenter);
        axes->addWidget(boxes[r][1], r + 1, 2, Qt::AlignCenter);
    }

    auto vernGroup = [](QCheckBox* box, QWidget* left, QWidget* right) {
        auto* group = new QGroupBox;
        auto* grid = new QGridLayout(group);
        grid->addWidget(box, 0, 0, 1, 2, Qt::AlignCenter);
        grid->addWidget(left, 1, 0);
        grid->addWidget(right, 1, 1);
        return group;
    };

    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* top = new QHBoxLayout;
    top->addStretch();
    top->addLayout(nav);
    top->addStretch();
    top->addLayout(axes);
    top->addStretch();
    layout->addLayout(top);
    layout->addLayout(centredRow(vernGroup(checkVernA, parts.vernALeft, parts.vernARight),
                                 vernGroup(checkVernB, parts.vernBLeft, parts.vernBRight)));
    layout->addWidget(tabVern, 1);
    auto* stats = new QGroupBox(tr("区间统计"));
    auto* statsLayout = new QVBoxLayout(stats);
    statsLayout->setContentsMargins(0, 0, 0, 0);
    statsLayout->addWidget(tabStats);
    layout->addWidget(stats, 1);
    return page;
}

QWidget* Ostrel::buildChartPage(const OstrelParts& parts)
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* row1 = new QHBoxLayout;
    row1->addWidget(formGroup(tr("温度范围"), tr("Max"), spinUpperY1, tr("Min"), spinLowerY1));
    row1->addWidget(formGroup(tr("湿度范围"), tr("Max"), spinUpperY2, tr("Min"), spinLowerY2));
    layout->addLayout(row1);
    auto* row2 = new QHBoxLayout;
    row2->addWidget(formGroup(tr("网格"), tr("X"), spinGridX, tr("Y"), spinGridY));
    row2->addWidget(formGroup(tr("时间范围"), tr("起"), editStart, tr("止"), editEnd));
    layout->addLayout(row2);
    auto* background = new QGroupBox(tr("背景"));
    auto* backgroundRow = new QHBoxLayout(background);
    backgroundRow->addWidget(checkDark);
    backgroundRow->addWidget(checkWaterMark);
    auto* row3 = new QHBoxLayout;
    row3->addWidget(parts.resetButton);
    row3->addWidget(background);
    layout->addLayout(row3);
    layout->addWidget(tabCurve, 0);
    return page;
}

QWidget* Ostrel::buildEventPage(const OstrelParts& parts)
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    QCheckBox* boxes[3] = {checkShowError, checkShowSys, checkShowUser};
    for (int i = 0; i < 3; ++i) {
        auto* row = new QHBoxLayout;
        row->addWidget(parts.eventIcons[i]);
        row->addWidget(boxes[i]);
        row->addStretch();
        layout->addLayout(row);
    }
    layout->addWidget(tabEvent, 1);
    return page;
}

// The page works on the canvas itself; it follows the reads and centres the plot on a hold.
QWidget* Ostrel::buildTolerancePage()
{
    tabTolerance = new VyTabTolerance(drawer);
    connect(drawer, &TavDrawer::readFinished, tabTolerance, &VyTabTolerance::onReadFinished);
    connect(tabTolerance, &VyTabTolerance::jumpToStamp, drawer, &TavDrawer::onMoveTCenter);
    return tabTolerance;
}

void Ostrel::applyFonts(const OstrelParts& parts)
{
    setFont(QFont(QStringLiteral("微软雅黑")));
    QFont bold = font();
    bold.setWeight(76);
    for (VyGreenLabel* label : parts.axisLabels)
        label->setFont(bold);
    progressBar->setFont(bold);
    setHeaderLook(tabCurve, bold, headerColor);
    setHeaderLook(tabVern, bold, headerColor);
    setHeaderLook(tabStats, bold, headerColor);
    setHeaderLook(tabEvent, bold, headerColor);
    setHeaderLook(tabTolerance->pairsTable(), bold, headerColor);
    // The vernier and statistics tables share the control page: rows of the style's
    // default height leave both scrolling at the start size, so they take the text height.
    const int rowHeight = fontMetrics().height() + 4;
    for (QTableWidget* table :
         {static_cast<QTableWidget*>(tabVern), static_cast<QTableWidget*>(tabStats)}) {
        table->verticalHeader()->setMinimumSectionSize(rowHeight);
        table->verticalHeader()->setDefaultSectionSize(rowHeight);
    }
}

void Ostrel::loadStyleSheet(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return;
    style()->unpolish(this);
    styleSheetText() = QString::fromUtf8(file.readAll());
    setStyleSheet(styleSheetText());
    style()->polish(this);
    file.close();
}

// The recording on screen stays until the new one has been read: a file that cannot be
// read leaves the user with what they had.
void Ostrel::startFile(QString startFilePath)
{
    qCDebug(lcOstrel) << "Ostrel::startFile";
    recentList->add(startFilePath);
    drawer->readTAVData(startFilePath);
    if (readTimer->isActive())
        readTimer->stop();
    readTickCount = 0;
    readTimer->start(watchdogInterval);
}

void Ostrel::browseForOpenData()
{
    qCDebug(lcOstrel) << "Ostrel::browseForOpenData";
    const QString file = QFileDialog::getOpenFileName(
        this, tr("选择数据"),
        windowMemory->folder(WindowMemory::Dialog::Open, WindowPaths::openDialogFolder(currentDir)),
        tr("TavData (*.tavdata);;CSV (*.csv)"));
    if (file.isEmpty())
        return;
    windowMemory->useFolderOf(WindowMemory::Dialog::Open, file);
    startFile(file);
}

void Ostrel::accMsg(QString msg, int percent)
{
    statusLabel->setText(msg);
    if (percent < 0) {
        resetProgress();
        return;
    }
    progressBar->setValue(percent);
    progressBar->setTextVisible(true);
}

void Ostrel::resetProgress()
{
    progressBar->setValue(0);
    progressBar->setTextVisible(false);
}

void Ostrel::timerCount()
{
    ++readTickCount;
    qCDebug(lcOstrel) << "Ostrel::timerCount" << readTickCount;
    if (readTickCount < readTimeoutTicks)
        return;
    qCDebug(lcOstrel) << "Read Over Time!";
    if (readTimer->isActive())
        readTimer->stop();
    QMessageBox::warning(this, QStringLiteral("Ostrel"),
                         tr("读取过程滞缓，文件可能已经损坏，建议重启软件后重试。"),
                         QMessageBox::Ok);
    readTickCount = 0;
}

void Ostrel::onReadFinished(QString path)
{
    qCDebug(lcOstrel) << "OstrelTest::onReadFinished" << path;
    if (readTimer->isActive())
        readTimer->stop();
    readTickCount = 0;
    if (path.isEmpty()) {
        resetProgress();
        const QString reason = drawer->readFailureReason();
        QMessageBox::critical(this, QStringLiteral("Ostrel"),
                              reason.isEmpty() ? tr("文件读取失败！")
                                               : tr("文件读取失败！\n%1").arg(reason),
                              QMessageBox::Ok);
        return;
    }
    currentDir = QFileInfo(path).dir().path();
    currentStem = WindowPaths::fileStem(path);
    const QPair<QStringList, QStringList> info = drawer->fileInfo();
    tabInfo->setInfo(info.first, info.second);
    tabCurve->setCurves(drawer->curveInfoList);
    tabVern->resetRows(drawer->curveInfoList);
    refreshEvents();
    statusLabel->setText(drawer->takeConfigComplaint()
                             ? tr("%1 读取完成！ %2").arg(path, TavDrawer::configComplaint())
                             : tr("%1 读取完成！").arg(path));
    resetProgress();
}

// New samples or a new reading of the followed file: every table that shows the data set
// catches up; the curve and vernier rows stay, as the variables are the same.
void Ostrel::onFollowUpdated(int samples, bool reread)
{
    qCDebug(lcOstrel) << "Ostrel::onFollowUpdated" << samples << reread;
    const QPair<QStringList, QStringList> info = drawer->fileInfo();
    tabInfo->setInfo(info.first, info.second);
    refreshEvents();
    tabStats->onVernRefreshed(drawer);
}

void Ostrel::clearAll()
{
    // A read or export still running is dropped with the rest: nothing is left for the
    // watchdog to time, and its progress would stay on show.
    readTimer->stop();
    readTickCount = 0;
    resetProgress();
    drawer->clear();
    statusLabel->clear();
    emptyTable(tabInfo);
    emptyTable(tabCurve);
    emptyTable(tabVern);
    emptyTable(tabStats);
    emptyTable(tabEvent);
}

void Ostrel::setValueEditorsBlocked(bool blocked)
{
    const QList<QWidget*> editors = {spinUpperY1, spinLowerY1, spinUpperY2, spinLowerY2,
                                     spinGridX,   spinGridY,   editStart,   editEnd};
    for (QWidget* editor : editors)
        editor->blockSignals(blocked);
}

void Ostrel::onRepaintFinished()
{
    if (!drawer->hasData()) {
        qCDebug(lcOstrel) << "Return: OstrelTest::onRepaintFinished";
        return;
    }
    setValueEditorsBlocked(true);
    spinUpperY1->setValue(drawer->upperLimits.value(0));
    spinLowerY1->setValue(drawer->lowerLimits.value(0));
    spinUpperY2->setValue(drawer->upperLimits.value(1));
    spinLowerY2->setValue(drawer->lowerLimits.value(1));
    spinGridX->setValue(drawer->xSplCount);
    spinGridY->setValue(drawer->ySplCount);
    editStart->setDateTime(QDateTime::fromSecsSinceEpoch(drawer->stampStart, Qt::UTC));
    editEnd->setDateTime(QDateTime::fromSecsSinceEpoch(drawer->stampEnd, Qt::UTC));
    setValueEditorsBlocked(false);
}

void Ostrel::onVernRefreshed()
{
    tabVern->onVernRefreshed(drawer);
}

void Ostrel::curveInfoChanged()
{
    tabCurve->commitTo(drawer->curveInfoList, *tabVern);
    drawer->update();
}

void Ostrel::refreshEvents()
{
    // While a read runs the event lists are the worker's; the list is built when the
    // read is taken over.
    if (!drawer->hasData()) {
        emptyTable(tabEvent);
        return;
    }
    tabEvent->refreshEvents(drawer->dataSet, drawer->showError, drawer->showSys, drawer->showUser);
}

void Ostrel::paintDataChanged()
{
    qCDebug(lcOstrel) << "OstrelTest::paintDataChanged";
    if (drawer->hasData()) {
        drawer->upperLimits[0] = editedLimit(spinUpperY1, drawer->upperLimits[0]);
        drawer->lowerLimits[0] = editedLimit(spinLowerY1, drawer->lowerLimits[0]);
        drawer->upperLimits[1] = editedLimit(spinUpperY2, drawer->upperLimits[1]);
        drawer->lowerLimits[1] = editedLimit(spinLowerY2, drawer->lowerLimits[1]);
        drawer->xSplCount = spinGridX->value();
        drawer->ySplCount = spinGridY->value();
        drawer->stampStart = utcStamp(editStart);
        drawer->stampEnd = utcStamp(editEnd);
    }
    drawer->allowDragX = checkDragX->isChecked();
    drawer->allowZoomX = checkZoomX->isChecked();
    drawer->allowDragY0 = checkDragY0->isChecked();
    drawer->allowZoomY0 = checkZoomY0->isChecked();
    drawer->allowDragY1 = checkDragY1->isChecked();
    drawer->allowZoomY1 = checkZoomY1->isChecked();
    drawer->DrawA = checkVernA->isChecked();
    drawer->DrawB = checkVernB->isChecked();
    drawer->DarkMode = checkDark->isChecked();
    drawer->WaterMark = checkWaterMark->isChecked();
    drawer->showError = checkShowError->isChecked();
    drawer->showSys = checkShowSys->isChecked();
    drawer->showUser = checkShowUser->isChecked();
    drawer->onRepaintRequestedByData();
}

QString Ostrel::proposedPath(WindowMemory::Dialog dialog, const QString& suffix) const
{
    return WindowPaths::proposedSaveName(windowMemory->folder(dialog, currentDir), currentStem,
                                         suffix);
}

// The one way the window asks where to save: the file with its suffix, or an empty string
// when the dialog is cancelled or the user keeps a file the dialog did not ask about.
QString Ostrel::askSavePath(WindowMemory::Dialog dialog, const QString& caption,
                            const QString& filter, const QString& suffix)
{
    const QString chosen =
        QFileDialog::getSaveFileName(this, caption, proposedPath(dialog, suffix), filter);
    if (chosen.isEmpty())
        return QString();
    windowMemory->useFolderOf(dialog, chosen);
    const WindowPaths::SaveTarget target = WindowPaths::saveTarget(chosen, suffix);
    if (target.askReplace &&
        QMessageBox::question(
            this, QStringLiteral("Ostrel"),
            tr("%1 已存在，是否替换？").arg(QDir::toNativeSeparators(target.path)),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
        return QString();
    return target.path;
}

void Ostrel::browseForSaveData()
{
    if (!drawer->hasData())
        return;
    const QString file = askSavePath(WindowMemory::Dialog::Export, tr("导出数据-仅当前画面"),
                                     QStringLiteral("CSV (*.csv)"), QStringLiteral("csv"));
    if (!file.isEmpty())
        drawer->exportData(file);
}

void Ostrel::onExportFinished(QString path)
{
    qCDebug(lcOstrel) << "OstrelTest::onExportFinished" << path;
    statusLabel->setText(tr("%1 导出完成！").arg(path));
    resetProgress();
    QDesktopServices::openUrl(WindowPaths::folderUrl(path));
}

void Ostrel::screenShot()
{
    const QString file = askSavePath(WindowMemory::Dialog::Screenshot, tr("导出截图"),
                                     tr("Files (*.png)"), QStringLiteral("png"));
    if (file.isEmpty())
        return;
    if (!drawer->grab(drawer->rect()).save(file))
        QMessageBox::critical(this, QStringLiteral("Ostrel"), tr("截图保存失败"), QMessageBox::Ok);
}

// The report shows the plot as the canvas draws it now, with its statistics range.
void Ostrel::exportReport()
{
    if (!drawer->hasData())
        return;
    const QString file = askSavePath(WindowMemory::Dialog::Report, tr("导出报告"),
                                     QStringLiteral("PDF (*.pdf)"), QStringLiteral("pdf"));
    if (file.isEmpty())
        return;
    TestReportOptions options;
    options.dataFile = loadedFile;
    options.pdfPath = file;
    const QPair<qint64, qint64> range = statisticsRange(*drawer);
    options.from = range.first;
    options.to = range.second;
    QString error;
    if (writeTestReport(*drawer, options, &error))
        statusLabel->setText(tr("%1 导出完成！").arg(file));
    else
        QMessageBox::warning(this, QStringLiteral("Ostrel"), tr("报告导出失败！"), QMessageBox::Ok);
}

void Ostrel::showFullScreen()
{
    qCDebug(lcOstrel) << "OstrelTest::showFullScreen";
    canvasLayout->removeWidget(drawer);
    drawer->setParent(nullptr);
    drawer->showFullScreen();
    drawer->fullScreen = true;
}

void Ostrel::showWindowed()
{
    qCDebug(lcOstrel) << "OstrelTest::showWindowed";
    const int l0 = drawer->plotLeft;
    const int r0 = drawer->plotRight;
    const int a0 = drawer->vernPosA;
    const int b0 = drawer->vernPosB;
    drawer->hide();
    drawer->fullScreen = false;
    canvasLayout->insertWidget(0, drawer, 1);
    drawer->show();
    // Give the canvas its pane geometry now, so that its plot edges are the windowed ones.
    canvasLayout->activate();
    const int l1 = drawer->plotLeft;
    const int r1 = drawer->plotRight;
    if (r0 != l0) {
        const float ratio = float(r1 - l1) / float(r0 - l0);
        drawer->vernPosA = int(float(a0 - l0) * ratio + float(l1));
        drawer->vernPosB = int(float(b0 - l0) * ratio + float(l1));
    }
    drawer->update();
}

void Ostrel::toggleFullScreen()
{
    if (drawer->fullScreen)
        showWindowed();
    else
        showFullScreen();
}

void Ostrel::collapsRight()
{
    const int w = width() - 1;
    if (rightCollapsed) {
        moveSplitter(w - 299, 1);
        rightCollapsed = false;
        collapseButton->setIcon(QIcon(QStringLiteral(":/pngs/collaps.png")));
        collapseButton->setToolTip(tr("折叠右侧菜单"));
    } else {
        moveSplitter(w - 4, 1);
        rightCollapsed = true;
        collapseButton->setIcon(QIcon(QStringLiteral(":/pngs/expand.png")));
        collapseButton->setToolTip(tr("展开右侧菜单"));
    }
}

void Ostrel::moveVernA(int sft)
{
    drawer->vernPosA += sft;
    drawer->onRepaintRequestedByData();
}

void Ostrel::moveVernB(int sft)
{
    drawer->vernPosB += sft;
    drawer->onRepaintRequestedByData();
}

void Ostrel::registerFileType()
{
    // Outside Windows no registry editor answers, so the outcome goes to the status row.
    const FileTypeRegistration result = ::registerFileType();
    if (!result.message.isEmpty())
        statusLabel->setText(result.message);
}
