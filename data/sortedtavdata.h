#pragma once

#include "curvesummary.h"
#include "rangestats.h"
#include "tavrecords.h"
#include "timebreaks.h"

#include <QList>
#include <QObject>
#include <QPair>
#include <QStringList>
#include <QVector>

#include <memory>

class TavData;
class SortedTavData;
class SummaryPrealloc;

// First and last stamp of each run of equal spacing, read from the stamps at the run's
// first and last index: they cost no memory of their own.
class SpanStamps
{
public:
    explicit SpanStamps(const SortedTavData& set) : m_set(set) {}
    SpanStamps(const SpanStamps&) = delete;
    SpanStamps& operator=(const SpanStamps&) = delete;

    int size() const;
    bool isEmpty() const { return size() == 0; }
    QPair<qint64, qint64> at(int i) const;
    QPair<qint64, qint64> operator[](int i) const { return at(i); }
    QPair<qint64, qint64> first() const { return at(0); }
    QPair<qint64, qint64> last() const { return at(size() - 1); }

private:
    const SortedTavData& m_set;
};

// The data set of the open file. Lives in the worker thread; the GUI thread reads its
// members only after readFinished and writes them only through clear().
class SortedTavData : public QObject
{
    Q_OBJECT
public:
    explicit SortedTavData(QObject* parent = nullptr);

    int status = 1;
    // Runs of equally spaced samples, 16 bytes each: a file of irregular spacing has a run
    // every few samples.
    SpanStamps spanStamps{*this};         // first and last stamp of each run
    QVector<QPair<int, int>> spanIndexes; // first and last sample index of the same runs
    QVector<qint64> spanIntervals;        // spacing of the same runs, seconds
    int sampleCount = 0;
    QStringList names;
    QVector<qint64> stamps;
    QVector<QVector<float>> values; // one column per name, each sampleCount long
    QStringList infoNames;
    QStringList infoValues;
    QList<ErrorRecord> errors;
    QList<EventRecord> systemEvents;
    QList<EventRecord> userEvents;
    // Summaries of the value columns for range statistics; built at the end of a read.
    RangeStats rangeStats;

    // Built on the worker at the end of a successful read, emptied by clear(): where the
    // time line breaks (pauses, stamps going back) and one min/max pyramid per value
    // column, so that the plot can draw every sample without reading every sample.
    TimeBreaks timeBreaks;
    QVector<CurveSummary> summaries; // one per column of values, same order

    // (Re)builds timeBreaks and summaries from stamps and values. Called by readTavData;
    // code that fills the members by hand calls it too.
    // spare: memory made ahead for the summaries (see SummaryPrealloc), taken where it fits.
    void buildSummaries(SummaryPrealloc* spare = nullptr);
    // How long the last buildSummaries() took, in nanoseconds (for the benchmarks).
    qint64 summaryBuildNs = 0;
    // Whether readTavData builds the summaries. Only drawing and range statistics use them,
    // so a caller that merely dumps or converts the samples turns them off.
    bool summariesAfterRead = true;
    // The summary of column c when it was built from the column as it is now; else nullptr.
    const CurveSummary* summaryOf(int c) const;
    // Earliest and latest stamp, whatever their order; (0, 0) without samples.
    QPair<qint64, qint64> stampRange() const;

    // What a read may build. The defaults fit the containers and the machine; tests lower
    // them to reach the limits with small files.
    struct Limits
    {
        qint64 samples = MaxSamples;             // stamps of the time line; later samples are cut
        qint64 mergeBytes = defaultMergeBytes(); // merged columns of several blocks
    };
    Limits limits;
    // The smaller of 8 GiB and half the physical memory.
    static qint64 defaultMergeBytes();

    // Reads the file (CSV by extension, else binary) and merges it; returns the new status.
    int readTavData(const QString& path);
    void clear();

    // onReadTrigged reads into a set of its own, never into this one: the recording on
    // screen is not written while the worker reads, and it stays when the new file cannot
    // be read. Once the worker is idle, the owner looks at the outcome and adopts it (its
    // contents replace these) or drops it, on its own thread.
    bool hasIncoming() const { return m_incoming != nullptr; }
    int incomingStatus() const { return m_incoming ? m_incoming->status : 1; }
    void adoptIncoming();
    void dropIncoming();
    // Exchanges every member that holds data with other's; settings such as limits stay.
    void swapContents(SortedTavData& other);
    void debugPrint() const;

    // Runs of at least three equally spaced samples, as (first index, last index, spacing).
    struct Span
    {
        int first;
        int last;
        qint64 interval;
    };
    static QVector<Span> equalSpacingRuns(const QVector<qint64>& stamps);

private:
    bool mergeBlocks(TavData& reader, const QString& path);
    std::unique_ptr<SortedTavData> m_incoming;
    void cutToSampleLimit(QList<HistoryBlock>& blocks, const QString& path);

signals:
    void pushInfoUpward(QString info, int percent);
    void readFinished(QString filePath);
    void exportFinished(QString filePath);

public slots:
    void onReadTrigged(QString path);
    void onExportData(QString filePath, QList<int> indexList, qlonglong stampStart,
                      qlonglong stampEnd);
};

inline int SpanStamps::size() const
{
    return m_set.spanIndexes.size();
}

inline QPair<qint64, qint64> SpanStamps::at(int i) const
{
    const QPair<int, int>& span = m_set.spanIndexes.at(i);
    return qMakePair(m_set.stamps.at(span.first), m_set.stamps.at(span.second));
}
