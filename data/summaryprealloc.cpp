#include "summaryprealloc.h"

#include <algorithm>
#include <limits>

namespace {

// Below this many samples the summaries' memory is touched in no time.
constexpr qint64 WorthSamples = 1 << 18;

} // namespace

SummaryPrealloc::~SummaryPrealloc()
{
    finish();
}

void SummaryPrealloc::offer(qint64 records, int variables)
{
    // A second block: dropped in finish(), so that this block's decode need not wait for
    // the maker.
    if (++m_offers > 1)
        return;
    if (records < WorthSamples || records > std::numeric_limits<int>::max() || variables <= 0)
        return;
    m_samples = int(records);
    m_maker = std::thread([this, variables] {
        QVector<CurveSummary> made(variables);
        for (CurveSummary& s : made)
            s.beginBuild(m_samples);
        const int nodes = RangeStats::leavesFor(m_samples);
        RangeStats::NodeArrays arrays(static_cast<size_t>(variables));
        if (nodes > 0) {
            for (std::vector<RangeStats::Node>& a : arrays)
                a.resize(size_t(nodes));
        }
        summaries = std::move(made);
        statsNodes = std::move(arrays);
    });
}

bool SummaryPrealloc::fit(int samples)
{
    if (m_samples <= 0 || samples <= 0 || samples > m_samples)
        return false;
    if (samples < m_samples) {
        for (CurveSummary& s : summaries)
            s.fitBuild(samples);
        const size_t leaves = size_t(std::max(0, RangeStats::leavesFor(samples)));
        for (std::vector<RangeStats::Node>& a : statsNodes)
            a.resize(leaves);
        m_samples = samples;
    }
    return true;
}

void SummaryPrealloc::finish()
{
    if (m_maker.joinable())
        m_maker.join();
    if (m_offers > 1 && m_samples > 0) {
        m_samples = 0;
        summaries = QVector<CurveSummary>();
        statsNodes = RangeStats::NodeArrays();
    }
}
