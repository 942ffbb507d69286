#pragma once

#include "appendbatch.h"
#include "followtail.h"
#include "tavdatamodel.h"
#include "tavloader.h"

#include <QList>
#include <QObject>
#include <QPair>
#include <QStringList>
#include <QVector>

#include <memory>

class SummaryPrealloc;

// The data set of the open file. Lives in the worker thread; the GUI thread reads its
// members only after readFinished and writes them only through clear().
class SortedTavData : public QObject, public TavDataModel
{
    Q_OBJECT
public:
    explicit SortedTavData(QObject* parent = nullptr);

    // (Re)builds timeBreaks and summaries from stamps and values. Called by readTavData;
    // code that fills the members by hand calls it too.
    // spare: memory made ahead for the summaries (see SummaryPrealloc), taken where it fits.
    void buildSummaries(SummaryPrealloc* spare = nullptr);
    // Whether readTavData builds the summaries. Only drawing and range statistics use them,
    // so a caller that merely dumps or converts the samples turns them off.
    bool summariesAfterRead = true;

    // What a read may build (TavLoader::Limits).
    using Limits = TavLoader::Limits;
    Limits limits;
    static qint64 defaultMergeBytes() { return TavLoader::defaultMergeBytes(); }

    // Reads the file (CSV by extension, else binary) and merges it; returns the new status.
    int readTavData(const QString& path);

    // onReadTrigged reads into a set of its own, never into this one: the recording on
    // screen is not written while the worker reads, and it stays when the new file cannot
    // be read. Once the worker is idle, the owner looks at the outcome and adopts it (its
    // contents replace these) or drops it, on its own thread.
    bool hasIncoming() const { return m_incoming != nullptr; }
    int incomingStatus() const { return m_incoming ? m_incoming->status : 1; }
    // The status of the last read: the incoming set's, or this one's when it was read in
    // place (tests and tools read on their own thread).
    int readStatus() const { return m_incoming ? m_incoming->status : status; }
    void adoptIncoming();
    void dropIncoming();
    void debugPrint() const;

    // Runs of at least three equally spaced samples (TavLoader::equalSpacingRuns).
    using Span = TavLoader::Span;
    static QVector<Span> equalSpacingRuns(const QVector<qint64>& stamps);

    // A follow of the file read last. onAppendTrigged decodes what was appended since the
    // read or the last batch into a batch of its own, reading this set but never writing
    // it; once the worker is idle, the owner applies the batch on its own thread, or drops
    // it. A dropped batch leaves the follow needing a whole read.
    bool hasBatch() const { return m_batch != nullptr; }
    const AppendBatch* batch() const { return m_batch.get(); }
    // Writes the batch into the set; false (and nothing written) when it cannot be.
    bool applyBatch();
    void dropBatch();
    // Time the worker took for the read that filled this set, nanoseconds.
    qint64 readNs = 0;
    // Bytes of the file the set holds: the read's, then each applied batch's.
    qint64 followConsumed() const { return m_followConsumed; }

private:
    std::unique_ptr<SortedTavData> m_incoming;
    ReadTail m_readTail;     // where the read of this set left its file
    FollowTail m_followTail; // worker side: goes on from there
    std::unique_ptr<AppendBatch> m_batch;
    qint64 m_followConsumed = 0;

signals:
    void pushInfoUpward(QString info, int percent);
    void readFinished(QString filePath);
    void exportFinished(QString filePath);

public slots:
    void onReadTrigged(QString path);
    void onAppendTrigged(QString path);
    void onExportData(QString filePath, QList<int> indexList, qlonglong stampStart,
                      qlonglong stampEnd);
};
