#pragma once

#include <QPair>
#include <QVector>
#include <QtGlobal>

// Runs of at least three equally spaced samples, found in one pass over the spacings
// d(k) = s[k + 1] - s[k] (with d(-1) = 0) and carried on when samples are appended.
//
// The pass looks at d(k - 2), d(k - 1) and d(k) for k = 1 .. n - 2: a run starts where a
// spacing is repeated after a different one, and ends where the spacing changes. So a run
// of zero spacing at the very start is never reported, a run that only starts at the last
// step is not reported either, and a run still going at the end is reported up to the last
// sample. Consecutive runs may share their boundary sample.
namespace SpacingRuns {

struct Span
{
    int first;
    int last;
    qint64 interval;
};

// Every run of s.
QVector<Span> find(const QVector<qint64>& s);

// indexes and intervals hold the runs of s[0 .. oldCount - 1], as find() gives them, and s
// now holds count stamps; afterwards they hold the runs of all of them, as if found over
// the whole. The pass goes on from its state at the end of the old stamps, which those
// stamps and the last run tell, so this costs O(count - oldCount).
void extend(const qint64* s, int oldCount, int count, QVector<QPair<int, int>>& indexes,
            QVector<qint64>& intervals);

} // namespace SpacingRuns
