#include "tavdata.h"

#include "datalog.h"
#include "tavcsv.h"

TavData::TavData(QObject* parent) : QObject(parent) {}

int TavData::readFromCsv(const QString& path, bool useHeaderNames)
{
    return TavCsv::read(*this, path, useHeaderNames);
}

void TavData::reportInfo(const QString& message, int percent)
{
    qCDebug(lcData) << message << percent;
    emit pushInfoUpward(message, percent);
}

int TavData::readFromBinary(const QString& path)
{
    m_path = path;
    return status;
}
