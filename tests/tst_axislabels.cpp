// Axis labels: thinned so they never run into each other, on their grid lines, never cut;
// on the canvas the date row as well as the Y labels.
#include "axislabels.h"
#include "tavdrawer.h"
#include "testutil.h"

#include <QPainter>
#include <QSignalSpy>
#include <QtTest>

#include <climits>

using namespace AxisLabels;

namespace {

// First and last row (or column) of an image region that holds anything but the background.
QPair<int, int> ink(const QImage& image, const QRect& region, QRgb background, bool rows)
{
    // Columns are scanned as the rows of the region with x and y swapped.
    const QRect r = rows ? region : QRect(region.y(), region.x(), region.height(), region.width());
    int first = -1, last = -1;
    for (int a = r.top(); a <= r.bottom(); ++a)
        for (int b = r.left(); b <= r.right(); ++b)
            if (image.pixel(rows ? b : a, rows ? a : b) != background) {
                first = first < 0 ? a : first;
                last = a;
                break;
            }
    return {first, last};
}

// The sample recording drawn at the given size without verniers: grid, labels and curves.
bool showSample(TavDrawer& d, int width, int height)
{
    d.configPath = QStringLiteral("/nonexistent/none.ini");
    d.resize(width, height);
    d.show();
    if (!QTest::qWaitForWindowExposed(&d))
        return false;
    QSignalSpy read(&d, &TavDrawer::readFinished);
    d.readTAVData(TestUtil::sourceDir() + QStringLiteral("/samples/sample.tavdata"));
    if (!read.wait(30000))
        return false;
    d.DrawA = d.DrawB = false;
    return true;
}

QImage rendered(TavDrawer& d)
{
    QImage image(d.size(), QImage::Format_RGB32);
    d.render(&image);
    return image;
}

} // namespace

class TestAxisLabels : public QObject
{
    Q_OBJECT

private slots:
    void shown_data()
    {
        QTest::addColumn<int>("n");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<int>("extent");
        QTest::addColumn<bool>("all"); // every intermediate label fits
        QTest::newRow("start size, seven labels") << 5 << 50 << 430 << 90 << false;
        QTest::newRow("wide, seven labels") << 5 << 50 << 1870 << 90 << true;
        QTest::newRow("narrow, many") << 99 << 50 << 430 << 90 << false;
        QTest::newRow("one that does not fit") << 1 << 50 << 200 << 90 << false;
        QTest::newRow("exactly fitting") << 3 << 0 << 400 << 100 << true;
        QTest::newRow("none") << 0 << 50 << 430 << 90 << true;
        QTest::newRow("y labels, short plot") << 9 << 53 << 300 << 30 << false;
        QTest::newRow("y labels, tall plot") << 9 << 53 << 1000 << 30 << true;
    }

    // Shown labels and the two ends never come closer than extent; the shown ones are
    // evenly spaced; and no denser even spacing would also fit.
    void shown()
    {
        QFETCH(int, n);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(int, extent);
        const QVector<int> s = shownLabels(n, from, to, extent);
        QTEST(s.size() == n, "all");
        QVector<int> pos{from};
        for (int k : s)
            pos << gridPosition(from, to, k, n);
        pos << to;
        for (int i = 1; i < pos.size(); ++i)
            QVERIFY2(pos[i] - pos[i - 1] >= extent, qPrintable(QString::number(i)));
        if (s.isEmpty())
            return;
        const int step = s.first();
        for (int i = 0; i < s.size(); ++i)
            QCOMPARE(s[i], step * (i + 1));
        // The step before would have put two labels (or a label and the start) too close.
        if (step > 1) {
            bool clash = false;
            for (int k = 0; k + step - 1 <= n; k += step - 1)
                clash =
                    clash ||
                    gridPosition(from, to, k + step - 1, n) - gridPosition(from, to, k, n) < extent;
            QVERIFY(clash);
        }
        // Only the end may cut the series short.
        const int next = s.last() + step;
        if (next <= n)
            QVERIFY(to - gridPosition(from, to, next, n) < extent);
    }

    // On the canvas: each intermediate Y label's ink is centred on its grid line, and a
    // label wider than the margin is drawn whole.
    void onCanvas_data()
    {
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("count");
        QTest::addColumn<float>("lower");
        QTest::newRow("default limits, 5 lines") << 600 << 5 << -100.0f;
        QTest::newRow("7 lines, odd height") << 577 << 7 << -100.0f;
        QTest::newRow("wide lower label") << 500 << 3 << -1000.0f;
    }

    void onCanvas()
    {
        QFETCH(int, height);
        QFETCH(int, count);
        QFETCH(float, lower);
        TavDrawer d;
        QVERIFY(showSample(d, 800, height));
        d.ySplCount = count;
        d.upperLimits = {200.0f, 110.0f};
        d.lowerLimits = {lower, -10.0f};
        const QImage image = rendered(d);
        const QRgb bg = image.pixel(2, d.height() / 2 + 3);
        for (int m = 1; m <= count; ++m) {
            const int y = gridPosition(d.plotTop, d.plotBottom, m, count);
            QVERIFY(image.pixel(d.plotLeft + 20, y) != bg); // the grid line is there
            const QPair<int, int> rows = ink(image, QRect(0, y - 12, d.plotLeft - 2, 25), bg, true);
            QVERIFY(rows.first >= 0);
            QVERIFY2(qAbs((rows.first + rows.second) / 2.0 - y) <= 2.0,
                     qPrintable(QString::number(m)));
        }
        // The lower Y1 label as drawn against the same text drawn alone.
        const QString text = QString::number(lower, 'f', 1);
        QImage alone(200, 40, QImage::Format_RGB32);
        alone.fill(bg);
        {
            QPainter p(&alone);
            p.setFont(QFont(QStringLiteral("微软雅黑"), 10, QFont::Normal));
            p.setPen(Qt::black);
            p.drawText(QRect(0, 0, 200, 40), Qt::AlignCenter, text);
        }
        const QPair<int, int> whole = ink(alone, alone.rect(), bg, false);
        const QPair<int, int> drawn =
            ink(image, QRect(0, d.plotBottom - 20, d.plotLeft, 19), bg, false);
        QVERIFY(drawn.second - drawn.first >= whole.second - whole.first - 1);
    }

    // On the canvas: the date row under the plot splits into separate labels, none wider
    // than one date, the first and last at the plot's ends.
    void timeLabelsOnCanvas_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("count");
        QTest::newRow("start size, five lines") << 600 << 5;
        QTest::newRow("narrowest, many lines") << 480 << 40;
        QTest::newRow("wide, five lines") << 1900 << 5;
        QTest::newRow("wide, many lines") << 1900 << 60;
    }

    void timeLabelsOnCanvas()
    {
        QFETCH(int, width);
        QFETCH(int, count);
        TavDrawer d;
        QVERIFY(showSample(d, width, 420));
        d.xSplCount = count;
        const QImage image = rendered(d);
        const QRgb bg = image.pixel(1, d.height() - 2);
        // Columns with ink in the date row, grouped where gaps are wider than a few pixels.
        QVector<QPair<int, int>> clusters;
        for (int x = 0; x < d.width(); ++x) {
            bool ink = false;
            for (int y = d.plotBottom + 5; y <= d.plotBottom + 17 && !ink; ++y)
                ink = image.pixel(x, y) != bg;
            if (!ink)
                continue;
            if (!clusters.isEmpty() && x - clusters.last().second <= 6)
                clusters.last().second = x;
            else
                clusters.append({x, x});
        }
        // Every date has the same form, so labels that ran into each other would show as
        // one cluster about twice as wide as the others.
        int narrowest = INT_MAX;
        for (const QPair<int, int>& c : qAsConst(clusters))
            narrowest = qMin(narrowest, c.second - c.first);
        const int dateInk = narrowest + narrowest / 5;
        QVERIFY(clusters.size() >= 2);
        for (const QPair<int, int>& c : qAsConst(clusters))
            QVERIFY2(c.second - c.first <= dateInk, qPrintable(QString::number(c.first)));
        auto centre = [](const QPair<int, int>& c) { return (c.first + c.second) / 2; };
        QVERIFY(qAbs(centre(clusters.first()) - d.plotLeft) <= 3);
        QVERIFY(qAbs(centre(clusters.last()) - d.plotRight) <= 3);
        // The intermediate ones sit on every s-th grid line.
        const int n = qMin(count, d.plotRight - d.plotLeft);
        if (clusters.size() > 2) {
            int step = -1;
            for (int k = 1; k <= n && step < 0; ++k)
                if (qAbs(gridPosition(d.plotLeft, d.plotRight, k, n) - centre(clusters[1])) <= 3)
                    step = k;
            QVERIFY(step > 0);
            for (int i = 1; i + 1 < clusters.size(); ++i)
                QVERIFY(qAbs(gridPosition(d.plotLeft, d.plotRight, step * i, n) -
                             centre(clusters[i])) <= 3);
        }
        const int shown = clusters.size() - 2;
        if (width >= 1900 && count == 5)
            QCOMPARE(shown, 5); // room for all
        else
            QVERIFY(shown < n);
    }
};

QTEST_MAIN(TestAxisLabels)
#include "tst_axislabels.moc"
