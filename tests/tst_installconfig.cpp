#include "tavconfigpath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

// Where the settings go for a program whose folder cannot be written (installed under /usr).
class TestInstallConfig : public QObject
{
    Q_OBJECT
private slots:
    void location_data();
    void location();
    void readsInstalledDefault_data();
    void readsInstalledDefault();

private:
    QTemporaryDir tmp;
};

void TestInstallConfig::location_data()
{
    QStandardPaths::setTestModeEnabled(true); // keeps the real home folder out of it
    QTest::addColumn<QString>("appDir");
    QTest::addColumn<bool>("beside");
    QTest::newRow("portable folder") << tmp.path() << true;
    QTest::newRow("missing folder") << tmp.filePath("nowhere") << false;
    QTest::newRow("read-only folder") << "/proc/self" << false;
}

void TestInstallConfig::location()
{
    QFETCH(QString, appDir);
    QFETCH(bool, beside);
    const QString userDir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir(userDir).removeRecursively();
    QCOMPARE(TavConfigPath::isWritableDir(appDir), beside);
    const QString expected = QDir(beside ? appDir : userDir).filePath("tav_drawer_config.ini");
    QCOMPARE(TavConfigPath::filePath(appDir), expected);
    // Only the fallback creates its folder, so that the first save has somewhere to go.
    QCOMPARE(QDir(userDir).exists(), !beside);
}

void TestInstallConfig::readsInstalledDefault_data()
{
    QTest::addColumn<QString>("prefix"); // where the package was unpacked
    QTest::addColumn<bool>("userHasFile");
    QTest::newRow("installed, user has none") << "usr" << false;
    QTest::newRow("installed, user has saved") << "usr" << true;
    QTest::newRow("relocated, user has none") << "opt/elsewhere" << false;
}

// The installed default is found from the program's own folder wherever the package went,
// and read only while the user has no file of their own.
void TestInstallConfig::readsInstalledDefault()
{
    QFETCH(QString, prefix);
    QFETCH(bool, userHasFile);
    QTemporaryDir root;
    const QString bin = root.filePath(prefix + "/bin");
    const QString share = root.filePath(prefix + "/share/ostrel");
    QVERIFY(QDir().mkpath(bin) && QDir().mkpath(share));
    const QString installed = share + "/tav_drawer_config.ini";
    QVERIFY(QFile(installed).open(QIODevice::WriteOnly));
    QCOMPARE(QFileInfo(TavConfigPath::installedFilePath(bin)), QFileInfo(installed));

    const QString userDir = root.filePath("home/.config/ostrel");
    const QString user = TavConfigPath::userFilePath(userDir);
    QVERIFY(QDir().mkpath(userDir));
    if (userHasFile)
        QVERIFY(QFile(user).open(QIODevice::WriteOnly));
    const QString read = TavConfigPath::readPath(user, TavConfigPath::installedFilePath(bin));
    QCOMPARE(QFileInfo(read), QFileInfo(userHasFile ? user : installed));
    // Saving goes to the user's file, whatever was read.
    QCOMPARE(TavConfigPath::filePath(bin, false, userDir), user);
}

QTEST_GUILESS_MAIN(TestInstallConfig)
#include "tst_installconfig.moc"
