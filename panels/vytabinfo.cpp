#include "vytabinfo.h"

#include <QHeaderView>

VyTabInfo::VyTabInfo()
{
    verticalHeader()->hide();
    horizontalHeader()->hide();
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFocusPolicy(Qt::NoFocus);
}

void VyTabInfo::setInfo(const QStringList& names, const QStringList& values)
{
    clear();
    setRowCount(names.size());
    setColumnCount(2);
    QFont bold = font();
    bold.setWeight(75);
    const QBrush nameBrush(nameColor, Qt::SolidPattern);
    for (int i = 0; i < names.size(); ++i) {
        auto* name = new QTableWidgetItem(names.at(i));
        name->setForeground(nameBrush);
        name->setFont(bold);
        setItem(i, 0, name);
        setItem(i, 1, new QTableWidgetItem(values.value(i)));
    }
    horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
}
