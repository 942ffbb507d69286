#pragma once

#include "curveinfo.h"
#include "plotmapping.h"
#include "tolerancesettings.h"

#include <QList>
#include <QVector>

class QPainter;

// The tolerance check drawn under the curves: each pair's band [s - below, s + above] over
// each of its holds, on its measured curve's axis and in its colour, translucent; and each
// excursion as a translucent red stripe over the plot's full height.
namespace TolerancePainter {

// Pixel columns [first, last] of the plot that a stretch of time covers.
struct Columns
{
    int first = 0;
    int last = -1; // last < first: nothing to draw
};

// The columns of [from, to] within the plot of tm, at least one for a stretch inside the
// range, none for one wholly outside it. Columns before next are taken already and left
// out, so that a run of stretches in time order fills each column at most once: thousands
// of holds zoomed out cost no more than the plot's width, and translucent fills that would
// overlap within a column do not darken it.
Columns columns(const TimeMapping& tm, qint64 from, qint64 to, int next);

// Paints when settings.showBands is on and results holds one result per pair. Pairs whose
// measured curve is not drawn are left out. Draws only inside the rectangle of tm and
// [top, bottom], without clipping the painter.
void paint(QPainter& painter, const TimeMapping& tm, int top, int bottom,
           const QList<float>& upperLimits, const QList<float>& lowerLimits,
           const ToleranceSettings& settings, const QVector<ToleranceResult>& results,
           const QList<CurveInfo>& curves);

} // namespace TolerancePainter
