#include "plotconfig.h"
#include "tavconfigpath.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

// The settings file of a program whose folder cannot be written (installed under /usr).
class TestInstallConfig : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void decision_data();
    void decision();
    void writable_data();
    void writable();
    void saveInFallbackSurvives();

private:
    QTemporaryDir tmp;
};

void TestInstallConfig::initTestCase()
{
    // Keeps AppConfigLocation away from the real home folder.
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(tmp.isValid());
}

void TestInstallConfig::decision_data()
{
    QTest::addColumn<QString>("appDir");
    QTest::addColumn<bool>("writable");
    QTest::addColumn<bool>("beside");
    QTest::newRow("portable folder") << tmp.filePath("portable") << true << true;
    QTest::newRow("read-only folder") << tmp.filePath("usr/bin") << false << false;
}

void TestInstallConfig::decision()
{
    QFETCH(QString, appDir);
    QFETCH(bool, writable);
    QFETCH(bool, beside);
    const QString userDir = tmp.filePath(QStringLiteral("user/config/ostrel"));
    QDir().mkpath(appDir);
    QDir(userDir).removeRecursively();
    const QString path = TavConfigPath::filePath(appDir, writable, userDir);
    QCOMPARE(QFileInfo(path).fileName(), QStringLiteral("tav_drawer_config.ini"));
    QCOMPARE(QFileInfo(path).absolutePath(), beside ? appDir : userDir);
    // Only the fallback creates its folder; a portable program leaves the user folder alone.
    QCOMPARE(QFileInfo(userDir).isDir(), !beside);
}

void TestInstallConfig::writable_data()
{
    QTest::addColumn<QString>("dir");
    QTest::addColumn<bool>("writable");
    QTest::newRow("temporary folder") << tmp.path() << true;
    QTest::newRow("missing folder") << tmp.filePath("nowhere") << false;
    QTest::newRow("kernel process folder") << "/proc/self" << false;
}

void TestInstallConfig::writable()
{
    QFETCH(QString, dir);
    QFETCH(bool, writable);
    QCOMPARE(TavConfigPath::isWritableDir(dir), writable);
    const QString userFile =
        QDir(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation))
            .filePath(TavConfigPath::fileName());
    const QString expected = writable ? QDir(dir).filePath(TavConfigPath::fileName()) : userFile;
    QCOMPARE(TavConfigPath::filePath(dir), expected);
}

void TestInstallConfig::saveInFallbackSurvives()
{
    const QString userDir = tmp.filePath(QStringLiteral("fresh/deeper/ostrel"));
    const QString path = TavConfigPath::filePath(tmp.filePath("ro"), false, userDir);
    PlotViewSettings saved;
    saved.DarkMode = true;
    saved.xSplCount = 7;
    saved.upperLimits = {50.0f, 90.0f};
    saved.lowerLimits = {-20.0f, 10.0f};
    PlotConfig::write(path, saved, {});
    PlotViewSettings read;
    PlotConfig::readView(path, read);
    QCOMPARE(read.DarkMode, true);
    QCOMPARE(read.xSplCount, 7);
    QCOMPARE(read.upperLimits, saved.upperLimits);
}

QTEST_GUILESS_MAIN(TestInstallConfig)
#include "tst_installconfig.moc"
