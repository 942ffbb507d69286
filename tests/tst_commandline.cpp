#include "programrun.h"
#include "testutil.h"

#include <QtTest>

using TestUtil::runProgram;

namespace {

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
    void helpAndVersion_data()
    {
        QTest::addColumn<QByteArray>("firstLine"); // a prefix of the first line on stdout
        const QByteArray ostrelVersion = "ostrel (Ostrel) " + Version + '\n';
        const QByteArray tavtoolVersion = "tavtool (Ostrel) " + Version + '\n';
        // The tag is the command line. render builds a GUI application: help must not need one.
        const std::pair<const char*, QByteArray> rows[] = {
            {"ostrel --help", "Usage: ostrel [FILE]\n"},
            {"ostrel -h", "Usage: ostrel [FILE]\n"},
            {"ostrel --help x.tavdata", "Usage: ostrel"},
            {"ostrel --version", ostrelVersion},
            {"tavtool --help", "Usage: tavtool dump"},
            {"tavtool -h", "Usage: tavtool dump"},
            {"tavtool dump x --help", "Usage: tavtool"},
            {"tavtool render --help", "Usage: tavtool"},
            {"tavtool --version", tavtoolVersion},
            {"tavtool render a b --version", tavtoolVersion}};
        for (const auto& [command, firstLine] : rows)
            QTest::newRow(command) << firstLine;
    }

    // Exit code 0, the text on stdout, nothing on stderr, and no window: without a display, a
    // program that made its application object would have stopped with an error instead.
    void helpAndVersion()
    {
        QFETCH(QByteArray, firstLine);
        QStringList args = QString(QTest::currentDataTag()).split(' ');
        const auto r = runProgram(args.takeFirst(), args, true);
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

    void otherArgumentsStillStartTheWindow_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("missing file") << QStringList{m_dir.filePath("missing.tavdata")};
        QTest::newRow("option-like path") << QStringList{"--helpx"};
        QTest::newRow("--version is not first") << QStringList{"x.tavdata", "--version"};
        QTest::newRow("--help is not first") << QStringList{"x.tavdata", "--help"};
    }

    // Anything but the options goes on to the window as before; with no display it cannot open,
    // which also shows that the runs above really had no display to open a window on.
    void otherArgumentsStillStartTheWindow()
    {
        QFETCH(QStringList, args);
        const auto r = runProgram("ostrel", args, true);
        QVERIFY(r.finished && r.code != 0);
        QVERIFY(r.out.isEmpty());
        QVERIFY2(r.err.contains("display"), r.err.constData());
    }

    void unwritableOutputFails_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("option");
        for (const char* program : {"ostrel", "tavtool"})
            for (const char* option : {"--help", "--version"})
                QTest::addRow("%s %s", program, option) << program << option;
    }

    // A text that never reached its reader is a failure, as with any other output.
    void unwritableOutputFails()
    {
        QFETCH(QString, program);
        QFETCH(QString, option);
        if (!QFileInfo("/dev/full").isWritable())
            QSKIP("no /dev/full here");
        QCOMPARE(runProgram(program, {option}, true, "/dev/full").code, 1);
    }

    void tavtoolHelpListsEveryOption_data()
    {
        QTest::addColumn<QStringList>(
            "command"); // the command, FILE and OUT, an option and its value
        const QString ini = TestUtil::sourceDir() + "/samples/tav_drawer_config.ini";
        for (const QString row :
             {"dump F --values", "export F O --vars 0,1", "export F O --from 1000",
              "export F O --to 2000", "render F O --size 640x480", "render F O --config INI",
              "stats F --from 1000", "stats F --to 2000", "stats F --vars 0,1",
              "report F O --config INI", "report F O --from 1000", "report F O --to 2000"})
            QTest::newRow(qPrintable(row))
                << row.split(' ')
                       .replaceInStrings(QRegularExpression("^F$"),
                                         m_dir.filePath("missing.tavdata"))
                       .replaceInStrings(QRegularExpression("^O$"), m_dir.filePath("out"))
                       .replaceInStrings(QRegularExpression("^INI$"), ini);
    }

    // Each option the commands take is in its command's usage line and block of --help, and each
    // option the help names is one the command takes: with a file that cannot be read, an
    // accepted option gets as far as the read (exit code 1), an unknown one stops at the usage
    // check (exit code 2).
    void tavtoolHelpListsEveryOption()
    {
        QFETCH(QStringList, command);
        const QString help = QString::fromUtf8(runProgram("tavtool", {"--help"}).out);
        const int at = command.indexOf(QRegularExpression("--.*"));
        const QString name = command[at];
        const QRegularExpression usage("\n(Usage:|  or: ) tavtool " + command[0] + " .*\\[" + name +
                                       "[] ]");
        QVERIFY2(usage.match('\n' + help).hasMatch(), "not in the usage lines");
        QVERIFY2(commandBlock(help, command[0]).contains("\n  " + name + ' '), qPrintable(help));
        const auto r = runProgram("tavtool", command);
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains("tavtool: cannot read"), r.err.constData());
        QCOMPARE(runProgram("tavtool", command.mid(0, at) << name + "x").code, 2);
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
