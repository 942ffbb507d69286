// Every file under tests/regress goes through the data set and the canvas once. A file is
// named <what>.<ok|fail>.<extension>: "ok" files must read with data, "fail" files must
// end in the failed state. Either way the data set must be consistent afterwards and the
// canvas must paint it.
#include "datasetcheck.h"
#include "tavdrawer.h"
#include "testutil.h"

#include <QDir>
#include <QImage>
#include <QtTest>

class RegressTest : public QObject
{
    Q_OBJECT

private slots:
    void read_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("ok");
        const QDir dir(TestUtil::sourceDir() + QStringLiteral("/tests/regress"));
        const QFileInfoList files = dir.entryInfoList(QDir::Files, QDir::Name);
        QVERIFY(files.size() >= 10);
        for (const QFileInfo& f : files) {
            const QStringList parts = f.fileName().split(QLatin1Char('.'));
            if (parts.size() < 3 || (parts[1] != "ok" && parts[1] != "fail"))
                continue;
            QTest::newRow(qPrintable(f.fileName())) << f.filePath() << (parts[1] == "ok");
        }
    }

    void read()
    {
        QFETCH(QString, path);
        QFETCH(bool, ok);
        TavDrawer d;
        d.configPath = QDir::temp().filePath(QStringLiteral("ostrel-regress-none.ini"));
        d.resize(640, 400);
        d.clear();
        const int status = d.dataSet.readTavData(path);
        QCOMPARE(status, d.dataSet.status);
        QCOMPARE(status, ok ? 0 : 1);
        const QString problem = dataSetInconsistency(d.dataSet);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));

        // Take the result over as after a queued readFinished, then paint everything.
        d.onTsdReadFinished(path);
        QCOMPARE(d.hasData(), ok);
        QCOMPARE(d.curveInfoList.size(), ok ? d.dataSet.names.size() : 0);
        for (CurveInfo& c : d.curveInfoList)
            c.ToDraw = true;
        d.DrawA = d.DrawB = true;
        d.showError = d.showSys = d.showUser = true;
        QImage image(d.size(), QImage::Format_ARGB32_Premultiplied);
        d.render(&image);
        QCOMPARE(d.vernValuesA.size(), ok ? d.curveInfoList.size() : 0);
    }
};

QTEST_MAIN(RegressTest)
#include "tst_regress.moc"
