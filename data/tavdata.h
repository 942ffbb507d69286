#pragma once

#include "numberpattern.h"
#include "tavbinary.h"
#include "tavcsv.h"
#include "tavrecords.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QVector>

#include <functional>
#include <optional>

// One file being read: created and destroyed inside one SortedTavData::readTavData call.
class FileScan;
struct HistoryHeader;

class TavData : public QObject
{
    Q_OBJECT
public:
    explicit TavData(QObject* parent = nullptr);

    QStringList infoNames;
    QStringList infoValues;
    QList<HistoryBlock> blocks;
    QList<ErrorRecord> errors;
    QList<EventRecord> systemEvents;
    QList<EventRecord> userEvents;
    int status = 1; // 1 until a read completes

    // Lists of a file stop growing here, so that a file of nothing but terminators cannot
    // cost many times its size in memory. Real recordings stay far below.
    static constexpr int MaxInfoItems = 1 << 20;
    static constexpr int MaxEvents = 4 << 20;
    static constexpr int MaxErrors = 16 << 20;

    // The columns of the blocks get room to grow beyond their samples (for a file that is
    // followed), without touching its pages.
    bool roomToGrow = false;

    using TailLayout = TavBinary::TailLayout;
    // Reads a .tavdata file; 0 when it was read to the end, else status (1). tail, when
    // given, receives where the read left off (on success only), for TavTail. block: the
    // bytes read at a time (tests make it small, to place the seams anywhere).
    int readFromBinary(const QString& path, TailLayout* tail = nullptr,
                       qint64 block = TavBinary::ReadBlock);
    // Called with the most records and the variables of each History block just before
    // the block is decoded, so that work sized by them can start on another core.
    std::function<void(qint64 records, int variables)> onHistoryLayout;
    // Reads a CSV file into one block; 0 on success, else status (1). With useHeaderNames
    // the header's fields name the variables (an empty one "Data[n]"), else every variable
    // is "Data[n]".
    // bufferBytes: see TavCsv::read.
    // layout, when given, receives where the read left the file (see TavCsv::read).
    int readFromCsv(const QString& path, bool useHeaderNames,
                    qint64 bufferBytes = TavCsv::ReadBuffer, TavCsv::CsvLayout* layout = nullptr);

    // Logs the message, then emits pushInfoUpward. percent -1: no progress value.
    void reportInfo(const QString& message, int percent);

    // Section readers over the inclusive byte range [start, end] of the open file.
    int readGlobalData(QFile& file, qint64 start, qint64 end);
    int readHistoryData(QFile& file, qint64 start, qint64 end);
    int readErrorData(QFile& file, qint64 start, qint64 end);
    int readSystemData(QFile& file, qint64 start, qint64 end);
    int readUserData(QFile& file, qint64 start, qint64 end);
    // After readGlobalData, readErrorData, readSystemData or readUserData: the byte after
    // the last item taken, where the section's next item would begin.
    qint64 itemsEnd = 0;

    // The records of the History block read last.
    struct HistoryRecords
    {
        bool whole = false; // its header is complete and no record was left out
        qint64 recordsStart = 0;
        qint64 recordLength = 0;
        qint64 records = 0;
    };
    const HistoryRecords& lastHistory() const { return m_lastHistory; }

signals:
    void pushInfoUpward(QString info, int percent);

private:
    int readEventData(QFile& file, qint64 start, qint64 end, QList<EventRecord>& out);
    bool advance(FileScan& scan, qint64 keepFrom);
    int readHistoryStream(FileScan& scan, QFile& file, int index);
    int takeHeader(HistoryHeader& header);
    qint64 countRecords(qint64 pos, qint64 end, qint64 recordLength);
    TavBinary::DroppedRecord droppedReport();
    void logDropped(const HistoryBlock& block, qint64 records) const;
    void reportListFull(int entries);
    void reportDroppedRecord(qint64 position, qint64 stamp, qint64 lastKept, qint64 index);
    TailLayout tailLayout(const QVector<TavBinary::MarkerHit>& markers, qint64 size) const;

    QString m_path; // the path as given, for the messages
    HistoryRecords m_lastHistory;
    qint64 m_headersEnd = 0;                      // the furthest end of a History header read
    std::optional<NumberPattern> m_droppedRecord; // the message, translated on first use
    QString m_reading;                            // the progress message
    int m_percent = 0;                            // the progress last reported
};
