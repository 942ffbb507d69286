#include "programrun.h"

#include <QtTest>

using TestUtil::runProgram;

const QByteArray Version = OSTREL_VERSION;

class TestCommandLine : public QObject
{
    Q_OBJECT
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
    }

    // Any other command line goes on to the window, which cannot open here: this is what
    // makes the runs above proof that they built no window.
    void otherArgumentsStartTheWindow()
    {
        const auto r = runProgram("ostrel", {"x.tavdata", "--help"}, true);
        QVERIFY(r.finished && r.code != 0 && r.out.isEmpty());
        QVERIFY2(r.err.contains("display"), r.err.constData());
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
