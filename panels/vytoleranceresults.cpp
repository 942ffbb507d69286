#include "vytoleranceresults.h"

#include "panelslog.h"

#include <QDateTime>
#include <QHeaderView>

namespace {

const QColor PassColor(0x4C, 0x8C, 0x1C);
const QColor FailColor(0xD3, 0x2F, 0x2F);

QString figure(double v)
{
    return QString::number(v, 'f', 2);
}

// A setpoint as the chamber was programmed: "25", "27.5", without trailing zeros.
QString level(float v)
{
    return QString::number(double(v), 'g', 7);
}

QString signedFigure(double v)
{
    return (v > 0 ? QStringLiteral("+") : QString()) + figure(v);
}

qlonglong middle(qint64 from, qint64 to)
{
    return from + (to - from) / 2;
}

} // namespace

VyToleranceResults::VyToleranceResults()
{
    setColumnCount(2);
    setHeaderLabels({tr("项目（双击跳转）"), tr("结果")});
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(0, QHeaderView::Stretch);
    header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    setIndentation(12);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // A double-click centres the plot; it must not fold the row away as well.
    setExpandsOnDoubleClick(false);
    connect(this, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { onItemDoubleClicked(item); });
}

QString VyToleranceResults::timeText(qint64 stamp)
{
    return QDateTime::fromSecsSinceEpoch(stamp, Qt::UTC)
        .toString(QStringLiteral("yyyy/MM/dd hh:mm:ss"));
}

QString VyToleranceResults::durationText(qint64 seconds)
{
    const qint64 s = std::max<qint64>(0, seconds);
    return QStringLiteral("%1:%2:%3")
        .arg(s / 3600)
        .arg((s / 60) % 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}

QString VyToleranceResults::verdictText(bool pass)
{
    return pass ? tr("合格") : tr("不合格");
}

void VyToleranceResults::showResults(const QStringList& names, const ToleranceSettings& settings,
                                     const QVector<ToleranceResult>& results)
{
    clear();
    for (int i = 0; i < settings.pairs.size() && i < results.size(); ++i) {
        const TolerancePair& p = settings.pairs.at(i);
        addPair(names.value(p.measured), names.value(p.setpoint), p, results.at(i));
    }
}

void VyToleranceResults::addPair(const QString& measured, const QString& setpoint,
                                 const TolerancePair& pair, const ToleranceResult& result)
{
    QTreeWidgetItem* item =
        addRow(nullptr, PairRow, tr("%1 / %2").arg(measured, setpoint), QString());
    const QString band =
        tr("-%1 / +%2").arg(level(float(pair.band.below)), level(float(pair.band.above)));
    item->setToolTip(0, tr("%1 / %2，容差带 %3").arg(measured, setpoint, band));
    QFont bold = item->font(0);
    bold.setBold(true);
    item->setFont(0, bold);
    setVerdict(item, result.pass);
    item->setExpanded(true);
    addRow(item, DetailRow, tr("容差带"), band);
    if (result.holds.isEmpty()) {
        QTreeWidgetItem* note =
            addRow(item, NoteRow, tr("%1：设定值无有效保持段").arg(setpoint), QString());
        note->setForeground(0, FailColor);
        note->setFirstColumnSpanned(true);
        return;
    }
    for (int h = 0; h < result.holds.size(); ++h)
        addHold(item, h + 1, result.holds.at(h));
    for (int k = 0; k < result.ramps.size(); ++k)
        addRamp(item, k + 1, result.ramps.at(k));
}

void VyToleranceResults::addHold(QTreeWidgetItem* parent, int number, const ToleranceHold& hold)
{
    QTreeWidgetItem* item = addRow(
        parent, HoldRow, tr("保持 %1：设定 %2").arg(number).arg(level(hold.setpoint)), QString());
    item->setData(0, StampRole, middle(hold.from, hold.to));
    setVerdict(item, hold.pass);
    const qlonglong centre = middle(hold.from, hold.to);
    const auto detail = [&](const QString& name, const QString& value) {
        addRow(item, DetailRow, name, value)->setData(0, StampRole, centre);
    };
    detail(tr("开始"), timeText(hold.from));
    detail(tr("结束"), timeText(hold.to));
    detail(tr("稳定时间"), hold.settling ? durationText(*hold.settling) : tr("未稳定"));
    if (hold.count > 0) {
        detail(tr("波动度"), QStringLiteral("±") + figure(hold.fluctuation));
        detail(tr("偏差"), signedFigure(hold.meanDeviation));
    } else {
        detail(tr("波动度"), tr("无数据"));
        detail(tr("偏差"), tr("无数据"));
    }
    detail(tr("超差次数"), QString::number(hold.excursions.size()));
    detail(tr("超差时间"), durationText(hold.outOfBand));
    for (int e = 0; e < hold.excursions.size(); ++e) {
        const ToleranceExcursion& x = hold.excursions.at(e);
        QTreeWidgetItem* row =
            addRow(item, ExcursionRow, tr("超差 %1").arg(e + 1), timeText(x.from));
        row->setData(0, StampRole, middle(x.from, x.to));
        row->setForeground(0, FailColor);
        const QString tip =
            tr("%1 至 %2，峰值 %3").arg(timeText(x.from), timeText(x.to), figure(x.peak));
        row->setToolTip(0, tip);
        row->setToolTip(1, tip);
    }
    // Failed holds open to show why; passed ones stay folded.
    item->setExpanded(!hold.pass);
}

void VyToleranceResults::addRamp(QTreeWidgetItem* parent, int number, const ToleranceRamp& ramp)
{
    QTreeWidgetItem* item = addRow(
        parent, RampRow, tr("升降 %1：%2 → %3").arg(number).arg(level(ramp.start), level(ramp.end)),
        QString());
    item->setData(0, StampRole, middle(ramp.from, ramp.to));
    const auto rate = [](const std::optional<double>& r) {
        return r ? tr("%1 /min").arg(figure(*r)) : tr("无");
    };
    addRow(item, DetailRow, tr("设定速率"), rate(ramp.programmedRate));
    addRow(item, DetailRow, tr("实际速率"), rate(ramp.achievedRate));
    addRow(item, DetailRow, tr("过冲"), ramp.overshoot ? figure(*ramp.overshoot) : tr("无数据"));
    item->setExpanded(true);
}

QTreeWidgetItem* VyToleranceResults::addRow(QTreeWidgetItem* parent, Kind kind, const QString& name,
                                            const QString& value)
{
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
    item->setText(0, name);
    item->setText(1, value);
    item->setData(0, KindRole, int(kind));
    return item;
}

void VyToleranceResults::setVerdict(QTreeWidgetItem* item, bool pass)
{
    item->setText(1, verdictText(pass));
    item->setForeground(1, pass ? PassColor : FailColor);
}

void VyToleranceResults::onItemDoubleClicked(QTreeWidgetItem* item)
{
    const QVariant stamp = item->data(0, StampRole);
    if (!stamp.isValid())
        return;
    qCDebug(lcPanels) << "VyToleranceResults jump" << stamp.toLongLong();
    emit jumpToStamp(stamp.toLongLong());
}
