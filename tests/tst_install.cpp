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
private slots:
    void initTestCase();
    void files_data();
    void files();

private:
    QTemporaryDir dest;
};

void TestInstall::initTestCase()
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

// source: the file the installed one must equal; "exec" for a program; "<n>" for an n x n PNG.
void TestInstall::files_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("source");
    QTest::newRow("viewer") << "bin/ostrel"
                            << "exec";
    QTest::newRow("tool") << "bin/tavtool"
                          << "exec";
    QTest::newRow("sample") << "share/ostrel/sample.tavdata"
                            << "samples/sample.tavdata";
    QTest::newRow("mime") << "share/mime/packages/ostrel.xml"
                          << "packaging/ostrel.xml";
    QTest::newRow("entry") << "share/applications/ostrel.desktop"
                           << "packaging/ostrel.desktop";
    QTest::newRow("svg") << "share/icons/hicolor/scalable/mimetypes/application-x-tavdata.svg"
                         << "resources/src/app/tavdata.svg";
    for (const int n : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString dir = QStringLiteral("share/icons/hicolor/%1x%1/").arg(n);
        QTest::addRow("app %d", n) << dir + "apps/ostrel.png" << QString::number(n);
        QTest::addRow("type %d", n)
            << dir + "mimetypes/application-x-tavdata.png" << QString::number(n);
    }
}

void TestInstall::files()
{
    QFETCH(QString, path);
    QFETCH(QString, source);
    const QString file = dest.filePath("usr/" + path);
    bool isSize = false;
    const int n = source.toInt(&isSize);
    if (source == "exec") {
        QVERIFY2(QFile::permissions(file) & QFile::ExeOther, qPrintable(file));
    } else if (isSize) {
        QCOMPARE(QImageReader(file).size(), QSize(n, n));
    } else {
        const QByteArray expected = readAll(TestUtil::sourceDir() + '/' + source);
        QVERIFY(!expected.isEmpty());
        QCOMPARE(readAll(file), expected);
    }
}

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
