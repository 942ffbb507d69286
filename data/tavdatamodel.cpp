#include "tavdatamodel.h"

#include <algorithm>
#include <utility>

const CurveSummary* TavDataModel::summaryOf(int c) const
{
    if (c < 0 || c >= summaries.size() || c >= values.size())
        return nullptr;
    const CurveSummary& s = summaries.at(c);
    return s.count() == values.at(c).size() && !s.isEmpty() ? &s : nullptr;
}

QPair<qint64, qint64> TavDataModel::stampRange() const
{
    if (stamps.isEmpty())
        return {0, 0};
    if (timeBreaks.count() == stamps.size())
        return {timeBreaks.earliest(), timeBreaks.latest()};
    const auto mm = std::minmax_element(stamps.constBegin(), stamps.constEnd());
    return {*mm.first, *mm.second};
}

void TavDataModel::clear()
{
    status = 1;
    timeBreaks.clear();
    summaries.clear();
    spanIndexes = QVector<QPair<int, int>>();
    spanIntervals = QVector<qint64>();
    sampleCount = 0;
    names.clear();
    stamps.clear();
    values.clear();
    infoNames.clear();
    infoValues.clear();
    errors.clear();
    systemEvents.clear();
    userEvents.clear();
    rangeStats.clear();
}

void TavDataModel::swapContents(TavDataModel& other)
{
    std::swap(status, other.status);
    spanIndexes.swap(other.spanIndexes);
    spanIntervals.swap(other.spanIntervals);
    std::swap(sampleCount, other.sampleCount);
    names.swap(other.names);
    stamps.swap(other.stamps);
    values.swap(other.values);
    infoNames.swap(other.infoNames);
    infoValues.swap(other.infoValues);
    errors.swap(other.errors);
    systemEvents.swap(other.systemEvents);
    userEvents.swap(other.userEvents);
    std::swap(rangeStats, other.rangeStats);
    std::swap(timeBreaks, other.timeBreaks);
    summaries.swap(other.summaries);
    std::swap(summaryBuildNs, other.summaryBuildNs);
}

RangeSummary rangeSummary(const TavDataModel& set, int variable, qint64 from, qint64 to)
{
    if (variable < 0 || variable >= set.values.size())
        return RangeSummary();
    return set.rangeStats.summarize(set.stamps, set.values.at(variable), variable, from, to);
}
