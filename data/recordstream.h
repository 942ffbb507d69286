#pragma once

#include "tavbinary.h"

#include <QByteArray>
#include <QFile>
#include <QVector>
#include <QtGlobal>

// The records of one History block, decoded as their bytes come in file order. A record
// is kept when it is the block's first or its stamp is above the last kept one; the stamps
// and values of kept records go straight into their columns, each written once.
class RecordStream
{
public:
    // Where the block stands before the first record taken here: the file position of
    // that record and its index in the block (for the dropped records), the records kept
    // before it and the last kept stamp.
    struct Origin
    {
        qint64 position = 0;
        qint64 index = 0;
        qint64 kept = 0;
        qint64 lastStamp = 0;
    };

    // At most capacity records will be taken; the columns hold room for more when room
    // is larger, without touching its pages. Pages are populated as the columns fill.
    RecordStream(const QVector<int>& scales, qint64 recordLength, qint64 capacity,
                 const Origin& origin, TavBinary::DroppedRecord dropped, qint64 room = 0);
    RecordStream(const RecordStream&) = delete;
    RecordStream& operator=(const RecordStream&) = delete;

    qint64 taken() const { return m_taken; } // records taken, kept or dropped
    qint64 left() const { return m_capacity - m_taken; }

    // Takes the next n whole records at records; n is at most left().
    void take(const uchar* records, qint64 n);
    // The same for n records read from the file at pos.
    void takeFrom(QFile& file, qint64 pos, qint64 n);
    // Hands over the stamps and columns of the kept records.
    void finish(QVector<qint64>& stamps, QVector<QVector<float>>& values);

    // Decodes the records records at pos whole.
    static void decode(QFile& file, qint64 pos, qint64 records, qint64 recordLength,
                       const QVector<int>& scales, const Origin& origin, QVector<qint64>& stamps,
                       QVector<QVector<float>>& values, const TavBinary::DroppedRecord& dropped);

private:
    void takePiece(const uchar* chunk, int k);
    void populateAhead(qint64 records);

    const qint64 m_recordLength;
    const qint64 m_capacity;
    const Origin m_origin;
    const TavBinary::DroppedRecord m_dropped;
    QVector<qint64> m_stamps;
    QVector<QVector<float>> m_values;
    QVector<float*> m_columns;
    QVector<float> m_divisors;
    QVector<float> m_row;     // one record's values, where a record is converted alone
    QVector<int> m_keptIndex; // records kept of the piece being taken
    QByteArray m_buffer;      // records read by takeFrom
    qint64* m_stampOut = nullptr;
    bool m_streamable = false;
    bool m_any = false; // a record was kept: the next must follow its stamp
    qint64 m_last = 0;  // the last kept stamp
    qint64 m_taken = 0;
    qint64 m_kept = 0;      // records kept here, the slots of the columns written
    qint64 m_populated = 0; // slots whose pages are populated
    qint64 m_step = 0;      // slots populated at a time
};
