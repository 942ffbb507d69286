#include "eventlist.h"

#include "panelslog.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QVector>

#include <algorithm>
#include <climits>

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

namespace {

// One system or user event waiting to be placed.
struct Pending
{
    int kind;
    const EventRecord* record;
};

// For point queries "the lowest run whose [first, last) holds w" over runs whose bounds
// never change: each run's interval is laid over the compressed event stamps as a
// range-minimum of its index; a query takes the minimum on the path from leaf to root.
class RunStabber
{
public:
    explicit RunStabber(QVector<qint64> coords) : m_coords(std::move(coords))
    {
        std::sort(m_coords.begin(), m_coords.end());
        m_coords.erase(std::unique(m_coords.begin(), m_coords.end()), m_coords.end());
        m_size = m_coords.size();
        m_tree.fill(INT_MAX, 2 * qMax(1, m_size));
    }

    void add(int run, qint64 first, qint64 last)
    {
        int l = index(first) + m_size;
        int r = index(last) + m_size;
        for (; l < r; l >>= 1, r >>= 1) {
            if (l & 1) {
                m_tree[l] = qMin(m_tree[l], run);
                ++l;
            }
            if (r & 1) {
                --r;
                m_tree[r] = qMin(m_tree[r], run);
            }
        }
    }

    // w must be one of the coordinates given at construction.
    int lowest(qint64 w) const
    {
        int best = INT_MAX;
        for (int p = index(w) + m_size; p >= 1; p >>= 1)
            best = qMin(best, m_tree[p]);
        return best == INT_MAX ? -1 : best;
    }

private:
    int index(qint64 v) const
    {
        return int(std::lower_bound(m_coords.begin(), m_coords.end(), v) - m_coords.begin());
    }

    QVector<qint64> m_coords;
    int m_size = 0;
    QVector<int> m_tree;
};

} // namespace

// Inserting an entry never creates a descent (its neighbours are <= and > it, or it goes
// to either end in order), so the list stays the fault list's non-decreasing runs with
// events placed inside them. A gap can bracket w only inside a run, and inside run i one
// does exactly when first_i <= w < last_i; there the first such gap is the place after all
// entries <= w. Hence each event belongs to the lowest run that holds it (or to the front
// of the first run, or the back of the last), and within a run the entries end up as a
// stable merge: the run's faults, then its events in insertion order, by stamp. Only the
// front of the first run and the back of the last run move as events arrive.
EventList EventList::build(const QList<ErrorRecord>& errors, const QList<EventRecord>& sys,
                           const QList<EventRecord>& user, bool showError, bool showSys,
                           bool showUser)
{
    EventList faults;
    if (showError) {
        for (const ErrorRecord& e : errors) {
            const qint64 stamp = e.stamp;
            if (e.state == 0) {
                faults.kinds.append(FaultCleared);
                faults.texts.append(
                    QCoreApplication::translate("EventList", "故障[%1] 解除").arg(e.code));
            } else if (e.state == 1) {
                faults.kinds.append(FaultOccurred);
                faults.texts.append(
                    QCoreApplication::translate("EventList", "故障[%1] 发生").arg(e.code));
            } else {
                qCDebug(lcPanels).noquote() << "Read Error Data Failed:" << e.code << e.state
                                            << QDateTime::fromSecsSinceEpoch(stamp, Qt::UTC)
                                                   .toString(QStringLiteral("yyyy/MM/dd hh:mm:ss"));
                continue;
            }
            faults.stamps.append(stamp);
        }
    }
    QVector<Pending> pending;
    if (showSys) {
        for (const EventRecord& e : sys)
            pending.append({SystemEvent, &e});
    }
    if (showUser) {
        for (const EventRecord& e : user)
            pending.append({UserEvent, &e});
    }
    if (pending.isEmpty())
        return faults;

    // The fault list's runs: [runFirst[i], runFirst[i + 1]) in fault indexes.
    const int nf = faults.size();
    QVector<int> runFirst;
    for (int i = 0; i < nf; ++i) {
        if (i == 0 || faults.stamps.at(i - 1) > faults.stamps.at(i))
            runFirst.append(i);
    }
    if (runFirst.isEmpty())
        runFirst.append(0); // no faults: one empty run takes the events
    const int runs = runFirst.size();
    runFirst.append(nf);
    auto firstOf = [&](int r) { return faults.stamps.at(runFirst[r]); };
    auto lastOf = [&](int r) { return faults.stamps.at(runFirst[r + 1] - 1); };

    QVector<qint64> coords;
    coords.reserve(pending.size());
    for (const Pending& p : qAsConst(pending))
        coords.append(p.record->stamp);
    RunStabber middle(coords);
    for (int r = 1; r + 1 < runs; ++r) {
        if (firstOf(r) < lastOf(r))
            middle.add(r, firstOf(r), lastOf(r));
    }

    // The moving ends, and the run each event joins (-1: not listed).
    bool empty = nf == 0;
    qint64 front = empty ? 0 : firstOf(0);
    qint64 back = empty ? 0 : lastOf(runs - 1);
    QVector<int> target(pending.size(), -1);
    for (int k = 0; k < pending.size(); ++k) {
        const qint64 w = pending[k].record->stamp;
        int r = -1;
        if (empty) {
            front = back = w;
            empty = false;
            r = 0;
        } else if (w < front) {
            front = w;
            r = 0;
        } else if (!(w < back)) {
            back = w;
            r = runs - 1;
        } else if (w < (runs == 1 ? back : lastOf(0))) {
            r = 0; // front <= w here
        } else {
            r = middle.lowest(w);
            if (r < 0 && runs > 1 && firstOf(runs - 1) <= w)
                r = runs - 1; // w < back already holds
        }
        target[k] = r;
    }

    // Each run's events in insertion order, then stably merged with its faults.
    QVector<int> count(runs + 1, 0);
    for (int r : qAsConst(target))
        if (r >= 0)
            ++count[r + 1];
    for (int r = 0; r < runs; ++r)
        count[r + 1] += count[r];
    QVector<int> byRun(count[runs]);
    {
        QVector<int> fill = count;
        for (int k = 0; k < target.size(); ++k)
            if (target[k] >= 0)
                byRun[fill[target[k]]++] = k;
    }
    auto stampOf = [&](int k) { return pending[k].record->stamp; };

    EventList list;
    const int total = nf + count[runs];
    list.kinds.reserve(total);
    list.texts.reserve(total);
    list.stamps.reserve(total);
    auto takeFault = [&](int i) {
        list.kinds.append(faults.kinds.at(i));
        list.texts.append(faults.texts.at(i));
        list.stamps.append(faults.stamps.at(i));
    };
    auto takeEvent = [&](int k) {
        list.kinds.append(pending[k].kind);
        list.texts.append(pending[k].record->text);
        list.stamps.append(pending[k].record->stamp);
    };
    for (int r = 0; r < runs; ++r) {
        int* ev = byRun.data() + count[r];
        int* evEnd = byRun.data() + count[r + 1];
        std::stable_sort(ev, evEnd, [&](int a, int b) { return stampOf(a) < stampOf(b); });
        int f = runFirst[r];
        const int fEnd = runFirst[r + 1];
        while (f < fEnd || ev < evEnd) {
            // Faults go first among equal stamps: they were there before the events.
            if (ev == evEnd || (f < fEnd && !(stampOf(*ev) < faults.stamps.at(f))))
                takeFault(f++);
            else
                takeEvent(*ev++);
        }
    }
    return list;
}
