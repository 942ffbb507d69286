#include "testutil.h"

#include <QtTest>

namespace {

struct Run
{
    bool finished = false;
    int code = -1;
    QByteArray out, err;
};

// Runs a program of this build with no display at all: nothing to show a window on, and no
// platform chosen, so that a program that builds its window stops with an error.
Run run(const QString& program, const QStringList& args, const QString& stdoutFile = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
    QProcess p;
    p.setProcessEnvironment(env);
    if (!stdoutFile.isEmpty())
        p.setStandardOutputFile(stdoutFile);
    p.start(QCoreApplication::applicationDirPath() + '/' + program, args);
    Run r;
    r.finished = p.waitForFinished(30000);
    if (!r.finished) {
        p.kill();
        p.waitForFinished();
    }
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

const QByteArray Version = OSTREL_VERSION;

// The block of one command in `tavtool --help`: from its "name:" heading to the next heading.
QString commandBlock(const QString& help, const QString& command)
{
    const int start = help.indexOf('\n' + command + ":\n");
    if (start < 0)
        return {};
    const int end = QRegularExpression("\n\n(?=\\S)").match(help, start + 1).capturedStart();
    return help.mid(start + 1, end < 0 ? -1 : end - start - 1);
}

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void helpAndVersion_data();
    void helpAndVersion();
    void otherArgumentsStillStartTheWindow_data();
    void otherArgumentsStillStartTheWindow();
    void unwritableOutputFails_data();
    void unwritableOutputFails();
    void tavtoolHelpListsEveryOption_data();
    void tavtoolHelpListsEveryOption();
};

void TestCommandLine::helpAndVersion_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("firstLine"); // a prefix of the first line on stdout
    const QByteArray ostrelVersion = "ostrel (Ostrel) " + Version + '\n';
    const QByteArray tavtoolVersion = "tavtool (Ostrel) " + Version + '\n';
    QTest::newRow("ostrel --help")
        << "ostrel" << QStringList{"--help"} << QByteArray("Usage: ostrel [FILE]\n");
    QTest::newRow("ostrel -h") << "ostrel" << QStringList{"-h"}
                               << QByteArray("Usage: ostrel [FILE]\n");
    QTest::newRow("ostrel --help FILE")
        << "ostrel" << QStringList{"--help", "x.tavdata"} << QByteArray("Usage: ostrel");
    QTest::newRow("ostrel --version") << "ostrel" << QStringList{"--version"} << ostrelVersion;
    QTest::newRow("tavtool --help")
        << "tavtool" << QStringList{"--help"} << QByteArray("Usage: tavtool dump");
    QTest::newRow("tavtool -h") << "tavtool" << QStringList{"-h"}
                                << QByteArray("Usage: tavtool dump");
    QTest::newRow("tavtool dump FILE --help")
        << "tavtool" << QStringList{"dump", "x", "--help"} << QByteArray("Usage: tavtool");
    // render builds a GUI application: help must not need one.
    QTest::newRow("tavtool render --help")
        << "tavtool" << QStringList{"render", "--help"} << QByteArray("Usage: tavtool");
    QTest::newRow("tavtool --version") << "tavtool" << QStringList{"--version"} << tavtoolVersion;
    QTest::newRow("tavtool render --version")
        << "tavtool" << QStringList{"render", "a", "b", "--version"} << tavtoolVersion;
}

// Exit code 0, the text on stdout, nothing on stderr, and no window: without a display, a
// program that made its application object would have stopped with an error instead.
void TestCommandLine::helpAndVersion()
{
    QFETCH(QString, program);
    QFETCH(QStringList, args);
    QFETCH(QByteArray, firstLine);
    const Run r = run(program, args);
    QVERIFY(r.finished);
    QVERIFY2(r.err.isEmpty(), r.err.constData());
    QCOMPARE(r.code, 0);
    QVERIFY2(r.out.startsWith(firstLine), r.out.left(200).constData());
    if (args.contains("--version"))
        QVERIFY(r.out.contains("\nCopyright (C) 2026 The Ostrel developers.\n"));
    else
        QVERIFY(r.out.contains("\nOptions:\n") && r.out.contains("--version"));
    for (const QByteArray& line : r.out.split('\n'))
        QVERIFY2(QString::fromUtf8(line).size() <= 80, line.constData());
}

void TestCommandLine::otherArgumentsStillStartTheWindow_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("missing file") << QStringList{m_dir.filePath("missing.tavdata")};
    QTest::newRow("option-like path") << QStringList{"--helpx"};
    QTest::newRow("--version is not first") << QStringList{"x.tavdata", "--version"};
    QTest::newRow("--help is not first") << QStringList{"x.tavdata", "--help"};
}

// Anything but the options goes on to the window as before; with no display it cannot open,
// which also shows that the runs above really had no display to open a window on.
void TestCommandLine::otherArgumentsStillStartTheWindow()
{
    QFETCH(QStringList, args);
    const Run r = run("ostrel", args);
    QVERIFY(r.finished);
    QVERIFY(r.code != 0);
    QVERIFY(r.out.isEmpty());
    QVERIFY2(r.err.contains("display"), r.err.constData());
}

void TestCommandLine::unwritableOutputFails_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("option");
    for (const char* program : {"ostrel", "tavtool"})
        for (const char* option : {"--help", "--version"})
            QTest::addRow("%s %s", program, option) << program << option;
}

// A text that never reached its reader is a failure, as with any other output.
void TestCommandLine::unwritableOutputFails()
{
    QFETCH(QString, program);
    QFETCH(QString, option);
    if (!QFileInfo("/dev/full").isWritable())
        QSKIP("no /dev/full here");
    const Run r = run(program, {option}, "/dev/full");
    QVERIFY(r.finished);
    QCOMPARE(r.code, 1);
}

void TestCommandLine::tavtoolHelpListsEveryOption_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("arguments"); // the command's arguments, FILE first
    QTest::addColumn<QStringList>("option");    // with its value, if it takes one
    const QString missing = m_dir.filePath("missing.tavdata");
    const QString out = m_dir.filePath("out");
    const QString ini = TestUtil::sourceDir() + "/samples/tav_drawer_config.ini";
    QTest::newRow("dump --values") << "dump" << QStringList{missing} << QStringList{"--values"};
    QTest::newRow("export --vars")
        << "export" << QStringList{missing, out} << QStringList{"--vars", "0,1"};
    QTest::newRow("export --from")
        << "export" << QStringList{missing, out} << QStringList{"--from", "1000"};
    QTest::newRow("export --to") << "export" << QStringList{missing, out}
                                 << QStringList{"--to", "2000"};
    QTest::newRow("render --size")
        << "render" << QStringList{missing, out} << QStringList{"--size", "640x480"};
    QTest::newRow("render --config")
        << "render" << QStringList{missing, out} << QStringList{"--config", ini};
    QTest::newRow("stats --from") << "stats" << QStringList{missing}
                                  << QStringList{"--from", "1000"};
    QTest::newRow("stats --to") << "stats" << QStringList{missing} << QStringList{"--to", "2000"};
    QTest::newRow("stats --vars") << "stats" << QStringList{missing}
                                  << QStringList{"--vars", "0,1"};
    QTest::newRow("report --config")
        << "report" << QStringList{missing, out} << QStringList{"--config", ini};
    QTest::newRow("report --from")
        << "report" << QStringList{missing, out} << QStringList{"--from", "1000"};
    QTest::newRow("report --to") << "report" << QStringList{missing, out}
                                 << QStringList{"--to", "2000"};
}

// Each option the commands take is in its command's usage line and block of --help, and each
// option the help names is one the command takes: with a file that cannot be read, an
// accepted option gets as far as the read (exit code 1), an unknown one stops at the usage
// check (exit code 2).
void TestCommandLine::tavtoolHelpListsEveryOption()
{
    QFETCH(QString, command);
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, option);
    const QString help = QString::fromUtf8(run("tavtool", {"--help"}).out);
    const QString name = option.first();

    const QRegularExpression usage("\n(Usage:|  or: ) tavtool " + command + " .*\\[" + name +
                                   "[] ]");
    QVERIFY2(usage.match('\n' + help).hasMatch(), "not in the usage lines");
    const QString block = commandBlock(help, command);
    QVERIFY2(!block.isEmpty(), "the command has no block of its own");
    QVERIFY2(block.contains("\n  " + name + ' '), qPrintable(block));

    QVERIFY(!option.last().isEmpty());
    const Run r = run("tavtool", QStringList{command} + arguments + option);
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains("tavtool: cannot read"), r.err.constData());
    QCOMPARE(run("tavtool", QStringList{command} + arguments + QStringList{name + "x"}).code, 2);
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
