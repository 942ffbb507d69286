#include "registerfiletype.h"
#include "testutil.h"

#include <QtCore>
#include <QtGui>
#include <QtTest>

namespace DI = DesktopIntegration;

namespace {

// desktop-file-validate must pass path without a word of complaint.
#define VERIFY_VALID_ENTRY(path)                                                                   \
    if (QStandardPaths::findExecutable("desktop-file-validate").isEmpty())                         \
        QSKIP("desktop-file-validate is not installed");                                           \
    QProcess p;                                                                                    \
    p.start("desktop-file-validate", {path});                                                      \
    QVERIFY(p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit);                   \
    const QByteArray out = p.readAll() + p.readAllStandardError();                                 \
    QVERIFY2(p.exitCode() == 0 && out.isEmpty(), out.constData())

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

    // The risky parts of the registry script: the doubled backslashes and the quotes of
    // the open command, and the type's name in the code page the registry editor reads.
    void script()
    {
        QTextCodec* gbk = QTextCodec::codecForName("GBK");
        const QString text = gbk->toUnicode(registryScript("C:/Program Files/Ost", gbk));
        QVERIFY(text.contains("\\shell\\open\\Command]\n@=\"\\\"C:\\\\Program Files\\\\Ost\\\\"
                              "ostrel.exe\\\" \\\"%1\\\"\"\n"));
        QVERIFY(text.contains("@=\"TAV试验箱数据文件\"\n"));
    }

    // Each entry must also pass desktop-file-validate, which checks the Exec quoting.
    void execWord()
    {
        // clang-format off
        for (const auto& [program, word] : {std::pair<QString, QString>{"ostrel", "ostrel"},
                {"/opt/My Ost/ostrel", "\"/opt/My Ost/ostrel\""}, {"/opt/100%/ostrel", "/opt/100%%/ostrel"},
                {"/a\"b$c/ostrel", "\"/a\\\\\"b\\\\$c/ostrel\""}}) {
            // clang-format on
            QCOMPARE(DI::execWord(program), word);
            const QString entry =
                TestUtil::writeFile(home.filePath("check.desktop"), DI::desktopEntry(program));
            VERIFY_VALID_ENTRY(entry);
        }
    }

    void userRegistration()
    {
        QVERIFY2(result.ok, qPrintable(result.message));
        QCOMPARE(TestUtil::readFile(home.filePath("registry_tavData.reg")),
                 registryScript(QCoreApplication::applicationDirPath()));
        // The installed package ships the same texts the running program registers.
        const QString packaging = TestUtil::sourceDir() + "/packaging/";
        QCOMPARE(TestUtil::readFile(packaging + "ostrel.xml"), DI::mimePackage());
        QCOMPARE(TestUtil::readFile(packaging + "ostrel.desktop"), DI::desktopEntry("ostrel"));

        const QString icons = home.filePath("share/icons/hicolor/%1x%1/%2.png");
        const QString entry = home.filePath("share/applications/ostrel.desktop");
        QVERIFY(TestUtil::readFile(entry).contains(
            "\nExec=" + DI::execWord(QCoreApplication::applicationFilePath()).toUtf8() + " %f\n"));
        for (const QString icon : {"apps/ostrel", "mimetypes/application-x-tavdata"})
            for (const int n : {16, 48, 256})
                QCOMPARE(QImageReader(icons.arg(n).arg(icon)).size(), QSize(n, n));
        VERIFY_VALID_ENTRY(entry);
    }

    void registeredType_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("comment");
        QTest::newRow("zh_CN") << "zh_CN"
                               << "TAV试验箱数据文件";
        QTest::newRow("en_US") << "en_US"
                               << "TAV test chamber data file";
        QTest::newRow("de_DE") << "de_DE"
                               << "TAV test chamber data file";
    }

    // The type's name is the desktop's language's: Chinese for zh_CN, English otherwise.
    void registeredType()
    {
        QFETCH(QString, locale);
        QFETCH(QString, comment);
        // The MIME database names a type in the default locale's language.
        const QLocale before;
        QLocale::setDefault(QLocale(locale));
        for (const QString name : {"run.tavdata", "RUN 1.TAVDATA", "湿热试验.tavdata"}) {
            const QMimeType type =
                QMimeDatabase().mimeTypeForFile(name, QMimeDatabase::MatchExtension);
            QCOMPARE(QStringList({type.name(), type.comment(), type.iconName()}),
                     QStringList({"application/x-tavdata", comment, "application-x-tavdata"}));
        }
        QLocale::setDefault(before);
    }
};

QTEST_GUILESS_MAIN(TestRegistration)
#include "tst_registration.moc"
