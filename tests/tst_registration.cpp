#include "registerfiletype.h"
#include "testutil.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

namespace DI = DesktopIntegration;

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Runs desktop-file-validate on path; empty when it passes, else what it printed.
QString validationErrors(const QString& path)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("desktop-file-validate"), {path});
    if (!p.waitForFinished(30000))
        return QStringLiteral("desktop-file-validate did not finish");
    const QString out = QString::fromLocal8Bit(p.readAll());
    return p.exitCode() == 0 && out.isEmpty()
               ? QString()
               : out + QStringLiteral("(rc ") + QString::number(p.exitCode()) + QLatin1Char(')');
}

} // namespace

class TestRegistration : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void script_data();
    void script();
    void execWord_data();
    void execWord();
    void packagedFilesMatchGenerated();
    void userRegistration();
    void registeredType_data();
    void registeredType();

private:
    QTemporaryDir home;
    QTemporaryDir workDir;
    QString previousCwd;
    FileTypeRegistration result;
};

void TestRegistration::initTestCase()
{
    QVERIFY(home.isValid() && workDir.isValid());
    // Before the first QMimeDatabase: it reads the XDG folders when it is first used.
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("share"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    QVERIFY(QDir::setCurrent(workDir.path()));
    result = registerFileType();
}

void TestRegistration::script_data()
{
    QTest::addColumn<QString>("appDir");
    QTest::addColumn<QByteArray>("codecName");
    QTest::addColumn<QString>("icon");
    QTest::addColumn<QString>("program");
    const QString blank = QStringLiteral("C:\\\\Program Files\\\\Ost\\\\");
    QTest::newRow("blank, GBK") << "C:/Program Files/Ost" << QByteArray("GBK")
                                << blank + "tavdata.ico" << blank + "ostrel.exe";
    QTest::newRow("blank, UTF-8") << "C:/Program Files/Ost" << QByteArray("UTF-8")
                                  << blank + "tavdata.ico" << blank + "ostrel.exe";
    QTest::newRow("backslashes in")
        << "C:\\Apps\\Ost" << QByteArray("GBK") << "C:\\\\Apps\\\\Ost\\\\tavdata.ico"
        << "C:\\\\Apps\\\\Ost\\\\ostrel.exe";
    QTest::newRow("posix folder") << "/opt/my ost" << QByteArray("UTF-8")
                                  << "\\\\opt\\\\my ost\\\\tavdata.ico"
                                  << "\\\\opt\\\\my ost\\\\ostrel.exe";
}

void TestRegistration::script()
{
    QFETCH(QString, appDir);
    QFETCH(QByteArray, codecName);
    QFETCH(QString, icon);
    QFETCH(QString, program);
    QTextCodec* codec = QTextCodec::codecForName(codecName);
    QVERIFY(codec);
    const QString text =
        QStringLiteral("REGEDIT4\n\n[-HKEY_CLASSES_ROOT\\.tavdata]\n\n"
                       "REGEDIT4\n\n[-HKEY_CLASSES_ROOT\\TAV.ChamberData]\n\n"
                       "REGEDIT4\n\n[HKEY_CLASSES_ROOT\\.tavdata]\n"
                       "@=\"TAV.ChamberData\"\n\n"
                       "REGEDIT4\n\n[HKEY_CLASSES_ROOT\\TAV.ChamberData]\n"
                       "@=\"TAV试验箱数据文件\"\n\n"
                       "REGEDIT4\n\n[HKEY_CLASSES_ROOT\\TAV.ChamberData\\DefaultIcon]\n"
                       "@=\"%1\"\n\n"
                       "REGEDIT4\n\n"
                       "[HKEY_CLASSES_ROOT\\TAV.ChamberData\\shell\\open\\Command]\n"
                       "@=\"\\\"%2\\\" \\\"%3\\\"\"\n\n")
            .arg(icon, program, QStringLiteral("%1"));
    const QByteArray script = registryScript(appDir, codec);
    QCOMPARE(script, codec->fromUnicode(text));
    QCOMPARE(script.count('\n'), 28);
}

void TestRegistration::execWord_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("word");
    QTest::newRow("plain") << "/usr/bin/ostrel"
                           << "/usr/bin/ostrel";
    QTest::newRow("blank") << "/opt/My Ost/ostrel"
                           << "\"/opt/My Ost/ostrel\"";
    QTest::newRow("percent") << "/opt/100%/ostrel"
                             << "/opt/100%%/ostrel";
    QTest::newRow("quote and dollar") << "/opt/a\"b$c/ostrel"
                                      << "\"/opt/a\\\\\"b\\\\$c/ostrel\"";
    QTest::newRow("backslash") << "/opt/a\\b/ostrel"
                               << "\"/opt/a\\\\\\\\b/ostrel\"";
    QTest::newRow("chinese and blank") << "/home/用户 一/ostrel"
                                       << "\"/home/用户 一/ostrel\"";
}

void TestRegistration::execWord()
{
    QFETCH(QString, program);
    QFETCH(QString, word);
    QCOMPARE(DI::execWord(program), word);
    if (QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate")).isEmpty())
        QSKIP("desktop-file-validate is not installed");
    QTemporaryDir dir;
    const QString path = dir.filePath(DI::desktopFileName());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(DI::desktopEntry(program));
    f.close();
    QCOMPARE(validationErrors(path), QString());
}

void TestRegistration::packagedFilesMatchGenerated()
{
    const QDir packaging(TestUtil::sourceDir() + QStringLiteral("/packaging"));
    QCOMPARE(readAll(packaging.filePath(DI::mimePackageName())), DI::mimePackage());
    QCOMPARE(readAll(packaging.filePath(DI::desktopFileName())),
             DI::desktopEntry(QStringLiteral("ostrel")));
}

void TestRegistration::userRegistration()
{
    QVERIFY2(result.ok, qPrintable(result.message));
    QVERIFY(!result.message.isEmpty());
    QCOMPARE(readAll(workDir.filePath(QStringLiteral("registry_tavData.reg"))),
             registryScript(QCoreApplication::applicationDirPath()));

    const QString share = home.filePath(QStringLiteral("share"));
    const QString entry = share + QStringLiteral("/applications/ostrel.desktop");
    QVERIFY(readAll(entry).contains(
        "\nExec=" + DI::execWord(QCoreApplication::applicationFilePath()).toUtf8() + " %f\n"));
    if (!QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate")).isEmpty())
        QCOMPARE(validationErrors(entry), QString());
    if (!QStandardPaths::findExecutable(QStringLiteral("update-desktop-database")).isEmpty())
        QVERIFY(readAll(share + QStringLiteral("/applications/mimeinfo.cache"))
                    .contains("application/x-tavdata=ostrel.desktop;"));

    for (const int size : {16, 32, 48, 256}) {
        for (const QString& icon : {QStringLiteral("apps/ostrel.png"),
                                    QStringLiteral("mimetypes/application-x-tavdata.png")}) {
            const QString path =
                QStringLiteral("%1/icons/hicolor/%2x%2/").arg(share).arg(size) + icon;
            QCOMPARE(QImageReader(path).size(), QSize(size, size));
        }
    }
}

void TestRegistration::registeredType_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("isTav");
    QTest::newRow("lower case") << "run.tavdata" << true;
    QTest::newRow("upper case") << "RUN 1.TAVDATA" << true;
    QTest::newRow("chinese name") << "湿热试验.tavdata" << true;
    QTest::newRow("csv after it") << "run.tavdata.csv" << false;
    QTest::newRow("shorter suffix") << "run.tav" << false;
}

void TestRegistration::registeredType()
{
    QFETCH(QString, name);
    QFETCH(bool, isTav);
    if (QStandardPaths::findExecutable(QStringLiteral("update-mime-database")).isEmpty())
        QSKIP("update-mime-database is not installed");
    QMimeDatabase db;
    const QMimeType type = db.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
    QCOMPARE(type.name() == DI::mimeType(), isTav);
    if (isTav) {
        QCOMPARE(type.comment(), QStringLiteral("TAV试验箱数据文件"));
        QCOMPARE(type.iconName(), DI::mimeIconName());
    }
}

QTEST_GUILESS_MAIN(TestRegistration)
#include "tst_registration.moc"
