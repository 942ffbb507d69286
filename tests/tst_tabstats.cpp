#include "ostrel.h"
#include "programrun.h"
#include "tavdrawer.h"
#include "testutil.h"
#include "tst_ostrelmodal.h"
#include "vytabstats.h"
#include "vytabvern.h"

#include <QtTest>
#include <QtWidgets>

#include <cmath>

namespace {

const QString Sample = TestUtil::sourceDir() + QStringLiteral("/samples/sample.tavdata");

// Figures of one variable over [from, to] straight from the samples.
struct Figures
{
    int count = 0;
    double min = 0, max = 0, mean = 0, stdDev = 0, rate = 0;
};

Figures bruteForce(const SortedTavData& set, int var, qint64 from, qint64 to)
{
    Figures f;
    double sv = 0, st = 0;
    QVector<int> in;
    for (int i = 0; i < set.stamps.size(); ++i) {
        const float v = set.values[var][i];
        if (set.stamps[i] < from || set.stamps[i] > to || !(std::fabs(v) < 999.0f))
            continue;
        in.append(i);
        f.min = in.size() == 1 ? v : std::min(f.min, double(v));
        f.max = in.size() == 1 ? v : std::max(f.max, double(v));
        sv += v;
        st += set.stamps[i];
    }
    f.count = in.size();
    if (in.isEmpty())
        return f;
    f.mean = sv / in.size();
    const double mt = st / in.size();
    double vv = 0, tt = 0, tv = 0;
    for (int i : in) {
        const double dv = set.values[var][i] - f.mean, dt = set.stamps[i] - mt;
        vv += dv * dv;
        tt += dt * dt;
        tv += dt * dv;
    }
    f.stdDev = std::sqrt(vv / in.size());
    f.rate = tt > 0 ? tv / tt * 60 : 0;
    return f;
}

// A window on the sample with both verniers in the plot.
struct Viewer
{
    Viewer() : w(Sample), reads(w.drawer, &TavDrawer::readFinished) {}
    bool ready()
    {
        w.resize(1300, 800);
        w.show();
        return QTest::qWaitForWindowExposed(&w) && (!reads.isEmpty() || reads.wait(30000));
    }
    Ostrel w;
    QSignalSpy reads;
};

// The cells against the brute force, to the decimals the table shows.
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
        const Figures f = bruteForce(d.dataSet, indexes[r], from, to);
        QVERIFY2(f.count > 1, "choose a range with samples");
        const double want[] = {f.min, f.max, f.mean, f.max - f.min, f.stdDev, f.rate};
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
    // Under the vernier table, on the control page, in a box headed "区间统计"; its headers.
    void placement()
    {
        Viewer v;
        QVERIFY(v.ready());
        QStringList texts;
        for (int c = 2; c < v.w.tabStats->columnCount(); ++c)
            texts << v.w.tabStats->horizontalHeaderItem(c)->text();
        QCOMPARE(texts, QStringList({"最小", "最大", "平均", "峰峰值", "标准差", "速率(/min)"}));
        auto* box = qobject_cast<QGroupBox*>(v.w.tabStats->parentWidget());
        QVERIFY(box);
        QCOMPARE(box->title(), QStringLiteral("区间统计"));
        QCOMPARE(box->parentWidget(), v.w.tabVern->parentWidget());
        QLayout* page = box->parentWidget()->layout();
        QCOMPARE(page->indexOf(box), page->indexOf(v.w.tabVern) + 1);
    }

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
        QFile file(target);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().startsWith("%PDF-"));
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

    // At the start size the control page shows every row of the vernier table and of the
    // statistics table for the sample's four drawn curves, without scrolling.
    void startSizeShowsEveryRow()
    {
        Ostrel w(Sample);
        QSignalSpy reads(w.drawer, &TavDrawer::readFinished);
        w.resize(821, 666); // the start size on a 1600 x 1000 screen
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(!reads.isEmpty() || reads.wait(30000));
        auto* tabs = w.findChild<QTabWidget*>();
        QVERIFY(tabs);
        tabs->setCurrentIndex(1);
        QApplication::processEvents();
        QCOMPARE(w.tabStats->rowCount(), 4);
        QCOMPARE(w.tabVern->rowCount(), 6);
        for (QTableWidget* table :
             {static_cast<QTableWidget*>(w.tabVern), static_cast<QTableWidget*>(w.tabStats)}) {
            const int rows = table->rowCount();
            const QRect last = table->visualRect(table->model()->index(rows - 1, 0));
            QVERIFY2(table->viewport()->rect().contains(last),
                     qPrintable(QStringLiteral("%1: last row at %2..%3, viewport %4 high")
                                    .arg(table->metaObject()->className())
                                    .arg(last.top())
                                    .arg(last.bottom())
                                    .arg(table->viewport()->height())));
        }
    }
};

QTEST_MAIN(TestTabStats)
#include "tst_tabstats.moc"
