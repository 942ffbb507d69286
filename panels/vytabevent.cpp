#include "vytabevent.h"

#include "eventlist.h"
#include "panelslog.h"
#include "sortedtavdata.h"
#include "tavcsv.h"

#include <QDateTime>
#include <QHeaderView>

VyTabEvent::VyTabEvent()
    : iconSys(QStringLiteral(":/pngs/sys_24px.png")),
      iconErr(QStringLiteral(":/pngs/err_24px.png")),
      iconSolve(QStringLiteral(":/pngs/solve_24px.png")),
      iconUser(QStringLiteral(":/pngs/user_24px.png"))
{
    setColumnCount(2);
    setHorizontalHeaderLabels({tr("事件（双击跳转）"), tr("发生时间")});
    verticalHeader()->hide();
    horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFocusPolicy(Qt::NoFocus);
    connect(this, &QTableWidget::cellDoubleClicked, this, &VyTabEvent::onCellDoubleClicked);
}

void VyTabEvent::addEvent(int kind, const QString& text, qint64 stamp)
{
    const int r = rowCount();
    setRowCount(r + 1);
    setRow(r, kind, text, stamp);
}

void VyTabEvent::setRow(int r, int kind, const QString& text, qint64 stamp)
{
    const QIcon* icon = nullptr;
    switch (kind) {
    case FaultCleared:
        icon = &iconSolve;
        break;
    case FaultOccurred:
        icon = &iconErr;
        break;
    case SystemEvent:
        icon = &iconSys;
        break;
    case UserEvent:
        icon = &iconUser;
        break;
    default:
        break;
    }
    if (icon)
        setItem(r, 0, new QTableWidgetItem(*icon, text));
    // The export's formatter: the same text as QDateTime's in UTC, at a fraction of the
    // cost, which counts with hundreds of thousands of rows.
    char text19[32];
    const int length = TavCsv::formatTime(stamp, text19);
    auto* time = new QTableWidgetItem(QString::fromLatin1(text19, length));
    time->setData(StampRole, stamp);
    setItem(r, 1, time);
}

void VyTabEvent::refreshEvents(const SortedTavData& data, bool showError, bool showSys,
                               bool showUser)
{
    qCDebug(lcPanels) << "OstrelTest::refreshEvents";
    const EventList list = EventList::build(data.errors, data.systemEvents, data.userEvents,
                                            showError, showSys, showUser);
    clearContents();
    setRowCount(0);
    // All rows at once, and the items without a change signal each: with hundreds of
    // thousands of events the per-item signals would cost more than the items. The view
    // learns of the rows from setRowCount and of their contents from one change signal
    // over the whole table.
    setRowCount(list.size());
    if (list.size() > 0) {
        {
            const QSignalBlocker quiet(model());
            for (int i = 0; i < list.size(); ++i)
                setRow(i, list.kinds.at(i), list.texts.at(i), list.stamps.at(i));
        }
        emit model()->dataChanged(model()->index(0, 0), model()->index(list.size() - 1, 1));
    }
    qCDebug(lcPanels) << "End OstrelTest::refreshEvents";
}

void VyTabEvent::onCellDoubleClicked(int row, int /*column*/)
{
    // The stamp travels with the row; turning the shown text back through local time would
    // shift the jump by the daylight-saving offset.
    const QTableWidgetItem* time = item(row, 1);
    if (!time)
        return;
    emit jumpToStamp(time->data(StampRole).toLongLong());
}
