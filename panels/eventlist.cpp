#include "eventlist.h"

#include "panelslog.h"

#include <QDateTime>

int EventList::insertPosition(const QList<qint64>& s, qint64 w)
{
    const int n = s.size();
    if (n == 0 || w < s.first())
        return 0;
    if (!(w < s.last()))
        return n;
    // The fault entries keep file order, so the list need not be sorted: take the first gap
    // that brackets w. Since s[0] <= w < s[n-1], such a gap always exists.
    for (int j = 1; j < n; ++j) {
        if (s.at(j - 1) <= w && w < s.at(j))
            return j;
    }
    return -1;
}

bool EventList::insert(int kind, const QString& text, qint64 stamp)
{
    const int j = insertPosition(stamps, stamp);
    if (j < 0)
        return false;
    kinds.insert(j, kind);
    texts.insert(j, text);
    stamps.insert(j, stamp);
    return true;
}

EventList EventList::build(const QList<ErrorRecord>& errors, const QList<EventRecord>& sys,
                           const QList<EventRecord>& user, bool showError, bool showSys,
                           bool showUser)
{
    EventList list;
    if (showError) {
        for (const ErrorRecord& e : errors) {
            const qint64 stamp = e.stamp;
            if (e.state == 0) {
                list.kinds.append(FaultCleared);
                list.texts.append(QStringLiteral("故障[%1] 解除").arg(e.code));
            } else if (e.state == 1) {
                list.kinds.append(FaultOccurred);
                list.texts.append(QStringLiteral("故障[%1] 发生").arg(e.code));
            } else {
                qCDebug(lcPanels).noquote() << "Read Error Data Failed:" << e.code << e.state
                                            << QDateTime::fromSecsSinceEpoch(stamp, Qt::UTC)
                                                   .toString(QStringLiteral("yyyy/MM/dd hh:mm:ss"));
                continue;
            }
            list.stamps.append(stamp);
        }
    }
    if (showSys) {
        for (const EventRecord& e : sys)
            list.insert(SystemEvent, e.text, e.stamp);
    }
    if (showUser) {
        for (const EventRecord& e : user)
            list.insert(UserEvent, e.text, e.stamp);
    }
    return list;
}
