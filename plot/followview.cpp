#include "followview.h"

FollowView FollowView::afterGrowth(FollowView view, qint64 oldFirst, qint64 oldLast,
                                   qint64 newFirst, qint64 newLast)
{
    if (view.stampStart <= oldFirst && view.stampEnd >= oldLast) {
        // A whole view that had room beyond either end keeps it.
        view.stampStart = qMin(view.stampStart, newFirst);
        view.stampEnd = qMax(view.stampEnd, newLast);
        return view;
    }
    if (view.stampEnd >= oldLast && newLast > oldLast) {
        const qint64 shift = newLast - oldLast;
        view.stampStart += shift;
        view.stampEnd += shift;
    }
    return view;
}
