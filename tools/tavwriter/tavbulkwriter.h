#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// Writes big .tavdata files straight to disk in large blocks, for benchmarks: records
// are encoded into one reused buffer, never grown record by record.
class TavBulkWriter
{
public:
    explicit TavBulkWriter(const QString& path);

    bool isOpen() const { return m_file.isOpen(); }
    // Appends bytes composed elsewhere (e.g. a TavWriter's marker and header).
    bool write(const QByteArray& data);
    // Appends count History records of the layout, each with variableCount raw values.
    // Stamps start at firstStamp and step by interval; values are a cheap deterministic
    // pattern of small integers that never forms a section marker.
    bool historyRecords(quint16 version, int variableCount, qint64 count, quint32 firstStamp,
                        quint32 interval);
    // Flushes and closes; false when any write failed.
    bool finish();
    qint64 written() const { return m_written; }

    // A whole file of one History block of roughly targetBytes (never more).
    // Returns the number of records written, or -1 on a write error.
    static qint64 writeHistoryFile(const QString& path, qint64 targetBytes, quint16 version,
                                   int variableCount, quint32 firstStamp, quint32 interval);

private:
    QFile m_file;
    qint64 m_written = 0;
    bool m_ok = true;
};
