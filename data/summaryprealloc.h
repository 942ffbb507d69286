#pragma once

#include "curvesummary.h"
#include "rangestats.h"

#include <QVector>

#include <thread>

// The summaries' memory, made on the other core while the file is still being decoded.
// Its first touch is most of what the summaries cost beyond one pass over the columns,
// and the second core has nothing else to do during the decode. Sized from the header of
// the file's History block (at most the records it can hold); after the read the summaries
// take over what fits the data set as it ended up, and the rest is dropped. A file of several
// blocks is not sized ahead.
class SummaryPrealloc
{
public:
    SummaryPrealloc() = default;
    ~SummaryPrealloc();
    SummaryPrealloc(const SummaryPrealloc&) = delete;
    SummaryPrealloc& operator=(const SummaryPrealloc&) = delete;

    // A History block of at most records records of variables values is about to be
    // decoded. The first offer starts the making when it is worth a thread; any later one
    // drops what is made.
    void offer(qint64 records, int variables);
    // Waits for the making. Afterwards summaries and statsNodes hold what was made for
    // samples() samples per column, or nothing.
    void finish();
    int samples() const { return m_samples; }
    // After finish(): what was made, taken down to samples per column when that is not
    // more than samples() (a block may keep fewer records than its header allowed for).
    // False, and nothing changed, when it is more or nothing was made.
    bool fit(int samples);

    QVector<CurveSummary> summaries;   // beginBuild(samples()) done
    RangeStats::NodeArrays statsNodes; // the leaves of each column's range statistics

private:
    std::thread m_maker;
    int m_samples = 0;
    int m_offers = 0;
};
