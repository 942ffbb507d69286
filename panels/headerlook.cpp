#include "headerlook.h"

#include <QBrush>
#include <QTableWidget>

void setHeaderLook(QTableWidget* table, const QFont& font, const QColor& color)
{
    for (int c = 0; c < table->columnCount(); ++c) {
        QTableWidgetItem* item = table->horizontalHeaderItem(c);
        if (!item)
            continue;
        item->setFont(font);
        item->setForeground(QBrush(color, Qt::SolidPattern));
    }
}
