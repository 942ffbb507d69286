#include "vytabevent.h"

#include "eventlist.h"
#include "panelslog.h"
#include "sortedtavdata.h"

#include <QDateTime>
#include <QHeaderView>

VyTabEvent::VyTabEvent()
    : iconSys(QStringLiteral(":/pngs/sys_24px.png")),
      iconErr(QStringLiteral(":/pngs/err_24px.png")),
      iconSolve(QStringLiteral(":/pngs/solve_24px.png")),
      iconUser(QStringLiteral(":/pngs/user_24px.png"))
{
    setColumnCount(2);
    setHorizontalHeaderLabels({QStringLiteral("事件（双击跳转）"), QStringLiteral("发生时间")});
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
    auto* time = new QTableWidgetItem(QDateTime::fromSecsSinceEpoch(stamp, Qt::UTC)
                                          .toString(QStringLiteral("yyyy/MM/dd hh:mm:ss")));
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
    for (int i = 0; i < list.size(); ++i)
        addEvent(list.kinds.at(i), list.texts.at(i), list.stamps.at(i));
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
