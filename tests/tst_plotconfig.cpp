#include "plotconfig.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

Q_DECLARE_METATYPE(QList<float>)
Q_DECLARE_METATYPE(QList<CurveInfo>)

namespace {

CurveInfo curve(const QString& name, bool draw, const QString& color, float weight, int style,
                int ref)
{
    CurveInfo c;
    c.CurveName = name;
    c.ToDraw = draw;
    c.CurveColor = color;
    c.CurveWeight = weight;
    c.CurveStyle = style;
    c.RefIndex = ref;
    return c;
}

void writeText(const QString& path, const QString& text)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QTextStream out(&f);
    out.setCodec("UTF-8");
    out << text;
}

} // namespace

class TestPlotConfig : public QObject
{
    Q_OBJECT
private slots:
    void init() { QVERIFY(dir.isValid()); }

    void limitsFromFile_data();
    void limitsFromFile();
    void viewRoundTrip();
    void curveRoundTrip_data();
    void curveRoundTrip();
    void saveKeepsForeignKeysOnlyWhereAllowed();

private:
    QString path() const { return dir.filePath(QStringLiteral("tav_drawer_config.ini")); }
    QTemporaryDir dir;
};

void TestPlotConfig::limitsFromFile_data()
{
    QTest::addColumn<QString>("axis");
    QTest::addColumn<QList<float>>("upper");
    QTest::addColumn<QList<float>>("lower");

    QTest::newRow("no Limit array")
        << QString() << QList<float>{200.0f, 110.0f} << QList<float>{-100.0f, -10.0f};
    QTest::newRow("one entry") << "[Axis]\nLimit\\1\\Upper=50\nLimit\\1\\Lower=-5\nLimit\\size=1\n"
                               << QList<float>{50.0f, 110.0f} << QList<float>{-5.0f, -10.0f};
    QTest::newRow("three axes")
        << "[Axis]\nLimit\\1\\Upper=1\nLimit\\1\\Lower=-1\nLimit\\2\\Upper=2\nLimit\\2\\Lower=-2\n"
           "Limit\\3\\Upper=3.5\nLimit\\3\\Lower=-3.5\nLimit\\size=3\n"
        << QList<float>{1.0f, 2.0f, 3.5f} << QList<float>{-1.0f, -2.0f, -3.5f};
    QTest::newRow("entry without keys")
        << "[Axis]\nLimit\\1\\Other=1\nLimit\\size=1\n"
        << QList<float>{180.0f, 110.0f} << QList<float>{-90.0f, -10.0f};
}

void TestPlotConfig::limitsFromFile()
{
    QFETCH(QString, axis);
    QFETCH(QList<float>, upper);
    QFETCH(QList<float>, lower);
    writeText(path(), QStringLiteral("[Background]\nDarkMode=true\n") + axis);
    PlotViewSettings s;
    s.upperLimits = {7.0f};
    s.lowerLimits = {6.0f};
    s.DrawA = true;
    s.xSplCount = 4;
    PlotConfig::readView(path(), s);
    QCOMPARE(s.upperLimits, upper);
    QCOMPARE(s.lowerLimits, lower);
    QVERIFY(s.DarkMode);
    QVERIFY(s.DrawA); // groups the file lacks leave their members alone
    QCOMPARE(s.xSplCount, 4);
}

void TestPlotConfig::viewRoundTrip()
{
    // Every member away from its default, so that a key left out shows.
    PlotViewSettings out;
    out.DarkMode = out.WaterMark = out.DrawB = true;
    out.allowZoomY0 = out.allowZoomY1 = out.showError = out.showSys = out.showUser = true;
    out.DrawA = out.allowDragX = out.allowZoomX = out.allowDragY0 = out.allowDragY1 = false;
    out.upperLimits = {150.5f, 99.0f, 12.25f};
    out.lowerLimits = {-40.0f, 0.0f, -12.25f};
    out.xSplCount = 7;
    out.ySplCount = 3;
    PlotConfig::write(path(), out, {});
    PlotViewSettings in;
    PlotConfig::readView(path(), in);
    QVERIFY(in == out);

    // Values are readable text, so the file stays editable by hand.
    QFile f(path());
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(!f.readAll().contains("@Variant"));
}

void TestPlotConfig::curveRoundTrip_data()
{
    QTest::addColumn<QList<CurveInfo>>("saved");
    QTest::addColumn<QStringList>("current");
    QTest::addColumn<QList<CurveInfo>>("expected");

    const CurveInfo red = curve(QStringLiteral("温度"), true, "#FF0000", 2.5f, 2, 1);
    const CurveInfo blue = curve(QStringLiteral("温度"), false, "#0000ff", 1.0f, 3, 2);
    const CurveInfo hum = curve(QStringLiteral("湿度"), true, "#00A0B0", 0.5f, 1, 0);
    QTest::newRow("name match with Chinese names")
        << QList<CurveInfo>{hum, red} << QStringList{"温度", "湿度", "压力"}
        << QList<CurveInfo>{red, hum, curve("压力", false, "#000000", 1.0f, 1, 0)};
    QTest::newRow("duplicate names: last wins")
        << QList<CurveInfo>{red, blue} << QStringList{"温度"} << QList<CurveInfo>{blue};
    QTest::newRow("case-sensitive names")
        << QList<CurveInfo>{curve("Temp", true, "#123456", 3.0f, 4, 1)} << QStringList{"temp"}
        << QList<CurveInfo>{curve("temp", false, "#000000", 1.0f, 1, 0)};
    QTest::newRow("saved entries without a curve are ignored")
        << QList<CurveInfo>{hum} << QStringList{} << QList<CurveInfo>{};
}

void TestPlotConfig::curveRoundTrip()
{
    QFETCH(QList<CurveInfo>, saved);
    QFETCH(QStringList, current);
    QFETCH(QList<CurveInfo>, expected);

    PlotViewSettings s;
    PlotConfig::completeLimits(s.upperLimits, s.lowerLimits);
    PlotConfig::write(path(), s, saved);
    const QList<CurveInfo> read = PlotConfig::readCurves(path());
    QCOMPARE(read.size(), saved.size());
    for (int i = 0; i < read.size(); ++i) {
        // The colour goes out as six digits and comes back with "#" in front.
        QCOMPARE(read[i].CurveColor, saved[i].CurveColor);
        QCOMPARE(read[i], saved[i]);
    }

    QList<CurveInfo> curves;
    for (const QString& name : current) {
        CurveInfo c;
        c.CurveName = name;
        curves.append(c);
    }
    PlotConfig::applyCurves(curves, read);
    QCOMPARE(curves, expected);
}

void TestPlotConfig::saveKeepsForeignKeysOnlyWhereAllowed()
{
    writeText(path(), QStringLiteral("[Background]\nLogo=1\n[Grid]\nOld=2\n[Vernier]\nOld=3\n"
                                     "[Control]\nOld=4\n[Events]\nOld=5\n[Axis]\nOld=6\n"
                                     "[CurveInfo]\nCURVE\\1\\CurveName=gone\nCURVE\\size=1\n"));
    PlotViewSettings s;
    PlotConfig::completeLimits(s.upperLimits, s.lowerLimits);
    PlotConfig::write(path(), s, {curve("kept", true, "#010203", 1.0f, 1, 0)});

    QSettings ini(path(), QSettings::IniFormat);
    QCOMPARE(ini.value("Background/Logo").toInt(), 1);
    QCOMPARE(ini.value("Grid/Old").toInt(), 2);
    for (const char* key : {"Vernier/Old", "Control/Old", "Events/Old", "Axis/Old"})
        QVERIFY2(!ini.contains(QLatin1String(key)), key);
    const QList<CurveInfo> read = PlotConfig::readCurves(path());
    QCOMPARE(read.size(), 1);
    QCOMPARE(read[0].CurveName, QStringLiteral("kept"));
    QCOMPARE(ini.value("CurveInfo/CURVE/1/CurveColor").toString(), QStringLiteral("010203"));
}

QTEST_GUILESS_MAIN(TestPlotConfig)
#include "tst_plotconfig.moc"
