#include "registerfiletype.h"
#include "testutil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

// cmake --install of this build tree into a DESTDIR, as the Debian package is made.
class TestInstall : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void programs_data();
    void programs();
    void sameAsSource_data();
    void sameAsSource();
    void icons_data();
    void icons();
    void desktopEntry();

private:
    QString installed(const QString& relative) const { return root + QLatin1Char('/') + relative; }
    QTemporaryDir dest;
    QString root;
};

void TestInstall::initTestCase()
{
    QVERIFY(dest.isValid());
    root = dest.filePath(QStringLiteral("usr"));
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DESTDIR"), dest.path());
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral(OSTREL_CMAKE_COMMAND),
            {QStringLiteral("--install"), QStringLiteral(OSTREL_BUILD_DIR),
             QStringLiteral("--prefix"), QStringLiteral("/usr")});
    QVERIFY(p.waitForFinished(120000));
    QVERIFY2(p.exitCode() == 0, p.readAll().constData());
}

void TestInstall::programs_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("viewer") << "bin/ostrel";
    QTest::newRow("command line tool") << "bin/tavtool";
}

void TestInstall::programs()
{
    QFETCH(QString, path);
    const QFileInfo info(installed(path));
    QVERIFY2(info.isFile(), qPrintable(info.filePath()));
    QVERIFY(info.permission(QFile::ExeOther));
}

void TestInstall::sameAsSource_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("source");
    QTest::newRow("sample recording") << "share/ostrel/sample.tavdata"
                                      << "samples/sample.tavdata";
    QTest::newRow("mime package") << "share/mime/packages/ostrel.xml"
                                  << "packaging/ostrel.xml";
    QTest::newRow("scalable logo") << "share/icons/hicolor/scalable/apps/ostrel.svg"
                                   << "resources/src/app/logo.svg";
    QTest::newRow("scalable type icon")
        << "share/icons/hicolor/scalable/mimetypes/application-x-tavdata.svg"
        << "resources/src/app/tavdata.svg";
}

void TestInstall::sameAsSource()
{
    QFETCH(QString, path);
    QFETCH(QString, source);
    const QByteArray bytes = readAll(installed(path));
    QVERIFY2(!bytes.isEmpty(), qPrintable(path));
    QCOMPARE(bytes, readAll(TestUtil::sourceDir() + QLatin1Char('/') + source));
}

void TestInstall::icons_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("name");
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        QTest::addRow("app %d", size) << size << "apps/" + DesktopIntegration::appIconName();
        QTest::addRow("type %d", size) << size << "mimetypes/" + DesktopIntegration::mimeIconName();
    }
}

void TestInstall::icons()
{
    QFETCH(int, size);
    QFETCH(QString, name);
    const QString path =
        installed(QStringLiteral("share/icons/hicolor/%1x%1/").arg(size) + name + ".png");
    QImageReader reader(path);
    QCOMPARE(reader.format(), QByteArray("png"));
    QCOMPARE(reader.size(), QSize(size, size));
}

void TestInstall::desktopEntry()
{
    const QString path = installed(QStringLiteral("share/applications/ostrel.desktop"));
    QSettings entry(path, QSettings::IniFormat);
    entry.beginGroup(QStringLiteral("Desktop Entry"));
    // The entry must start a program that the package installs, on a name it installs.
    QCOMPARE(entry.value("Exec").toString(), QStringLiteral("ostrel %f"));
    QVERIFY(QFileInfo(installed(QStringLiteral("bin/ostrel"))).isFile());
    QVERIFY(QFileInfo(installed("share/icons/hicolor/48x48/apps/" + entry.value("Icon").toString() +
                                ".png"))
                .isFile());
    QVERIFY(readAll(path).contains("\nMimeType=application/x-tavdata;\n"));
    if (QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate")).isEmpty())
        QSKIP("desktop-file-validate is not installed");
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("desktop-file-validate"), {path});
    QVERIFY(p.waitForFinished(30000));
    const QByteArray out = p.readAll();
    QVERIFY2(p.exitCode() == 0 && out.isEmpty(), out.constData());
}

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
