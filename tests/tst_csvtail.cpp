// A CSV file written in random pieces and followed with CsvTail must end up as one whole
// read of the finished file: the same names, stamps and values bit for bit, the same
// skipped lines and missing cells.
#include "csvtail.h"
#include "tavcsv.h"
#include "testutil.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <random>

using TavCsv::CsvLayout;
using TavCsv::CsvTail;

namespace {

// Gives its bytes at most a few at a time, so that one decode crosses many reads.
class TrickleDevice : public QIODevice
{
public:
    TrickleDevice(const QByteArray& bytes, qint64 step) : m_bytes(bytes), m_step(step) {}
    bool isSequential() const override { return false; }
    qint64 size() const override { return m_bytes.size(); }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        const qint64 n = std::min({maxSize, m_step, qint64(m_bytes.size()) - pos()});
        if (n <= 0)
            return 0;
        std::memcpy(data, m_bytes.constData() + pos(), size_t(n));
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray m_bytes;
    qint64 m_step;
};

// What a follow holds: the columns grown batch by batch.
struct Followed
{
    CsvTail tail;
    qint64 offset = 0;
    QStringList names;
    QVector<qint64> stamps;
    QVector<QVector<float>> values;
    qint64 skipped = 0;
    qint64 missing = 0;
};

// A file a chamber or a spreadsheet could write, with every kind of line the reader must
// take or skip.
QByteArray randomCsv(std::mt19937& gen, bool longLines)
{
    const auto pick = [&gen](int n) { return int(gen() % unsigned(n)); };
    const auto eol = [&]() { return pick(3) == 0 ? QByteArray("\r\n") : QByteArray("\n"); };
    static const char* const names[] = {"a", "b", "温度", "湿度", ""};
    static const char* const cells[] = {"",    "abc",      "--",  "1.2.3", "-999.9", "1e5",
                                        " 7 ", "\"23.5\"", "nan", "-0",    "12abc",  "1e39"};
    static const char* const noTime[] = {"",
                                         "footer,x",
                                         "2024/07/01 12:00",
                                         "2024/13/01 12:00:00,1",
                                         "2024/07/01 12:00:00x,1",
                                         "2024/07/01 12:00:00"};
    QByteArray csv = pick(8) == 0 ? QByteArray("\xEF\xBB\xBF") : QByteArray();
    csv += "时间";
    const int variables = pick(7);
    for (int v = 0; v < variables; ++v)
        csv += ',' + QByteArray(names[pick(5)]);
    if (pick(3) == 0)
        csv += ',';
    csv += eol();
    const int rows = pick(60);
    qint64 stamp = 1719835200 + pick(100000);
    for (int r = 0; r < rows; ++r) {
        if (pick(10) == 0) {
            csv += noTime[pick(6)];
            csv += eol();
            continue;
        }
        stamp += pick(4) - 1;
        QByteArray line = TestUtil::csvTime(stamp);
        const int fields = std::max(0, variables + pick(5) - 2);
        for (int f = 0; f < fields; ++f) {
            line += ',';
            if (pick(4) == 0)
                line += cells[pick(12)];
            else
                line += QByteArray::number((int(gen() % 200001) - 100000) / std::pow(10, pick(4)),
                                           'f', pick(4));
        }
        if (longLines && pick(6) == 0)
            line += ',' + QByteArray(pick(80), '7'); // past the line limit: cut
        csv += line + eol();
    }
    return csv;
}

// The offsets at which the file is cut into pieces, the last one its end.
QVector<int> randomCuts(std::mt19937& gen, const QByteArray& csv)
{
    QVector<int> cuts;
    const int n = int(gen() % 12);
    for (int i = 0; i < n && !csv.isEmpty(); ++i)
        cuts << int(gen() % unsigned(csv.size()));
    // Between a carriage return and its line feed, where a reader is easiest to fool.
    for (int i = 1; i < csv.size(); ++i) {
        if (csv[i - 1] == '\r' && gen() % 3 == 0)
            cuts << i;
    }
    cuts << csv.size();
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    return cuts;
}

// Adds a batch to what the follow holds.
void append(Followed& f, const CsvTail::Batch& batch)
{
    if (batch.header)
        f.names = f.tail.layout().names;
    QCOMPARE(batch.values.size(), f.names.size());
    f.values.resize(f.names.size());
    f.stamps += batch.stamps;
    for (int c = 0; c < batch.values.size(); ++c) {
        QCOMPARE(batch.values[c].size(), batch.stamps.size());
        f.values[c] += batch.values[c];
    }
    f.skipped += batch.skipped;
    f.missing += batch.missing;
    f.offset = batch.consumed;
}

// The number in the whole read's message that matches pattern, 0 without such message.
qint64 reported(const QStringList& messages, const QString& pattern)
{
    const QRegularExpression re(pattern);
    for (const QString& m : messages) {
        const auto match = re.match(m);
        if (match.hasMatch())
            return match.captured(1).toLongLong();
    }
    return 0;
}

} // namespace

class TestCsvTail : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        if (QTest::currentTestFailed())
            qWarning("failed at seed %u (set OSTREL_SEED to repeat)", m_seed);
    }

    void followEqualsWholeRead_data()
    {
        QTest::addColumn<bool>("headerNames");
        QTest::addColumn<bool>("longLines");
        QTest::newRow("header names") << true << false;
        QTest::newRow("generated names") << false << false;
        QTest::newRow("lines cut at the buffer") << true << true;
    }
    void followEqualsWholeRead()
    {
        QFETCH(bool, headerNames);
        QFETCH(bool, longLines);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("grow.csv"));
        const unsigned first = qEnvironmentVariableIsSet("OSTREL_SEED")
                                   ? unsigned(qEnvironmentVariableIntValue("OSTREL_SEED"))
                                   : 1u;
        const int iterations = qEnvironmentVariableIsSet("OSTREL_SEED") ? 1 : 400;
        for (int it = 0; it < iterations; ++it) {
            m_seed = first + unsigned(it);
            std::mt19937 gen(m_seed);
            const QByteArray csv = randomCsv(gen, longLines);
            const int headerLength = csv.indexOf('\n');
            // The whole read cuts lines at its buffer's length; the header stays whole.
            const qint64 limit =
                longLines ? qint64(headerLength + 1 + int(gen() % 40)) : TavCsv::ReadBuffer;
            const QVector<int> cuts = randomCuts(gen, csv);
            // One follow from the empty file on; one that starts after a whole read of the
            // file as it stood at a random piece, reading through a trickling device.
            Followed fromStart{CsvTail(headerNames, limit)};
            Followed afterRead{CsvTail(headerNames, limit)};
            const int readAt = int(gen() % unsigned(cuts.size()));
            const qint64 step = 1 + gen() % 64;
            QFile::remove(path);
            int written = 0;
            for (int piece = 0; piece < cuts.size(); ++piece) {
                QVERIFY(TestUtil::appendFile(path, csv.mid(written, cuts[piece] - written)));
                written = cuts[piece];
                const QByteArray now = csv.left(written);
                const qint64 complete = now.lastIndexOf('\n') + 1;

                CsvTail::Batch batch = fromStart.tail.decode(path, fromStart.offset);
                if (complete == 0) {
                    QCOMPARE(int(batch.status), int(CsvTail::Status::HeaderIncomplete));
                } else {
                    QCOMPARE(int(batch.status), int(CsvTail::Status::Taken));
                    append(fromStart, batch);
                    QCOMPARE(fromStart.offset, complete);
                }

                if (piece == readAt)
                    startAfterRead(afterRead, path, headerNames, limit, complete);
                if (piece > readAt) {
                    TrickleDevice device(now, step);
                    QVERIFY(device.open(QIODevice::ReadOnly | QIODevice::Unbuffered));
                    batch = afterRead.tail.decode(device, afterRead.offset);
                    if (complete > 0) {
                        QCOMPARE(int(batch.status), int(CsvTail::Status::Taken));
                        append(afterRead, batch);
                        QCOMPARE(afterRead.offset, complete);
                    }
                }
                if (QTest::currentTestFailed())
                    return;
            }

            QList<HistoryBlock> blocks;
            QStringList messages;
            const auto report = [&messages](const QString& info, int) { messages << info; };
            QCOMPARE(TavCsv::read(blocks, path, headerNames, report, limit), 0);
            const HistoryBlock& whole = blocks.first();
            const qint64 skipped = reported(messages, QStringLiteral("已跳过(\\d+)行"));
            const qint64 missing = reported(messages, QStringLiteral("已将(\\d+)个非数字"));
            for (const Followed* f : {&fromStart, &afterRead}) {
                QCOMPARE(f->names, QStringList(whole.names.toList()));
                QCOMPARE(f->stamps, whole.stamps);
                QCOMPARE(f->values.size(), whole.values.size());
                for (int c = 0; c < whole.values.size(); ++c)
                    QCOMPARE(TestUtil::bits(f->values[c]), TestUtil::bits(whole.values[c]));
                QCOMPARE(f->skipped, skipped);
                QCOMPARE(f->missing, missing);
            }
        }
    }

    // A line that never gets its end is never taken, however often the file is looked at.
    void openLineWaits()
    {
        QTemporaryDir dir;
        const QString path =
            TestUtil::writeFile(dir.filePath(QStringLiteral("open.csv")),
                                "t,a\n2024/07/01 12:00:00,1\r\n2024/07/01 12:00:01,2\r");
        CsvTail tail;
        CsvTail::Batch batch = tail.decode(path, 0);
        QCOMPARE(batch.stamps.size(), 1);
        const qint64 offset = batch.consumed;
        QCOMPARE(offset, qint64(qstrlen("t,a\n2024/07/01 12:00:00,1\r\n")));
        batch = tail.decode(path, offset);
        QCOMPARE(int(batch.status), int(CsvTail::Status::Taken));
        QCOMPARE(batch.stamps.size(), 0);
        QCOMPARE(batch.consumed, offset);
    }

private:
    // Reads the file whole as it stands and lets the follow go on where that read stopped,
    // the row of an unfinished last line left out, as it is read again once complete.
    void startAfterRead(Followed& f, const QString& path, bool headerNames, qint64 limit,
                        qint64 complete)
    {
        QList<HistoryBlock> blocks;
        CsvLayout layout;
        QCOMPARE(TavCsv::read(blocks, path, headerNames, {}, limit, &layout), 0);
        if (!layout.headerComplete) {
            QCOMPARE(complete, qint64(0));
            f.tail = CsvTail(headerNames, limit);
            return;
        }
        QVERIFY(layout.resumable);
        QCOMPARE(layout.consumed, complete);
        const HistoryBlock& block = blocks.first();
        const int keep = block.stamps.size() - (layout.openRow ? 1 : 0);
        f.tail = CsvTail(layout, headerNames, limit);
        f.offset = layout.consumed;
        f.names = layout.names;
        f.stamps = block.stamps.mid(0, keep);
        for (const QVector<float>& column : block.values)
            f.values << column.mid(0, keep);
        f.skipped = layout.skipped;
        f.missing = layout.missing;
    }

    unsigned m_seed = 0;
};

QTEST_GUILESS_MAIN(TestCsvTail)
#include "tst_csvtail.moc"
