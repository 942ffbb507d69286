#include "plotconfig.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

class TestPlotConfig : public QObject
{
    Q_OBJECT
    QString path() const { return dir.filePath(QStringLiteral("tav_drawer_config.ini")); }
    void writeText(const QByteArray& text)
    {
        QFile f(path());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    QTemporaryDir dir;

private slots:
    void limitsFromFile()
    {
        writeText("[Background]\nDarkMode=true\n[Axis]\nLimit\\1\\Upper=50\nLimit\\1\\Lower=-5\n"
                  "Limit\\size=1\n");
        PlotViewSettings s;
        s.upperLimits = {7.0f};
        s.lowerLimits = {6.0f};
        s.xSplCount = 4;
        PlotConfig::readView(path(), s);
        // Entries past the array get the defaults.
        QCOMPARE(s.upperLimits + s.lowerLimits, (QList<float>{50.0f, 110.0f, -5.0f, -10.0f}));
        QVERIFY(s.DarkMode);
        QVERIFY(s.DrawA); // groups the file lacks leave their members alone
        QCOMPARE(s.xSplCount, 4);
    }

    void roundTrip()
    {
        writeText("[Background]\nLogo=1\n[Grid]\nOld=2\n[Vernier]\nOld=3\n[Control]\nOld=4\n"
                  "[Events]\nOld=5\n[Axis]\nOld=6\n[CurveInfo]\nCURVE\\1\\CurveName=gone\n"
                  "CURVE\\size=1\n");
        // Every member away from its default, so that a key left out shows; three axes.
        PlotViewSettings out;
        out.DarkMode = out.WaterMark = out.DrawB = true;
        out.allowZoomY0 = out.allowZoomY1 = out.showError = out.showSys = out.showUser = true;
        out.DrawA = out.allowDragX = out.allowZoomX = out.allowDragY0 = out.allowDragY1 = false;
        out.upperLimits = {150.5f, 99.0f, 12.25f};
        out.lowerLimits = {-40.0f, 0.0f, -12.25f};
        out.xSplCount = 7;
        out.ySplCount = 3;
        const CurveInfo hum{true, QStringLiteral("湿度"), "#00A0B0", 0.5f, 1, 0};
        const CurveInfo red{true, QStringLiteral("温度"), "#FF0000", 2.5f, 2, 1};
        const CurveInfo blue{false, QStringLiteral("温度"), "#0000ff", 1.0f, 3, 2};
        const QList<CurveInfo> saved{hum, red, {true, "Temp", "#123456", 3.0f, 4, 1}, blue};
        PlotConfig::write(path(), out, saved);

        // Only "Background" and "Grid" keep keys the program does not write.
        QSettings ini(path(), QSettings::IniFormat);
        QCOMPARE(ini.value("Background/Logo").toInt(), 1);
        QCOMPARE(ini.value("Grid/Old").toInt(), 2);
        for (const char* key : {"Vernier/Old", "Control/Old", "Events/Old", "Axis/Old"})
            QVERIFY2(!ini.contains(QLatin1String(key)), key);
        // The colour goes out as six digits and comes back with "#" in front; values are
        // readable text, so the file stays editable by hand.
        QCOMPARE(ini.value("CurveInfo/CURVE/4/CurveColor").toString(), QStringLiteral("0000ff"));
        QFile f(path());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(!f.readAll().contains("@Variant"));

        PlotViewSettings in;
        PlotConfig::readView(path(), in);
        QVERIFY(in == out);
        const QList<CurveInfo> read = PlotConfig::readCurves(path());
        QCOMPARE(read, saved);
        // Exact names, the last matching entry wins, curves without an entry keep the defaults.
        QList<CurveInfo> curves{{false, "温度"}, {false, "湿度"}, {false, "压力"}, {false, "temp"}};
        PlotConfig::applyCurves(curves, read);
        QCOMPARE(curves, (QList<CurveInfo>{blue, hum, {false, "压力"}, {false, "temp"}}));
    }
};

QTEST_GUILESS_MAIN(TestPlotConfig)
#include "tst_plotconfig.moc"
