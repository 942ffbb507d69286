// The data layer at its limits: CSV files streamed in blocks (seams anywhere, lines longer
// than the buffer, files beyond 2 GiB), merges refused by memory rather than by shape,
// and the time line cut at its sample limit.
#include "sortedtavdata.h"
#include "tavcsv.h"
#include "testutil.h"
#include "tst_binaryfixture.h"

#include <QSignalSpy>
#include <QStorageInfo>
#include <QtTest>

#include <random>

namespace {

constexpr quint32 T0 = 1719835200; // 2024/07/01 12:00:00

// A block of the writer: names, the first stamp and a count of records spaced 10 s, raw
// value (record + variable) everywhere.
struct BlockShape
{
    QStringList names;
    quint32 first;
    int records;
};

QStringList numberedNames(const QString& prefix, int count)
{
    QStringList names;
    for (int i = 0; i < count; ++i)
        names << prefix + QString::number(i);
    return names;
}

QByteArray binaryFile(const QList<BlockShape>& blocks)
{
    TavWriter w;
    for (const BlockShape& b : blocks) {
        w.marker('H');
        w.historyHeader(3, b.names, QVector<quint32>(b.names.size(), 1));
        QVector<qint32> raws(b.names.size());
        for (int r = 0; r < b.records; ++r) {
            for (int j = 0; j < raws.size(); ++j)
                raws[j] = r + j;
            w.historyRecord(3, b.first + 10 * quint32(r), raws);
        }
    }
    return w.bytes;
}

QStringList texts(const QSignalSpy& spy)
{
    QStringList out;
    for (const QList<QVariant>& args : spy)
        out << args.at(0).toString();
    return out;
}

// A CSV of n lines with everything the import meets: ragged rows, surplus fields, blanks,
// CRLF, lines that are not data, a last line without a line feed. No line is longer than
// 80 bytes.
QByteArray mixedCsv(int n, quint32 seed)
{
    std::mt19937 gen(seed);
    QByteArray text = "时间,a,b,c,d\r\n";
    for (int i = 0; i < n; ++i) {
        const int kind = int(gen() % 10);
        if (kind == 0) {
            text += i % 2 ? "\n" : "note,1,2\r\n";
            continue;
        }
        text += TestUtil::csvTime(T0 + i);
        const int fields = int(gen() % 5);
        for (int f = 0; f < fields; ++f)
            text += "," + QByteArray::number(int(gen() % 20000) - 10000) + "." +
                    QByteArray::number(int(gen() % 100));
        if (kind == 1)
            text += ", 7 ,x";
        text += kind == 2 ? "\r\n" : "\n";
    }
    text += "2024/07/02 00:00:00,1,2";
    return text;
}

struct CsvResult
{
    int result = -1;
    HistoryBlock block;
    QStringList messages;
};

CsvResult readCsv(const QString& path, qint64 buffer)
{
    TavData data;
    QSignalSpy spy(&data, &TavData::pushInfoUpward);
    CsvResult r;
    r.result = data.readFromCsv(path, false, buffer);
    r.block = data.blocks.value(0);
    r.messages = texts(spy);
    return r;
}

} // namespace

Q_DECLARE_METATYPE(QList<BlockShape>)

class TestDataScale : public QObject
{
    Q_OBJECT

private slots:
    // A small buffer must read as a large one. Seams fall inside lines, inside "\r\n" and
    // inside numbers. A line longer than the buffer is read up to the buffer's length, its
    // rest skipped, and the next line reads as usual: like that line cut by hand. The
    // header's commas count in full.
    void csvBuffers_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("buffer");
        QTest::addColumn<QByteArray>("expected"); // the same data, read with a large buffer
        for (quint32 seed = 1; seed <= 3; ++seed) {
            for (int buffer : {96, 97, 128, 200, 1000, 4096}) {
                const QByteArray text = mixedCsv(400, seed);
                QTest::addRow("seams, seed %u, %d bytes", seed, buffer) << text << buffer << text;
            }
        }
        const QByteArray stamp = "2024/07/01 12:00:00";
        QByteArray values;
        for (int i = 0; i < 40; ++i)
            values += "," + QByteArray::number(1000 + i) + ".25";
        const QPair<QByteArray, int> lines[] = {{stamp + values, 64}, // cut inside a number
                                                {stamp + values, 59}, // at a comma
                                                {stamp + values, 10}, // inside the stamp
                                                {stamp + ",1,2" + QByteArray(100, ' ') + "\r", 64},
                                                {QByteArray(5000, '\0'), 256}};
        const QByteArray header = "时间" + QByteArray(",v").repeated(300) + "\n";
        const QByteArray after = "2024/07/01 12:00:09,5";
        for (int i = 0; i < 5; ++i) {
            const auto& [line, buffer] = lines[i];
            QTest::addRow("long line %d, %d bytes", i, buffer)
                << header + line + "\n" + after + "\n"
                << buffer << header + line.left(buffer) + "\n" + after.left(buffer) + "\n";
        }
        // A long header whose trailing comma, or the "\r" behind it, lies past the cut: the
        // empty field it ends with is still no variable (the comma is byte 607).
        const QByteArray withComma = QByteArray(header).replace("\n", ",\r\n");
        for (int buffer : {64, 606, 607, 608})
            QTest::addRow("header ending in a comma, %d bytes", buffer)
                << withComma + after + "\n"
                << buffer << header + after + "\n";
    }
    void csvBuffers()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, buffer);
        QFETCH(QByteArray, expected);
        const QString path = saveScratch(QStringLiteral("buffer.csv"), content);
        const CsvResult got = readCsv(path, buffer);
        const QString wholePath = saveScratch(QStringLiteral("whole.csv"), expected);
        CsvResult whole = readCsv(wholePath, TavCsv::ReadBuffer);
        QVERIFY(got.result == 0 && whole.result == 0);
        if (content == expected)
            QVERIFY(whole.block.stamps.size() > 300);
        QCOMPARE(got.block.names, whole.block.names);
        QCOMPARE(got.block.stamps, whole.block.stamps);
        QCOMPARE(got.block.values, whole.block.values);
        QCOMPARE(got.messages, whole.messages.replaceInStrings(wholePath, path));
    }

    // Beyond 2 GiB: a sparse file, so the disk holds only its few written blocks. Rows come
    // before and after a hole of zeros that reads as one line of NULs (not data). Reading
    // the hole twice takes a few seconds, under the address sanitizer too.
    void csvBeyondTwoGiB()
    {
        constexpr qint64 HoleEnd = (qint64(2) << 30) + (64 << 20);
        if (QStorageInfo(scratch.path()).bytesAvailable() < (64 << 20))
            QSKIP("less than 64 MiB free beside the temporary directory");
        const QString path = scratch.filePath(QStringLiteral("big.csv"));
        QVector<qint64> stamps;
        Columns values(2);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        auto writeRows = [&](int first, int count) {
            QByteArray text;
            for (int i = first; i < first + count; ++i) {
                const qint64 stamp = T0 + 5 * qint64(i);
                text += TestUtil::csvTime(stamp) + "," + QByteArray::number(i) + ",-" +
                        QByteArray::number(i % 97) + ".5\n";
                stamps << stamp;
                values[0] << float(i);
                values[1] << -(float(i % 97) + 0.5f);
            }
            return file.write(text) == text.size();
        };
        QVERIFY(file.write("时间,a,b\n") > 0);
        QVERIFY(writeRows(0, 1000));
        QVERIFY(file.seek(HoleEnd));
        if (!file.write("\n") || !writeRows(1000, 1000)) {
            file.remove();
            QSKIP("the file system holds no file beyond 2 GiB here");
        }
        file.close();

        SortedTavData set;
        QSignalSpy spy(&set, &SortedTavData::pushInfoUpward);
        QCOMPARE(set.readTavData(path), 0);
        QFile::remove(path);
        QCOMPARE(set.names, QStringList({"a", "b"}));
        QCOMPARE(set.stamps, stamps);
        QCOMPARE(set.values, values);
        QVERIFY(texts(spy).contains(path + " 已跳过1行：首字段不是有效时间"));
    }

    // Two bounds on a merge. Filling missing values is allowed up to a memory bound,
    // whatever the shape: an honest lopsided file reads, one claiming many gigabytes fails at
    // once with one message. The time line holds at most limits.samples samples: the block
    // that crosses the limit is cut, later blocks are dropped with their names, and the cap
    // is reported once.
    void mergeLimits_data()
    {
        QTest::addColumn<QList<BlockShape>>("blocks");
        QTest::addColumn<qint64>("mergeBytes"); // 0: the default bound
        QTest::addColumn<qint64>("samples");    // 0: the default limit
        QTest::addColumn<bool>("ok");
        const QStringList wide = numberedNames(QStringLiteral("w"), 100);
        QTest::newRow("lopsided, 80 MB of filling")
            << QList<BlockShape>{{{"T"}, T0, 200000}, {wide, T0 + 2000000, 4}} << qint64(0)
            << qint64(0) << true;
        QTest::newRow("hostile, 24 GB of filling from 1.7 MB")
            << QList<BlockShape>{{numberedNames(QStringLiteral("h"), 60000), T0, 1},
                                 {{"T"}, T0 + 10, 100000}}
            << qint64(0) << qint64(0) << false;
        // 9 samples, 4 names: 9 * (8 + 4 * 4) = 216 bytes.
        const QList<BlockShape> small{{{"A", "B"}, T0, 5}, {{"C", "A", "D"}, T0 + 100, 4}};
        QTest::newRow("exactly at a lowered bound") << small << qint64(216) << qint64(0) << true;
        QTest::newRow("a byte beyond a lowered bound")
            << small << qint64(215) << qint64(0) << false;
        // Each block brings a name of its own beside the shared one; limit 10 samples.
        for (const QList<int>& records :
             {QList<int>{10}, QList<int>{4, 4, 4}, QList<int>{4, 6, 3}, QList<int>{11, 5}}) {
            QList<BlockShape> blocks;
            QByteArray name = "sample limit 10, blocks of";
            quint32 first = T0;
            for (int b = 0; b < records.size(); ++b) {
                blocks << BlockShape{{"T", QStringLiteral("only%1").arg(b)}, first, records[b]};
                first += 10 * quint32(records[b]) + 1000;
                name += " " + QByteArray::number(records[b]);
            }
            QTest::newRow(name.constData()) << blocks << qint64(0) << qint64(10) << true;
        }
    }
    void mergeLimits()
    {
        QFETCH(QList<BlockShape>, blocks);
        QFETCH(qint64, mergeBytes);
        QFETCH(qint64, samples);
        QFETCH(bool, ok);
        const QString path = saveScratch(QStringLiteral("merge.tavdata"), binaryFile(blocks));
        SortedTavData set;
        if (mergeBytes > 0)
            set.limits.mergeBytes = mergeBytes;
        if (samples > 0)
            set.limits.samples = samples;
        QSignalSpy spy(&set, &SortedTavData::pushInfoUpward);
        QCOMPARE(set.readTavData(path), ok ? 0 : 1);
        if (!ok) {
            QCOMPARE(texts(spy).last(), path + " 历史数据过长");
            QCOMPARE(texts(spy).filter("历史数据长度异常").size(), 0);
            QCOMPARE(set.sampleCount, 0);
            return;
        }
        // Reference: blocks in file order up to the limit; every name of a block that adds a
        // sample in order of first appearance; each block's own values where it carries the
        // name, MissingValue elsewhere.
        const qint64 cap = set.limits.samples;
        QStringList names;
        qint64 total = 0;
        for (const BlockShape& b : blocks) {
            for (const QString& name : b.names) {
                if (total < cap && !names.contains(name))
                    names << name;
            }
            total += b.records;
        }
        QVector<qint64> stamps;
        Columns values(names.size());
        for (const BlockShape& b : blocks) {
            for (int r = 0; r < b.records && stamps.size() < cap; ++r) {
                stamps << b.first + 10 * qint64(r);
                for (int v = 0; v < names.size(); ++v) {
                    const int at = b.names.indexOf(names.at(v));
                    values[v] << (at < 0 ? MissingValue : float(r + at));
                }
            }
        }
        QCOMPARE(set.names, names);
        QCOMPARE(set.stamps, stamps);
        QCOMPARE(set.sampleCount, stamps.size());
        QCOMPARE(set.values, values);
        const QString capped = path + QStringLiteral(" 历史数据过长，只读取前%1条").arg(cap);
        QCOMPARE(texts(spy).count(capped), total > cap ? 1 : 0);
    }
};

QTEST_GUILESS_MAIN(TestDataScale)
#include "tst_datascale.moc"
