#pragma once

#include <QColor>
#include <QStringList>
#include <QTableWidget>

// Descriptive items of the file: bold green names on the left, values on the right.
// After a successful read the window calls
//     tabInfo->setInfo(drawer->dataSet.infoNames, drawer->dataSet.infoValues);
class VyTabInfo : public QTableWidget
{
    Q_OBJECT
public:
    VyTabInfo();

    void setInfo(const QStringList& names, const QStringList& values);

    QColor nameColor = QColor(0x84, 0xC2, 0x25);
};
