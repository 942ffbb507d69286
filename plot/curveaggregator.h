#pragma once

#include "curvesummary.h"
#include "plotmapping.h"
#include "timebreaks.h"

#include <QVector>
#include <QtGlobal>

// What a paint draws of one curve: for every pixel column, the first, lowest, highest and
// last sample of each joined piece of the curve in that column (the M4 aggregation of
// Jugel et al., PVLDB 2014). A polyline through these, column by column, inks the same
// pixels as a polyline through every sample, because every sample of a column sits on the
// column's one x. Long columns are answered from the column's min/max pyramid, so a paint
// does not read every visible sample.
namespace CurveAggregator {

// The value a vernier shows when a curve gives no reading.
constexpr float NoReading = MissingLimit;

// Samples first..last (inclusive) that land on pixel column x.
struct Column
{
    int x;
    int first;
    int last;
    bool broken; // the time line breaks between two of these samples
};

// Splits samples [first, last] of a stretch of non-decreasing stamps into their pixel
// columns, left to right, and appends them to out.
void columns(const qint64* stamps, int first, int last, const TimeMapping& tm,
             const TimeBreaks& breaks, QVector<Column>& out);

// One joined piece of a curve inside one pixel column.
struct Mark
{
    int x;
    int firstIndex;
    int lastIndex;
    float first;
    float min;
    float max;
    float last;
    bool joinedLeft; // joined by a line to the previous mark's last sample
};

// Appends the marks of one value column over the given pixel columns (of one stretch, in
// order). summary may be nullptr: every sample is then read.
void aggregate(const float* values, const CurveSummary* summary, const TimeBreaks& breaks,
               const Column* cols, int count, QVector<Mark>& out);

// Index of the sample a vernier at time t reads: the latest sample at or before t (of the
// later stretch when stretches overlap); -1 before every sample.
int sampleAtOrBefore(const qint64* stamps, const TimeBreaks& breaks, qint64 t);

// A curve's reading at time t, sample j from sampleAtOrBefore: its value when the sample is
// valid and either lies at t or is joined to the next sample; NoReading in a break of the
// line (a pause, a missing value, stamps going back), past the end and before the start.
float readingAt(const float* values, const qint64* stamps, const TimeBreaks& breaks, int j,
                qint64 t);

} // namespace CurveAggregator
