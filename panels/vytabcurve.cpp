#include "vytabcurve.h"

#include "panelslog.h"
#include "vycheckbox.h"
#include "vycolorbar.h"
#include "vycomboboxaxis.h"
#include "vycomboboxstyle.h"
#include "vyspin.h"
#include "vytabvern.h"

#include <QColorDialog>
#include <QHeaderView>

namespace {

enum Column
{
    ColShow = 0,
    ColName,
    ColColor,
    ColWeight,
    ColStyle,
    ColAxis,
    ColumnCount
};

bool pickWithDialog(const QColor& initial, QWidget* parent, const QString& title, QColor* picked)
{
    QColorDialog dialog(initial, parent);
    dialog.setWindowTitle(title);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    *picked = dialog.currentColor();
    return true;
}

} // namespace

VyTabCurve::VyTabCurve()
{
    setColumnCount(ColumnCount);
    setHorizontalHeaderLabels(
        {tr("显示"), tr("名称"), tr("颜色"), tr("线重"), tr("样式"), tr("轴")});
    verticalHeader()->hide();
    QHeaderView* header = horizontalHeader();
    for (int c = 0; c < ColumnCount; ++c)
        header->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(ColName, QHeaderView::Stretch);
    setSelectionMode(QAbstractItemView::NoSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFocusPolicy(Qt::NoFocus);
}

void VyTabCurve::setCurves(const QList<CurveInfo>& curves)
{
    clearContents();
    setRowCount(0);
    for (const CurveInfo& info : curves)
        addCurve(info);
}

void VyTabCurve::addCurve(const CurveInfo& info)
{
    setRowCount(rowCount() + 1);
    const int r = rowCount() - 1;

    auto* show = new VyCheckBox(r, info.ToDraw);
    connect(show, &VyCheckBox::changeMade, this, &VyTabCurve::curveInfoChanged);
    auto* swatch = new VyColorBar(r, info.CurveColor, true);
    connect(swatch, &VyColorBar::clicked, this, &VyTabCurve::accColorBarClicked);
    auto* weight = new VySpin(r, info.CurveWeight);
    connect(weight, &VySpin::changeMade, this, &VyTabCurve::curveInfoChanged);
    auto* style = new VyComboBoxStyle(r, info.CurveStyle);
    connect(style, &VyComboBoxStyle::changeMade, this, &VyTabCurve::curveInfoChanged);
    auto* axis = new VyComboBoxAxis(r, info.RefIndex);
    connect(axis, &VyComboBoxAxis::changeMade, this, &VyTabCurve::curveInfoChanged);

    setCellWidget(r, ColShow, show);
    setItem(r, ColName, new QTableWidgetItem(info.CurveName));
    setCellWidget(r, ColColor, swatch);
    setCellWidget(r, ColWeight, weight);
    setCellWidget(r, ColStyle, style);
    setCellWidget(r, ColAxis, axis);
}

QList<CurveInfo> VyTabCurve::curveInfos() const
{
    QList<CurveInfo> list;
    list.reserve(rowCount());
    for (int r = 0; r < rowCount(); ++r) {
        CurveInfo info;
        if (auto* show = qobject_cast<VyCheckBox*>(cellWidget(r, ColShow)))
            info.ToDraw = show->isChecked();
        if (const QTableWidgetItem* name = item(r, ColName))
            info.CurveName = name->text();
        if (auto* swatch = qobject_cast<VyColorBar*>(cellWidget(r, ColColor)))
            info.CurveColor = swatch->color;
        if (auto* weight = qobject_cast<VySpin*>(cellWidget(r, ColWeight)))
            info.CurveWeight = static_cast<float>(weight->weight());
        if (auto* style = qobject_cast<VyComboBoxStyle*>(cellWidget(r, ColStyle)))
            info.CurveStyle = style->currentIndex() == 0 ? Qt::SolidLine : Qt::DashLine;
        if (auto* axis = qobject_cast<VyComboBoxAxis*>(cellWidget(r, ColAxis)))
            info.RefIndex = axis->currentIndex();
        list.append(info);
    }
    return list;
}

void VyTabCurve::commitTo(QList<CurveInfo>& target, VyTabVern& vern) const
{
    target = curveInfos();
    vern.resetRows(target);
}

void VyTabCurve::setColorPicker(ColorPicker picker)
{
    colorPicker = std::move(picker);
}

void VyTabCurve::accColorBarClicked(int r)
{
    qCDebug(lcPanels) << "CurveTable::accColorBarClicked" << r;
    auto* swatch = qobject_cast<VyColorBar*>(cellWidget(r, ColColor));
    if (!swatch)
        return;
    const QColor initial(swatch->color);
    const QString title = tr("请选择曲线颜色");
    QColor picked;
    const bool accepted = colorPicker ? colorPicker(initial, this, title, &picked)
                                      : pickWithDialog(initial, this, title, &picked);
    if (!accepted)
        return;
    swatch->setColor(picked.name()); // "#rrggbb", lower case
    emit curveInfoChanged();
}
