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

// What desktop-file-validate says about path: empty when it passes.
QString validationErrors(const QString& path)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start("desktop-file-validate", {path});
    const bool ran = p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit;
    const QString out = QString::fromLocal8Bit(p.readAll());
    return ran && p.exitCode() == 0 ? out : out + " (failed)";
}

#define VERIFY_VALID_ENTRY(path)                                                                   \
    if (QStandardPaths::findExecutable("desktop-file-validate").isEmpty())                         \
        QSKIP("desktop-file-validate is not installed");                                           \
    const QString errors = validationErrors(path);                                                 \
    QVERIFY2(errors.isEmpty(), qPrintable(errors))

} // namespace

class TestRegistration : public QObject
{
    Q_OBJECT
    QTemporaryDir home;
    FileTypeRegistration result;

private slots:
    void initTestCase()
    {
        // Before the first QMimeDatabase, which reads the XDG folders when it is first used.
        qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath("share")));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath("config")));
        QVERIFY(QDir::setCurrent(home.path()));
        result = registerFileType();
    }

    void script_data()
    {
        QTest::addColumn<QString>("appDir");
        QTest::addColumn<QByteArray>("codec");
        QTest::addColumn<QString>("folder"); // as the script must write it
        QTest::newRow("blank, GBK")
            << "C:/Program Files/Ost" << QByteArray("GBK") << "C:\\\\Program Files\\\\Ost\\\\";
        QTest::newRow("backslashes, UTF-8")
            << "C:\\Apps\\Ost" << QByteArray("UTF-8") << "C:\\\\Apps\\\\Ost\\\\";
    }

    void script()
    {
        QFETCH(QString, appDir);
        QFETCH(QByteArray, codec);
        QFETCH(QString, folder);
        const QString text =
            QString("REGEDIT4\n\n[-HKEY_CLASSES_ROOT\\.tavdata]\n\n"
                    "REGEDIT4\n\n[-HKEY_CLASSES_ROOT\\TAV.ChamberData]\n\n"
                    "REGEDIT4\n\n[HKEY_CLASSES_ROOT\\.tavdata]\n"
                    "@=\"TAV.ChamberData\"\n\n"
                    "REGEDIT4\n\n[HKEY_CLASSES_ROOT\\TAV.ChamberData]\n"
                    "@=\"TAV试验箱数据文件\"\n\n"
                    "REGEDIT4\n\n[HKEY_CLASSES_ROOT\\TAV.ChamberData\\DefaultIcon]\n"
                    "@=\"%1tavdata.ico\"\n\n"
                    "REGEDIT4\n\n[HKEY_CLASSES_ROOT\\TAV.ChamberData\\shell\\open\\"
                    "Command]\n@=\"\\\"%1ostrel.exe\\\" \\\"%2\\\"\"\n\n")
                .arg(folder, "%1");
        QTextCodec* c = QTextCodec::codecForName(codec);
        QCOMPARE(registryScript(appDir, c), c->fromUnicode(text));
    }

    // Each entry must also pass desktop-file-validate, which checks the Exec quoting.
    void execWord_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("word");
        // clang-format off
        QTest::newRow("installed") << "ostrel" << "ostrel";
        QTest::newRow("blank") << "/opt/My Ost/ostrel" << "\"/opt/My Ost/ostrel\"";
        QTest::newRow("percent") << "/opt/100%/ostrel" << "/opt/100%%/ostrel";
        QTest::newRow("quote, dollar") << "/a\"b$c/ostrel" << "\"/a\\\\\"b\\\\$c/ostrel\"";
        QTest::newRow("backslash") << "/a\\b/ostrel" << "\"/a\\\\\\\\b/ostrel\"";
        // clang-format on
    }

    void execWord()
    {
        QFETCH(QString, program);
        QFETCH(QString, word);
        QCOMPARE(DI::execWord(program), word);
        QTemporaryDir dir;
        QFile f(dir.filePath("ostrel.desktop"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(DI::desktopEntry(program));
        f.close();
        VERIFY_VALID_ENTRY(f.fileName());
    }

    void userRegistration()
    {
        QVERIFY2(result.ok, qPrintable(result.message));
        QCOMPARE(readAll(home.filePath("registry_tavData.reg")),
                 registryScript(QCoreApplication::applicationDirPath()));
        // The installed package ships the same texts the running program registers.
        const QString packaging = TestUtil::sourceDir() + "/packaging/";
        QCOMPARE(readAll(packaging + "ostrel.xml"), DI::mimePackage());
        QCOMPARE(readAll(packaging + "ostrel.desktop"), DI::desktopEntry("ostrel"));

        const QString share = home.filePath("share");
        const QString entry = share + "/applications/ostrel.desktop";
        const QString exec = DI::execWord(QCoreApplication::applicationFilePath());
        QVERIFY(readAll(entry).contains("\nExec=" + exec.toUtf8() + " %f\n"));
        for (const QString icon : {"apps/ostrel", "mimetypes/application-x-tavdata"})
            for (const int n : {16, 48, 256})
                QCOMPARE(QImageReader(
                             QString("%1/icons/hicolor/%2x%2/%3.png").arg(share).arg(n).arg(icon))
                             .size(),
                         QSize(n, n));
        VERIFY_VALID_ENTRY(entry);
    }

    void registeredType()
    {
        const QMimeDatabase db;
        for (const QString name : {"run.tavdata", "RUN 1.TAVDATA", "湿热试验.tavdata"}) {
            const QMimeType type = db.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
            QCOMPARE(type.name(), QString("application/x-tavdata"));
            QCOMPARE(type.comment(), QString("TAV试验箱数据文件"));
            QCOMPARE(type.iconName(), QString("application-x-tavdata"));
        }
        QVERIFY(db.mimeTypeForFile("run.tavdata.csv", QMimeDatabase::MatchExtension).name() !=
                "application/x-tavdata");
    }
};

QTEST_GUILESS_MAIN(TestRegistration)
#include "tst_registration.moc"
