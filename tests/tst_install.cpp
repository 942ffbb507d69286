#include "testutil.h"

#include <QFile>
#include <QImageReader>
#include <QProcess>
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
    QTemporaryDir dest;

private slots:
    void initTestCase()
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DESTDIR", dest.path());
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(OSTREL_CMAKE_COMMAND, {"--install", OSTREL_BUILD_DIR, "--prefix", "/usr"});
        QVERIFY(p.waitForFinished(120000));
        QVERIFY2(p.exitCode() == 0, p.readAll().constData());
    }

    void files()
    {
        const QString usr = dest.filePath("usr/");
        for (const char* program : {"bin/ostrel", "bin/tavtool"})
            QVERIFY2(QFile::permissions(usr + program) & QFile::ExeOther, program);
        // clang-format off
        const QList<std::pair<const char*, const char*>> copies = {
            {"share/ostrel/sample.tavdata", "samples/sample.tavdata"},
            {"share/mime/packages/ostrel.xml", "packaging/ostrel.xml"},
            {"share/applications/ostrel.desktop", "packaging/ostrel.desktop"},
            {"share/icons/hicolor/scalable/mimetypes/application-x-tavdata.svg", "resources/src/app/tavdata.svg"}};
        // clang-format on
        for (const auto& [installed, source] : copies) {
            const QByteArray expected = readAll(TestUtil::sourceDir() + '/' + source);
            QVERIFY2(!expected.isEmpty(), source);
            QCOMPARE(readAll(usr + installed), expected);
        }
        for (const int n : {16, 22, 24, 32, 48, 64, 128, 256})
            for (const char* png : {"apps/ostrel.png", "mimetypes/application-x-tavdata.png"})
                QCOMPARE(
                    QImageReader(usr + QString("share/icons/hicolor/%1x%1/").arg(n) + png).size(),
                    QSize(n, n));
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
