#include "vytabvern.h"

#include "panelslog.h"
#include "tavdrawer.h"
#include "vycolorbar.h"

#include <QDateTime>
#include <QHeaderView>
#include <cmath>

namespace {

enum Column
{
    ColName = 0,
    ColColor,
    ColA,
    ColB,
    ColDiff,
    ColumnCount
};

constexpr int FirstCurveRow = 2;

// The canvas presets 999.0 for "no reading" and files carry -999.9; both exceed this.
bool missing(float value)
{
    return std::fabs(value) > 998.0f;
}

} // namespace

VyTabVern::VyTabVern()
{
    setColumnCount(ColumnCount);
    setHorizontalHeaderLabels({tr("名称"), tr("颜色"), tr("游标A"), tr("游标B"), tr("B-A")});
    verticalHeader()->hide();
    QHeaderView* header = horizontalHeader();
    for (int c = 0; c < ColumnCount; ++c)
        header->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(ColName, QHeaderView::Stretch);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFocusPolicy(Qt::NoFocus);
}

void VyTabVern::resetRows(const QList<CurveInfo>& curves)
{
    clearContents();
    setRowCount(FirstCurveRow);
    setItem(0, ColName, new QTableWidgetItem(tr("日期")));
    setItem(1, ColName, new QTableWidgetItem(tr("时间")));
    for (int r = 0; r < FirstCurveRow; ++r)
        for (int c = ColA; c <= ColDiff; ++c)
            setItem(r, c, new QTableWidgetItem);
    for (const CurveInfo& info : curves) {
        if (!info.ToDraw)
            continue;
        const int r = rowCount();
        setRowCount(r + 1);
        setItem(r, ColName, new QTableWidgetItem(info.CurveName));
        setCellWidget(r, ColColor, new VyColorBar(r, info.CurveColor, false));
        for (int c = ColA; c <= ColDiff; ++c)
            setItem(r, c, new QTableWidgetItem);
    }
}

void VyTabVern::onVernRefreshed(TavDrawer* canvas)
{
    VernReadings readings;
    readings.hasData = canvas->hasData();
    readings.drawA = canvas->DrawA;
    readings.drawB = canvas->DrawB;
    readings.stampA = canvas->vernStampA;
    readings.stampB = canvas->vernStampB;
    readings.valuesA = canvas->vernValuesA;
    readings.valuesB = canvas->vernValuesB;
    showReadings(readings, canvas->curveInfoList);
}

void VyTabVern::showReadings(const VernReadings& readings, const QList<CurveInfo>& curves)
{
    if (!readings.hasData) {
        qCDebug(lcPanels) << "Return: OstrelTest::onVernRefreshed";
        return;
    }
    if (rowCount() == 0)
        resetRows(curves);
    writeVernier(ColA, readings.drawA, readings.stampA, readings.valuesA);
    writeVernier(ColB, readings.drawB, readings.stampB, readings.valuesB);
    if (readings.drawA && readings.drawB)
        writeDifferences(readings);
    else
        setColumnText(ColDiff, QString());
}

QString VyTabVern::readingText(float value)
{
    return missing(value) ? QStringLiteral("-") : QString::number(value, 'f', 1);
}

void VyTabVern::writeVernier(int column, bool shown, qint64 stamp, const QList<float>& values)
{
    if (!shown) {
        setColumnText(column, QString());
        return;
    }
    const QString text = QDateTime::fromSecsSinceEpoch(stamp, Qt::UTC)
                             .toString(QStringLiteral("yyyy/MM/dd hh:mm:ss"));
    const QStringList parts = text.split(QLatin1Char(' '));
    setCellText(0, column, parts.first());
    setCellText(1, column, parts.last());
    for (int k = 0; k < values.size() && FirstCurveRow + k < rowCount(); ++k)
        setCellText(FirstCurveRow + k, column, readingText(values.at(k)));
}

void VyTabVern::writeDifferences(const VernReadings& readings)
{
    setCellText(0, ColDiff, QStringLiteral("(min)"));
    const qint64 seconds = readings.stampB - readings.stampA;
    setCellText(1, ColDiff, QString::number(static_cast<double>(seconds) / 60.0, 'f', 1));
    const int n = qMin(readings.valuesA.size(), readings.valuesB.size());
    for (int k = 0; k < n && FirstCurveRow + k < rowCount(); ++k) {
        const float a = readings.valuesA.at(k);
        const float b = readings.valuesB.at(k);
        const bool gap = missing(a) || missing(b);
        setCellText(FirstCurveRow + k, ColDiff,
                    gap ? QStringLiteral("-") : QString::number(b - a, 'f', 1));
    }
}

void VyTabVern::setColumnText(int column, const QString& text)
{
    for (int r = 0; r < rowCount(); ++r)
        setCellText(r, column, text);
}

void VyTabVern::setCellText(int row, int column, const QString& text)
{
    if (QTableWidgetItem* cell = item(row, column))
        cell->setText(text);
    else
        setItem(row, column, new QTableWidgetItem(text));
}
