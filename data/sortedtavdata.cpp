#include "sortedtavdata.h"

#include "datalog.h"
#include "summarybuilder.h"
#include "tavcsv.h"

#include <QElapsedTimer>
#include <QThread>

#include <memory>

SortedTavData::SortedTavData(QObject* parent) : QObject(parent) {}

namespace {

QString threadId()
{
    return QString::number(quintptr(QThread::currentThreadId()), 16);
}

} // namespace

int SortedTavData::readTavData(const QString& path)
{
    qCDebug(lcData) << "SortedTavData::readTavData" << threadId();
    return TavLoader::read(
        *this, path, limits, summariesAfterRead,
        [this](const QString& info, int percent) { emit pushInfoUpward(info, percent); },
        &m_readTail);
}

QVector<SortedTavData::Span> SortedTavData::equalSpacingRuns(const QVector<qint64>& stamps)
{
    return TavLoader::equalSpacingRuns(stamps);
}

void SortedTavData::buildSummaries(SummaryPrealloc* spare)
{
    SummaryBuilder::build(*this, spare);
}

void SortedTavData::debugPrint() const
{
    qCDebug(lcData) << "数据状态" << status;
    qCDebug(lcData) << infoNames;
    qCDebug(lcData) << infoValues;
    qCDebug(lcData) << "数据数目" << stamps.size();
    qCDebug(lcData) << "变量个数" << names.size();
}

void SortedTavData::onReadTrigged(QString path)
{
    qCDebug(lcData) << "SortedTavData::onReadTrigged" << path;
    m_incoming.reset();
    auto incoming = std::make_unique<SortedTavData>();
    incoming->limits = limits;
    incoming->summariesAfterRead = summariesAfterRead;
    connect(incoming.get(), &SortedTavData::pushInfoUpward, this, &SortedTavData::pushInfoUpward,
            Qt::DirectConnection);
    QElapsedTimer timer;
    timer.start();
    incoming->readTavData(path);
    incoming->readNs = timer.nsecsElapsed();
    disconnect(incoming.get(), nullptr, this, nullptr);
    // It is adopted or dropped on the owner's thread; without a thread it may die anywhere.
    incoming->moveToThread(nullptr);
    m_incoming = std::move(incoming);
    emit readFinished(path);
}

void SortedTavData::adoptIncoming()
{
    if (!m_incoming)
        return;
    swapContents(*m_incoming);
    readNs = m_incoming->readNs;
    m_readTail = m_incoming->m_readTail;
    m_followTail.reset(m_readTail, limits);
    m_followConsumed = m_readTail.consumed();
    m_batch.reset();
    // The old contents go with it.
    m_incoming.reset();
}

void SortedTavData::onAppendTrigged(QString path)
{
    qCDebug(lcData) << "SortedTavData::onAppendTrigged" << path;
    m_batch = std::make_unique<AppendBatch>(
        m_followTail.decode(path, *this, limits, [this](const QString& info, int percent) {
            emit pushInfoUpward(info, percent);
        }));
}

bool SortedTavData::applyBatch()
{
    if (!m_batch || m_batch->outcome != AppendBatch::Outcome::Appended ||
        m_batch->heldCount != stamps.size()) {
        dropBatch();
        return false;
    }
    AppendApply::apply(*this, *m_batch);
    m_followConsumed = m_batch->consumed;
    m_batch.reset();
    return true;
}

void SortedTavData::dropBatch()
{
    m_batch.reset();
    m_followTail.reset();
}

void SortedTavData::dropIncoming()
{
    m_incoming.reset();
}

void SortedTavData::onExportData(QString filePath, QList<int> indexList, qlonglong stampStart,
                                 qlonglong stampEnd)
{
    qCDebug(lcData) << "SortedTavData::onExportData" << threadId() << filePath << indexList
                    << stampStart << stampEnd;
    const bool written = TavCsv::exportData(
        *this, filePath, indexList, stampStart, stampEnd,
        [this](const QString& info, int percent) { emit pushInfoUpward(info, percent); });
    if (written)
        emit exportFinished(filePath);
}
