#pragma once

#include <QIcon>
#include <QTableWidget>

class SortedTavData;

// Fault, system and user events; a double-click asks the canvas to centre on the event.
//
// The window's slot refreshEvents() is:
//     tabEvent->refreshEvents(drawer->dataSet, drawer->showError, drawer->showSys,
//                             drawer->showUser);
// and jumpToStamp is connected to the canvas's onMoveTCenter.
class VyTabEvent : public QTableWidget
{
    Q_OBJECT
public:
    // Each time item keeps the row's stamp here, so the jump needs no parsing of the text.
    static constexpr int StampRole = Qt::UserRole + 1;

    VyTabEvent();

    void addEvent(int kind, const QString& text, qint64 stamp);

    // Rebuilds all rows from the data set's event lists and the three filter flags.
    void refreshEvents(const SortedTavData& data, bool showError, bool showSys, bool showUser);

signals:
    void jumpToStamp(qlonglong stamp);

private:
    void setRow(int r, int kind, const QString& text, qint64 stamp);
    void onCellDoubleClicked(int row, int column);

    QIcon iconSys;
    QIcon iconErr;
    QIcon iconSolve;
    QIcon iconUser;
};
