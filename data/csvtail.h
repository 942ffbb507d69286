#pragma once

#include "csvrow.h"
#include "tavcsv.h"

#include <QString>
#include <QVector>

class QIODevice;

namespace TavCsv {

// Takes in the lines appended to a CSV file since it was last read, at the cost of what
// was appended. Only complete lines are taken: a last line without its line end waits
// until it has one, so that calling decode again and again as the file grows, each time
// from the batch's consumed offset, takes every line exactly once and by the same rules
// as a read of the whole file.
class CsvTail
{
public:
    enum class Status
    {
        Taken,            // every complete line from the offset is in the batch (maybe none)
        HeaderIncomplete, // the header line has no line end yet: nothing can be taken
        ReadWhole,        // the file has to be read whole: this tail cannot go on
        Unreadable,       // the file could not be opened, positioned or read
    };

    struct Batch
    {
        Status status = Status::Taken;
        // This batch took the header in: layout() now names the columns.
        bool header = false;
        QVector<qint64> stamps;
        QVector<QVector<float>> values; // one per name of layout(), as long as stamps
        qint64 skipped = 0;             // lines whose first field is not a time
        qint64 missing = 0;             // cells that were empty, not numbers, or absent
        // Bytes up to the end of the last complete line taken: the next decode starts here.
        qint64 consumed = 0;
    };

    // A tail of a file whose header is yet to be read: the first decode reads it, from 0.
    // Lines of lineLimit bytes or more are cut there, as the whole read cuts them at its
    // buffer's length.
    explicit CsvTail(bool useHeaderNames = true, qint64 lineLimit = ReadBuffer);
    // Goes on after a read that gave layout; decode from layout.consumed first.
    explicit CsvTail(const CsvLayout& layout, bool useHeaderNames = true,
                     qint64 lineLimit = ReadBuffer);

    const CsvLayout& layout() const { return m_layout; }

    // end, when not negative, is taken as the file's end: a long append is taken in pieces.
    Batch decode(const QString& path, qint64 from, qint64 end = -1);
    Batch decode(QIODevice& device, qint64 from);

private:
    Status takeHeader(QIODevice& device);
    bool takeBody(QIODevice& device, Batch& batch);

    CsvLayout m_layout;
    bool m_useHeaderNames;
    qint64 m_lineLimit;
};

} // namespace TavCsv
