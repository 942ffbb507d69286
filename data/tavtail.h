#pragma once

#include "tavbinary.h"
#include "tavloader.h"
#include "tavrecords.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

// Takes in what was appended to a .tavdata file since it was last read, at the cost of what
// was appended, so that the data set stays what a whole read of the file would give.
//
// Taken in, each exactly as a whole read decodes it:
// - new complete records of the section left open, and new items (information, faults,
//   events) of a last section of those kinds;
// - new sections of any kind: information items and event records are appended to their
//   lists; a History block whose names equal those of the file's last block, in the same
//   order, is appended to the time line (its records dropped afresh, as in a whole read).
// Waits: a record or item cut off at the end, and a History block whose marker or header
// is still being written (consumed stays at its marker).
// Read whole (the caller reads the file again):
// - a file shorter than what was taken, or a decode from another offset;
// - a marker that reaches back into bytes already taken;
// - a History block with other names, one before which no block was read, one whose
//   header is bad or runs past its section, or one whose first kept stamp is not above
//   the time line's last (the clock was set back: the time line would go back);
// - a block grown past the most records a read takes, a time line grown past
//   limits.samples, merged columns grown past limits.mergeBytes, or a list past its cap.
class TavTail
{
public:
    enum class Status
    {
        Taken,      // everything complete from the offset is in the batch (maybe nothing)
        ReadWhole,  // the file has to be read whole: this tail cannot go on
        Unreadable, // the file could not be opened
    };

    // What a decode took in. The caller appends it to the data set of the whole read:
    // - stamps to its stamps (they rise, the first above the last stamp held); values[j]
    //   to the column of layout().names[j] when that name occurs there first (a later
    //   repeat is dropped, as the merge drops it), and as many MissingValue as stamps to
    //   every column no name of layout() reaches;
    // - infoNames, infoValues, errors, systemEvents and userEvents to the lists of the
    //   same names.
    struct Batch
    {
        Status status = Status::Taken;
        QVector<qint64> stamps;
        QVector<QVector<float>> values; // one per name of layout(), as long as stamps
        QStringList infoNames;
        QStringList infoValues; // one per entry of infoNames
        QList<ErrorRecord> errors;
        QList<EventRecord> systemEvents;
        QList<EventRecord> userEvents;
        qint64 dropped = 0;  // records whose stamp did not follow the last kept
        qint64 consumed = 0; // the next decode starts here
    };

    // Goes on after a read that gave layout under limits; decode from layout.consumed
    // first, then from each batch's consumed. Any other offset reads whole.
    explicit TavTail(const TavBinary::TailLayout& layout,
                     const TavLoader::Limits& limits = TavLoader::Limits());

    // Where the file was left, after the last batch taken.
    const TavBinary::TailLayout& layout() const { return m_layout; }

    // end, when not negative, is taken as the file's end: a long append is taken in pieces.
    Batch decode(const QString& path, qint64 from, qint64 end = -1);

private:
    bool withinLimits(const TavBinary::TailLayout& after, const Batch& batch) const;

    TavBinary::TailLayout m_layout;
    TavLoader::Limits m_limits;
};
