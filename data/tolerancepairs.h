#pragma once

#include "tolerancecheck.h"

#include <QPair>
#include <QStringList>
#include <QVector>

class TavDataModel;

// A measured variable with its setpoint variable and the band around the setpoint; the
// indexes are those of the data set's names.
struct TolerancePair
{
    int measured = -1;
    int setpoint = -1;
    ToleranceBand band;
};

namespace TolerancePairs {

// The band a curve gets unless the user sets one, from its Y axis: ±3 %RH on Y2 (axis 1),
// ±2 on every other axis.
double defaultBand(int axis);

// The pairs the names suggest, as (measured, setpoint), in the order of the measured
// variables. A setpoint is named as its measured variable followed by "设定" or "设定值"
// ("温度设定" with "温度"), or as it with a final "PV" turned into "SV" ("TEMP SV" with
// "TEMP PV": the stems must match to the last character, blanks included, and the case of
// "PV"/"SV" counts). A measured variable with several such setpoints takes the first in
// name order; a variable is never its own setpoint.
QVector<QPair<int, int>> automatic(const QStringList& names);

// Checks pair over the data set's columns; an index out of range gives an empty result.
ToleranceResult check(const TavDataModel& set, const TolerancePair& pair,
                      const ToleranceTiming& timing);

} // namespace TolerancePairs
