#pragma once

class TavDataModel;
class SummaryPrealloc;

namespace SummaryBuilder {

// (Re)builds the model's timeBreaks, summaries (one min/max pyramid per value column) and
// rangeStats from its stamps and values, on both cores when the data is large enough to
// pay for a thread, and records the time taken in summaryBuildNs.
// spare: memory made ahead for the summaries (see SummaryPrealloc), taken where it fits.
void build(TavDataModel& model, SummaryPrealloc* spare = nullptr);

// Samples were appended to the model's stamps and to each of its columns, which held
// oldCount samples; its runs of equal spacing and all that build() makes were complete
// for those. Extends them to the samples there are now, to the bit what the loader's runs
// and build() would give over the whole, in O(new samples + log n) amortised: the gap
// before the old last sample and the last partial block are done again, the rest is only
// added to. Where that cannot give what build() gives (no summaries yet, oldCount 0, a
// new column, range statistics that begin or stop summarising) the runs are extended and
// the rest is built again whole. The columns must not be shared with another vector while
// they grow, or every append copies them. Records the time taken in summaryBuildNs.
void append(TavDataModel& model, int oldCount);

} // namespace SummaryBuilder
