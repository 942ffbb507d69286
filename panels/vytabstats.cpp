#include "vytabstats.h"

#include "columnfit.h"
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
    // Every column takes only what its texts need (the swatch's as wide as its header, in
    // whatever language), and the last one the rest; the table asks the side panel for the
    // sum (minimumSizeHint).
    QHeaderView* header = horizontalHeader();
    for (int c = 0; c < headers.size(); ++c)
        header->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    header->setMinimumSectionSize(24);
    header->setStretchLastSection(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFocusPolicy(Qt::NoFocus);
}

QStringList VyTabStats::headerTexts()
{
    return {tr("名称"), tr("颜色"),   tr("最小"),   tr("最大"),
            tr("平均"), tr("峰峰值"), tr("标准差"), tr("速率(/min)")};
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
    updateGeometry();
}

QSize VyTabStats::minimumSizeHint() const
{
    // A name of four characters and figures of six, as a chamber's commonly are, so that
    // the panel has its width before the first rows come (digits: the widest of a figure).
    static const QStringList typical = {QStringLiteral("温度设定"), QString(),
                                        QStringLiteral("000.00"),   QStringLiteral("000.00"),
                                        QStringLiteral("000.00"),   QStringLiteral("000.00"),
                                        QStringLiteral("00.000"),   QStringLiteral("00.000")};
    return QSize(ColumnFit::wholeWidth(*this, typical), QTableWidget::minimumSizeHint().height());
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
    bool resized = false;
    for (int r = 0; r < drawn.size() && r < rowCount(); ++r) {
        const QStringList texts = statisticsTexts(rangeSummary(set, drawn.at(r), from, to));
        for (int k = 0; k < texts.size(); ++k)
            resized |= setCellText(r, FirstFigure + k, texts.at(k));
    }
    // A text of another length may need another width; same-length figures do not.
    if (resized)
        updateGeometry();
}

bool VyTabStats::setCellText(int row, int column, const QString& text)
{
    QTableWidgetItem* cell = item(row, column);
    if (!cell) {
        setItem(row, column, new QTableWidgetItem(text));
        return true;
    }
    if (cell->text() == text)
        return false;
    const bool resized = cell->text().size() != text.size();
    cell->setText(text);
    return resized;
}
