#include "sortedtavdata.h"

#include "datalog.h"
#include "tavcsv.h"
#include "tavdata.h"

SortedTavData::SortedTavData(QObject* parent) : QObject(parent) {}

int SortedTavData::readTavData(const QString& path)
{
    Q_UNUSED(path)
    return status;
}

void SortedTavData::clear()
{
    status = 1;
    spanStamps.clear();
    spanIndexes.clear();
    spanIntervals.clear();
    sampleCount = 0;
    names.clear();
    stamps.clear();
    values.clear();
    infoNames.clear();
    infoValues.clear();
    errors.clear();
    systemEvents.clear();
    userEvents.clear();
}

void SortedTavData::debugPrint() const {}

QVector<SortedTavData::Span> SortedTavData::equalSpacingRuns(const QVector<qint64>& stamps)
{
    Q_UNUSED(stamps)
    return {};
}

void SortedTavData::onReadTrigged(QString path)
{
    readTavData(path);
    emit readFinished(path);
}

void SortedTavData::onExportData(QString filePath, QList<int> indexList, qlonglong stampStart,
                                 qlonglong stampEnd)
{
    TavCsv::exportData(*this, filePath, indexList, stampStart, stampEnd);
}
