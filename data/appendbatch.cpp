#include "appendbatch.h"

#include "datalog.h"
#include "summarybuilder.h"
#include "tavdatamodel.h"

namespace AppendApply {

namespace {

template <typename T> void appendList(QList<T>& to, QList<T>& from)
{
    to.append(from);
    from.clear();
}

} // namespace

void apply(TavDataModel& set, AppendBatch& batch)
{
    Q_ASSERT(batch.outcome == AppendBatch::Outcome::Appended);
    Q_ASSERT(batch.heldCount == set.stamps.size());
    const int oldCount = set.stamps.size();
    if (batch.grown) {
        // The worker copied the held samples into roomier columns: only pointers change
        // hands here. The old columns die with the batch, or with a check still reading them.
        set.stamps.swap(batch.stamps);
        for (int c = 0; c < set.values.size(); ++c)
            set.values[c].swap(batch.values[c]);
    } else if (!batch.stamps.isEmpty()) {
        set.stamps += batch.stamps;
        for (int c = 0; c < set.values.size(); ++c)
            set.values[c] += batch.values.at(c);
    }
    batch.stamps.clear();
    batch.values.clear();
    appendList(set.errors, batch.errors);
    appendList(set.systemEvents, batch.systemEvents);
    appendList(set.userEvents, batch.userEvents);
    set.infoNames += batch.infoNames;
    set.infoValues += batch.infoValues;
    batch.infoNames.clear();
    batch.infoValues.clear();
    set.sampleCount = set.stamps.size();
    if (set.sampleCount != oldCount)
        SummaryBuilder::append(set, oldCount);
    qCDebug(lcData) << "AppendApply::apply" << oldCount << "->" << set.sampleCount;
}

} // namespace AppendApply
