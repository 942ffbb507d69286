#pragma once

#include "tolerancecheck.h"
#include "tolerancepairs.h"

#include <QVector>

// What the canvas checks its recording against, and what the last check gave. The pairs
// index the data set's names; results has one entry per pair, in the same order, and is
// empty until a check of the current data and settings has come back.
struct ToleranceSettings
{
    QVector<TolerancePair> pairs;
    ToleranceTiming timing;
    bool showBands = false; // "显示容差带": bands over the holds, excursions shaded
};
