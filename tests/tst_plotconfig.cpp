#include "curvepalette.h"
#include "plotconfig.h"
#include "testutil.h"

#include <QColor>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

namespace {

// WCAG relative luminance and contrast ratio.
double luminance(const QColor& c)
{
    const auto lin = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * lin(c.redF()) + 0.7152 * lin(c.greenF()) + 0.0722 * lin(c.blueF());
}

double contrast(const QColor& a, const QColor& b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace

class TestPlotConfig : public QObject
{
    Q_OBJECT
    QString path() const { return dir.filePath(QStringLiteral("tav_drawer_config.ini")); }
    void writeText(const QByteArray& text) { QVERIFY(!TestUtil::writeFile(path(), text).isNull()); }
    QTemporaryDir dir;

private slots:
    void roundTrip()
    {
        writeText("[CurveInfo]\nCURVE\\1\\CurveName=gone\nCURVE\\size=1\n"); // must not survive
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

    // Damaged or hostile files: each value the plot cannot use falls back to the default
    // of its own entry, and the reader says so; usable values around it are kept.
    void hostileView_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QList<float>>("upper");
        QTest::addColumn<QList<float>>("lower");
        QTest::addColumn<int>("xCount");
        QTest::addColumn<int>("yCount");
        QTest::addColumn<bool>("damaged");
        const QByteArray two = "Limit\\1\\Upper=50\nLimit\\1\\Lower=-5\n";
        const QList<float> up{200, 110}, lo{-100, -10}; // the defaults of two axes
        const QList<float> manyUp =
            QList<float>{50} + QVector<float>(PlotConfig::MaxAxes - 1, 180).toList();
        const QList<float> manyLo =
            QList<float>{-5} + QVector<float>(PlotConfig::MaxAxes - 1, -90).toList();
        // clang-format off
        QTest::newRow("sound") << "[Axis]\n" + two + "Limit\\size=1\n[Grid]\nxSplCount=4\n" << QList<float>{50, 110} << QList<float>{-5, -10} << 4 << 0 << false;
        QTest::newRow("huge axis count") << "[Axis]\n" + two + "Limit\\size=200000000\n" << manyUp << manyLo << 0 << 0 << true;
        QTest::newRow("negative axis count") << QByteArray("[Axis]\nLimit\\size=-7\n") << up << lo << 0 << 0 << false;
        QTest::newRow("nan upper") << QByteArray("[Axis]\nLimit\\1\\Upper=nan\nLimit\\1\\Lower=0\nLimit\\2\\Upper=80\nLimit\\2\\Lower=20\nLimit\\size=2\n") << QList<float>{200, 80} << QList<float>{-100, 20} << 0 << 0 << true;
        QTest::newRow("infinite lower, third axis") << "[Axis]\n" + two + "Limit\\2\\Upper=1\nLimit\\2\\Lower=-inf\nLimit\\3\\Upper=9\nLimit\\3\\Lower=3\nLimit\\size=3\n" << QList<float>{50, 110, 9} << QList<float>{-5, -10, 3} << 0 << 0 << true;
        QTest::newRow("equal limits") << QByteArray("[Axis]\nLimit\\1\\Upper=7\nLimit\\1\\Lower=7\nLimit\\size=1\n") << up << lo << 0 << 0 << true;
        QTest::newRow("beyond reach") << QByteArray("[Axis]\nLimit\\1\\Upper=1e30\nLimit\\1\\Lower=0\nLimit\\size=1\n") << up << lo << 0 << 0 << true;
        QTest::newRow("absurd grid counts") << QByteArray("[Grid]\nxSplCount=2000000000\nySplCount=-3\n") << up << lo << 0 << 0 << true;
        QTest::newRow("grid count not a number") << QByteArray("[Grid]\nxSplCount=many\nySplCount=99\n") << up << lo << 0 << 99 << true;
        // clang-format on
    }

    void hostileView()
    {
        QFETCH(QByteArray, text);
        writeText(text);
        PlotViewSettings s;
        QElapsedTimer clock;
        clock.start();
        const bool damaged = PlotConfig::readView(path(), s);
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
        QTEST(s.upperLimits, "upper");
        QTEST(s.lowerLimits, "lower");
        QTEST(s.xSplCount, "xCount");
        QTEST(s.ySplCount, "yCount");
        QTEST(damaged, "damaged");
    }

    void hostileCurves_data()
    {
        QTest::addColumn<QByteArray>("entry"); // keys of CURVE\1 besides its name
        QTest::addColumn<QString>("colour");
        QTest::addColumn<float>("weight");
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("axis");
        QTest::addColumn<bool>("damaged");
        // clang-format off
        QTest::newRow("sound") << QByteArray("CurveColor=ff0000\nCurveWeight=2.5\nCurveStyle=3\nRefIndex=2\n") << "#ff0000" << 2.5f << 3 << 2 << false;
        QTest::newRow("nan weight") << QByteArray("CurveWeight=nan\n") << "#000000" << 1.0f << 1 << 0 << true;
        QTest::newRow("huge weight") << QByteArray("CurveWeight=1e38\n") << "#000000" << 5.0f << 1 << 0 << true;
        QTest::newRow("negative weight") << QByteArray("CurveWeight=-2\n") << "#000000" << 1.0f << 1 << 0 << true;
        QTest::newRow("unknown style") << QByteArray("CurveStyle=77\n") << "#000000" << 1.0f << 1 << 0 << true;
        QTest::newRow("unknown axis") << QByteArray("RefIndex=-1\nCurveStyle=2\n") << "#000000" << 1.0f << 2 << 0 << true;
        QTest::newRow("axis beyond any") << QByteArray("RefIndex=100000\n") << "#000000" << 1.0f << 1 << 0 << true;
        QTest::newRow("bad colour") << QByteArray("CurveColor=red\nCurveWeight=3\n") << "#000000" << 3.0f << 1 << 0 << true;
        // clang-format on
    }

    void hostileCurves()
    {
        QFETCH(QByteArray, entry);
        QByteArray text = "[CurveInfo]\nCURVE\\1\\CurveName=t\n";
        for (const QByteArray& line : entry.split('\n'))
            if (!line.isEmpty())
                text += "CURVE\\1\\" + line + "\n";
        writeText(text + "CURVE\\size=1\n");
        bool damaged = false;
        const QList<CurveInfo> read = PlotConfig::readCurves(path(), &damaged);
        QCOMPARE(read.size(), 1);
        QTEST(read[0].CurveColor, "colour");
        QTEST(read[0].CurveWeight, "weight");
        QTEST(read[0].CurveStyle, "style");
        QTEST(read[0].RefIndex, "axis");
        QTEST(damaged, "damaged");
    }

    // Random variable lists against random saved entries, checked against the rule itself:
    // when no name is known every curve is drawn in its palette colour and keeps the
    // new-curve values otherwise; when one is, the last matching entry of each known name
    // applies and the unknown keep the new-curve values untouched.
    void settingsAfterRead()
    {
        QRandomGenerator rng(21);
        const QStringList pool{"温度", "湿度", "Data[0]", "Data[1]", "temp", "压力", "x"};
        for (int round = 0; round < 2000; ++round) {
            QList<CurveInfo> curves;
            for (int i = int(rng.bounded(12)); i > 0; --i)
                curves.append(CurveInfo{false, pool[rng.bounded(pool.size())]});
            QList<CurveInfo> saved;
            for (int i = int(rng.bounded(5)); i > 0; --i) {
                const QColor c = QColor::fromRgb(rng.generate() & 0xFFFFFF);
                saved.append(CurveInfo{rng.bounded(2) == 1, pool[rng.bounded(pool.size())],
                                       c.name(), float(rng.bounded(1, 6)), int(rng.bounded(1, 3)),
                                       int(rng.bounded(2))});
            }
            bool known = false;
            QList<CurveInfo> expected = curves;
            for (CurveInfo& e : expected) {
                for (const CurveInfo& entry : qAsConst(saved)) {
                    if (entry.CurveName == e.CurveName) {
                        e = entry;
                        known = true;
                    }
                }
            }
            if (!known) {
                for (int i = 0; i < expected.size(); ++i) {
                    expected[i].ToDraw = true;
                    expected[i].CurveColor = CurvePalette::colour(i);
                }
            }
            QList<CurveInfo> got = curves;
            QCOMPARE(PlotConfig::applyCurvesOrDrawAll(got, saved), !known);
            QCOMPARE(got, expected);
        }
    }

    // Curves drawn on first sight must stand apart from each other and from both plot
    // backgrounds (white, and #202020 in dark mode).
    void paletteReadsOnBothBackgrounds()
    {
        QSet<QRgb> seen;
        for (int i = 0; i < CurvePalette::size(); ++i) {
            const QColor c(CurvePalette::colour(i));
            QVERIFY2(c.isValid(), qPrintable(CurvePalette::colour(i)));
            for (const QColor background : {QColor(Qt::white), QColor(0x20, 0x20, 0x20)})
                QVERIFY2(contrast(c, background) >= 2.0,
                         qPrintable(c.name() + " on " + background.name()));
            seen.insert(c.rgb());
        }
        QCOMPARE(seen.size(), CurvePalette::size());
        QCOMPARE(CurvePalette::colour(CurvePalette::size()), CurvePalette::colour(0));
    }

    void numbersWrittenAsGiven_data()
    {
        QTest::addColumn<float>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("one decimal") << 1.1f << "1.1";
        QTest::newRow("negative") << -40.5f << "-40.5";
        QTest::newRow("whole") << 200.0f << "200";
        QTest::newRow("no short form") << 1.0f / 3.0f << "0.33333334";
        QTest::newRow("large") << 1e20f << "1e+20";
    }

    // A weight or limit goes to the file as the shortest text that reads back as the same
    // value, not as the long double it widens to (1.100000023841858 for 1.1).
    void numbersWrittenAsGiven()
    {
        QFETCH(float, value);
        QFETCH(QString, text);
        const bool weight = value > 0 && value <= PlotConfig::MaxCurveWeight;
        PlotViewSettings s;
        s.upperLimits = {value, 110.0f};
        s.lowerLimits = {-100.0f, -10.0f};
        QVERIFY(
            PlotConfig::write(path(), s, {{true, "t", "#123456", weight ? value : 1.0f, 1, 0}}));
        const QByteArray file = TestUtil::readFile(path());
        QVERIFY2(file.contains("Limit\\1\\Upper=" + text.toLatin1() + "\n"), file.constData());
        QVERIFY2(!weight || file.contains("CURVE\\1\\CurveWeight=" + text.toLatin1() + "\n"),
                 file.constData());
        if (weight)
            QCOMPARE(PlotConfig::readCurves(path()).value(0).CurveWeight, value);
        if (std::fabs(value) <= PlotConfig::MaxLimit) {
            PlotViewSettings in;
            PlotConfig::readView(path(), in);
            QCOMPARE(in.upperLimits.value(0), value);
        }
    }

    // A declared size far beyond the entries present costs only the entries present.
    void hugeCurveArray()
    {
        writeText("[CurveInfo]\nCURVE\\1\\CurveName=a\nCURVE\\3\\CurveName=c\n"
                  "CURVE\\size=200000000\n");
        QElapsedTimer clock;
        clock.start();
        bool damaged = false;
        const QList<CurveInfo> read = PlotConfig::readCurves(path(), &damaged);
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(read.size(), 2);
        QCOMPARE(read[0].CurveName + read[1].CurveName, QStringLiteral("ac"));
        QVERIFY(damaged);
    }
};

QTEST_GUILESS_MAIN(TestPlotConfig)
#include "tst_plotconfig.moc"
