#pragma once

#include <QList>
#include <QString>

class TavData;
class SortedTavData;

// The CSV side of the data files: import into one block, export of chosen columns.
namespace TavCsv {

// Body of TavData::readFromCsv.
int read(TavData& data, const QString& path, bool useHeaderNames);

// Body of SortedTavData::onExportData: writes the file and emits the data set's
// pushInfoUpward and exportFinished.
void exportData(SortedTavData& set, const QString& filePath, const QList<int>& indexList,
                qlonglong stampStart, qlonglong stampEnd);

} // namespace TavCsv
