#include "windowpaths.h"

#include <QtCore>
#include <QtTest>

using namespace WindowPaths;

class TestOstrelPaths : public QObject
{
    Q_OBJECT
private slots:
    void paths()
    {
        QCOMPARE(proposedSavePath(QString(), QString()), QDir::toNativeSeparators("/"));
        QCOMPARE(proposedSavePath("/a/./b//", "x"), QDir::toNativeSeparators("/a/b/x"));
        QCOMPARE(fileStem("C:/data/run.1.tavdata"), QStringLiteral("run"));
#ifdef Q_OS_WIN
        QCOMPARE(openDialogFolder(QString()), QStringLiteral("G:\\"));
#else
        QTemporaryDir dir;
        QCOMPARE(openDialogFolder(dir.path()), dir.path());
        QCOMPARE(openDialogFolder(dir.path() + "/gone"), QDir::homePath());
        QCOMPARE(folderUrl("/tmp/exports/out.csv").toString(),
                 QStringLiteral("file:///tmp/exports"));
#endif
    }

    void dropped()
    {
        const QUrl txt = QUrl::fromLocalFile("/d/notes.txt");
        QCOMPARE(droppedDataFile({txt, QUrl::fromLocalFile("/d/RUN.Csv")}),
                 QStringLiteral("/d/RUN.Csv"));
        QCOMPARE(droppedDataFile({txt, QUrl::fromLocalFile("/d/a.tavdata")}),
                 QStringLiteral("/d/a.tavdata"));
        QCOMPARE(droppedDataFile({txt}), QString());
    }
};

QTEST_MAIN(TestOstrelPaths)
#include "tst_ostrelpaths.moc"
