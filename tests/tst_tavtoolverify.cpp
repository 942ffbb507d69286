#include "programrun.h"
#include "sortedtavdata.h"
#include "tavwriter.h"
#include "testutil.h"
#include "tolerancepairs.h"

#include <QtTest>

#include <cmath>

using TestUtil::tavtool;

namespace {

const qint64 T0 = 1700000000;

// One sample a minute: a 29-minute hold, a ramp of nine one-minute steps, an hour's hold.
// Temperature goes 25 -> 85 and humidity 50 -> 85; each measured value follows its setpoint
// at a limited rate with ±0.3 of noise, so both settle into a ±2 band and stay.
// missingSetpoint: the temperature setpoint is the missing mark throughout.
TavWriter recording(const QStringList& names, bool missingSetpoint = false)
{
    QVector<quint32> stamps;
    QVector<QVector<qint32>> rows;
    double pvT = 22, pvH = 45;
    for (int k = 0; k < 100; ++k) {
        const double step = std::min(1.0, std::max(0.0, (k - 29) / 10.0));
        const double spT = 25 + 60 * step;
        const double spH = 50 + 35 * step;
        pvT += std::max(-5.0, std::min(5.0, spT - pvT));
        pvH += std::max(-8.0, std::min(8.0, spH - pvH));
        const double noise = 0.3 * (k % 3 - 1);
        stamps.append(quint32(T0 + 60 * k));
        rows.append({qint32(std::lround((pvT + noise) * 10)),
                     missingSetpoint ? -9999 : qint32(std::lround(spT * 10)),
                     qint32(std::lround((pvH - noise) * 10)), qint32(std::lround(spH * 10))});
    }
    TavWriter w;
    w.historyBlock(4, names, {10, 10, 10, 10}, stamps, rows);
    return w;
}

// What the JSON must hold for one pair: the check run here on the same file (the check itself
// is held against its definitions in tst_tolerance).
QJsonObject expected(const SortedTavData& set, const TolerancePair& pair,
                     const ToleranceTiming& timing)
{
    const ToleranceResult r = TolerancePairs::check(set, pair, timing);
    const auto orNull = [](auto v) {
        return v ? QJsonValue(double(*v)) : QJsonValue(QJsonValue::Null);
    };
    QJsonArray holds;
    for (const ToleranceHold& h : r.holds) {
        const auto figure = [&h](double v) {
            return h.count > 0 ? QJsonValue(v) : QJsonValue(QJsonValue::Null);
        };
        QJsonArray excursions;
        for (const ToleranceExcursion& e : h.excursions)
            excursions.append(
                QJsonObject{{"from", double(e.from)}, {"to", double(e.to)}, {"peak", e.peak}});
        holds.append(QJsonObject{{"from", double(h.from)},
                                 {"to", double(h.to)},
                                 {"setpoint", h.setpoint},
                                 {"stableAt", orNull(h.stableAt)},
                                 {"settling", orNull(h.settling)},
                                 {"count", double(h.count)},
                                 {"min", figure(h.min)},
                                 {"max", figure(h.max)},
                                 {"mean", figure(h.mean)},
                                 {"meanDeviation", figure(h.meanDeviation)},
                                 {"fluctuation", figure(h.fluctuation)},
                                 {"excursions", excursions},
                                 {"outOfBand", double(h.outOfBand)},
                                 {"pass", h.pass}});
    }
    QJsonArray ramps;
    for (const ToleranceRamp& k : r.ramps)
        ramps.append(QJsonObject{{"from", double(k.from)},
                                 {"to", double(k.to)},
                                 {"start", k.start},
                                 {"end", k.end},
                                 {"programmedRate", orNull(k.programmedRate)},
                                 {"achievedRate", orNull(k.achievedRate)},
                                 {"overshoot", orNull(k.overshoot)}});
    return {{"measured", set.names[pair.measured]},
            {"setpoint", set.names[pair.setpoint]},
            {"below", pair.band.below},
            {"above", pair.band.above},
            {"pass", r.pass},
            {"holds", holds},
            {"ramps", ramps}};
}

// got equals want: floats printed as their shortest text compare as floats, computed
// figures to rounding, everything else exactly.
QString difference(const QJsonValue& got, const QJsonValue& want, const QString& at)
{
    if (want.isObject()) {
        if (got.toObject().keys() != want.toObject().keys())
            return at + ": keys " + got.toObject().keys().join(',');
        for (const QString& key : want.toObject().keys()) {
            const QString d = difference(got.toObject()[key], want.toObject()[key], at + '.' + key);
            if (!d.isEmpty())
                return d;
        }
        return {};
    }
    if (want.isArray()) {
        if (got.toArray().size() != want.toArray().size())
            return at + QStringLiteral(": %1 entries").arg(got.toArray().size());
        for (int i = 0; i < want.toArray().size(); ++i) {
            const QString d =
                difference(got.toArray()[i], want.toArray()[i], at + QStringLiteral("[%1]").arg(i));
            if (!d.isEmpty())
                return d;
        }
        return {};
    }
    if (want.isDouble() && got.isDouble()) {
        static const QRegularExpression floats("\\.(setpoint|min|max|peak|start|end)$");
        const double a = got.toDouble(), b = want.toDouble();
        const bool same = floats.match(at).hasMatch()
                              ? float(a) == float(b)
                              : std::fabs(a - b) <= 1e-12 * std::max(1.0, std::fabs(b));
        return same ? QString() : at + QStringLiteral(": %1, want %2").arg(a).arg(b);
    }
    return got == want ? QString() : at + ": differs";
}

// One sample a minute for two hours at the setpoint 50: one hold throughout, with the
// measured value at 50 but for five minutes at 58 an hour in, one clear excursion.
TavWriter excursionRecording()
{
    QVector<quint32> stamps;
    QVector<QVector<qint32>> rows;
    for (int k = 0; k < 120; ++k) {
        stamps.append(quint32(T0 + 60 * k));
        rows.append({k >= 60 && k < 65 ? 580 : 500, 500});
    }
    TavWriter w;
    w.historyBlock(4, {"温度", "温度设定"}, {10, 10}, stamps, rows);
    return w;
}

// Y1 from 40 to 60, no grid and no vernier, so that nothing but the band, the stripe and
// the curves lands inside the plot.
const char ShadingIni[] = "[Axis]\nLimit\\size=2\nLimit\\1\\Upper=60\nLimit\\1\\Lower=40\n"
                          "Limit\\2\\Upper=100\nLimit\\2\\Lower=0\n"
                          "[Grid]\nxSplCount=0\nySplCount=0\n"
                          "[Vernier]\nDrawA=false\nDrawB=false\n"
                          "[CurveInfo]\nCURVE\\size=2\n"
                          "CURVE\\1\\CurveName=温度\nCURVE\\1\\ToDraw=true\n"
                          "CURVE\\1\\CurveColor=1f77b4\nCURVE\\1\\RefIndex=0\n"
                          "CURVE\\2\\CurveName=温度设定\nCURVE\\2\\ToDraw=true\n"
                          "CURVE\\2\\CurveColor=2ca02c\nCURVE\\2\\RefIndex=0\n";

// A translucent fill of colour over white: every channel lightened by one common share.
bool isTintOf(QRgb pixel, const QColor& colour)
{
    const int channels[3][2] = {{qRed(pixel), colour.red()},
                                {qGreen(pixel), colour.green()},
                                {qBlue(pixel), colour.blue()}};
    int widest = 0;
    for (int c = 1; c < 3; ++c)
        widest = 255 - channels[c][1] > 255 - channels[widest][1] ? c : widest;
    const double share = double(255 - channels[widest][0]) / (255 - channels[widest][1]);
    if (share < 0.05 || share > 0.95)
        return false;
    for (const auto& c : channels) {
        if (std::abs((255 - c[0]) - share * (255 - c[1])) > 3)
            return false;
    }
    return true;
}

bool isReddish(QRgb pixel)
{
    return qRed(pixel) > qGreen(pixel) + 30 && qRed(pixel) > qBlue(pixel) + 30;
}

// The rows of a report's text laid out, from the first line that contains each of parts on.
QStringList linesFrom(const QStringList& lines, const QStringList& parts)
{
    for (int i = 0; i < lines.size(); ++i) {
        if (std::all_of(parts.begin(), parts.end(),
                        [&](const QString& p) { return lines[i].contains(p); }))
            return lines.mid(i);
    }
    return {};
}

} // namespace

class TestTavToolVerify : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_file;     // 温度, 温度设定, 湿度, 湿度设定值
    QString m_pv;       // TEMP PV, TEMP SV, HUMI PV, HUMI SV
    QString m_unpaired; // no setpoint names
    QString m_noSetpoint;
    QString m_noConfig; // settings without curves: every curve on Y1
    QString m_humidityOnY2;

    QString path(const QString& name) { return name.isEmpty() ? name : m_dir.filePath(name); }

private slots:
    void initTestCase()
    {
        m_file = m_dir.filePath("温湿度.tavdata");
        QVERIFY(recording({"温度", "温度设定", "湿度", "湿度设定值"}).save(m_file));
        m_pv = m_dir.filePath("pv.tavdata");
        QVERIFY(recording({"TEMP PV", "TEMP SV", "HUMI PV", "HUMI SV"}).save(m_pv));
        m_unpaired = m_dir.filePath("unpaired.tavdata");
        QVERIFY(recording({"温度", "温度目标", "湿度", "湿度 设定"}).save(m_unpaired));
        m_noSetpoint = m_dir.filePath("nosetpoint.tavdata");
        QVERIFY(recording({"温度", "温度设定", "湿度", "湿度设定值"}, true).save(m_noSetpoint));
        m_noConfig = TestUtil::writeFile(m_dir.filePath("empty.ini"), "[Grid]\nxSplCount=5\n");
        m_humidityOnY2 = TestUtil::writeFile(m_dir.filePath("y2.ini"),
                                             "[CurveInfo]\nCURVE\\size=1\n"
                                             "CURVE\\1\\CurveName=湿度\nCURVE\\1\\RefIndex=1\n");
        QVERIFY(!m_noConfig.isNull() && !m_humidityOnY2.isNull());
    }

    // Every key and every figure as the check gives it; the pairs and bands as
    // the options, the names and the settings make them.
    void json_data()
    {
        QTest::addColumn<QString>("options");
        QTest::addColumn<QString>("pairs"); // measured>setpoint:below:above, by index
        QTest::newRow("automatic, all on Y1") << ""
                                              << "0>1:2:2,2>3:2:2";
        QTest::newRow("automatic, humidity on Y2") << "--config y2"
                                                   << "0>1:2:2,2>3:3:3";
        QTest::newRow("by name and index, in the order given") << "--pair 湿度=3 --pair 0=温度设定"
                                                               << "2>3:2:2,0>1:2:2";
        QTest::newRow("below alone sets both") << "--pair 温度=温度设定:0.5"
                                               << "0>1:0.5:0.5";
        QTest::newRow("below and above, zero band") << "--pair 2=3:0:1.25"
                                                    << "2>3:0:1.25";
        QTest::newRow("dwell and minimum hold") << "--dwell 0 --min-hold 60 --config y2"
                                                << "0>1:2:2,2>3:3:3";
        QTest::newRow("no hold at all") << "--min-hold 100000"
                                        << "0>1:2:2,2>3:2:2";
    }

    void json()
    {
        QFETCH(QString, options);
        QFETCH(QString, pairs);
        QStringList args = options.split(' ', Qt::SkipEmptyParts);
        if (!args.contains("--config"))
            args << "--config"
                 << "empty";
        const int config = args.indexOf("--config") + 1;
        args[config] = args[config] == "y2" ? m_humidityOnY2 : m_noConfig;
        const auto r = tavtool(QStringList{"verify", m_file} + args);
        QVERIFY(r.out.endsWith('\n') && r.out.count('\n') == 1);
        QJsonParseError error;
        const QJsonObject o = QJsonDocument::fromJson(r.out, &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);

        ToleranceTiming timing;
        const auto option = [&args](const char* name, double otherwise) {
            const int i = args.indexOf(name);
            return i < 0 ? otherwise : args[i + 1].toDouble();
        };
        timing.dwell = option("--dwell", 600);
        timing.minHold = option("--min-hold", 300);
        SortedTavData set;
        QCOMPARE(set.readTavData(m_file), 0);
        QJsonArray want;
        bool pass = true;
        for (const QString& p : pairs.split(',')) {
            const QStringList parts = p.split(QRegularExpression("[>:]"));
            TolerancePair pair{
                parts[0].toInt(), parts[1].toInt(), {parts[2].toDouble(), parts[3].toDouble()}};
            want.append(expected(set, pair, timing));
            pass = pass && want.last()["pass"].toBool();
        }
        const QJsonObject wantFile{{"file", m_file},
                                   {"dwell", timing.dwell},
                                   {"minHold", timing.minHold},
                                   {"pass", pass},
                                   {"pairs", want}};
        const QString why = difference(o, wantFile, "line");
        QVERIFY2(why.isEmpty(), qPrintable(why));
        QCOMPARE(r.code, pass ? 0 : 3);
    }

    // The profile holds its setpoints: the defaults pass, a zero band fails. Checked here
    // by what a reader of the recording knows, not by the check's own figures.
    void verdictOfTheProfile()
    {
        const auto passing = tavtool({"verify", m_file, "--config", m_noConfig});
        QCOMPARE(passing.code, 0);
        const QJsonObject o = QJsonDocument::fromJson(passing.out).object();
        const QJsonArray holds = o["pairs"][0]["holds"].toArray();
        QCOMPARE(holds.size(), 2);
        QCOMPARE(holds[0]["from"].toDouble(), double(T0));
        QCOMPARE(holds[0]["to"].toDouble(), double(T0 + 29 * 60));
        QCOMPARE(holds[1]["setpoint"].toDouble(), 85.0);
        QCOMPARE(holds[1]["to"].toDouble(), double(T0 + 99 * 60));
        const QJsonObject ramp = o["pairs"][0]["ramps"][0].toObject();
        QCOMPARE(ramp["programmedRate"].toDouble(), 60.0 / 10); // 60 K in ten minutes
        QCOMPARE(tavtool({"verify", m_file, "--pair", "温度=温度设定:0"}).code, 3);
    }

    // Exit codes and their messages; a usage error prints no verdict, not even for the
    // files before it.
    void exitCodes_data()
    {
        QTest::addColumn<QStringList>("args"); // files by their member names
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("lines");
        QTest::addColumn<QString>("message");
        const QString missing = "absent.tavdata";
        QTest::newRow("pass") << QStringList{"file"} << 0 << 1 << "";
        QTest::newRow("PV/SV names") << QStringList{"pv"} << 0 << 1 << "";
        QTest::newRow("two files") << QStringList{"file", "pv"} << 0 << 2 << "";
        QTest::newRow("fails") << QStringList{"file", "--pair", "湿度=湿度设定值:0"} << 3 << 1
                               << "";
        QTest::newRow("setpoint missing throughout") << QStringList{"noSetpoint"} << 3 << 1 << "";
        QTest::newRow("unreadable file") << QStringList{"file", missing} << 1 << 1 << "cannot read";
        QTest::newRow("no pair found") << QStringList{"unpaired"} << 2 << 0 << "no pair found";
        QTest::newRow("no pair in a later file")
            << QStringList{"file", "unpaired"} << 2 << 0 << "no pair found";
        QTest::newRow("unknown variable")
            << QStringList{"file", "--pair", "温度=温度目标"} << 2 << 0 << "no variable '温度目标'";
        QTest::newRow("index past the last")
            << QStringList{"file", "--pair", "4=1"} << 2 << 0 << "no variable '4'";
        QTest::newRow("negative band")
            << QStringList{"file", "--pair", "温度=温度设定:-1"} << 2 << 0 << "band";
        QTest::newRow("non-numeric band")
            << QStringList{"file", "--pair", "温度=温度设定:1:x"} << 2 << 0 << "band";
        QTest::newRow("pair without setpoint")
            << QStringList{"file", "--pair", "温度"} << 2 << 0 << "MEASURED=SETPOINT";
        QTest::newRow("negative dwell")
            << QStringList{"file", "--dwell", "-1"} << 2 << 0 << "--dwell";
        QTest::newRow("non-numeric minimum hold")
            << QStringList{"file", "--min-hold", "5m"} << 2 << 0 << "--min-hold";
        QTest::newRow("no configuration file")
            << QStringList{"file", "--config", missing} << 2 << 0 << "configuration";
        QTest::newRow("no file") << QStringList{"--dwell", "10"} << 2 << 0 << "needs FILE";
    }

    void exitCodes()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(int, lines);
        QFETCH(QString, message);
        const QMap<QString, QString> files = {
            {"file", m_file}, {"pv", m_pv}, {"unpaired", m_unpaired}, {"noSetpoint", m_noSetpoint}};
        for (QString& a : args)
            a = files.value(a, a.endsWith(".tavdata") ? m_dir.filePath(a) : a);
        if (!args.contains("--config"))
            args << "--config" << m_noConfig;
        const auto r = tavtool(QStringList{"verify"} + args);
        QCOMPARE(r.code, code);
        QCOMPARE(r.out.count('\n'), lines);
        for (const QByteArray& line : r.out.split('\n')) {
            if (!line.isEmpty())
                QVERIFY(QJsonDocument::fromJson(line).isObject());
        }
        const QString err = QString::fromLocal8Bit(r.err);
        if (message.isEmpty()) {
            QVERIFY2(err.isEmpty(), qPrintable(err));
        } else {
            QCOMPARE(err.count('\n'), 1);
            QVERIFY2(err.startsWith("tavtool: ") && err.contains(message), qPrintable(err));
        }
    }

    // The band over the hold is a tint of the measured curve's colour on its axis, the
    // excursion a red stripe over the plot's height; without --tolerance both places are
    // the plain background. Points in solid areas: between the band's edge and the curve,
    // and below the band in the middle of the excursion.
    void renderShading()
    {
        const QString file = m_dir.filePath("excursion.tavdata");
        QVERIFY(excursionRecording().save(file));
        SortedTavData set;
        QCOMPARE(set.readTavData(file), 0);
        const ToleranceResult r = TolerancePairs::check(set, {0, 1, {2, 2}}, {});
        QCOMPARE(r.holds.size(), 1);
        QCOMPARE(r.holds[0].excursions.size(), 1);
        const ToleranceExcursion e = r.holds[0].excursions[0];

        const QString ini = TestUtil::writeFile(m_dir.filePath("shading.ini"), ShadingIni);
        const QString plain = m_dir.filePath("plain.png");
        const QString banded = m_dir.filePath("banded.png");
        QCOMPARE(tavtool({"render", file, plain, "--config", ini}).code, 0);
        QCOMPARE(tavtool({"render", file, banded, "--config", ini, "--tolerance"}).code, 0);
        const QImage without(plain);
        const QImage with(banded);
        QCOMPARE(with.size(), QSize(1280, 720));

        // The canvas's margins at 1280x720; the X range is the whole recording.
        const int left = 50, right = 1230, top = 53, bottom = 670;
        const qint64 first = T0, last = T0 + 119 * 60;
        const auto x = [&](qint64 t) {
            return left + int((t - first) * (right - left) / (last - first));
        };
        const auto y = [&](double v) { return bottom - int((v - 40) / 20 * (bottom - top)); };
        const QColor curve("#1f77b4");
        const QPoint inBand(x(T0 + 30 * 60), y(51.2));
        const QPoint inExcursion(x((e.from + e.to) / 2), y(44));
        for (int dx = -2; dx <= 2; ++dx) {
            for (int dy = -2; dy <= 2; ++dy) {
                const QPoint d(dx, dy);
                const QRgb band = with.pixel(inBand + d);
                const QRgb stripe = with.pixel(inExcursion + d);
                QVERIFY2(isTintOf(band, curve), qPrintable(QColor(band).name()));
                QVERIFY2(isReddish(stripe), qPrintable(QColor(stripe).name()));
                QCOMPARE(without.pixel(inBand + d), qRgb(255, 255, 255));
                QCOMPARE(without.pixel(inExcursion + d), qRgb(255, 255, 255));
            }
        }
        // Above the band, away from the excursion, nothing is shaded.
        QCOMPARE(with.pixel(x(T0 + 30 * 60), y(55)), qRgb(255, 255, 255));
    }

    // The tolerance options of verify, taken by render and report as well (the parser's own
    // errors are verify's rows above): wiring, a lookup error, and render's own rules.
    void toleranceOptions_data()
    {
        QTest::addColumn<QStringList>("args"); // after FILE and OUT; "unpaired" swaps the file
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        for (const char* command : {"render", "report"}) {
            const QString c(command);
            const QStringList on = c == "render" ? QStringList{"--tolerance"} : QStringList{};
            QTest::newRow(qPrintable(c + ": automatic pairs")) << QStringList{c} + on << 0 << "";
            QTest::newRow(qPrintable(c + ": pair by name"))
                << QStringList{c, "--pair", "温度=温度设定:1:0.5", "--dwell", "60"} + on << 0 << "";
            QTest::newRow(qPrintable(c + ": unknown variable"))
                << QStringList{c, "--pair", "温度=温度目标"} + on << 2
                << "has no variable '温度目标'";
        }
        QTest::newRow("render: no pair found")
            << QStringList{"render", "unpaired", "--tolerance"} << 2 << "no pair found";
        QTest::newRow("render: pair options without --tolerance")
            << QStringList{"render", "--pair", "0=1"} << 2 << "--tolerance";
        QTest::newRow("report: no pair found is no error")
            << QStringList{"report", "unpaired"} << 0 << "";
    }

    void toleranceOptions()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, message);
        const QString command = args.takeFirst();
        const QString file = args.removeAll("unpaired") ? m_unpaired : m_file;
        const QString out = m_dir.filePath(command == "render" ? "options.png" : "options.pdf");
        QFile::remove(out);
        const auto r = tavtool(QStringList{command, file, out, "--config", m_noConfig} + args);
        QCOMPARE(r.code, code);
        QCOMPARE(QFileInfo::exists(out), code == 0);
        // Only tavtool's own lines: Qt's platform notes on stderr are no concern here.
        const QStringList err =
            QString::fromLocal8Bit(r.err).split('\n').filter(QRegularExpression("^tavtool: "));
        if (message.isEmpty()) {
            QVERIFY2(err.isEmpty(), qPrintable(err.join('\n')));
        } else {
            QCOMPARE(err.size(), 1);
            QVERIFY2(err[0].startsWith("tavtool: " + command + ": ") && err[0].contains(message),
                     qPrintable(err[0]));
        }
    }

    // The report's section: each pair's holds in order with the check's verdict, and the
    // overall verdict; no section without pairs.
    void reportSection_data()
    {
        QTest::addColumn<QString>("file"); // member name
        QTest::addColumn<QString>("options");
        QTest::addColumn<QString>("pairs"); // measured>setpoint:below:above, by index
        QTest::newRow("automatic pairs pass") << "file"
                                              << ""
                                              << "0>1:2:2,2>3:2:2";
        QTest::newRow("a zero band fails") << "file"
                                           << "--pair 湿度=湿度设定值 --pair 温度=温度设定:0"
                                           << "2>3:2:2,0>1:0:0";
        QTest::newRow("setpoint missing: no hold") << "noSetpoint"
                                                   << "--pair 温度=温度设定"
                                                   << "0>1:2:2";
        QTest::newRow("no pair: no section") << "unpaired"
                                             << ""
                                             << "";
    }

    void reportSection()
    {
        QFETCH(QString, file);
        QFETCH(QString, options);
        QFETCH(QString, pairs);
        const QMap<QString, QString> files = {
            {"file", m_file}, {"unpaired", m_unpaired}, {"noSetpoint", m_noSetpoint}};
        const QString pdf = m_dir.filePath("section.pdf");
        const auto r = tavtool(QStringList{"report", files[file], pdf, "--config", m_noConfig} +
                               options.split(' ', Qt::SkipEmptyParts));
        QCOMPARE(r.code, 0);
        const QString text = TestUtil::pdfText(pdf, true);
        if (text.isNull())
            QSKIP("pdftotext is not installed (poppler-utils): the text layer is not checked");
        if (pairs.isEmpty()) {
            QVERIFY(!text.contains("容差检查"));
            QVERIFY(!text.contains("合格"));
            return;
        }
        QStringList section = linesFrom(text.split('\n'), {"容差检查"});
        QVERIFY(!section.isEmpty());
        SortedTavData set;
        QCOMPARE(set.readTavData(files[file]), 0);
        bool pass = true;
        for (const QString& p : pairs.split(',')) {
            const QStringList parts = p.split(QRegularExpression("[>:]"));
            const TolerancePair pair{
                parts[0].toInt(), parts[1].toInt(), {parts[2].toDouble(), parts[3].toDouble()}};
            const ToleranceResult want = TolerancePairs::check(set, pair, {});
            pass = pass && want.pass;
            // The pair's heading names both variables and gives its verdict.
            section =
                linesFrom(section, {set.names[pair.measured], set.names[pair.setpoint], "合格"});
            QVERIFY2(!section.isEmpty(), qPrintable(set.names[pair.setpoint]));
            QCOMPARE(section[0].contains("不合格"), !want.pass);
            if (want.holds.isEmpty())
                QVERIFY(section.join('\n').contains("没有保持段"));
            for (const ToleranceHold& h : want.holds) {
                section = linesFrom(section.mid(1), {TestUtil::csvTime(h.from), "合格"});
                QVERIFY2(!section.isEmpty(), qPrintable(TestUtil::csvTime(h.from)));
                QVERIFY2(section[0].contains(TestUtil::csvTime(h.to)) &&
                             section[0].contains("合格"),
                         qPrintable(section[0]));
                QCOMPARE(section[0].contains("不合格"), !h.pass);
            }
        }
        const QStringList verdict = linesFrom(section, {"总结论"});
        QVERIFY(!verdict.isEmpty());
        QVERIFY2(verdict[0].contains(
                     QRegularExpression(pass ? "总结论：\\s*合格" : "总结论：\\s*不合格")),
                 qPrintable(verdict[0]));
    }
};

QTEST_GUILESS_MAIN(TestTavToolVerify)
#include "tst_tavtoolverify.moc"
