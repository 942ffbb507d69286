#include "ostrelviewer.h"
#include "programrun.h"
#include "rangestats.h"
#include "tst_ostrelmodal.h"
#include "vytabstats.h"
#include "vytabvern.h"

#include <QtWidgets>

#include <cmath>

namespace {

// A window on the sample with both verniers in the plot.
struct Viewer : OstrelViewer
{
    Viewer() : OstrelViewer(samplePath()) {}
    bool ready() { return show(1500, 800) && waitRead(); }
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

// The frame of the plot on a rasterised page: the first and last rows holding one dark run
// across at least 40% of the page (frame and grid lines; the table rules are light grey).
QRect plotFrame(const QImage& page)
{
    QRect frame;
    for (int y = 0; y < page.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(page.constScanLine(y));
        int start = 0;
        for (int x = 0; x <= page.width(); ++x) {
            if (x < page.width() && qGray(line[x]) < 128)
                continue;
            if (x - start >= 0.4 * page.width()) {
                if (frame.isNull())
                    frame = QRect(start, y, x - start, 1);
                frame.setBottom(y);
            }
            start = x + 1;
        }
    }
    return frame;
}

// Share of the pixels inside r that are near white.
double whiteShare(const QImage& image, const QRect& r)
{
    int white = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            white += qGray(image.pixel(x, y)) >= 235;
    return double(white) / (double(r.width()) * r.height());
}

// Every column of table lies within its viewport, no horizontal scroll bar shows, and every
// cell's text fits its column whole, the style's text margins included.
void checkWhole(const QTableWidget& table)
{
    const QString name = table.metaObject()->className();
    QVERIFY2(!table.horizontalScrollBar()->isVisible(), qPrintable(name));
    int sum = 0;
    for (int c = 0; c < table.columnCount(); ++c)
        sum += table.columnWidth(c);
    QVERIFY2(sum <= table.viewport()->width(),
             qPrintable(QStringLiteral("%1: columns %2, viewport %3")
                            .arg(name)
                            .arg(sum)
                            .arg(table.viewport()->width())));
    const int margins = 2 * (table.style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1);
    for (int r = 0; r < table.rowCount(); ++r) {
        for (int c = 0; c < table.columnCount(); ++c) {
            const QTableWidgetItem* cell = table.item(r, c);
            if (!cell || cell->text().isEmpty())
                continue;
            const QFont font = cell->data(Qt::FontRole).isValid() ? cell->font() : table.font();
            const int need = QFontMetrics(font).horizontalAdvance(cell->text()) + margins;
            QVERIFY2(need <= table.columnWidth(c), qPrintable(QStringLiteral("%1 \"%2\": %3 in %4")
                                                                  .arg(name, cell->text())
                                                                  .arg(need)
                                                                  .arg(table.columnWidth(c))));
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
    // On the control page both tables show every column whole, at the window's least size
    // and at 80 % of a 1920x1080 screen's available area, with the saved curves and with all.
    void tablesFitSidePanel_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("all");
        for (bool all : {false, true}) {
            const char* curves = all ? "all curves" : "saved curves";
            QTest::addRow("least size, %s", curves) << QSize(1, 1) << all;
            QTest::addRow("80 %% of 1920x1040, %s", curves) << QSize(1536, 832) << all;
        }
    }

    void tablesFitSidePanel()
    {
        QFETCH(QSize, size);
        QFETCH(bool, all);
        OstrelViewer v(samplePath());
        QVERIFY(v.show(size.width(), size.height()));
        QVERIFY(v.waitRead());
        TavDrawer* d = v.w.drawer;
        QCOMPARE(d->curveInfoList.size(), 7);
        for (int i = 0; i < 7; ++i)
            d->curveInfoList[i].ToDraw = all || i < 4;
        v.w.tabVern->resetRows(d->curveInfoList);
        d->onRepaintRequestedByData();
        QCOMPARE(v.w.tabStats->rowCount(), all ? 7 : 4);
        QCOMPARE(v.w.tabVern->rowCount(), 2 + v.w.tabStats->rowCount());
        v.w.findChild<QTabWidget*>()->setCurrentWidget(v.w.tabVern->parentWidget());
        QVERIFY(v.w.tabVern->isVisible() && v.w.tabStats->isVisible());
        QTest::qWait(50); // the layouts settle
        QVERIFY(v.w.width() <= std::max(size.width(), v.w.minimumSizeHint().width()));
        checkWhole(*v.w.tabVern);
        if (!QTest::currentTestFailed())
            checkWhole(*v.w.tabStats);
    }

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
    // drawn curves. From a dark window with its watermark the plot still prints across the
    // page on white, and the window keeps its look, verniers and readings.
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
        v.w.checkDark->setChecked(true);
        v.w.checkWaterMark->setChecked(true);
        QVERIFY(d->DarkMode && d->WaterMark);
        const int vernA = d->vernPosA, vernB = d->vernPosB;
        const QList<float> readingsA = d->vernValuesA;
        // The background tolerance check repaints when it comes back: not the print's doing.
        QTRY_VERIFY(!d->toleranceCheckPending());
        QTest::qWait(50);
        QSignalSpy repainted(d, &TavDrawer::repaintFinished);
        const QString target = tmp.filePath("report.pdf");
        answerer.nextFile = target;
        QVERIFY(QMetaObject::invokeMethod(&v.w, "exportReport"));
        QCOMPARE(answerer.dialogTitles, QStringList{QStringLiteral("导出报告")});
        QCOMPARE(answerer.proposedFiles.value(0), TestUtil::sourceDir() + "/samples/sample.pdf");
        QVERIFY(answerer.boxTexts.isEmpty());
        QVERIFY(TestUtil::readFile(target).startsWith("%PDF-"));
        QVERIFY(d->DarkMode && d->WaterMark && v.w.checkDark->isChecked());
        QCOMPARE(std::make_pair(d->vernPosA, d->vernPosB), std::make_pair(vernA, vernB));
        QCOMPARE(d->vernValuesA, readingsA);
        QCOMPARE(repainted.count(), 0);
        const QImage screen = d->grab().toImage();
        QVERIFY(qGray(screen.pixel(d->plotLeft + 3, d->plotBottom - 3)) < 100);

        const QImage page = TestUtil::pdfPage(target, 1, 96);
        if (page.isNull())
            QSKIP("pdftoppm is not installed (poppler-utils): the printed plot is not checked");
        const QRect frame = plotFrame(page);
        QVERIFY2(frame.width() > 1.3 * frame.height(),
                 qPrintable(QString("%1x%2").arg(frame.width()).arg(frame.height())));
        QVERIFY2(frame.width() > 0.8 * page.width(), qPrintable(QString::number(frame.width())));
        QVERIFY2(frame.height() > 0.4 * page.height(), qPrintable(QString::number(frame.height())));
        const double white = whiteShare(page, frame.adjusted(3, 3, -3, -3));
        QVERIFY2(white > 0.85, qPrintable(QString::number(white)));
        const QString text = TestUtil::pdfText(target);
        if (text.isNull())
            QSKIP("pdftotext is not installed (poppler-utils): the text layer is not checked");
        QVERIFY(text.contains("sample.tavdata"));
        for (const QString& name : d->fileInfo().first)
            QVERIFY2(text.contains(name), qPrintable(name));
        // Only the drawn curve is in the legend and the statistics (before the tolerance
        // section, which names its pairs).
        const int section = text.indexOf(QStringLiteral("容差检查"));
        QVERIFY(section > 0);
        const QString main = text.left(section);
        QCOMPARE(main.count(d->curveInfoList[4].CurveName), 2);
        for (int hidden : {0, 2, 5, 6})
            QVERIFY2(!main.contains(d->curveInfoList[hidden].CurveName),
                     qPrintable(d->curveInfoList[hidden].CurveName));
    }
};

QTEST_MAIN(TestTabStats)
#include "tst_tabstats.moc"
