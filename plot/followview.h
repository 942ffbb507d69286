#pragma once

#include <QtGlobal>

// Where the time axis goes when a followed recording grows from [oldFirst, oldLast] to
// [newFirst, newLast]: a view of the whole recording keeps showing all of it; a view whose
// end was at the newest sample slides with it, keeping its span; any other view stays
// where the user put it.
struct FollowView
{
    qint64 stampStart = 0;
    qint64 stampEnd = 0;

    static FollowView afterGrowth(FollowView view, qint64 oldFirst, qint64 oldLast, qint64 newFirst,
                                  qint64 newLast);
};
