#pragma once

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

// Decodes records records of recordLength bytes from pos on into stamps and one column per
// scale, keeping a record only when it is the block's first (kept == 0) or its stamp is
// above the last kept one (lastStamp, then the previous kept record's). firstIndex: the
// block's index of the first record, for dropped. The outputs hold the kept records only.
void decodeRecords(QFile& file, qint64 pos, qint64 records, qint64 recordLength,
                   const QVector<int>& scales, qint64 kept, qint64 lastStamp, qint64 firstIndex,
                   QVector<qint64>& stamps, QVector<QVector<float>>& values,
                   const DroppedRecord& dropped);

// Where a read of a file left its last section, so that records appended to it later can
// be taken in without reading the file again.
struct TailLayout
{
    char kind = 0;            // the last section's kind, 0 when the file has none
    qint64 sectionStart = -1; // where its marker starts
    // The last section is a History block whose header is whole and whose records were
    // all taken: the fields below describe it.
    bool resumable = false;
    QVector<QString> names;
    QVector<int> scales;
    qint64 recordsStart = 0; // the first record's position
    qint64 recordLength = 0;
    qint64 records = 0;   // complete records taken, kept or dropped
    qint64 kept = 0;      // records kept
    qint64 lastStamp = 0; // stamp of the last kept record
    qint64 consumed = 0;  // the byte after the last complete record taken
};

} // namespace TavBinary
