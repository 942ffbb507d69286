#include "vytabtolerance.h"

#include "panelslog.h"
#include "tavdrawer.h"
#include "toleranceconfig.h"
#include "vytolerancepairs.h"
#include "vytoleranceresults.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QDoubleSpinBox* secondsBox()
{
    auto* spin = new QDoubleSpinBox;
    spin->setRange(0.0, VyTabTolerance::MaxSeconds);
    spin->setDecimals(0);
    spin->setSuffix(QStringLiteral(" s"));
    spin->setKeyboardTracking(false);
    return spin;
}

} // namespace

VyTabTolerance::VyTabTolerance(TavDrawer* canvas)
    : m_canvas(canvas), m_pairs(new VyTolerancePairs), m_add(new QPushButton(tr("添加"))),
      m_remove(new QPushButton(tr("删除"))), m_dwell(secondsBox()), m_minHold(secondsBox()),
      m_showBands(new QCheckBox(tr("显示容差带"))), m_results(new VyToleranceResults),
      m_verdict(new QLabel)
{
    m_add->setToolTip(tr("添加一组实测值与设定值"));
    m_remove->setToolTip(tr("删除选中的一组"));
    QFont big = m_verdict->font();
    big.setPointSize(18);
    big.setBold(true);
    m_verdict->setFont(big);
    m_verdict->setAlignment(Qt::AlignCenter);

    auto* pairsGroup = new QGroupBox(tr("容差配对"));
    auto* pairsLayout = new QVBoxLayout(pairsGroup);
    pairsLayout->addWidget(m_pairs);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_add);
    buttons->addWidget(m_remove);
    buttons->addStretch();
    pairsLayout->addLayout(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pairsGroup, 1);
    layout->addWidget(buildSettings());
    layout->addWidget(m_results, 2);
    layout->addWidget(m_verdict);

    fillFromCanvas();
    connect(m_pairs, &VyTolerancePairs::pairsEdited, this, &VyTabTolerance::pairsEdited);
    connect(m_add, &QPushButton::clicked, this, &VyTabTolerance::addPair);
    connect(m_remove, &QPushButton::clicked, m_pairs, &VyTolerancePairs::removeCurrentPair);
    for (QDoubleSpinBox* spin : {m_dwell, m_minHold})
        connect(spin, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
                &VyTabTolerance::timingEdited);
    connect(m_showBands, &QCheckBox::toggled, this, [this](bool on) {
        m_canvas->tolerance.showBands = on;
        m_canvas->update();
    });
    connect(m_results, &VyToleranceResults::jumpToStamp, this, &VyTabTolerance::jumpToStamp);
    connect(canvas, &TavDrawer::toleranceChecked, this, &VyTabTolerance::onToleranceChecked);
}

QWidget* VyTabTolerance::buildSettings()
{
    m_dwell->setToolTip(tr("实测值须连续留在容差带内的时间"));
    m_minHold->setToolTip(tr("设定值不变的时间达到此值才算保持段"));
    auto* group = new QGroupBox(tr("判定条件"));
    auto* form = new QFormLayout(group);
    form->addRow(tr("稳定时间"), m_dwell);
    form->addRow(tr("最短保持"), m_minHold);
    form->addRow(m_showBands);
    return group;
}

void VyTabTolerance::onReadFinished(const QString& path)
{
    if (!path.isEmpty())
        fillFromCanvas();
}

// The editors show the canvas's settings; nothing of it is sent back.
void VyTabTolerance::fillFromCanvas()
{
    const bool data = m_canvas->hasData();
    m_pairs->setNames(data ? m_canvas->dataSet.names : QStringList());
    m_pairs->setPairs(data ? m_canvas->tolerance.pairs : QVector<TolerancePair>());
    for (QWidget* w : {static_cast<QWidget*>(m_add), static_cast<QWidget*>(m_remove)})
        w->setEnabled(data);
    const QSignalBlocker b1(m_dwell), b2(m_minHold), b3(m_showBands);
    m_dwell->setValue(m_canvas->tolerance.timing.dwell);
    m_minHold->setValue(m_canvas->tolerance.timing.minHold);
    m_showBands->setChecked(m_canvas->tolerance.showBands);
    onToleranceChecked();
}

void VyTabTolerance::onToleranceChecked()
{
    // The recording went away: so do its pairs.
    if (!m_canvas->hasData() && m_pairs->rowCount() > 0) {
        fillFromCanvas();
        return;
    }
    m_results->showResults(m_canvas->hasData() ? m_canvas->dataSet.names : QStringList(),
                           m_canvas->tolerance, m_canvas->toleranceResults);
    showVerdict();
}

void VyTabTolerance::showVerdict()
{
    QString text;
    QColor colour(0x60, 0x60, 0x60);
    if (!m_canvas->hasData()) {
        text = QString();
    } else if (m_canvas->tolerance.pairs.isEmpty()) {
        text = tr("无容差配对");
    } else if (m_canvas->toleranceCheckPending() ||
               m_canvas->toleranceResults.size() != m_canvas->tolerance.pairs.size()) {
        text = tr("检查中…");
    } else {
        bool pass = true;
        for (const ToleranceResult& r : qAsConst(m_canvas->toleranceResults))
            pass = pass && r.pass;
        text = pass ? tr("总判定：合格") : tr("总判定：不合格");
        colour = pass ? QColor(0x4C, 0x8C, 0x1C) : QColor(0xD3, 0x2F, 0x2F);
    }
    m_verdict->setText(text);
    QPalette p = m_verdict->palette();
    p.setColor(QPalette::WindowText, colour);
    m_verdict->setPalette(p);
}

void VyTabTolerance::pairsEdited()
{
    m_canvas->tolerance.pairs = m_pairs->pairs();
    qCDebug(lcPanels) << "VyTabTolerance::pairsEdited" << m_canvas->tolerance.pairs.size();
    m_canvas->requestToleranceCheck();
    showVerdict();
}

void VyTabTolerance::timingEdited()
{
    m_canvas->tolerance.timing.dwell = m_dwell->value();
    m_canvas->tolerance.timing.minHold = m_minHold->value();
    m_canvas->requestToleranceCheck();
    showVerdict();
}

// A new row pairs the first variable without a pair with its automatic setpoint, if it has
// one, and takes the default band of its axis.
void VyTabTolerance::addPair()
{
    const QStringList& names = m_canvas->dataSet.names;
    if (!m_canvas->hasData() || names.isEmpty())
        return;
    const QVector<TolerancePair> automatic =
        ToleranceConfig::automaticPairs(names, m_canvas->curveInfoList);
    const QVector<TolerancePair> current = m_pairs->pairs();
    const auto taken = [&current](int measured) {
        for (const TolerancePair& p : current) {
            if (p.measured == measured)
                return true;
        }
        return false;
    };
    TolerancePair pair;
    pair.measured = 0;
    pair.setpoint = names.size() > 1 ? 1 : 0;
    for (const TolerancePair& a : automatic) {
        if (!taken(a.measured)) {
            pair = a;
            break;
        }
    }
    const double band =
        TolerancePairs::defaultBand(m_canvas->curveInfoList.value(pair.measured).RefIndex);
    pair.band.below = band;
    pair.band.above = band;
    m_pairs->addPair(pair);
}
