#pragma once

#include "csvrow.h"
#include "tavbinary.h"

// Where a read of a whole file left it, so that what is appended later can be taken in
// from there: the CSV reader's layout or the binary reader's last section.
struct ReadTail
{
    bool csv = false;
    TavCsv::CsvLayout csvLayout;
    TavBinary::TailLayout tavLayout;

    // Bytes of the file the read took in; a follow goes on from here.
    qint64 consumed() const { return csv ? csvLayout.consumed : tavLayout.consumed; }
    // Whether appended data can be taken in from consumed(). A CSV read that took a last
    // line without its line end cannot: that row is read again once it is complete.
    bool resumable() const
    {
        if (csv)
            return csvLayout.resumable && !csvLayout.openRow && !csvLayout.openSkipped;
        return tavLayout.resumable;
    }
};
