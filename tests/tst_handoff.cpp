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

} // namespace

class TestHandoff : public QObject
{
    Q_OBJECT
    QString file(const QString& name) const { return dir.filePath(name); }
    QTemporaryDir dir;
    qint64 bigLast = 0;

private slots:
    void initTestCase()
    {
        QVERIFY(writeSmall(file("a.tavdata"), {"温度", "湿度"}, 20));
        QVERIFY(writeSmall(file("b.tavdata"), {"压力"}, 30));
        // Big enough that the worker is still reading while the test fires more requests.
        const qint64 n =
            TavBulkWriter::writeHistoryFile(file("big.tavdata"), 80 << 20, 4, 20, T0, 10);
        QVERIFY(n > 100000);
        bigLast = T0 + 10 * (n - 1);
        QFile f(file("curves.ini"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[CurveInfo]\nCURVE\\1\\CurveName=湿度\nCURVE\\1\\ToDraw=true\n"
                "CURVE\\1\\CurveColor=FF0000\nCURVE\\size=1\n");
    }

    void readResult_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("colours"); // one per curve; "#000000": not drawn
        QTest::addColumn<QList<qint64>>("range");
        QTest::newRow("saved curve drawn in red")
            << "a" << QStringList{"#000000", "#FF0000"} << QList<qint64>{T0, T0 + 60 * 19};
        QTest::newRow("missing file") << "absent" << QStringList{} << QList<qint64>{0, 0};
    }

    void readResult()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, colours);
        const bool ok = !colours.isEmpty();
        TavDrawer d;
        d.configPath = file("curves.ini");
        QSignalSpy finished(&d, &TavDrawer::readFinished);
        d.readTAVData(file(name + ".tavdata"));
        QCOMPARE(d.titleText.text(), name);
        QVERIFY(finished.wait(20000));
        QCOMPARE(finished.first().first().toString(),
                 ok ? file(name + ".tavdata") : QString()); // "" on failure
        QCOMPARE(d.hasData(), ok);
        QCOMPARE(d.curveInfoList.size(), colours.size());
        for (int i = 0; i < colours.size(); ++i) {
            QCOMPARE(d.curveInfoList[i].CurveName, d.dataSet.names[i]);
            QCOMPARE(d.curveInfoList[i].CurveColor, colours[i]);
            QCOMPARE(d.curveInfoList[i].ToDraw, colours[i] != QLatin1String("#000000"));
        }
        QTEST((QList<qint64>{d.stampStart, d.stampEnd}), "range");
    }

    void busyRequestsSupersede_data()
    {
        // Requests fired while the big file is still being read: a letter reads that file,
        // C clears, E asks for an export. The big read is superseded by any read or clear:
        // only the reads named in "reads" follow it, and only the last is reported. An
        // export asked while nothing is on screen does nothing.
        QTest::addColumn<QString>("actions");
        QTest::addColumn<QString>("reads");
        QTest::addColumn<int>("finalNames");
        QTest::newRow("latest read wins") << QString("ab") << QString("b") << 1;
        QTest::newRow("clear after read") << QString("aC") << QString() << 0;
        QTest::newRow("read after clear") << QString("Cb") << QString("b") << 1;
        QTest::newRow("export, then read") << QString("Ea") << QString("a") << 2;
        QTest::newRow("export after the next read") << QString("aE") << QString("a") << 2;
    }

    void busyRequestsSupersede()
    {
        QFETCH(QString, actions);
        QFETCH(QString, reads);
        QFETCH(int, finalNames);
        TavDrawer d;
        d.configPath = file("none.ini");
        QSignalSpy trigRead(&d, &TavDrawer::trigRead);
        QSignalSpy trigExport(&d, &TavDrawer::trigExport);
        QSignalSpy finished(&d, &TavDrawer::readFinished);
        d.readTAVData(file("big.tavdata"));
        for (const QChar a : actions) {
            if (a == 'C')
                d.clear();
            else if (a == 'E')
                d.exportData(file("deferred.csv"));
            else
                d.readTAVData(file(a + QString(".tavdata")));
            // Nothing reached the worker while it reads, and the view is already blank.
            QCOMPARE(trigRead.count() + trigExport.count(), 1);
            QVERIFY(!d.hasData());
            QCOMPARE(d.curveInfoList.size(), 0);
        }
        QTRY_VERIFY_WITH_TIMEOUT(!d.workerBusy(), 120000);
        QString followed;
        for (int i = 1; i < trigRead.count(); ++i)
            followed.append(QFileInfo(trigRead[i].first().toString()).baseName());
        QTEST(followed, "reads");
        QCOMPARE(trigExport.count(), 0);
        // The superseded big read is never reported.
        QCOMPARE(finished.count(), reads.isEmpty() ? 0 : 1);
        if (!reads.isEmpty())
            QCOMPARE(finished.first().first().toString(), file(reads.right(1) + ".tavdata"));
        QCOMPARE(d.dataSet.names.size(), finalNames);
        QCOMPARE(d.curveInfoList.size(), finalNames);
        QCOMPARE(d.hasData(), finalNames > 0);
    }

    void destroyWhileReading()
    {
        for (int delayMs : {0, 40}) { // before the worker starts, and mid-read
            auto* d = new TavDrawer;
            d->configPath = file("none.ini");
            bool reported = false;
            connect(d, &TavDrawer::readFinished, this, [&] { reported = true; });
            d->readTAVData(file("big.tavdata"));
            QTest::qWait(delayMs);
            QVERIFY(d->workerBusy());
            delete d; // waits for the worker, then frees the data set
            QCoreApplication::processEvents();
            QVERIFY(!reported); // the answer to a destroyed canvas goes nowhere
        }
    }
};

QTEST_MAIN(TestHandoff)
#include "tst_handoff.moc"
