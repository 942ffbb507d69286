#include "tavdrawer.h"

#include "plotlog.h"

#include <QThread>

TavDrawer::TavDrawer(QWidget* parent) : QWidget(parent)
{
    setMinimumSize(480, 360);
    workerThread = new QThread;
    dataSet.moveToThread(workerThread);
    workerThread->start(QThread::InheritPriority);
}

TavDrawer::~TavDrawer()
{
    workerThread->quit();
    workerThread->wait();
    delete workerThread;
}

void TavDrawer::readTAVData(QString path)
{
    Q_UNUSED(path)
}

void TavDrawer::clear() {}

void TavDrawer::exportData(QString filePath)
{
    Q_UNUSED(filePath)
}

QPair<QStringList, QStringList> TavDrawer::fileInfo() const
{
    return {dataSet.infoNames, dataSet.infoValues};
}

void TavDrawer::stopThread()
{
    qCDebug(lcPlot) << "TavDrawer::stopThread";
    qCDebug(lcPlot) << "TavDrawer::stopThread Nothing Done";
}

bool TavDrawer::hasData() const
{
    return dataSet.status == 0;
}

void TavDrawer::loadConfig() {}

void TavDrawer::saveConfig() {}

void TavDrawer::onTsdReadFinished(QString filePath)
{
    Q_UNUSED(filePath)
}

void TavDrawer::onResetView() {}
