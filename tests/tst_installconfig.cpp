#include "tavconfigpath.h"

#include <QDir>
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

QTEST_GUILESS_MAIN(TestInstallConfig)
#include "tst_installconfig.moc"
