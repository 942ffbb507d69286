#pragma once

#include "readtail.h"
#include "spacingruns.h"
#include "tavrecords.h"

#include <QString>
#include <QVector>
#include <QtGlobal>

class TavDataModel;

// Reading a file into a data model: the reader chosen by the file's extension, the merge
// of its History blocks into one time line, the cut at the sample limit, the runs of
// equal spacing and, when asked, the summaries.
namespace TavLoader {

// The smaller of 8 GiB and half the physical memory.
qint64 defaultMergeBytes();

// What a read may build. The defaults fit the containers and the machine; tests lower
// them to reach the limits with small files.
struct Limits
{
    qint64 samples = MaxSamples;             // stamps of the time line; later samples are cut
    qint64 mergeBytes = defaultMergeBytes(); // merged columns of several blocks
    qint64 followPiece = qint64(64) << 20;   // bytes a follow takes in at once
    // The columns a read hands over keep room for more samples than they hold, in pages
    // not yet touched, so that the first appends of a followed file need not move them.
    bool growRoom = false;
};

// Reads the file at path (CSV when its extension is, in any case, "csv"; else binary) into
// set, which should be empty, merges it and, with summaries, builds the summaries. Every
// message goes to report. Returns the new status of set: 0 on success, else 1.
// tail, when given, receives where the read left the file, for a follow to go on from; a
// binary file's is resumable only when it was read and merged, whatever its samples.
int read(TavDataModel& set, const QString& path, const Limits& limits, bool summaries,
         const InfoReport& report, ReadTail* tail = nullptr);

// Runs of at least three equally spaced samples, as (first index, last index, spacing).
using Span = SpacingRuns::Span;
QVector<Span> equalSpacingRuns(const QVector<qint64>& stamps);

} // namespace TavLoader
