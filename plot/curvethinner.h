#pragma once

#include <QList>
#include <QPair>
#include <QVector>
#include <QtGlobal>

// Which samples a paint looks at: the visible index range over the equally spaced runs
// of the data set, and about one sample per pixel within a run.
namespace CurveThinner {

// Index in [lo, hi] of the last sample before t, or lo / hi when t lies outside.
int findSampleIndex(const QVector<qint64>& stamps, qint64 t, int lo, int hi);

// First and last sample index to look at for the X range; -1 when none.
int visibleFirst(const QVector<qint64>& stamps, const QList<QPair<qint64, qint64>>& spanStamps,
                 const QList<QPair<int, int>>& spanIndexes, qint64 stampStart);
int visibleLast(const QVector<qint64>& stamps, const QList<QPair<qint64, qint64>>& spanStamps,
                const QList<QPair<int, int>>& spanIndexes, int sampleCount, qint64 stampEnd);

// Stores the thinned indexes of [lo, hi] into out (at most capacity); returns how many.
// Every sample while one sample is wider than a pixel, else evenly spaced from lo.
int thin(int lo, int hi, qint64 interval, float secPerPixel, int* out, int capacity);

} // namespace CurveThinner
