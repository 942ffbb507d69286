#pragma once

class TavDataModel;
class SummaryPrealloc;

namespace SummaryBuilder {

// (Re)builds the model's timeBreaks, summaries (one min/max pyramid per value column) and
// rangeStats from its stamps and values, on both cores when the data is large enough to
// pay for a thread, and records the time taken in summaryBuildNs.
// spare: memory made ahead for the summaries (see SummaryPrealloc), taken where it fits.
void build(TavDataModel& model, SummaryPrealloc* spare = nullptr);

} // namespace SummaryBuilder
