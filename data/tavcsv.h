#pragma once

#include "csvtext.h"
#include "tavrecords.h"

#include <QList>
#include <QString>
#include <QtGlobal>

class TavDataModel;

namespace TavCsv {
struct CsvLayout;
}

// The CSV side of the data files: import into one block, export of chosen columns.
namespace TavCsv {

// The text of a CSV file is read through one buffer of this many bytes, whatever the
// file's size. A line longer than the buffer is read up to the buffer's length.
constexpr qint64 ReadBuffer = 32 << 20;

// Body of TavData::readFromCsv: reads the file into one block appended to blocks and
// returns 0, or reports why it cannot and returns 1. Both passes over the file stream it
// through a buffer of bufferBytes (tests make it small to move the block seams). layout,
// when given, receives where the read stopped and how the fields map to the columns, so
// that lines appended later can be taken in by a CsvTail. roomToGrow: the columns keep room
// for more samples, in pages not yet touched (see ColumnAlloc::roomToGrow).
int read(QList<HistoryBlock>& blocks, const QString& path, bool useHeaderNames,
         const InfoReport& report, qint64 bufferBytes = ReadBuffer, CsvLayout* layout = nullptr,
         bool roomToGrow = false);

// Body of SortedTavData::onExportData: writes the chosen columns over [stampStart,
// stampEnd] to filePath with its messages to report. Returns whether the file was written;
// a file that could not be finished is removed.
bool exportData(const TavDataModel& set, const QString& filePath, const QList<int>& indexList,
                qlonglong stampStart, qlonglong stampEnd, const InfoReport& report = InfoReport());
} // namespace TavCsv
