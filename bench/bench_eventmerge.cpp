// Event list refresh at scale: the merge of faults, system and user events, and the
// whole refresh of the event table, against the per-entry scan-and-insert merge.
//
//   bench_eventmerge [TOTAL]   (default 300000 events, a third of each kind)
#include "eventlist.h"
#include "sortedtavdata.h"
#include "vytabevent.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>

namespace {

// Faults mostly in time order with a clock set back now and then; events in time order
// over the same span, as a chamber records them.
void makeEvents(int total, QList<ErrorRecord>& errors, QList<EventRecord>& sys,
                QList<EventRecord>& user)
{
    QRandomGenerator rng(7);
    const int each = total / 3;
    quint32 t = 1600000000;
    for (int i = 0; i < each; ++i) {
        t += rng.bounded(120);
        if (i % 5000 == 4999)
            t -= 3600; // set back by an hour
        errors.append({t, qint16(rng.bounded(100)), qint16(i % 2)});
    }
    const quint32 span = t - 1600000000 + 3600;
    for (int i = 0; i < each; ++i) {
        sys.append({1600000000 + quint32(qint64(i) * span / each), QStringLiteral("系统事件")});
        user.append({1600000000 + quint32(qint64(i) * span / each) + 7, QStringLiteral("用户")});
    }
}

// The merge as it was: faults appended, then each event placed by a scan of the list
// built so far and inserted into it.
EventList scanAndInsert(const QList<ErrorRecord>& errors, const QList<EventRecord>& sys,
                        const QList<EventRecord>& user)
{
    EventList list = EventList::build(errors, {}, {}, true, false, false);
    for (const EventRecord& e : sys)
        list.insert(SystemEvent, e.text, e.stamp);
    for (const EventRecord& e : user)
        list.insert(UserEvent, e.text, e.stamp);
    return list;
}

template <typename F> double bestMs(int runs, F f)
{
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        f();
        best = std::min(best, t.nsecsElapsed() / 1e6);
    }
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false"));
    const int total = argc > 1 ? std::max(3, atoi(argv[1])) : 300000;

    // Side by side on equal sizes the old merge can finish.
    std::printf("%10s %14s %14s %8s\n", "events", "scan+insert", "merge", "ratio");
    for (int n : {3000, 15000, 30000}) {
        QList<ErrorRecord> e;
        QList<EventRecord> s, u;
        makeEvents(n, e, s, u);
        int a = 0, b = 0;
        const double old = bestMs(3, [&] { a = scanAndInsert(e, s, u).size(); });
        const double now =
            bestMs(3, [&] { b = EventList::build(e, s, u, true, true, true).size(); });
        if (a != b)
            return 1;
        std::printf("%10d %11.2f ms %11.2f ms %7.0fx\n", n, old, now, old / now);
    }

    SortedTavData data;
    makeEvents(total, data.errors, data.systemEvents, data.userEvents);
    int rows = 0;
    const double merge = bestMs(5, [&] {
        rows = EventList::build(data.errors, data.systemEvents, data.userEvents, true, true, true)
                   .size();
    });
    VyTabEvent table;
    table.resize(300, 600);
    table.show();
    const double refresh = bestMs(3, [&] { table.refreshEvents(data, true, true, true); });
    // The refresh above empties a full table each time; apart, the two halves.
    double empty = 1e30;
    for (int i = 0; i < 3; ++i) {
        table.refreshEvents(data, true, true, true);
        empty = std::min(empty, bestMs(1, [&] {
                             table.clearContents();
                             table.setRowCount(0);
                         }));
    }
    const double fill = bestMs(1, [&] { table.refreshEvents(data, true, true, true); });
    std::printf("%d events (%d rows): merge %.1f ms; table refresh %.1f ms (emptying the table "
                "%.1f ms, filling an empty one %.1f ms)\n",
                total, rows, merge, refresh, empty, fill);
    return table.rowCount() == rows ? 0 : 1;
}
