#include "axislabels.h"

#include <algorithm>

namespace AxisLabels {

int gridPosition(int from, int to, int k, int n)
{
    return from + int(qint64(to - from) * k / (n + 1));
}

QVector<int> shownLabels(int n, int from, int to, int extent)
{
    QVector<int> shown;
    auto at = [&](int k) { return gridPosition(from, to, k, n); };
    // The smallest step whose every pair of neighbours, the start label included, is far
    // enough apart (positions are floored, so pairs may differ by a pixel).
    int step = 1;
    for (; step <= n; ++step) {
        bool fits = true;
        for (int k = 0; k + step <= n && fits; k += step)
            fits = at(k + step) - at(k) >= extent;
        if (fits)
            break;
    }
    for (int k = step; k <= n; k += step) {
        if (at(n + 1) - at(k) < extent)
            break; // too close to the end label, which always shows
        shown.append(k);
    }
    return shown;
}

Span leftAxisLabel(int plotLeft, int textWidth)
{
    const int right = std::max(plotLeft - 6, textWidth - 1);
    return {right - std::max(textWidth - 1, 0), right};
}

Span rightAxisLabel(int plotRight, int widgetWidth, int textWidth)
{
    const int left = std::min(plotRight + 5, widgetWidth - textWidth);
    return {left, left + std::max(textWidth - 1, 0)};
}

} // namespace AxisLabels
