#include "tavbulkwriter.h"
#include "tavdrawer.h"
#include "tavwriter.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const quint32 T0 = 1700000000;

// One History block of the names, count records 60 s apart, values rising by one.
bool writeSmall(const QString& path, const QStringList& names, int count)
{
    TavWriter w;
    w.marker('I');
    w.globalItem(QStringLiteral("设备型号"), QStringLiteral("OTC-408"));
    QVector<quint32> stamps;
    QVector<QVector<qint32>> rows;
    for (int i = 0; i < count; ++i) {
        stamps.append(T0 + 60 * quint32(i));
        rows.append(QVector<qint32>(names.size(), 100 + i));
    }
    w.historyBlock(4, names, QVector<quint32>(names.size(), 10), stamps, rows);
    return w.save(path);
}

void waitIdle(TavDrawer& d)
{
    QTRY_VERIFY_WITH_TIMEOUT(!d.workerBusy(), 120000);
}

} // namespace

class TestHandoff : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void readResult_data();
    void readResult();
    void exportRequests();
    void busyRequestsDeferred_data();
    void busyRequestsDeferred();
    void destroyWhileReading();

private:
    QString file(const QString& name) const { return dir.filePath(name); }
    QTemporaryDir dir;
    qint64 bigLast = 0;
};

void TestHandoff::initTestCase()
{
    QVERIFY(dir.isValid());
    QVERIFY(writeSmall(file("a.tavdata"), {"温度", "湿度"}, 20));
    QVERIFY(writeSmall(file("b.tavdata"), {"压力"}, 30));
    QVERIFY(writeSmall(file("run.1.tavdata"), {"温度"}, 10));
    // Big enough that the worker is still reading while the test fires more requests.
    const qint64 records =
        TavBulkWriter::writeHistoryFile(file("big.tavdata"), 80 << 20, 4, 20, T0, 10);
    QVERIFY(records > 100000);
    bigLast = T0 + 10 * (records - 1);
}

void TestHandoff::readResult_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("colours"); // one per curve; "#000000": not drawn
    QTest::addColumn<qint64>("last");
    QTest::newRow("saved curve drawn in red")
        << "a.tavdata"
        << "a" << QStringList{"#000000", "#FF0000"} << qint64(T0 + 60 * 19);
    QTest::newRow("title cut at the first dot")
        << "run.1.tavdata"
        << "run" << QStringList{"#000000"} << qint64(T0 + 60 * 9);
    QTest::newRow("missing file") << "absent.tavdata"
                                  << "absent" << QStringList{} << qint64(0);
}

void TestHandoff::readResult()
{
    QFETCH(QString, name);
    QFETCH(QStringList, colours);
    QFETCH(qint64, last);
    const bool ok = !colours.isEmpty();
    TavDrawer d;
    d.configPath = file("curves.ini");
    QFile f(d.configPath);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[CurveInfo]\nCURVE\\1\\CurveName=湿度\nCURVE\\1\\ToDraw=true\n"
            "CURVE\\1\\CurveColor=FF0000\nCURVE\\size=1\n");
    f.close();
    d.vernPosA = 300;
    QSignalSpy finished(&d, &TavDrawer::readFinished);
    d.readTAVData(file(name));
    QTEST(d.titleText.text(), "title");
    QVERIFY(finished.wait(20000));
    QCOMPARE(finished.first().first().toString(), ok ? file(name) : QString()); // "" on failure
    QCOMPARE(d.hasData(), ok);
    QCOMPARE(d.curveInfoList.size(), colours.size());
    for (int i = 0; i < colours.size(); ++i) {
        QCOMPARE(d.curveInfoList[i].CurveName, d.dataSet.names[i]);
        QCOMPARE(d.curveInfoList[i].CurveColor, colours[i]);
        QCOMPARE(d.curveInfoList[i].ToDraw, colours[i] != QLatin1String("#000000"));
    }
    QCOMPARE(d.stampStart, ok ? qint64(T0) : qint64(0));
    QCOMPARE(d.stampEnd, last);
    QCOMPARE(d.vernPosA, ok ? 100 : 300);
}

void TestHandoff::exportRequests()
{
    TavDrawer d;
    d.configPath = file("none.ini");
    QSignalSpy trig(&d, &TavDrawer::trigExport);
    QSignalSpy done(&d, &TavDrawer::exportFinished);
    QSignalSpy finished(&d, &TavDrawer::readFinished);
    d.exportData(file("never.csv"));
    QCOMPARE(trig.count(), 0); // no data: nothing happens
    QVERIFY(!d.workerBusy());

    d.readTAVData(file("a.tavdata"));
    QVERIFY(finished.wait(20000));
    waitIdle(d);
    d.curveInfoList[1].ToDraw = true;
    d.stampStart = T0 + 60;
    d.stampEnd = T0 + 600;
    d.exportData(file("one.csv"));
    QCOMPARE(trig.count(), 1);
    QCOMPARE(trig.last().at(1).value<QList<int>>(), QList<int>{1});
    QCOMPARE(trig.last().at(2).toLongLong(), qint64(T0 + 60));
    QCOMPARE(trig.last().at(3).toLongLong(), qint64(T0 + 600));
    d.clear(); // the worker is writing from the data set: it must stay whole until done
    QCOMPARE(d.dataSet.status, 0);
    QCOMPARE(d.dataSet.names.size(), 2);
    QCOMPARE(d.curveInfoList.size(), 2);
    QVERIFY(done.wait(20000));
    QCOMPARE(done.last().first().toString(), file("one.csv"));
    QVERIFY(QFileInfo(file("one.csv")).size() > 0);
    waitIdle(d);
    QCOMPARE(d.dataSet.status, 1);
    QVERIFY(d.curveInfoList.isEmpty());
    QCOMPARE(d.stampStart, qint64(0));

    // A failed export answers nothing, yet a read asked meanwhile still runs.
    d.readTAVData(file("a.tavdata"));
    QVERIFY(finished.wait(20000));
    waitIdle(d);
    d.exportData(file("no/such/folder/x.csv"));
    d.readTAVData(file("b.tavdata"));
    QVERIFY(finished.wait(20000));
    QCOMPARE(done.count(), 1);
    QCOMPARE(finished.last().first().toString(), file("b.tavdata"));
    waitIdle(d);
}

void TestHandoff::busyRequestsDeferred_data()
{
    // Requests fired while the big file is still being read: R:<file> read, C clear,
    // E export. Expected: the reads that follow the big one, which data was exported
    // ("" none), and the number of variables finally loaded.
    QTest::addColumn<QStringList>("actions");
    QTest::addColumn<QStringList>("reads");
    QTest::addColumn<QString>("exportedFrom");
    QTest::addColumn<int>("finalNames");
    QTest::newRow("latest read wins") << QStringList{"R:a", "R:b"} << QStringList{"b"} << "" << 1;
    QTest::newRow("clear waits") << QStringList{"C"} << QStringList{} << "" << 0;
    QTest::newRow("read after clear") << QStringList{"C", "R:a"} << QStringList{"a"} << "" << 2;
    QTest::newRow("clear after read") << QStringList{"R:a", "C"} << QStringList{} << "" << 0;
    QTest::newRow("export of the new data") << QStringList{"E"} << QStringList{} << "big" << 20;
    QTest::newRow("export before the next read")
        << QStringList{"E", "R:a"} << QStringList{"a"} << "big" << 2;
    QTest::newRow("export after the next read")
        << QStringList{"R:a", "E"} << QStringList{"a"} << "a" << 2;
    QTest::newRow("export after a clear is dropped")
        << QStringList{"C", "E"} << QStringList{} << "" << 0;
}

void TestHandoff::busyRequestsDeferred()
{
    QFETCH(QStringList, actions);
    QFETCH(QString, exportedFrom);
    QFETCH(int, finalNames);
    TavDrawer d;
    d.configPath = file("none.ini");
    QSignalSpy trigRead(&d, &TavDrawer::trigRead);
    QSignalSpy trigExport(&d, &TavDrawer::trigExport);
    QSignalSpy finished(&d, &TavDrawer::readFinished);
    d.readTAVData(file("big.tavdata"));
    for (const QString& a : actions) {
        if (a == QLatin1String("C"))
            d.clear();
        else if (a == QLatin1String("E"))
            d.exportData(file("deferred.csv"));
        else
            d.readTAVData(file(a.mid(2) + ".tavdata"));
        // Nothing reached the worker or the data set while it reads.
        QCOMPARE(trigRead.count() + trigExport.count(), 1);
        QVERIFY(d.dataSet.status > 0);
    }
    waitIdle(d);
    QCOMPARE(finished.first().first().toString(), file("big.tavdata"));
    QStringList followed;
    for (int i = 1; i < trigRead.count(); ++i)
        followed.append(QFileInfo(trigRead[i].first().toString()).baseName());
    QTEST(followed, "reads");
    QCOMPARE(trigExport.count(), exportedFrom.isEmpty() ? 0 : 1);
    if (!exportedFrom.isEmpty()) {
        QCOMPARE(trigExport.first().at(2).toLongLong(), qint64(T0));
        QCOMPARE(trigExport.first().at(3).toLongLong(),
                 exportedFrom == QLatin1String("big") ? bigLast : qint64(T0 + 60 * 19));
    }
    QCOMPARE(d.dataSet.names.size(), finalNames);
    QCOMPARE(d.curveInfoList.size(), finalNames);
    QCOMPARE(d.hasData(), finalNames > 0);
}

void TestHandoff::destroyWhileReading()
{
    for (int delayMs : {0, 40}) { // before the worker starts, and mid-read
        auto* d = new TavDrawer;
        d->configPath = file("none.ini");
        bool reported = false;
        connect(d, &TavDrawer::readFinished, this, [&] { reported = true; });
        d->readTAVData(file("big.tavdata"));
        if (delayMs > 0)
            QTest::qWait(delayMs);
        QVERIFY(d->workerBusy());
        delete d; // waits for the worker, then frees the data set
        QCoreApplication::processEvents();
        QVERIFY(!reported); // the answer to a destroyed canvas goes nowhere
    }
}

QTEST_MAIN(TestHandoff)
#include "tst_handoff.moc"
