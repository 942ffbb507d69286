#include "vytabstats.h"

#include "panelslog.h"
#include "rangestats.h"
#include "sortedtavdata.h"
#include "statsrange.h"
#include "tavdrawer.h"
#include "vycolorbar.h"

#include <QHeaderView>

namespace {

enum Column
{
    ColName = 0,
    ColColor,
    FirstFigure,
};

} // namespace

VyTabStats::VyTabStats()
{
    const QStringList headers = headerTexts();
    setColumnCount(headers.size());
    setHorizontalHeaderLabels(headers);
    verticalHeader()->hide();
    // Eight columns share a side panel about 300 pixels wide: every column takes only what
    // its texts need (the swatch a narrow fixed strip), and the last one the rest.
    QHeaderView* header = horizontalHeader();
    for (int c = 0; c < headers.size(); ++c)
        header->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(ColColor, QHeaderView::Fixed);
    header->setMinimumSectionSize(24);
    header->resizeSection(ColColor, 30);
    header->setStretchLastSection(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFocusPolicy(Qt::NoFocus);
}

QStringList VyTabStats::headerTexts()
{
    return {QStringLiteral("名称"),   QStringLiteral("颜色"),      QStringLiteral("最小"),
            QStringLiteral("最大"),   QStringLiteral("平均"),      QStringLiteral("峰峰值"),
            QStringLiteral("标准差"), QStringLiteral("速率(/min)")};
}

void VyTabStats::resetRows(const QList<CurveInfo>& curves)
{
    clearContents();
    setRowCount(0);
    for (const CurveInfo& info : curves) {
        if (!info.ToDraw)
            continue;
        const int r = rowCount();
        setRowCount(r + 1);
        setItem(r, ColName, new QTableWidgetItem(info.CurveName));
        setCellWidget(r, ColColor, new VyColorBar(r, info.CurveColor, false));
        for (int c = FirstFigure; c < columnCount(); ++c)
            setItem(r, c, new QTableWidgetItem);
    }
}

bool VyTabStats::rowsMatch(const QList<CurveInfo>& curves) const
{
    int r = 0;
    for (const CurveInfo& info : curves) {
        if (!info.ToDraw)
            continue;
        if (r >= rowCount())
            return false;
        const QTableWidgetItem* name = item(r, ColName);
        const auto* bar = qobject_cast<const VyColorBar*>(cellWidget(r, ColColor));
        if (!name || name->text() != info.CurveName || !bar || bar->color != info.CurveColor)
            return false;
        ++r;
    }
    return r == rowCount();
}

void VyTabStats::onVernRefreshed(TavDrawer* canvas)
{
    if (!canvas->hasData()) {
        qCDebug(lcPanels) << "Return: VyTabStats::onVernRefreshed";
        return;
    }
    const QPair<qint64, qint64> range = statisticsRange(*canvas);
    showRange(canvas->dataSet, canvas->curveInfoList, range.first, range.second);
}

void VyTabStats::showRange(const SortedTavData& set, const QList<CurveInfo>& curves, qint64 from,
                           qint64 to)
{
    if (!rowsMatch(curves))
        resetRows(curves);
    const QVector<int> drawn = drawnCurveIndexes(curves);
    for (int r = 0; r < drawn.size() && r < rowCount(); ++r) {
        const QStringList texts = statisticsTexts(rangeSummary(set, drawn.at(r), from, to));
        for (int k = 0; k < texts.size(); ++k)
            setCellText(r, FirstFigure + k, texts.at(k));
    }
}

void VyTabStats::setCellText(int row, int column, const QString& text)
{
    QTableWidgetItem* cell = item(row, column);
    if (!cell)
        setItem(row, column, new QTableWidgetItem(text));
    else if (cell->text() != text)
        cell->setText(text);
}
