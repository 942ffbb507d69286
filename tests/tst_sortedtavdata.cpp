#include "sortedtavdata.h"
#include "tavwriter.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

namespace {

using Columns = QVector<QVector<float>>;
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

QByteArray csvFile(int rows)
{
    QByteArray text = "时间,a,b\n";
    for (int i = 0; i < rows; ++i)
        text += "2024/07/01 12:00:0" + QByteArray::number(i) + ",1,2\n";
    return text;
}

QStringList texts(const QSignalSpy& spy)
{
    QStringList out;
    for (const auto& args : spy)
        out << args.at(0).toString();
    return out;
}

// Stands for the canvas: asks for work through queued signals and relays the answers,
// which therefore arrive in this thread only while it runs its event loop.
class Requester : public QObject
{
    Q_OBJECT
signals:
    void trigRead(QString path);
    void trigExport(QString filePath, QList<int> indexList, qlonglong stampStart,
                    qlonglong stampEnd);
    void pushInfoUpward(QString info, int percent);
    void readFinished(QString filePath);
    void exportFinished(QString filePath);
};

// Ends the worker thread however the test leaves.
struct WorkerThread : QThread
{
    ~WorkerThread() override
    {
        quit();
        wait();
    }
};

} // namespace

Q_DECLARE_METATYPE(Block)
Q_DECLARE_METATYPE(QVector<SortedTavData::Span>)

class TestSortedTavData : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString save(const QString& name, const QByteArray& bytes)
    {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

private slots:
    void initTestCase() { qRegisterMetaType<QList<int>>("QList<int>"); }

    void merge_data()
    {
        QTest::addColumn<QList<Block>>("blocks");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QVector<qint64>>("stamps");
        QTest::addColumn<Columns>("values");
        QTest::newRow("union")
            << QList<Block>{{{"T", "H"}, {10, 20}, {{1, 2}, {3, 4}}},
                            {{"T", "P"}, {30, 40, 50}, {{5, 6}, {7, 8}, {9, 10}}}}
            << QStringList{"T", "H", "P"} << QVector<qint64>{10, 20, 30, 40, 50}
            << Columns{{.1f, .3f, .5f, .7f, .9f}, {.2f, .4f, M, M, M}, {M, M, .6f, .8f, 1}};
        // No sorting across blocks: the later block's earlier stamps stay behind.
        QTest::newRow("block order") << QList<Block>{{{"A"}, {100, 110}, {{1}, {2}}},
                                                     {{"B", "A"}, {10, 20}, {{3, 4}, {5, 6}}}}
                                     << QStringList{"A", "B"} << QVector<qint64>{100, 110, 10, 20}
                                     << Columns{{.1f, .2f, .4f, .6f}, {M, M, .3f, .5f}};
        // A repeated name keeps its first column and cannot shift the others.
        QTest::newRow("name twice") << QList<Block>{{{"T", "T", "H"},
                                                     {1, 2, 3, 4},
                                                     {{1, 8, 5}, {2, 9, 6}, {3, 9, 7}, {4, 9, 8}}}}
                                    << QStringList{"T", "H"} << QVector<qint64>{1, 2, 3, 4}
                                    << Columns{{.1f, .2f, .3f, .4f}, {.5f, .6f, .7f, .8f}};
        QTest::newRow("middle only")
            << QList<Block>{{{"A"}, {1, 2}, {{1}, {2}}}, {{"X"}, {3}, {{7}}}, {{"A"}, {4}, {{3}}}}
            << QStringList{"A", "X"} << QVector<qint64>{1, 2, 3, 4}
            << Columns{{.1f, .2f, M, .3f}, {M, M, .7f, M}};
    }
    void merge()
    {
        QFETCH(QList<Block>, blocks);
        QFETCH(QStringList, names);
        QFETCH(QVector<qint64>, stamps);
        QFETCH(Columns, values);
        SortedTavData set;
        QSignalSpy info(&set, &SortedTavData::pushInfoUpward);
        QCOMPARE(set.readTavData(save("merge.tavdata", binaryFile(blocks))), 0);
        QCOMPARE(set.status, 0);
        QCOMPARE(set.names, names);
        QCOMPARE(set.stamps, stamps);
        QCOMPARE(set.sampleCount, stamps.size());
        QCOMPARE(set.values, values);
        QCOMPARE(set.infoNames, QStringList{"设备型号"});
        QCOMPARE(set.userEvents.size(), 1);
        // One progress message per block, ending at 100.
        QList<int> merging;
        for (const auto& args : info) {
            if (args.at(0).toString().endsWith(" 整理历史数据..."))
                merging << args.at(1).toInt();
        }
        QCOMPARE(merging.size(), blocks.size());
        QCOMPARE(merging.last(), 100);
    }

    void runs_data()
    {
        using Runs = QVector<SortedTavData::Span>;
        QTest::addColumn<QVector<qint64>>("stamps");
        QTest::addColumn<Runs>("runs");
        QTest::newRow("two runs") << QVector<qint64>{0, 10, 20, 30, 35, 40, 45}
                                  << Runs{{0, 3, 10}, {3, 6, 5}};
        QTest::newRow("ends early") << QVector<qint64>{0, 10, 20, 25} << Runs{{0, 2, 10}};
        QTest::newRow("starts too late") << QVector<qint64>{0, 5, 15, 25} << Runs{};
        QTest::newRow("all equal") << QVector<qint64>{0, 60, 120, 180, 240} << Runs{{0, 4, 60}};
        QTest::newRow("shared boundary")
            << QVector<qint64>{0, 2, 4, 7, 10, 13, 20} << Runs{{0, 2, 2}, {2, 5, 3}};
        QTest::newRow("no run") << QVector<qint64>{0, 1, 3, 6, 10} << Runs{};
        // The second stretch starts at the third-to-last sample, too late to count.
        QTest::newRow("late stretch") << QVector<qint64>{0, 1, 2, 10, 20, 30} << Runs{{0, 2, 1}};
    }
    void runs()
    {
        QFETCH(QVector<qint64>, stamps);
        QFETCH(QVector<SortedTavData::Span>, runs);
        const QVector<SortedTavData::Span> got = SortedTavData::equalSpacingRuns(stamps);
        QCOMPARE(got.size(), runs.size());
        for (int i = 0; i < runs.size(); ++i) {
            QCOMPARE(got[i].first, runs[i].first);
            QCOMPARE(got[i].last, runs[i].last);
            QCOMPARE(got[i].interval, runs[i].interval);
        }
        if (stamps.size() < 4)
            return;
        // The same runs end up in the three span lists of a read.
        QVector<QVector<qint32>> rows(stamps.size(), QVector<qint32>{1});
        QVector<quint32> stamps32(stamps.begin(), stamps.end());
        SortedTavData set;
        QCOMPARE(set.readTavData(save("runs.tavdata", binaryFile({{{"T"}, stamps32, rows}}))), 0);
        QCOMPARE(set.spanIntervals.size(), runs.size());
        for (int i = 0; i < runs.size(); ++i) {
            QCOMPARE(set.spanIntervals[i], runs[i].interval);
            QCOMPARE(set.spanIndexes[i], qMakePair(runs[i].first, runs[i].last));
            QCOMPARE(set.spanStamps[i], qMakePair(stamps[runs[i].first], stamps[runs[i].last]));
        }
    }

    void tooFewSamples()
    {
        SortedTavData set;
        QSignalSpy info(&set, &SortedTavData::pushInfoUpward);
        const QString path = save("three.csv", csvFile(3));
        QCOMPARE(set.readTavData(path), 1);
        QCOMPARE(set.status, 1);
        QCOMPARE(info.last().at(0).toString(), path + " 历史数据长度异常 长度为3");
        QCOMPARE(info.last().at(1).toInt(), -1);
        QCOMPARE(set.sampleCount, 3);
        QCOMPARE(set.names.size(), 2);
    }

    void extension_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("csvContent");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("firstName");
        QTest::newRow(".csv") << "a.csv" << true << 0 << "Data[0]";
        QTest::newRow(".Csv") << "b.Csv" << true << 0 << "Data[0]";
        QTest::newRow("CSV named .tavdata") << "c.tavdata" << true << 1 << "";
        QTest::newRow(".tavdata") << "d.tavdata" << false << 0 << "T";
        QTest::newRow("no dot") << "e" << false << 0 << "T";
        QTest::newRow("binary named .csv") << "f.csv" << false << 1 << "";
    }
    void extension()
    {
        QFETCH(QString, name);
        QFETCH(bool, csvContent);
        QFETCH(int, status);
        QFETCH(QString, firstName);
        const Block block{{"T"}, {1, 2, 3, 4}, {{1}, {2}, {3}, {4}}};
        SortedTavData set;
        const QString path = save(name, csvContent ? csvFile(5) : binaryFile({block}));
        QCOMPARE(set.readTavData(path), status);
        if (status == 0)
            QCOMPARE(set.names.value(0), firstName);
    }

    void clearAfterRead()
    {
        SortedTavData set;
        QCOMPARE(set.readTavData(save("full.tavdata",
                                      binaryFile({{{"T"}, {1, 2, 3, 4}, {{1}, {2}, {3}, {4}}}}))),
                 0);
        set.clear();
        QCOMPARE(set.status, 1);
        QCOMPARE(set.sampleCount, 0);
        QVERIFY(set.names.isEmpty() && set.stamps.isEmpty() && set.values.isEmpty());
        QVERIFY(set.spanStamps.isEmpty() && set.spanIndexes.isEmpty() &&
                set.spanIntervals.isEmpty());
        QVERIFY(set.infoNames.isEmpty() && set.infoValues.isEmpty() && set.userEvents.isEmpty());
    }

    // Requests and answers cross threads only as queued signals, and every request is
    // answered, failed ones included.
    void threadHandOff_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("status");
        const Block good{{"T", "H"}, {0, 10, 20, 30}, {{1, 2}, {3, 4}, {5, 6}, {7, 8}}};
        QTest::newRow("good") << save("good.tavdata", binaryFile({good})) << 0;
        QTest::newRow("missing") << m_dir.filePath("missing.tavdata") << 1;
        TavWriter bad;
        bad.marker('I');
        bad.globalItem("设备型号", "x");
        bad.historyHeader(7, {"T"}, {1});
        QTest::newRow("rejected section") << save("bad.tavdata", bad.bytes) << 1;
        QTest::newRow("too short csv") << save("short.csv", csvFile(2)) << 1;
    }
    void threadHandOff()
    {
        QFETCH(QString, path);
        QFETCH(int, status);
        SortedTavData set;
        WorkerThread worker;
        set.moveToThread(&worker);
        worker.start();
        Requester gui;
        connect(&gui, &Requester::trigRead, &set, &SortedTavData::onReadTrigged);
        connect(&gui, &Requester::trigExport, &set, &SortedTavData::onExportData);
        connect(&set, &SortedTavData::pushInfoUpward, &gui, &Requester::pushInfoUpward);
        connect(&set, &SortedTavData::readFinished, &gui, &Requester::readFinished);
        connect(&set, &SortedTavData::exportFinished, &gui, &Requester::exportFinished);
        QList<QThread*> infoThreads;
        connect(&gui, &Requester::pushInfoUpward, &gui,
                [&infoThreads] { infoThreads << QThread::currentThread(); });
        QSignalSpy finished(&gui, &Requester::readFinished);
        QSignalSpy info(&gui, &Requester::pushInfoUpward);

        emit gui.trigRead(path);
        QVERIFY(finished.wait(10000));
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.first().at(0).toString(), path);
        QCOMPARE(set.status, status);
        // Every message came before the answer, into this thread.
        QVERIFY(!info.isEmpty());
        QCOMPARE(infoThreads.size(), info.size());
        QCOMPARE(infoThreads.count(QThread::currentThread()), info.size());
        QVERIFY(texts(info).first().startsWith(path));

        if (status == 0) {
            QSignalSpy exported(&gui, &Requester::exportFinished);
            const QString out = m_dir.filePath("handoff.csv");
            emit gui.trigExport(out, {1, 0}, 10, 20);
            QVERIFY(exported.wait(10000));
            QCOMPARE(exported.first().at(0).toString(), out);
            QFile f(out);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll().count('\n'), 3);
        }
    }

    // A very wide CSV merges into one column per name, each as long as the stamps.
    void wideCsv()
    {
        const int width = 100000;
        QByteArray text = "t" + QByteArray(",v").repeated(width) + "\n";
        for (int i = 0; i < 4; ++i)
            text += "2024/07/01 12:00:0" + QByteArray::number(i) +
                    QByteArray(",2.5").repeated(width) + "\n";
        SortedTavData set;
        QCOMPARE(set.readTavData(save("wide.csv", text)), 0);
        QCOMPARE(set.names.size(), width);
        QCOMPARE(set.names.last(), QStringLiteral("Data[%1]").arg(width - 1));
        QCOMPARE(set.values.size(), width);
        QCOMPARE(set.values.last(), QVector<float>(4, 2.5f));
    }
};

QTEST_GUILESS_MAIN(TestSortedTavData)
#include "tst_sortedtavdata.moc"
