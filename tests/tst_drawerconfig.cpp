// The canvas with its configuration file: saved limits that hold through reads and
// resets, and hostile files that still give a usable plot, in bounded time.
#include "tavdrawer.h"
#include "testutil.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString Sample = TestUtil::sourceDir() + QStringLiteral("/samples/sample.tavdata");

bool readSample(TavDrawer& d)
{
    QSignalSpy finished(&d, &TavDrawer::readFinished);
    d.readTAVData(Sample);
    return finished.wait(30000) && !finished.first().first().toString().isEmpty();
}

} // namespace

class TestDrawerConfig : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;

    QString writeIni(const QString& name, const QByteArray& text)
    {
        return TestUtil::writeFile(dir.filePath(name), text);
    }

private slots:
    void savedLimitsHold_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QList<float>>("upper");
        QTest::addColumn<QList<float>>("lower");
        QTest::newRow("three axes")
            << QByteArray(
                   "[Axis]\nLimit\\1\\Upper=50\nLimit\\1\\Lower=-5\nLimit\\2\\Upper=90\n"
                   "Limit\\2\\Lower=10\nLimit\\3\\Upper=9\nLimit\\3\\Lower=3\nLimit\\size=3\n")
            << QList<float>{50, 90, 9} << QList<float>{-5, 10, 3};
        QTest::newRow("no limits") << QByteArray("[Grid]\nxSplCount=3\n") << QList<float>{200, 110}
                                   << QList<float>{-100, -10};
    }

    // After a read and after each reset the Y ranges are those of the file.
    void savedLimitsHold()
    {
        QFETCH(QByteArray, text);
        QFETCH(QList<float>, upper);
        QFETCH(QList<float>, lower);
        TavDrawer d;
        d.resize(800, 500);
        d.configPath = writeIni(QString::fromLatin1(QTest::currentDataTag()) + ".ini", text);
        d.loadConfig();
        QCOMPARE(d.upperLimits + d.lowerLimits, upper + lower);
        d.onMoveView(0, 40); // pans every axis
        QVERIFY(d.upperLimits != upper);
        QVERIFY(readSample(d));
        QCOMPARE(d.upperLimits + d.lowerLimits, upper + lower);
        d.onMoveView(0, -25);
        d.upperLimits[1] = 70;
        d.onResetView();
        QCOMPARE(d.upperLimits + d.lowerLimits, upper + lower);
        // Saved limits are the file's from then on.
        d.upperLimits[0] = 33;
        d.saveConfig();
        d.upperLimits[0] = 44;
        d.onResetView();
        QCOMPARE(d.upperLimits[0], 33.0f);
    }

    // Huge arrays, absurd grid counts, nan and inf: loads fast, draws a plot that is mostly
    // background, and complains exactly once.
    void hostileFileUsablePlot()
    {
        QElapsedTimer clock;
        clock.start();
        TavDrawer d;
        d.resize(900, 560);
        d.configPath = writeIni(
            "hostile.ini",
            "[Axis]\nLimit\\1\\Upper=nan\nLimit\\1\\Lower=inf\nLimit\\2\\Upper=-inf\n"
            "Limit\\2\\Lower=-inf\nLimit\\size=200000000\n[CurveInfo]\nCURVE\\1\\CurveName=温度\n"
            "CURVE\\1\\ToDraw=true\nCURVE\\1\\CurveWeight=nan\nCURVE\\1\\CurveStyle=99\n"
            "CURVE\\1\\RefIndex=-4\nCURVE\\size=200000000\n"
            "[Grid]\nxSplCount=2000000000\nySplCount=2000000000\n");
        d.loadConfig();
        QVERIFY(readSample(d));
        for (CurveInfo& c : d.curveInfoList)
            c.ToDraw = true;
        QImage image(d.size(), QImage::Format_RGB32);
        d.render(&image);
        QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(d.takeConfigComplaint());
        QVERIFY(!d.takeConfigComplaint());
        QVERIFY(d.xSplCount <= 99 && d.ySplCount <= 99);
        for (int i = 0; i < d.upperLimits.size(); ++i)
            QVERIFY(std::isfinite(d.upperLimits[i]) && d.upperLimits[i] != d.lowerLimits[i]);
        const QRgb background = image.pixel(d.plotLeft + 3, d.plotTop + 3);
        int plain = 0, all = 0;
        for (int y = d.plotTop + 1; y < d.plotBottom; y += 3)
            for (int x = d.plotLeft + 1; x < d.plotRight; x += 3, ++all)
                plain += image.pixel(x, y) == background;
        QVERIFY2(plain > all / 2, qPrintable(QStringLiteral("%1 of %2").arg(plain).arg(all)));
    }

    // While the user has no file, the view and curve settings come from the installed
    // default; a save writes the user's file and leaves the installed one as it was.
    void installedDefaultUntilSaved()
    {
        const QByteArray installedText =
            "[Axis]\nLimit\\1\\Upper=120\nLimit\\1\\Lower=-60\nLimit\\size=1\n"
            "[Grid]\nxSplCount=7\nySplCount=4\n[CurveInfo]\nCURVE\\1\\CurveName=温度\n"
            "CURVE\\1\\ToDraw=true\nCURVE\\1\\CurveColor=e53935\nCURVE\\size=1\n";
        const QString installed = writeIni("installed.ini", installedText);
        const QString user = dir.filePath("userdir/tav_drawer_config.ini");
        QVERIFY(QDir().mkpath(dir.filePath("userdir")));
        TavDrawer d;
        d.resize(800, 500);
        d.configPath = user;
        d.defaultConfigPath = installed;
        d.loadConfig();
        QCOMPARE(d.xSplCount, 7);
        QCOMPARE(d.ySplCount, 4);
        QCOMPARE(d.upperLimits.value(0), 120.0f);
        QVERIFY(readSample(d));
        const int t = d.dataSet.names.indexOf(QStringLiteral("温度"));
        QVERIFY(t >= 0);
        QCOMPARE(d.curveInfoList[t].CurveColor, QStringLiteral("#e53935"));
        QVERIFY(d.curveInfoList[t].ToDraw);

        d.xSplCount = 3;
        d.curveInfoList[t].ToDraw = false;
        const TavDrawer::ConfigSave saved = d.saveConfig();
        QCOMPARE(saved.path, user);
        QVERIFY(!saved.fellBack);
        QCOMPARE(TestUtil::readFile(installed), installedText);
        // From now on the user's own file is read.
        TavDrawer again;
        again.configPath = user;
        again.defaultConfigPath = installed;
        again.loadConfig();
        QCOMPARE(again.xSplCount, 3);
        QVERIFY(readSample(again));
        QVERIFY(!again.curveInfoList[t].ToDraw);
    }
};

QTEST_MAIN(TestDrawerConfig)
#include "tst_drawerconfig.moc"
