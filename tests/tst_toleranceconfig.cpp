// The tolerance group of the configuration file: written by name, read back into the pairs
// of the next recording, beside the plot's own groups.
#include "plotconfig.h"
#include "testutil.h"
#include "toleranceconfig.h"

#include <QtTest>

namespace {

// "measured/setpoint:below:above" joined by ";", with the indexes in names.
QString pairsText(const QVector<TolerancePair>& pairs, const QStringList& names)
{
    QStringList parts;
    for (const TolerancePair& p : pairs)
        parts << QStringLiteral("%1/%2:%3:%4")
                     .arg(names.value(p.measured, QString::number(p.measured)),
                          names.value(p.setpoint, QString::number(p.setpoint)))
                     .arg(p.band.below)
                     .arg(p.band.above);
    return parts.join(';');
}

// Pairs "m/s:below:above" by names, as a user would have set them.
QVector<TolerancePair> parsePairs(const QString& text, const QStringList& names)
{
    QVector<TolerancePair> pairs;
    for (const QString& part : text.split(';', Qt::SkipEmptyParts)) {
        const QStringList f = part.split(':');
        const QStringList n = f[0].split('/');
        TolerancePair p;
        p.measured = names.indexOf(n[0]);
        p.setpoint = names.indexOf(n[1]);
        p.band.below = f[1].toDouble();
        p.band.above = f[2].toDouble();
        pairs.append(p);
    }
    return pairs;
}

QList<CurveInfo> curvesOn(const QStringList& names, int humidityFrom)
{
    QList<CurveInfo> curves;
    for (int i = 0; i < names.size(); ++i) {
        CurveInfo c;
        c.CurveName = names[i];
        c.RefIndex = i >= humidityFrom ? 1 : 0;
        curves.append(c);
    }
    return curves;
}

} // namespace

class TestToleranceConfig : public QObject
{
    Q_OBJECT
    QTemporaryDir tmp;

private slots:
    void roundTrip_data()
    {
        QTest::addColumn<QStringList>("savedNames");
        QTest::addColumn<QString>("pairs");
        QTest::addColumn<QStringList>("newNames");
        QTest::addColumn<int>("humidityFrom"); // curves from this index on are on Y2
        QTest::addColumn<QString>("expected");
        const QStringList th = {"温度", "温度设定", "湿度", "湿度设定"};
        QTest::newRow("chinese names, own bands")
            << th << "温度/温度设定:2.5:1.25;湿度/湿度设定:0:7" << th << 2
            << "温度/温度设定:2.5:1.25;湿度/湿度设定:0:7";
        QTest::newRow("a pair that is no automatic one")
            << th << "湿度/温度:1:1" << th << 2 << "湿度/温度:1:1";
        QTest::newRow("the variables in another order")
            << th << "湿度/湿度设定:4:5" << QStringList{"湿度设定", "压力", "湿度"} << 9
            << "湿度/湿度设定:4:5";
        QTest::newRow("a pair whose names are absent")
            << QStringList{"温度", "温度设定", "压力", "压力设定"}
            << "压力/压力设定:1:1;温度/温度设定:3:3" << QStringList{"温度设定", "温度", "压力设定"}
            << 9 << "温度/温度设定:3:3";
        QTest::newRow("none present: the automatic pairs, bands by axis")
            << QStringList{"压力", "压力设定"} << "压力/压力设定:1:1"
            << QStringList{"温度", "湿度", "湿度设定值", "温度设定"} << 1
            << "温度/温度设定:2:2;湿度/湿度设定值:3:3";
        QTest::newRow("no pairs saved")
            << th << "" << th << 2 << "温度/温度设定:2:2;湿度/湿度设定:3:3";
        QTest::newRow("SV and PV")
            << QStringList{"TEMP PV", "TEMP SV"} << "TEMP PV/TEMP SV:0.5:0.5"
            << QStringList{"TEMP SV", "TEMP PV"} << 9 << "TEMP PV/TEMP SV:0.5:0.5";
    }

    // Saved by name after one recording, read into the pairs of the next one; timing and
    // switch survive whatever the pairs do.
    void roundTrip()
    {
        QFETCH(QStringList, savedNames);
        QFETCH(QString, pairs);
        QFETCH(QStringList, newNames);
        QFETCH(int, humidityFrom);
        const QString path = tmp.filePath(QString::fromLatin1(QTest::currentDataTag()) + ".ini");
        ToleranceSettings s;
        s.pairs = parsePairs(pairs, savedNames);
        s.timing.dwell = 420.5;
        s.timing.minHold = 90;
        s.showBands = true;
        // The plot's groups are written first, as the save button does, and again after:
        // neither writer may lose the other's groups.
        PlotViewSettings view;
        view.xSplCount = 7;
        QVERIFY(PlotConfig::write(path, view, {}));
        QVERIFY(ToleranceConfig::write(path, ToleranceConfig::named(s, savedNames)));
        QVERIFY(PlotConfig::write(path, view, {}));

        bool damaged = true;
        const ToleranceConfig::Saved saved = ToleranceConfig::read(path, {}, &damaged);
        QVERIFY(!damaged);
        QVERIFY(saved.present);
        const ToleranceSettings back =
            ToleranceConfig::forRecording(saved, newNames, curvesOn(newNames, humidityFrom));
        QTEST(pairsText(back.pairs, newNames), "expected");
        QCOMPARE(back.timing.dwell, 420.5);
        QCOMPARE(back.timing.minHold, 90.0);
        QCOMPARE(back.showBands, true);
        PlotViewSettings viewBack;
        PlotConfig::readView(path, viewBack);
        QCOMPARE(viewBack.xSplCount, 7);
    }

    void damagedValues_data()
    {
        QTest::addColumn<QByteArray>("group");
        QTest::addColumn<QString>("expected"); // pairs, then dwell and minHold
        QTest::addColumn<bool>("damaged");
        const QByteArray pair =
            "PAIR\\size=1\nPAIR\\1\\Measured=温度\nPAIR\\1\\Setpoint=温度设定\n";
        QTest::newRow("whole") << pair +
                                      "PAIR\\1\\Below=1\nPAIR\\1\\Above=4\ndwell=60\nminHold=30\n"
                               << "温度/温度设定:1:4 60 30" << false;
        QTest::newRow("no band: the axis's") << pair << "温度/温度设定:2:2 600 300" << false;
        QTest::newRow("negative band") << pair + "PAIR\\1\\Below=-1\nPAIR\\1\\Above=1.5\n"
                                       << "温度/温度设定:2:1.5 600 300" << true;
        QTest::newRow("text band") << pair + "PAIR\\1\\Above=wide\n"
                                   << "温度/温度设定:2:2 600 300" << true;
        QTest::newRow("nan band") << pair + "PAIR\\1\\Below=nan\n"
                                  << "温度/温度设定:2:2 600 300" << true;
        QTest::newRow("negative dwell") << pair + "dwell=-5\nminHold=1e300\n"
                                        << "温度/温度设定:2:2 600 300" << true;
        QTest::newRow("pair without setpoint")
            << QByteArray("PAIR\\size=1\nPAIR\\1\\Measured=温度\ndwell=10\n")
            << "温度/温度设定:2:2 10 300" << true;
        QTest::newRow("huge array")
            << QByteArray("PAIR\\size=999999999\n") << "温度/温度设定:2:2 600 300" << true;
    }

    // A value the check cannot use falls back alone, and the file is reported damaged.
    void damagedValues()
    {
        QFETCH(QByteArray, group);
        const QString path =
            TestUtil::writeFile(tmp.filePath(QString::fromLatin1(QTest::currentDataTag()) + ".ini"),
                                "[Tolerance]\n" + group);
        QVERIFY(!path.isNull());
        bool damaged = false;
        const ToleranceConfig::Saved saved = ToleranceConfig::read(path, {}, &damaged);
        const QStringList names = {"温度", "温度设定"};
        const ToleranceSettings s = ToleranceConfig::forRecording(saved, names, curvesOn(names, 9));
        QTEST(QStringLiteral("%1 %2 %3")
                  .arg(pairsText(s.pairs, names))
                  .arg(s.timing.dwell)
                  .arg(s.timing.minHold),
              "expected");
        QTEST(damaged, "damaged");
    }

    // Without the group the current timing and switch stay, and the pairs are automatic.
    void noGroupKeepsTheCurrentSettings()
    {
        const QString path =
            TestUtil::writeFile(tmp.filePath("plain.ini"), "[Grid]\nxSplCount=3\n");
        ToleranceConfig::Saved base;
        base.timing.dwell = 5;
        base.showBands = true;
        const ToleranceConfig::Saved saved = ToleranceConfig::read(path, base);
        QVERIFY(!saved.present);
        QCOMPARE(saved.timing.dwell, 5.0);
        QCOMPARE(saved.showBands, true);
        const ToleranceConfig::Saved none = ToleranceConfig::read(tmp.filePath("none.ini"), base);
        QVERIFY(!none.present);
        QCOMPARE(none.timing.dwell, 5.0);
    }
};

QTEST_GUILESS_MAIN(TestToleranceConfig)
#include "tst_toleranceconfig.moc"
