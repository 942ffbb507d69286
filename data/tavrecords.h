#pragma once

#include "missingvalue.h"

#include <QMetaType>
#include <QString>
#include <QVector>
#include <QtGlobal>

#include <functional>
#include <limits>

// Samples one time line can hold: what one QVector of stamps can address, with room to spare.
constexpr qint64 MaxSamples =
    (qint64(std::numeric_limits<int>::max()) / qint64(sizeof(qint64))) - 1024;

// Where the readers, the loader and the export send their messages: info, and percent
// 0..100 or -1 for none.
using InfoReport = std::function<void(const QString& info, int percent)>;

// One History section of a binary file, or one whole CSV file.
struct HistoryBlock
{
    quint16 version = 0;            // layout 1..4; 0 for a block built from CSV
    QVector<QString> names;         // one per variable, in file order
    QVector<int> scales;            // one divisor per variable; empty for CSV
    QVector<qint64> stamps;         // strictly increasing within a binary block
    QVector<QVector<float>> values; // one column per variable, each as long as stamps
};

struct ErrorRecord
{
    quint32 stamp = 0;
    qint16 code = 0;
    qint16 state = 0; // 1 occurred, 0 cleared, anything else as read
};
static_assert(sizeof(ErrorRecord) == 8, "ErrorRecord is 8 bytes");

struct EventRecord
{
    quint32 stamp = 0;
    QString text;
};

Q_DECLARE_TYPEINFO(ErrorRecord, Q_PRIMITIVE_TYPE);
Q_DECLARE_TYPEINFO(EventRecord, Q_MOVABLE_TYPE);
