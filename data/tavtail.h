#pragma once

#include "tavbinary.h"

#include <QString>
#include <QVector>

// Takes in the History records appended to the last section of a .tavdata file since it
// was last read, at the cost of what was appended.
//
// Taken in: new complete records of a last section that is a History block, decoded and
// kept or dropped exactly as a read of the whole file decodes and drops them. A record cut
// off at the end waits. The start of a marker still being written is taken as records
// when it is a record long, since a whole read of the file as it stands takes it so too.
// Read whole (the caller reads the file again): a new section of any kind (a complete
// marker anywhere in the new bytes or reaching back into the last 15 taken), a last
// section that is not a History block or whose header was incomplete, a file shorter than
// what was taken, and a block grown past the most records a read takes.
class TavTail
{
public:
    enum class Status
    {
        Taken,      // every complete record from the offset is in the batch (maybe none)
        ReadWhole,  // the file has to be read whole: this tail cannot go on
        Unreadable, // the file could not be opened
    };

    struct Batch
    {
        Status status = Status::Taken;
        QVector<qint64> stamps;
        QVector<QVector<float>> values; // one per name of layout(), as long as stamps
        qint64 dropped = 0;             // records whose stamp did not follow the last kept
        qint64 consumed = 0;            // the next decode starts here
    };

    // Goes on after a read that gave layout; decode from layout.consumed first, then from
    // each batch's consumed. Any other offset reads whole.
    explicit TavTail(const TavBinary::TailLayout& layout);

    const TavBinary::TailLayout& layout() const { return m_layout; }

    Batch decode(const QString& path, qint64 from);

private:
    TavBinary::TailLayout m_layout;
};
