#include "windowpaths.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace WindowPaths;

class TestOstrelPaths : public QObject
{
    Q_OBJECT
private slots:
    void savePath_data();
    void savePath();
    void stem_data();
    void stem();
    void openFolder();
    void folderUrlHasThreeSlashes();
    void dropped_data();
    void dropped();
};

void TestOstrelPaths::savePath_data()
{
    QTest::addColumn<QString>("dir");
    QTest::addColumn<QString>("stem");
    QTest::addColumn<QString>("expected");
    QTest::newRow("nothing opened") << QString() << QString() << QStringLiteral("/");
    QTest::newRow("drive folder") << "C:/data"
                                  << "run"
                                  << "C:/data/run";
    QTest::newRow("dot and doubled separators") << "/a/./b//"
                                                << "x"
                                                << "/a/b/x";
    QTest::newRow("relative") << "."
                              << "run"
                              << "run";
}

void TestOstrelPaths::savePath()
{
    QFETCH(QString, dir);
    QFETCH(QString, stem);
    QFETCH(QString, expected);
    QCOMPARE(proposedSavePath(dir, stem), QDir::toNativeSeparators(expected));
}

void TestOstrelPaths::stem_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");
    QTest::newRow("two dots") << "C:/data/run.1.tavdata"
                              << "run";
    QTest::newRow("no dot") << "/d/chamber"
                            << "chamber";
    QTest::newRow("dotted folder") << "/d.x/y.csv"
                                   << "y";
    QTest::newRow("leading dot") << "/d/.hidden"
                                 << "";
}

void TestOstrelPaths::stem()
{
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QCOMPARE(fileStem(path), expected);
}

void TestOstrelPaths::openFolder()
{
#ifdef Q_OS_WIN
    QCOMPARE(openDialogFolder(QString()), QStringLiteral("G:\\"));
#else
    QTemporaryDir dir;
    QCOMPARE(openDialogFolder(dir.path()), dir.path());
    QCOMPARE(openDialogFolder(QString()), QDir::homePath());
    QCOMPARE(openDialogFolder(dir.path() + "/gone"), QDir::homePath());
#endif
}

void TestOstrelPaths::folderUrlHasThreeSlashes()
{
#ifndef Q_OS_WIN
    QCOMPARE(folderUrl("/tmp/exports/out.csv").toString(), QStringLiteral("file:///tmp/exports"));
#endif
    QCOMPARE(folderUrl(QDir::home().filePath("a.csv")).toLocalFile(), QDir::homePath());
}

void TestOstrelPaths::dropped_data()
{
    QTest::addColumn<QList<QUrl>>("urls");
    QTest::addColumn<QString>("expected");
    const QUrl tav = QUrl::fromLocalFile("/d/run.tavdata");
    const QUrl csv = QUrl::fromLocalFile("/d/RUN.Csv");
    const QUrl txt = QUrl::fromLocalFile("/d/notes.txt");
    QTest::newRow("none") << QList<QUrl>() << QString();
    QTest::newRow("tavdata") << QList<QUrl>{tav} << "/d/run.tavdata";
    QTest::newRow("mixed case csv") << QList<QUrl>{csv} << "/d/RUN.Csv";
    QTest::newRow("first usable wins") << QList<QUrl>{txt, csv, tav} << "/d/RUN.Csv";
    QTest::newRow("other suffix") << QList<QUrl>{txt} << QString();
    QTest::newRow("remote") << QList<QUrl>{QUrl("https://x.org/a.tavdata")} << QString();
}

void TestOstrelPaths::dropped()
{
    QFETCH(QList<QUrl>, urls);
    QFETCH(QString, expected);
    QCOMPARE(droppedDataFile(urls), expected);
}

QTEST_MAIN(TestOstrelPaths)
#include "tst_ostrelpaths.moc"
