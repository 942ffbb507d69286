#pragma once

#include "tavbinary.h"

#include <QByteArray>
#include <QFile>
#include <QVector>
#include <QtGlobal>

// The one pass of a whole read over a file: its bytes in blocks, each scanned for section
// markers as it comes, and kept a while, so that the records of a History section are
// decoded from the same bytes instead of being read from the file a second time.
class FileScan
{
public:
    // block: the bytes read at a time.
    FileScan(QFile& file, qint64 size, qint64 block = TavBinary::ReadBlock);

    // Reads and scans the next block. The bytes from keepFrom on stay in the buffer, up
    // to a block of them. False when nothing was left to read.
    bool advance(qint64 keepFrom);

    bool atEnd() const { return m_atEnd; } // every byte is scanned, the markers are final
    qint64 size() const { return m_size; } // less than at the start if the file was cut
    qint64 scanned() const { return m_scanned; }
    // Every marker that starts before this position is in markers(); a run of marker
    // characters open at the end of what was scanned may still become one.
    qint64 confirmed() const;
    const QVector<TavBinary::MarkerHit>& markers() const { return m_markers; }

    // The bytes [from, from + length) when the buffer holds them, else nullptr.
    const uchar* bytes(qint64 from, qint64 length) const;

private:
    QFile& m_file;
    qint64 m_size;
    const qint64 m_block;
    QByteArray m_buffer;
    qint64 m_base = 0; // file position of the buffer's first byte
    qint64 m_held = 0; // bytes of the buffer that hold the file
    qint64 m_scanned = 0;
    bool m_atEnd = false;
    TavBinary::ScanState m_state;
    QVector<TavBinary::MarkerHit> m_markers;
};
