#pragma once

#include "tavrecords.h"

#include <QList>
#include <QStringList>
#include <QVector>

class TavDataModel;

// What a follow took in from the end of a file in one update, ready to be written into the
// data set that was on screen when it was decoded.
struct AppendBatch
{
    enum class Outcome
    {
        Appended,  // samples, events or information to write (maybe none)
        ReadWhole, // the file has to be read whole: the data set cannot be extended
        Unreadable // the file could not be opened
    };
    Outcome outcome = Outcome::Appended;
    // The held data set's size when decoded: the batch applies to exactly that set.
    int heldCount = 0;
    // New samples: stamps and one column per name of the held set, in its order. With
    // grown, the columns are the whole new columns (held samples copied into a larger
    // capacity on the worker), so that the GUI thread only exchanges them.
    bool grown = false;
    QVector<qint64> stamps;
    QVector<QVector<float>> values;
    QList<ErrorRecord> errors;
    QList<EventRecord> systemEvents;
    QList<EventRecord> userEvents;
    QStringList infoNames;
    QStringList infoValues;
    qint64 consumed = 0; // bytes of the file taken in after this batch
    qint64 seenSize = 0; // the file's size when the batch was decoded, or where it stopped
    // A long append is taken in pieces: more of it waits after this batch.
    bool more = false;
    qint64 workerNs = 0; // time the worker took to decode it

    // Samples the batch appends.
    int appended() const { return grown ? stamps.size() - heldCount : stamps.size(); }
    bool isEmpty() const
    {
        return appended() == 0 && errors.isEmpty() && systemEvents.isEmpty() &&
               userEvents.isEmpty() && infoNames.isEmpty();
    }
};

namespace AppendApply {

// Writes batch into set, which must be the set it was decoded against (heldCount samples),
// and extends every summary of set; batch is left empty. Costs the appended samples, plus
// the exchange of the columns for a grown batch.
void apply(TavDataModel& set, AppendBatch& batch);

} // namespace AppendApply
