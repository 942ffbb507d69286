#include "sortedtavdata.h"
#include "tst_binaryfixture.h"

#include <QDateTime>
#include <QSignalSpy>
#include <QtTest>

namespace {

constexpr float M = MissingValue;

// One History block for the writer: names, stamps and one row of raw values per stamp.
struct Block
{
    QStringList names;
    QVector<quint32> stamps;
    QVector<QVector<qint32>> rows;
};

QByteArray binaryFile(const QList<Block>& blocks)
{
    TavWriter w;
    w.marker('I');
    w.globalItem("设备型号", "OTC-408");
    for (const Block& b : blocks)
        w.historyBlock(4, b.names, QVector<quint32>(b.names.size(), 10), b.stamps, b.rows);
    w.marker('U');
    w.event(100, "开门");
    return w.bytes;
}

QByteArray csvFile(int rows, int width = 2)
{
    QByteArray text = "时间";
    for (int j = 0; j < width; ++j)
        text += ",v" + QByteArray::number(j);
    text += "\n";
    for (int i = 0; i < rows; ++i)
        text += "2024/07/01 12:00:0" + QByteArray::number(i) + QByteArray(",2.5").repeated(width) +
                "\n";
    return text;
}

// A recording whose last section is the History block that grows: records of its two
// variables, one a minute from stamp on.
QByteArray records(quint32 stamp, int count)
{
    TavWriter w;
    for (int i = 0; i < count; ++i)
        w.historyRecord(4, stamp + 60u * quint32(i), {qint32(i), qint32(7 * i)});
    return w.bytes;
}

QByteArray growingFile(bool twoBlocks)
{
    TavWriter w;
    w.marker('I');
    w.globalItem("设备型号", "OTC-408");
    if (twoBlocks)
        w.historyBlock(4, {"P"}, {10}, {10, 20, 30}, {{1}, {2}, {3}});
    w.marker('H');
    w.historyHeader(4, {"T", "H"}, {10, 100});
    return w.bytes + records(1000, 40);
}

QByteArray growingCsv(int first, int count)
{
    QByteArray text = first == 0 ? "时间,T,H\n" : "";
    for (int i = first; i < first + count; ++i)
        text += QDateTime::fromSecsSinceEpoch(1719835200 + 60 * i, Qt::UTC)
                    .toString(QStringLiteral("yyyy/MM/dd hh:mm:ss"))
                    .toLatin1() +
                "," + QByteArray::number(i) + ",2.5\n";
    return text;
}

} // namespace

class TestSortedTavData : public QObject
{
    Q_OBJECT

private slots:
    // Name union with MissingValue filling, blocks in file order (no sorting), and a repeated
    // name that keeps its first column without shifting the others.
    void merge()
    {
        const std::tuple<QList<Block>, QStringList, QVector<qint64>, Columns> cases[] = {
            {{{{"T", "H"}, {100, 110}, {{1, 2}, {3, 4}}},
              {{"P", "T"}, {10, 20, 30}, {{5, 6}, {7, 8}, {9, 10}}}},
             {"T", "H", "P"},
             {100, 110, 10, 20, 30},
             {{.1f, .3f, .6f, .8f, 1}, {.2f, .4f, M, M, M}, {M, M, .5f, .7f, .9f}}},
            {{{{"T", "T", "H"}, {1, 2, 3, 4}, {{1, 8, 5}, {2, 9, 6}, {3, 9, 7}, {4, 9, 8}}}},
             {"T", "H"},
             {1, 2, 3, 4},
             {{.1f, .2f, .3f, .4f}, {.5f, .6f, .7f, .8f}}}};
        for (const auto& [blocks, names, stamps, values] : cases) {
            SortedTavData set;
            QCOMPARE(set.readTavData(saveScratch("merge.tavdata", binaryFile(blocks))), 0);
            QCOMPARE(set.names, names);
            QCOMPARE(set.stamps, stamps);
            QCOMPARE(set.sampleCount, stamps.size());
            QCOMPARE(set.values, values);
            QCOMPARE(set.infoNames, QStringList{"设备型号"});
            QCOMPARE(set.userEvents.size(), 1);
            set.clear();
            QCOMPARE(set.status, 1);
            QVERIFY(set.sampleCount == 0 && set.names.isEmpty() && set.stamps.isEmpty() &&
                    set.values.isEmpty() && set.spanStamps.isEmpty() && set.spanIndexes.isEmpty() &&
                    set.spanIntervals.isEmpty() && set.infoNames.isEmpty() &&
                    set.infoValues.isEmpty() && set.userEvents.isEmpty());
        }
    }

    // Every read ends with a status and a last message, failed ones included; the reader is
    // chosen by the extension alone. (Reads on the worker thread: tst_handoffstress.)
    void readStatus()
    {
        const Block good{{"T", "H"}, {0, 10, 20, 30}, {{1, 2}, {3, 4}, {5, 6}, {7, 8}}};
        const std::tuple<QString, int, QString> cases[] = {
            {saveScratch("good.tavdata", binaryFile({good})), 0, " 整理历史数据..."},
            {scratch.filePath("missing.tavdata"), 1, " 路径错误或不可读取"},
            {saveScratch("short.csv", csvFile(3)), 1, " 历史数据长度异常 长度为3"},
            {saveScratch("f.csv", binaryFile({good})), 1, ""}};
        for (const auto& [path, status, lastMessage] : cases) {
            SortedTavData set;
            QSignalSpy info(&set, &SortedTavData::pushInfoUpward);
            QCOMPARE(set.readTavData(path), status);
            QCOMPARE(set.status, status);
            QCOMPARE(set.sampleCount, set.stamps.size()); // set even when too short
            QVERIFY(info.first().at(0).toString().startsWith(path));
            if (!lastMessage.isEmpty())
                QCOMPARE(info.last(), QVariantList({path + lastMessage, status == 0 ? 100 : -1}));
        }
    }

    void roomToGrow_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("appended");
        QTest::newRow("one block") << "grow1.tavdata" << growingFile(false) << records(4000, 25);
        QTest::newRow("blocks merged") << "grow2.tavdata" << growingFile(true) << records(4000, 25);
        QTest::newRow("csv") << "grow.csv" << growingCsv(0, 40) << growingCsv(40, 25);
    }

    // The read of a file that will be followed leaves room in its columns: the first
    // append moves none of them, and the set then holds what a read of the whole file gives.
    void roomToGrow()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, appended);
        for (const bool room : {false, true}) {
            const QString path = saveScratch(name, file);
            SortedTavData set;
            set.limits.growRoom = room;
            set.onReadTrigged(path);
            set.adoptIncoming();
            QCOMPARE(set.status, 0);
            QVERIFY(set.stamps.capacity() > set.stamps.size() || !room);
            for (const QVector<float>& column : qAsConst(set.values))
                QVERIFY(column.capacity() > column.size() || !room);
            QFile more(path);
            QVERIFY(more.open(QIODevice::Append));
            QCOMPARE(more.write(appended), qint64(appended.size()));
            more.close();
            set.onAppendTrigged(path);
            QVERIFY(set.batch() && set.batch()->appended() == 25);
            QCOMPARE(set.batch()->grown, !room);
            QVERIFY(set.applyBatch());
            SortedTavData whole;
            QCOMPARE(whole.readTavData(path), 0);
            QCOMPARE(set.names, whole.names);
            QCOMPARE(set.stamps, whole.stamps);
            QCOMPARE(set.values, whole.values);
        }
    }

    // A very wide CSV merges into one column per name, each as long as the stamps.
    void wideCsv()
    {
        SortedTavData set;
        QCOMPARE(set.readTavData(saveScratch("wide.csv", csvFile(4, 100000))), 0);
        QCOMPARE(set.names.size(), 100000);
        QCOMPARE(set.names.last(), QStringLiteral("v99999"));
        QCOMPARE(set.values.last(), QVector<float>(4, 2.5f));
    }
};

QTEST_GUILESS_MAIN(TestSortedTavData)
#include "tst_sortedtavdata.moc"
