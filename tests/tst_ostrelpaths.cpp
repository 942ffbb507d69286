#include "windowpaths.h"

#include <QtCore>
#include <QtTest>

using namespace WindowPaths;

class TestOstrelPaths : public QObject
{
    Q_OBJECT
private slots:
    // A drop of several files opens the first data file among them, whatever its case.
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
