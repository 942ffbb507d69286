#pragma once

#include "tavrecords.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QVector>
#include <QtGlobal>

#include <functional>

// Low-level helpers of the binary format, free so that tests can reach them.
namespace TavBinary {

// A section marker found by the scan: where its first copy starts and where the run of
// copies of its character ends (the byte after the last copy).
struct MarkerHit
{
    char kind = 0;
    qint64 start = 0;
    qint64 runEnd = 0;
};

// Finds every section marker of the file in one pass. The marker earliest in the file
// wins; a run of more than 16 copies of a marker character is one marker.
QVector<MarkerHit> scanMarkers(QFile& file, qint64 fileSize);
// The same over the bytes [from, to) only; a run reaching back before from counts from
// there on.
QVector<MarkerHit> scanMarkers(QFile& file, qint64 from, qint64 to);

// Scan state carried from one block of bytes to the next: a run of equal marker
// characters that reaches the end of a block.
struct ScanState
{
    char runChar = 0;
    qint64 runStart = 0;
    qint64 runLength = 0; // 0: no run open
};
// Scans data[startIndex, size) whose first byte is at file position base; the bytes
// before startIndex were scanned by an earlier call.
void scanMarkers(const char* data, qint64 size, qint64 base, qint64 startIndex,
                 QVector<MarkerHit>& out, ScanState& state);
// Ends a scan: records a run still open at the end of the file.
void finishScan(QVector<MarkerHit>& out, ScanState& state);

// Reads length bytes at pos into out; bytes past the end of the file read as zero.
void readAt(QFile& file, qint64 pos, qint64 length, QByteArray& out);

// Adds delta to every byte, modulo 256.
void shiftBytes(QByteArray& bytes, signed char delta);

// UTF-8 text of bytes up to the first zero byte.
QString decodeText(const char* data, int length);

// Large enough to amortise system calls, small enough to stay cache friendly.
constexpr qint64 ReadBlock = 1 << 20;

// One record's count big-endian 32-bit values at raw, each divided by its divisor, into out.
void convertRow(const uchar* raw, const float* divisors, float* out, int count);

// Decodes n records of recordLength bytes (a 4-byte stamp, then count big-endian 32-bit
// values) into the columns cols from index dest on, each value divided by its divisor.
// row: scratch of count floats. streamable: the columns may be written past the cache.
void convertRecords(const uchar* records, qint64 recordLength, int n, const float* divisors,
                    float* const* cols, qint64 dest, int count, float* row, bool streamable);

// Called for a record dropped because its stamp does not follow the last one kept:
// its file position, its stamp, the last kept stamp and its index in the block.
using DroppedRecord = std::function<void(qint64, qint64, qint64, qint64)>;

// Where a read of a file left off, so that what is appended later can be taken in without
// reading the file again (TavTail).
struct TailLayout
{
    // The read succeeded and appending bytes cannot change what it took: no History header
    // it read runs past the end of the file, and the last section is not a History block
    // whose header was cut short or whose records were not all taken.
    bool resumable = false;
    qint64 consumed = 0; // taking in goes on here

    // The section consumed lies in: its kind, where its marker starts and where the run of
    // its marker character ends (that run may still grow at the end of the file). kind 0:
    // no section is open, the bytes from consumed on are ignored or open the next one.
    char kind = 0;
    qint64 sectionStart = -1;
    qint64 runEnd = -1;

    // The last History block of the file, open or not (when blocks > 0). Its records are
    // taken from recordsStart on; records counts those taken, kept or dropped.
    QVector<QString> names;
    QVector<int> scales;
    qint64 recordsStart = 0;
    qint64 recordLength = 0;
    qint64 records = 0;
    qint64 kept = 0;      // records kept
    qint64 lastStamp = 0; // stamp of the last kept record

    // Makes block, whose records start at recordsStart and of which records were taken,
    // the last History block.
    void takeBlock(const HistoryBlock& block, qint64 recordsStart, qint64 recordLength,
                   qint64 records)
    {
        names = block.names;
        scales = block.scales;
        this->recordsStart = recordsStart;
        this->recordLength = recordLength;
        this->records = records;
        kept = block.stamps.size();
        lastStamp = block.stamps.isEmpty() ? 0 : block.stamps.last();
    }

    // What the read holds, for the limits a read applies.
    qint64 blocks = 0;     // History blocks
    qint64 samples = 0;    // records kept in all of them, before any cut at the sample limit
    qint64 lastSample = 0; // the stamp of the last of them
    qint64 columns = 0;    // distinct variable names over all of them
    qint64 infoItems = 0;
    qint64 errors = 0;
    qint64 systemEvents = 0;
    qint64 userEvents = 0;
};

} // namespace TavBinary
