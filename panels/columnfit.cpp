#include "columnfit.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QStyleOptionViewItem>
#include <QTableWidget>

#include <algorithm>

namespace {

// As the table's item delegate sizes a cell of text in font, grid line included.
int cellWidth(const QTableWidget& table, const QString& text, const QFont& font)
{
    QStyleOptionViewItem option;
    option.initFrom(&table);
    option.font = font;
    option.fontMetrics = QFontMetrics(font);
    option.text = text;
    option.features = QStyleOptionViewItem::HasDisplay;
    option.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    const QSize size =
        table.style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), &table);
    return size.width() + (table.showGrid() ? 1 : 0);
}

int columnWidth(const QTableWidget& table, int column, const QString& typical)
{
    int width = std::max(table.horizontalHeader()->sectionSizeHint(column),
                         cellWidth(table, typical, table.font()));
    for (int r = 0; r < table.rowCount(); ++r) {
        if (const QTableWidgetItem* cell = table.item(r, column)) {
            // An item without a font of its own shows in the table's.
            const QVariant font = cell->data(Qt::FontRole);
            width = std::max(width, cellWidth(table, cell->text(),
                                              font.isValid() ? cell->font() : table.font()));
        }
        if (const QWidget* widget = table.cellWidget(r, column))
            width = std::max(width, widget->sizeHint().width());
    }
    return width;
}

} // namespace

int ColumnFit::wholeWidth(const QTableWidget& table, const QStringList& typical)
{
    const QHeaderView* header = table.horizontalHeader();
    int width = 2 * table.frameWidth() + table.verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < table.columnCount(); ++c) {
        if (header->isSectionHidden(c))
            continue;
        width += header->sectionResizeMode(c) == QHeaderView::Fixed
                     ? header->sectionSize(c)
                     : columnWidth(table, c, typical.value(c));
    }
    return width;
}
