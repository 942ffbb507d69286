// What a new user meets in the first minutes: a window without any settings draws the
// curves of the file it opens, saved settings are kept as they are, and a save says where
// it went or that it could not be made.
#include "curvepalette.h"
#include "ostrelviewer.h"
#include "tavwriter.h"
#include "tst_ostrelmodal.h"
#include "vyspin.h"
#include "vytabcurve.h"

#include <QtWidgets>

#include <cmath>
#include <unistd.h>

namespace {

const QString Sample = samplePath();

// One saved curve entry: name, shown, colour, weight.
struct Entry
{
    QString name;
    bool draw;
    QString colour;
    float weight = 1.0f;
};
using Entries = QList<Entry>;

QByteArray iniText(const Entries& entries)
{
    if (entries.isEmpty())
        return {};
    QByteArray text = "[CurveInfo]\n";
    for (int i = 0; i < entries.size(); ++i) {
        const QByteArray key = "CURVE\\" + QByteArray::number(i + 1) + "\\";
        const Entry& e = entries[i];
        text += key + "CurveName=" + e.name.toUtf8() + "\n" + key +
                "ToDraw=" + (e.draw ? "true" : "false") + "\n" + key +
                "CurveColor=" + e.colour.mid(1).toLatin1() + "\n" + key +
                "CurveWeight=" + QByteArray::number(e.weight) + "\n";
    }
    return text + "CURVE\\size=" + QByteArray::number(entries.size()) + "\n";
}

// Points the canvas of a window at these files and forgets what it read at start, as a
// window started with them would be.
void useSettings(TavDrawer* d, const QString& user, const QString& installed,
                 const QString& fallback)
{
    d->configPath = user;
    d->defaultConfigPath = installed;
    d->fallbackConfigPath = fallback;
    d->DarkMode = d->WaterMark = d->DrawB = d->showError = d->showSys = d->showUser = false;
    d->xSplCount = d->ySplCount = 0;
    d->upperLimits = {200.0f, 110.0f};
    d->lowerLimits = {-100.0f, -10.0f};
    d->loadConfig();
}

// Pixels inside the plot area near colour c (antialiased edges blend into the background).
int inkNear(const QImage& image, const TavDrawer& d, const QColor& c)
{
    int n = 0;
    for (int y = d.plotTop + 1; y < d.plotBottom; ++y) {
        for (int x = d.plotLeft + 1; x < d.plotRight; ++x) {
            const QColor p(image.pixel(x, y));
            n += std::abs(p.red() - c.red()) + std::abs(p.green() - c.green()) +
                     std::abs(p.blue() - c.blue()) <=
                 30;
        }
    }
    return n;
}

// Pixels inside the plot area of a strong colour: curve ink, as the background, grid, axes
// and verniers are grey.
int chromaticInk(const QImage& image, const TavDrawer& d)
{
    int n = 0;
    for (int y = d.plotTop + 1; y < d.plotBottom; ++y)
        for (int x = d.plotLeft + 1; x < d.plotRight; ++x)
            n += QColor(image.pixel(x, y)).hsvSaturation() >= 120;
    return n;
}

QImage canvasImage(TavDrawer* d)
{
    QImage image(d->size(), QImage::Format_RGB32);
    d->render(&image);
    return image;
}

// A folder no file can be created in. Root is not held back by permissions, so there it is
// a folder below a plain file.
QString unwritableFolder(const QTemporaryDir& tmp, const QString& name)
{
    if (::geteuid() != 0) {
        const QString dir = tmp.filePath(name);
        QDir().mkpath(dir);
        QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        return dir;
    }
    const QString file = tmp.filePath(name + ".file");
    TestUtil::writeFile(file, "not a folder");
    return file + "/folder";
}

int rowOf(const VyTabCurve* t, const QString& name)
{
    for (int r = 0; r < t->rowCount(); ++r)
        if (t->item(r, 1) && t->item(r, 1)->text() == name)
            return r;
    return -1;
}

} // namespace

Q_DECLARE_METATYPE(Entries)

class TestFirstRun : public QObject
{
    Q_OBJECT
    QTemporaryDir tmp;

    QString file(const QString& name) const { return tmp.filePath(name); }
    QString writeIni(const QString& name, const Entries& entries)
    {
        if (entries.isEmpty())
            return file(name); // no file at all
        return TestUtil::writeFile(file(name), iniText(entries));
    }

private slots:
    void initTestCase()
    {
        // A CSV whose names no setting knows ("Data[n]", or its own header names).
        QByteArray csv = "时间,Flow,Pressure,Level\n";
        for (int i = 0; i < 600; ++i)
            csv += TestUtil::csvTime(1719792000 + 60 * i) + "," +
                   QByteArray::number(40 + 30 * std::sin(i / 40.0)) + "," +
                   QByteArray::number(10 + i / 10.0) + "," +
                   QByteArray::number(-20 + 50 * std::cos(i / 25.0)) + "\n";
        QVERIFY(!TestUtil::writeFile(file("unknown.csv"), csv).isNull());
        // A recording of another chamber's variables.
        TavWriter w;
        QVector<quint32> stamps;
        QVector<QVector<qint32>> rows;
        for (int i = 0; i < 600; ++i) {
            stamps << 1700000000 + 30 * i;
            rows << QVector<qint32>{qint32(500 + 300 * std::sin(i / 30.0)), qint32(i * 2),
                                    qint32(-400 + i)};
        }
        w.historyBlock(4, {"Temp", "RH", "Flow"}, {10, 10, 10}, stamps, rows);
        QVERIFY(w.save(file("other.tavdata")));
    }

    void cleanupTestCase()
    {
        // The read-only folders, so that the temporary folder can go.
        QDirIterator it(tmp.path(), QDir::Dirs | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            QFile::setPermissions(it.next(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                 QFileDevice::ExeOwner);
    }

    void curvesOnOpen_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<Entries>("user");      // the user's own file; empty: none
        QTest::addColumn<Entries>("installed"); // installed with the program; empty: none
        QTest::addColumn<bool>("dark");
        const Entries other{{"Temp", true, "#00C000"}};
        const Entries kept{{"温度", false, "#00C000"}, {"湿度", true, "#0066CC"}};
        const QString csv = file("unknown.csv");
        const QString tav = file("other.tavdata");
        // clang-format off
        QTest::newRow("sample, no settings anywhere") << Sample << Entries() << Entries() << false;
        QTest::newRow("sample, no settings, dark") << Sample << Entries() << Entries() << true;
        QTest::newRow("CSV, no settings") << csv << Entries() << Entries() << false;
        QTest::newRow("other chamber, settings of the sample") << tav << kept << Entries() << false;
        QTest::newRow("sample, saved settings") << Sample << kept << Entries() << false;
        QTest::newRow("sample, installed default only") << Sample << Entries() << kept << true;
        QTest::newRow("sample, the user's file before the default") << Sample << other << kept << false;
        // clang-format on
    }

    // No setting knows any variable: every curve is drawn in its own palette colour.
    // Settings that know one: those apply and the rest stay hidden, as before.
    void curvesOnOpen()
    {
        QFETCH(QString, path);
        QFETCH(Entries, user);
        QFETCH(Entries, installed);
        QFETCH(bool, dark);
        const QString tag = QString::number(qHash(QTest::currentDataTag()));
        OstrelViewer v;
        useSettings(v.w.drawer, writeIni(tag + "user.ini", user),
                    writeIni(tag + "installed.ini", installed), file(tag + "fallback.ini"));
        v.w.drawer->DarkMode = dark;
        QVERIFY(v.show(1200, 800));
        QMetaObject::invokeMethod(&v.w, "startFile", Q_ARG(QString, path));
        QVERIFY(v.waitRead());
        QCOMPARE(v.reads.first().first().toString(), path);

        TavDrawer* d = v.w.drawer;
        const Entries& effective = user.isEmpty() ? installed : user;
        bool known = false;
        for (const CurveInfo& c : qAsConst(d->curveInfoList))
            for (const Entry& e : effective)
                known = known || e.name == c.CurveName;
        QVERIFY(d->curveInfoList.size() >= 3);
        const QImage image = canvasImage(d);
        int inkedColours = 0;
        for (int i = 0; i < d->curveInfoList.size(); ++i) {
            const CurveInfo& c = d->curveInfoList[i];
            bool draw = !known;
            QString colour = known ? "#000000" : CurvePalette::colour(i);
            for (const Entry& e : effective) {
                if (e.name == c.CurveName) {
                    draw = e.draw;
                    colour = e.colour;
                }
            }
            QCOMPARE(c.ToDraw, draw);
            QCOMPARE(QColor(c.CurveColor), QColor(colour));
            // The table shows what the canvas draws.
            const int row = rowOf(v.w.tabCurve, c.CurveName);
            QVERIFY(row >= 0);
            QCOMPARE(v.w.tabCurve->curveInfos().at(row).ToDraw, draw);
            // A hidden curve leaves no ink; a drawn one may lie under another.
            const int ink = inkNear(image, *d, QColor(colour));
            if (!draw && QColor(colour).hsvSaturation() >= 120)
                QVERIFY2(ink == 0, qPrintable(c.CurveName + ": " + QString::number(ink)));
            inkedColours += draw && ink > 50;
        }
        QVERIFY2(inkedColours >= (known ? 1 : 3), qPrintable(QString::number(inkedColours)));
        const int ink = chromaticInk(image, *d);
        QVERIFY2(ink > 500, qPrintable(QString::number(ink)));
    }

    void saveSaysWhere_data()
    {
        QTest::addColumn<bool>("ownWritable");
        QTest::addColumn<bool>("fallbackWritable");
        QTest::newRow("own folder") << true << true;
        QTest::newRow("own folder unwritable") << false << true;
        QTest::newRow("nothing writable") << false << false;
    }

    // A save lands in the user's file, else in the per-user folder, and says which; when
    // nothing can be written a box says so. What was saved is read by the next open.
    void saveSaysWhere()
    {
        QFETCH(bool, ownWritable);
        QFETCH(bool, fallbackWritable);
        const QString tag = QString::number(qHash(QTest::currentDataTag()));
        if (ownWritable)
            QVERIFY(QDir().mkpath(file(tag + "own")));
        const QString own = (ownWritable ? file(tag + "own") : unwritableFolder(tmp, tag + "own")) +
                            "/tav_drawer_config.ini";
        const QString fallback =
            (fallbackWritable ? file(tag + "user/ostrel") : unwritableFolder(tmp, tag + "user")) +
            "/tav_drawer_config.ini";
        ModalAnswerer answerer;
        OstrelViewer v;
        TavDrawer* d = v.w.drawer;
        useSettings(d, own, file("none.ini"), fallback);
        QMetaObject::invokeMethod(&v.w, "startFile", Q_ARG(QString, Sample));
        QVERIFY(v.waitRead());
        d->curveInfoList[1].ToDraw = false;
        d->curveInfoList[1].CurveColor = "#00c000";
        const QString before = v.w.statusLabel->text();
        QVERIFY(v.call("saveSettings"));

        const QString saved = ownWritable ? own : fallbackWritable ? fallback : QString();
        QCOMPARE(QFileInfo::exists(own), ownWritable);
        QCOMPARE(QFileInfo::exists(fallback), !ownWritable && fallbackWritable);
        if (saved.isEmpty()) {
            QTRY_COMPARE(answerer.boxTexts, QStringList{"设置保存失败，无法写入 " + own});
            QCOMPARE(v.w.statusLabel->text(), before);
            return;
        }
        QCOMPARE(v.w.statusLabel->text(),
                 ownWritable ? own + " 设置已保存" : own + " 无法写入，设置已保存到 " + fallback);
        QTest::qWait(20);
        QVERIFY(answerer.boxTexts.isEmpty());
        // The next read takes what was saved.
        v.reads.clear();
        QMetaObject::invokeMethod(&v.w, "startFile", Q_ARG(QString, Sample));
        QVERIFY(v.waitRead());
        QCOMPARE(d->curveInfoList[1].ToDraw, false);
        QCOMPARE(d->curveInfoList[1].CurveColor, QStringLiteral("#00c000"));
    }

    // Weights nobody touched go back to the file as they came, through the curve table and
    // the save button; the one the user changed takes the editor's value.
    void weightSurvivesSave()
    {
        const Entries saved{{"温度", true, "#E53935", 1.5f},
                            {"湿度", true, "#1E88E5", 1.25f},
                            {"湿度设定", true, "#64B5F6", 0.3f}};
        const QString ini = writeIni("weights.ini", saved);
        OstrelViewer v;
        useSettings(v.w.drawer, ini, file("none.ini"), file("weights-fallback.ini"));
        QMetaObject::invokeMethod(&v.w, "startFile", Q_ARG(QString, Sample));
        QVERIFY(v.waitRead());
        VyTabCurve* table = v.w.tabCurve;
        // An edit elsewhere reads the whole table back into the canvas.
        const int other = rowOf(table, "温度设定");
        QVERIFY(other >= 0);
        QVERIFY(table->cellWidget(other, 0)->setProperty("checked", true));
        QVERIFY(v.call("saveSettings"));
        const auto weights = [&] {
            QSettings s(ini, QSettings::IniFormat);
            s.setIniCodec("UTF-8");
            QMap<QString, QString> w;
            s.beginGroup("CurveInfo");
            const int n = s.beginReadArray("CURVE");
            for (int i = 0; i < n; ++i) {
                s.setArrayIndex(i);
                w[s.value("CurveName").toString()] = s.value("CurveWeight").toString();
            }
            return w;
        };
        QMap<QString, QString> got = weights();
        for (const Entry& e : saved)
            QCOMPARE(got.value(e.name), QString::number(e.weight)); // as the file had it

        auto* spin = qobject_cast<VySpin*>(table->cellWidget(rowOf(table, "湿度"), 3));
        QVERIFY(spin);
        spin->setValue(2.3); // as typed by the user
        QVERIFY(v.call("saveSettings"));
        got = weights();
        QCOMPARE(got.value("湿度"), QStringLiteral("2.3"));
        QCOMPARE(got.value("温度"), QStringLiteral("1.5"));
    }
};

QTEST_MAIN(TestFirstRun)
#include "tst_firstrun.moc"
