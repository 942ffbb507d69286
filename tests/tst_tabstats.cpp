#include "ostrelviewer.h"
#include "programrun.h"
#include "rangestats.h"
#include "tst_ostrelmodal.h"
#include "vytabstats.h"

#include <QtWidgets>

#include <cmath>

namespace {

// A window on the sample with both verniers in the plot.
struct Viewer : OstrelViewer
{
    Viewer() : OstrelViewer(samplePath()) {}
    bool ready() { return show(1300, 800) && waitRead(); }
};

// The cells against the figures of the range (themselves checked against a brute force
// in tst_rangestats), to the decimals the table shows.
void checkTable(const VyTabStats& table, const TavDrawer& d, qint64 from, qint64 to)
{
    QStringList drawn;
    QVector<int> indexes;
    for (int i = 0; i < d.curveInfoList.size(); ++i) {
        if (d.curveInfoList[i].ToDraw) {
            drawn << d.curveInfoList[i].CurveName;
            indexes << i;
        }
    }
    QVERIFY(!drawn.isEmpty());
    QCOMPARE(table.rowCount(), drawn.size());
    for (int r = 0; r < drawn.size(); ++r) {
        QCOMPARE(table.item(r, 0)->text(), drawn[r]);
        const RangeSummary f = rangeSummary(d.dataSet, indexes[r], from, to);
        QVERIFY2(f.count > 1, "choose a range with samples");
        const double want[] = {f.min, f.max, f.mean, f.peakToPeak(), f.stdDev, f.ratePerMinute};
        const double tolerance[] = {0.006, 0.006, 0.006, 0.011, 0.0006, 0.0006};
        for (int k = 0; k < 6; ++k) {
            bool ok = false;
            const double got = table.item(r, 2 + k)->text().toDouble(&ok);
            QVERIFY2(ok && std::fabs(got - want[k]) <= tolerance[k],
                     qPrintable(drawn[r] + " column " + QString::number(k)));
        }
    }
}

} // namespace

class TestTabStats : public QObject
{
    Q_OBJECT
    QTemporaryDir tmp;

private slots:
    // Both verniers: the range is A..B in time order, and it follows the verniers as they
    // move; one vernier or none: the visible range.
    void followsVerniers_data()
    {
        QTest::addColumn<bool>("drawA");
        QTest::addColumn<bool>("drawB");
        QTest::addColumn<int>("posA");
        QTest::addColumn<int>("posB");
        QTest::newRow("A then B") << true << true << 300 << 700;
        QTest::newRow("B left of A") << true << true << 900 << 400;
        QTest::newRow("only A") << true << false << 300 << 700;
        QTest::newRow("neither") << false << false << 300 << 700;
    }

    void followsVerniers()
    {
        QFETCH(bool, drawA);
        QFETCH(bool, drawB);
        QFETCH(int, posA);
        QFETCH(int, posB);
        Viewer v;
        QVERIFY(v.ready());
        TavDrawer* d = v.w.drawer;
        QCOMPARE(d->curveInfoList.size(), 7);
        for (int i = 0; i < 7; ++i)
            d->curveInfoList[i].ToDraw = i == 1 || i == 3 || i == 4;
        v.w.checkVernA->setChecked(drawA);
        v.w.checkVernB->setChecked(drawB);
        d->vernPosA = posA;
        d->vernPosB = posB;
        d->onRepaintRequestedByData();
        const qint64 from = drawA && drawB ? std::min(d->vernStampA, d->vernStampB) : d->stampStart;
        const qint64 to = drawA && drawB ? std::max(d->vernStampA, d->vernStampB) : d->stampEnd;
        if (drawA && drawB)
            QVERIFY(to - from > 3600);
        checkTable(*v.w.tabStats, *d, from, to);

        // Nudge B by its arrow slot: the table follows.
        const QString before = v.w.tabStats->item(0, 4)->text();
        QVERIFY(QMetaObject::invokeMethod(&v.w, "moveVernB", Q_ARG(int, 150)));
        if (drawA && drawB) {
            checkTable(*v.w.tabStats, *d, std::min(d->vernStampA, d->vernStampB),
                       std::max(d->vernStampA, d->vernStampB));
            QVERIFY(v.w.tabStats->item(0, 4)->text() != before);
        }
        v.w.clearAll(); // no recording, no rows
        QCOMPARE(v.w.tabStats->rowCount(), 0);
    }

    // Curves hidden in the curve table drop their rows at the next refresh. The button
    // proposes "<stem>.pdf" beside the data file and writes the report with the window's
    // drawn curves.
    void reportButton()
    {
        ModalAnswerer answerer;
        Viewer v;
        QVERIFY(v.ready());
        TavDrawer* d = v.w.drawer;
        QCOMPARE(d->curveInfoList.size(), 7);
        for (bool all : {true, false}) {
            for (int i = 0; i < 7; ++i)
                d->curveInfoList[i].ToDraw = all || i == 4;
            d->onRepaintRequestedByData();
            QCOMPARE(v.w.tabStats->rowCount(), all ? 7 : 1);
        }
        const QString target = tmp.filePath("report.pdf");
        answerer.nextFile = target;
        QVERIFY(QMetaObject::invokeMethod(&v.w, "exportReport"));
        QCOMPARE(answerer.dialogTitles, QStringList{QStringLiteral("导出报告")});
        QCOMPARE(answerer.proposedFiles.value(0), TestUtil::sourceDir() + "/samples/sample.pdf");
        QVERIFY(answerer.boxTexts.isEmpty());
        QVERIFY(TestUtil::readFile(target).startsWith("%PDF-"));
        const QString text = TestUtil::pdfText(target);
        if (text.isNull())
            QSKIP("pdftotext is not installed (poppler-utils): the text layer is not checked");
        QVERIFY(text.contains("sample.tavdata"));
        for (const QString& name : d->fileInfo().first)
            QVERIFY2(text.contains(name), qPrintable(name));
        // Only the drawn curve is in the legend and the statistics.
        QCOMPARE(text.count(d->curveInfoList[4].CurveName), 2);
        for (int hidden : {0, 2, 5, 6})
            QVERIFY2(!text.contains(d->curveInfoList[hidden].CurveName),
                     qPrintable(d->curveInfoList[hidden].CurveName));
    }
};

QTEST_MAIN(TestTabStats)
#include "tst_tabstats.moc"
