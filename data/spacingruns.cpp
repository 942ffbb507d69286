#include "spacingruns.h"

namespace SpacingRuns {

namespace {

// Where the pass stands before step k: before = d(k - 2), prev = d(k - 1), and the first
// sample of the run it is in, or -1.
struct State
{
    int k;
    qint64 before;
    qint64 prev;
    int start;
};

// Steps st.k .. n - 2 of the pass over p[0 .. n - 1]; record(first, last, interval) for
// each run. Each spacing is computed once, as this runs over every sample of a file.
template <typename Record> void run(const qint64* p, int n, State st, const Record& record)
{
    qint64 before = st.before;
    qint64 prev = st.prev;
    int start = st.start;
    for (int k = st.k; k <= n - 2; ++k) {
        // Inside a run, a step whose spacing repeats the run's changes nothing but k, and
        // nearly every step of a recording is one: they are taken four at a time, short of
        // the last step, which records the run.
        if (before == prev && start >= 0) {
            while (k + 4 < n - 1 &&
                   (((p[k + 1] - p[k]) ^ prev) | ((p[k + 2] - p[k + 1]) ^ prev) |
                    ((p[k + 3] - p[k + 2]) ^ prev) | ((p[k + 4] - p[k + 3]) ^ prev)) == 0)
                k += 4;
        }
        const qint64 next = p[k + 1] - p[k];
        if (before != prev) {
            if (next == prev)
                start = k - 1;
        } else if (start >= 0) {
            if (next != prev) {
                record(start, k, prev);
                start = -1;
            } else if (k + 1 == n - 1) {
                record(start, n - 1, prev);
            }
        }
        before = prev;
        prev = next;
    }
}

State initial(const qint64* p)
{
    return {1, 0, p[1] - p[0], -1};
}

// The state before step old - 1, the first step that needs stamp old (old >= 3). A run
// that reaches old - 1 was still going; one that started at the last step, old - 2, was
// not reported: its spacing was repeated there after a different one.
State resumed(const qint64* p, int old, int lastRunFirst, int lastRunLast)
{
    const auto d = [p](int k) { return k < 0 ? qint64(0) : p[k + 1] - p[k]; };
    State st{old - 1, d(old - 3), d(old - 2), -1};
    if (lastRunLast == old - 1)
        st.start = lastRunFirst;
    else if (st.prev == st.before && d(old - 4) != st.before)
        st.start = old - 3;
    return st;
}

} // namespace

QVector<Span> find(const QVector<qint64>& s)
{
    QVector<Span> runs;
    if (s.size() < 3)
        return runs;
    run(s.constData(), s.size(), initial(s.constData()),
        [&runs](int first, int last, qint64 interval) {
            runs.append({first, last, interval});
        });
    return runs;
}

void extend(const qint64* s, int oldCount, int count, QVector<QPair<int, int>>& indexes,
            QVector<qint64>& intervals)
{
    if (count <= oldCount)
        return;
    const auto record = [&indexes, &intervals](int first, int last, qint64 interval) {
        intervals.append(interval);
        indexes.append(qMakePair(first, last));
    };
    if (oldCount < 3) {
        indexes.clear();
        intervals.clear();
        if (count >= 3)
            run(s, count, initial(s), record);
        return;
    }
    int lastFirst = -1;
    int lastLast = -1;
    if (!indexes.isEmpty()) {
        lastFirst = indexes.constLast().first;
        lastLast = indexes.constLast().second;
    }
    // A run reported up to the last sample goes on, or ends, with the new samples.
    if (lastLast == oldCount - 1) {
        indexes.removeLast();
        intervals.removeLast();
    }
    run(s, count, resumed(s, oldCount, lastFirst, lastLast), record);
}

} // namespace SpacingRuns
