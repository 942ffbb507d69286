#pragma once

#include "curvesummary.h"
#include "rangestats.h"
#include "tavrecords.h"
#include "timebreaks.h"

#include <QList>
#include <QPair>
#include <QStringList>
#include <QVector>

class TavDataModel;

// First and last stamp of each run of equal spacing, read from the stamps at the run's
// first and last index: they cost no memory of their own.
class SpanStamps
{
public:
    explicit SpanStamps(const TavDataModel& set) : m_set(set) {}
    SpanStamps(const SpanStamps&) = delete;
    SpanStamps& operator=(const SpanStamps&) = delete;

    int size() const;
    bool isEmpty() const { return size() == 0; }
    QPair<qint64, qint64> at(int i) const;
    QPair<qint64, qint64> operator[](int i) const { return at(i); }
    QPair<qint64, qint64> first() const { return at(0); }
    QPair<qint64, qint64> last() const { return at(size() - 1); }

private:
    const TavDataModel& m_set;
};

// The samples, events, information and summaries of one recording, as plain data: no
// signals, no thread. The loader fills one, the summary builder completes it, the export,
// statistics and checks read it, and the data set the canvas holds is one.
class TavDataModel
{
public:
    TavDataModel() = default;
    // spanStamps refers to its own model, so a model is neither copied nor moved;
    // swapContents() exchanges what two of them hold.
    TavDataModel(const TavDataModel&) = delete;
    TavDataModel& operator=(const TavDataModel&) = delete;

    int status = 1;
    // Runs of equally spaced samples, 16 bytes each: a file of irregular spacing has a run
    // every few samples.
    SpanStamps spanStamps{*this};         // first and last stamp of each run
    QVector<QPair<int, int>> spanIndexes; // first and last sample index of the same runs
    QVector<qint64> spanIntervals;        // spacing of the same runs, seconds
    int sampleCount = 0;
    QStringList names;
    QVector<qint64> stamps;
    QVector<QVector<float>> values; // one column per name, each sampleCount long
    QStringList infoNames;
    QStringList infoValues;
    QList<ErrorRecord> errors;
    QList<EventRecord> systemEvents;
    QList<EventRecord> userEvents;
    // Summaries of the value columns for range statistics; built at the end of a read
    // (SummaryBuilder::build), extended as samples are appended (SummaryBuilder::append).
    RangeStats rangeStats;

    // Built at the end of a successful read and extended with appended samples, emptied by
    // clear(): where the time line breaks (pauses, stamps going back) and one min/max
    // pyramid per value column, so that the plot can draw every sample without reading
    // every sample.
    TimeBreaks timeBreaks;
    QVector<CurveSummary> summaries; // one per column of values, same order
    // How long the last summary build took, in nanoseconds (for the benchmarks).
    qint64 summaryBuildNs = 0;

    // The summary of column c when it was built or extended to the column as it is now;
    // else nullptr.
    const CurveSummary* summaryOf(int c) const;
    // Earliest and latest stamp, whatever their order; (0, 0) without samples.
    QPair<qint64, qint64> stampRange() const;

    // Back to the constructed state: status 1, no samples, every list empty.
    void clear();
    // Exchanges every member that holds data with other's.
    void swapContents(TavDataModel& other);
};

// The summary of variable over [from, to] of a loaded data set.
RangeSummary rangeSummary(const TavDataModel& set, int variable, qint64 from, qint64 to);

inline int SpanStamps::size() const
{
    return m_set.spanIndexes.size();
}

inline QPair<qint64, qint64> SpanStamps::at(int i) const
{
    const QPair<int, int>& span = m_set.spanIndexes.at(i);
    return qMakePair(m_set.stamps.at(span.first), m_set.stamps.at(span.second));
}
