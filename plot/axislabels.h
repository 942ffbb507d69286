#pragma once

#include <QVector>

// Where the axis labels go, kept free of painting so that each rule can be checked on
// its own. Positions are pixels along one axis of the plot rectangle.
namespace AxisLabels {

// Position of grid line k (1..n) of n between from and to; 0 and n + 1 give the ends.
// Labels use the same positions as the grid lines, so that each sits on its line.
int gridPosition(int from, int to, int k, int n);

// Which of the n intermediate labels to show when each needs `extent` pixels along the
// axis (its own size plus a gap): every s-th one for the smallest step s at which no two
// shown labels overlap, the start and end labels included, and none too close to the end.
// The ends are always shown and are not in the result.
QVector<int> shownLabels(int n, int from, int to, int extent);

// The horizontal extent [left, right] of a Y label of the given text width. Left axis:
// right-aligned at plotLeft - 6, moved right just enough to start at 0. Right axis:
// left-aligned at plotRight + 5, moved left just enough to end at width - 1. A label
// wider than its margin thus stays whole, overlapping the frame rather than being cut.
struct Span
{
    int left;
    int right;
};
Span leftAxisLabel(int plotLeft, int textWidth);
Span rightAxisLabel(int plotRight, int widgetWidth, int textWidth);

} // namespace AxisLabels
