#pragma once

#include "csvtext.h"

#include <QList>
#include <QString>
#include <QtGlobal>

class TavData;
class SortedTavData;

// The CSV side of the data files: import into one block, export of chosen columns.
namespace TavCsv {

// The text of a CSV file is read through one buffer of this many bytes, whatever the
// file's size. A line longer than the buffer is read up to the buffer's length.
constexpr qint64 ReadBuffer = 32 << 20;

// Body of TavData::readFromCsv. Both passes over the file stream it through a buffer of
// bufferBytes (tests make it small to move the block seams).
int read(TavData& data, const QString& path, bool useHeaderNames, qint64 bufferBytes = ReadBuffer);

// Body of SortedTavData::onExportData: writes the file and emits the data set's
// pushInfoUpward and exportFinished.
void exportData(SortedTavData& set, const QString& filePath, const QList<int>& indexList,
                qlonglong stampStart, qlonglong stampEnd);
} // namespace TavCsv
