#include "tavcsv.h"

#include "sortedtavdata.h"
#include "tavdata.h"

// Placeholder until the CSV reader and writer land.
namespace TavCsv {

int read(TavData& data, const QString& path, bool useHeaderNames)
{
    Q_UNUSED(path)
    Q_UNUSED(useHeaderNames)
    return data.status;
}

void exportData(SortedTavData& set, const QString& filePath, const QList<int>& indexList,
                qlonglong stampStart, qlonglong stampEnd)
{
    Q_UNUSED(set)
    Q_UNUSED(filePath)
    Q_UNUSED(indexList)
    Q_UNUSED(stampStart)
    Q_UNUSED(stampEnd)
}

} // namespace TavCsv
