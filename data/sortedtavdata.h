#pragma once

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
    void adoptIncoming();
    void dropIncoming();
    void debugPrint() const;

    // Runs of at least three equally spaced samples (TavLoader::equalSpacingRuns).
    using Span = TavLoader::Span;
    static QVector<Span> equalSpacingRuns(const QVector<qint64>& stamps);

private:
    std::unique_ptr<SortedTavData> m_incoming;

signals:
    void pushInfoUpward(QString info, int percent);
    void readFinished(QString filePath);
    void exportFinished(QString filePath);

public slots:
    void onReadTrigged(QString path);
    void onExportData(QString filePath, QList<int> indexList, qlonglong stampStart,
                      qlonglong stampEnd);
};
