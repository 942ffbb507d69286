#pragma once

#include <QFile>
#include <QString>
#include <QVector>
#include <QtGlobal>

// The header of a History section: its layout version, the names and divisors of its
// variables, and where and how long its records are.
struct HistoryHeader
{
    enum class Fault
    {
        None,
        BadVersion,        // a layout the reader does not know
        MissingTerminator, // a name of version 3 or 4 runs to the end of the section
    };

    quint16 version = 0;
    QVector<QString> names;  // one per variable; those not reached stay empty
    QVector<int> scales;     // one per variable; those not reached stay 0
    qint64 recordsStart = 0; // the byte after the header
    qint64 recordLength = 0;
    Fault fault = Fault::None;
    // The last name terminator taken (versions 3 and 4), -1 without one: the header reads
    // the same for any end of the section at or after it.
    qint64 lastTerminator = -1;

    // Reads the header at start of a section whose data ends at end (inclusive). Bytes
    // past the end of the file read as zero.
    static HistoryHeader read(QFile& file, qint64 start, qint64 end);
};
