#include "tavconfigpath.h"
#include "testutil.h"

#include <QtCore>
#include <QtGui>
#include <QtTest>

using TestUtil::readFile;

struct Run
{
    int code = -1; // -1: did not start, crashed or timed out
    QByteArray out;
};

static Run run(const QString& program, const QStringList& args, int timeoutMs = 120000)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::SeparateChannels);
    p.start(program, args);
    if (!p.waitForFinished(timeoutMs) || p.exitStatus() != QProcess::NormalExit)
        return {};
    return {p.exitCode(), p.readAllStandardOutput()};
}

static QByteArray gunzip(const QString& path)
{
    const Run r = run("gzip", {"-dc", path});
    return r.code == 0 ? r.out : QByteArray();
}

// Lines of a checker's report that are errors or warnings ("E: ..." / "  W: ...").
static QStringList complaints(const QByteArray& report)
{
    QStringList lines;
    for (const QByteArray& line : report.split('\n')) {
        const QByteArray l = line.trimmed();
        if (l.startsWith("E:") || l.startsWith("W:"))
            lines << QString::fromUtf8(line);
    }
    return lines;
}

// cmake --install of this build tree into a DESTDIR, as the Debian package is made.
class TestInstall : public QObject
{
    Q_OBJECT
    QTemporaryDir dest;
    const QString version = OSTREL_VERSION;

    QString usr(const QString& path) const { return dest.filePath("usr/" + path); }

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
        for (const char* program : {"bin/ostrel", "bin/tavtool"})
            QVERIFY2(QFile::permissions(usr(program)) & QFile::ExeOther, program);
        // What no checker below looks at: the sample, the default settings and the
        // scalable icon.
        for (const auto& [installed, source] :
             {std::pair{"share/ostrel/sample.tavdata", "samples/sample.tavdata"},
              {"share/ostrel/tav_drawer_config.ini", "samples/tav_drawer_config.ini"},
              {"share/icons/hicolor/scalable/mimetypes/application-x-tavdata.svg",
               "resources/src/app/tavdata.svg"}}) {
            const QByteArray expected = readFile(TestUtil::sourceDir() + '/' + source);
            QVERIFY2(!expected.isEmpty(), source);
            QCOMPARE(readFile(usr(installed)), expected);
        }
        const QString icons = usr("share/icons/hicolor/%1x%1/%2");
        for (const int n : {16, 22, 24, 32, 48, 64, 128, 256})
            for (const char* png : {"apps/ostrel.png", "mimetypes/application-x-tavdata.png"})
                QCOMPARE(QImageReader(icons.arg(n).arg(png)).size(), QSize(n, n));
        // The installed programs find the default settings from their own folder.
        QCOMPARE(QFileInfo(TavConfigPath::installedFilePath(usr("bin"))),
                 QFileInfo(usr("share/ostrel/tav_drawer_config.ini")));
        // The copyright file carries the license's text; a second copy would be redundant.
        QVERIFY(!QFile::exists(usr("share/doc/ostrel/LICENSE")));
    }

    // The Debian changelog is the source's, and its latest entry is this version.
    void changelog()
    {
        const QByteArray text = gunzip(usr("share/doc/ostrel/changelog.gz"));
        QCOMPARE(text, readFile(TestUtil::sourceDir() + "/packaging/changelog"));
        QVERIFY(text.startsWith("ostrel (" + version.toUtf8() + ") "));
    }

    void manualPages_data()
    {
        QTest::addColumn<QString>("program");
        QTest::newRow("ostrel") << "ostrel";
        QTest::newRow("tavtool") << "tavtool";
    }

    // Each page is this version's and names every option that the installed program's
    // --help names. (lintianIsClean checks how the pages are compressed.)
    void manualPages()
    {
#ifdef OSTREL_NO_MANPAGES
        QSKIP("built with OSTREL_MANPAGES=OFF");
#endif
        QFETCH(QString, program);
        const QString page = QString::fromUtf8(gunzip(usr("share/man/man1/" + program + ".1.gz")));
        QVERIFY2(page.contains(QString(".TH %1 \"1\" ").arg(program.toUpper())), "no title");
        QVERIFY(page.contains("\"Ostrel " + version + "\""));
        const Run help = run(usr("bin/" + program), {"--help"});
        QCOMPARE(help.code, 0);
        QSet<QString> options;
        auto it = QRegularExpression("(?<![\\w-])--?[a-z][a-z-]*").globalMatch(help.out);
        while (it.hasNext())
            options << it.next().captured();
        QVERIFY(options.size() >= 3);
        for (QString option : qAsConst(options))
            QVERIFY2(page.contains(option.replace("-", "\\-")), qPrintable(option));
    }

    void appstreamValidates()
    {
        const QString appstreamcli = QStandardPaths::findExecutable("appstreamcli");
        if (appstreamcli.isEmpty())
            QSKIP("appstreamcli is not installed (Debian package appstream)");
        // validate-tree also checks that the desktop entry the metainfo names is installed.
        const Run r = run(appstreamcli, {"validate-tree", "--no-net", dest.path()});
        QVERIFY2(r.code == 0 && complaints(r.out).isEmpty(), r.out.constData());
    }

    // The package that `cpack -G DEB` makes from this build tree, as Debian's checker sees it:
    // this also covers the changelog and the pages being gzip -9n.
    void lintianIsClean()
    {
#ifdef OSTREL_SANITIZED
        QSKIP("a sanitizer build is not what gets packaged");
#endif
#ifdef OSTREL_NO_MANPAGES
        QSKIP("built with OSTREL_MANPAGES=OFF, so the package has no manual pages");
#endif
        const QString lintian = QStandardPaths::findExecutable("lintian");
        if (lintian.isEmpty())
            QSKIP("lintian is not installed");
        if (QStandardPaths::findExecutable("dpkg-shlibdeps").isEmpty())
            QSKIP("dpkg-shlibdeps is not installed (Debian package dpkg-dev)");
        QTemporaryDir out;
        const Run pack =
            run(OSTREL_CPACK_COMMAND,
                {"--config", OSTREL_BUILD_DIR "/CPackConfig.cmake", "-G", "DEB", "-B", out.path()},
                300000);
        QVERIFY2(pack.code == 0, pack.out.constData());
        const QStringList debs = QDir(out.path()).entryList({"*.deb"});
        QCOMPARE(debs.size(), 1);
        QCOMPARE(debs.first(), QString("ostrel_%1_amd64.deb").arg(version));
        const Run check = run(lintian, {out.filePath(debs.first())}, 300000);
        QVERIFY2(check.code >= 0 && complaints(check.out).isEmpty(), check.out.constData());
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
