#include "windowpaths.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace WindowPaths;

class TestOstrelPaths : public QObject
{
    Q_OBJECT
private slots:
    void savePath()
    {
        auto expect = [](const char* path) { return QDir::toNativeSeparators(path); };
        QCOMPARE(proposedSavePath(QString(), QString()), expect("/")); // nothing opened yet
        QCOMPARE(proposedSavePath("C:/data", "run"), expect("C:/data/run"));
        QCOMPARE(proposedSavePath("/a/./b//", "x"), expect("/a/b/x"));
        QCOMPARE(proposedSavePath(".", "run"), expect("run"));
    }

    void stem()
    {
        QCOMPARE(fileStem("C:/data/run.1.tavdata"), QStringLiteral("run"));
        QCOMPARE(fileStem("/d/chamber"), QStringLiteral("chamber"));
        QCOMPARE(fileStem("/d.x/y.csv"), QStringLiteral("y"));
        QCOMPARE(fileStem("/d/.hidden"), QString());
    }

    void folders()
    {
#ifdef Q_OS_WIN
        QCOMPARE(openDialogFolder(QString()), QStringLiteral("G:\\"));
#else
        QTemporaryDir dir;
        QCOMPARE(openDialogFolder(dir.path()), dir.path());
        QCOMPARE(openDialogFolder(QString()), QDir::homePath());
        QCOMPARE(openDialogFolder(dir.path() + "/gone"), QDir::homePath());
        QCOMPARE(folderUrl("/tmp/exports/out.csv").toString(),
                 QStringLiteral("file:///tmp/exports"));
#endif
        QCOMPARE(folderUrl(QDir::home().filePath("a.csv")).toLocalFile(), QDir::homePath());
    }

    void dropped()
    {
        const QUrl tav = QUrl::fromLocalFile("/d/run.tavdata");
        const QUrl csv = QUrl::fromLocalFile("/d/RUN.Csv");
        const QUrl txt = QUrl::fromLocalFile("/d/notes.txt");
        QCOMPARE(droppedDataFile({}), QString());
        QCOMPARE(droppedDataFile({tav}), QStringLiteral("/d/run.tavdata"));
        QCOMPARE(droppedDataFile({txt, csv, tav}), QStringLiteral("/d/RUN.Csv"));
        QCOMPARE(droppedDataFile({txt}), QString());
        QCOMPARE(droppedDataFile({QUrl("https://x.org/a.tavdata")}), QString());
    }
};

QTEST_MAIN(TestOstrelPaths)
#include "tst_ostrelpaths.moc"
