#include "testutil.h"

#include <QtCore>
#include <QtGui>
#include <QtTest>

static QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// cmake --install of this build tree into a DESTDIR, as the Debian package is made.
class TestInstall : public QObject
{
    Q_OBJECT
    QTemporaryDir dest;

private slots:
    void initTestCase()
    {
        QProcess p;
        p.setEnvironment(QProcess::systemEnvironment() << "DESTDIR=" + dest.path());
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
        for (const auto& [installed, source] : {std::pair{"share/ostrel/sample.tavdata", "samples/sample.tavdata"},
                 {"share/mime/packages/ostrel.xml", "packaging/ostrel.xml"},
                 {"share/applications/ostrel.desktop", "packaging/ostrel.desktop"},
                 {"share/icons/hicolor/scalable/mimetypes/application-x-tavdata.svg", "resources/src/app/tavdata.svg"}}) {
            // clang-format on
            const QByteArray expected = readAll(TestUtil::sourceDir() + '/' + source);
            QVERIFY2(!expected.isEmpty(), source);
            QCOMPARE(readAll(usr + installed), expected);
        }
        const QString icons = usr + "share/icons/hicolor/%1x%1/%2";
        for (const int n : {16, 22, 24, 32, 48, 64, 128, 256})
            for (const char* png : {"apps/ostrel.png", "mimetypes/application-x-tavdata.png"})
                QCOMPARE(QImageReader(icons.arg(n).arg(png)).size(), QSize(n, n));
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
