// Drag and wheel steps on a 10,000,000-sample recording: handling one event plus the repaint
// it asks for must fit one 60 Hz frame (16 ms).
// Usage: bench_interaction [SAMPLES]
#include "tavdrawer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr int Curves = 4;

// One-second samples with a gap every 2,000,000, so that painting walks several spans.
void fill(TavDrawer& w, int samples)
{
    SortedTavData& d = w.dataSet;
    const qint64 t0 = 1719835200;
    d.stamps.resize(samples);
    const int run = 2000000;
    for (int i = 0; i < samples; ++i)
        d.stamps[i] = t0 + i + qint64(i / run) * 600;
    for (int first = 0; first < samples; first += run) {
        const int last = std::min(first + run, samples) - 1;
        d.spanIndexes.append({first, last});
        d.spanIntervals.append(1);
    }
    for (int c = 0; c < Curves; ++c) {
        d.names << QStringLiteral("变量%1").arg(c);
        QVector<float> column(samples);
        for (int i = 0; i < samples; ++i)
            column[i] = 20.0f * c + 30.0f * std::sin(float(i) * 1e-4f * float(c + 1));
        d.values.append(column);
        CurveInfo info;
        info.ToDraw = true;
        info.CurveName = d.names.last();
        info.CurveColor =
            QStringLiteral("#%1").arg(0x204080 * (c + 1) & 0xFFFFFF, 6, 16, QLatin1Char('0'));
        w.curveInfoList.append(info);
    }
    d.sampleCount = samples;
    d.status = 0;
    d.buildSummaries(); // as a read leaves the data set
    w.stampStart = d.stamps.first();
    w.stampEnd = d.stamps.last();
}

void sendMouse(TavDrawer& w, QEvent::Type type, int x, int y, Qt::MouseButtons held)
{
    const QPointF p(x, y);
    QMouseEvent e(type, p, p, QPointF(w.mapToGlobal(QPoint(x, y))),
                  type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(&w, &e);
}

void sendWheel(TavDrawer& w, int x, int delta)
{
    const QPointF p(x, 300);
    QWheelEvent e(p, QPointF(w.mapToGlobal(QPoint(x, 300))), QPoint(), QPoint(0, delta),
                  Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&w, &e);
}

void report(const char* what, std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    const double median = ms[ms.size() / 2];
    const double p95 = ms[ms.size() * 95 / 100];
    std::printf("%-34s median %6.2f ms  p95 %6.2f ms  max %6.2f ms  (%zu steps)%s\n", what, median,
                p95, ms.back(), ms.size(), p95 <= 16.0 ? "" : "  OVER 16 ms");
}

template <typename Step> std::vector<double> timeSteps(TavDrawer& w, int count, Step step)
{
    std::vector<double> ms;
    for (int i = 0; i < count; ++i) {
        QElapsedTimer t;
        t.start();
        step(i);
        w.repaint(); // what the queued update() would paint in the next frame
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    return ms;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int samples = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 10000000;

    TavDrawer w;
    w.resize(1280, 720);
    w.show();
    QElapsedTimer wait;
    wait.start();
    while (!(w.windowHandle() && w.windowHandle()->isExposed()) && wait.elapsed() < 5000)
        app.processEvents(QEventLoop::AllEvents, 50);
    fill(w, samples);
    w.repaint();
    std::printf("%d samples, %d curves drawn, plot %d px wide\n", samples, Curves,
                w.plotRight - w.plotLeft);

    int x = 640;
    sendMouse(w, QEvent::MouseButtonPress, x, 300, Qt::LeftButton);
    report("drag step, whole recording", timeSteps(w, 200, [&](int i) {
               x += (i / 50) % 2 ? 3 : -3;
               sendMouse(w, QEvent::MouseMove, x, 300 + (i % 7), Qt::LeftButton);
           }));
    sendMouse(w, QEvent::MouseButtonRelease, x, 300, Qt::NoButton);

    report("wheel step in", timeSteps(w, 60, [&](int) { sendWheel(w, 700, 120); }));
    sendMouse(w, QEvent::MouseButtonPress, 640, 300, Qt::LeftButton);
    x = 640;
    report("drag step, zoomed in", timeSteps(w, 100, [&](int) {
               sendMouse(w, QEvent::MouseMove, x -= 4, 300, Qt::LeftButton);
           }));
    sendMouse(w, QEvent::MouseButtonRelease, x, 300, Qt::NoButton);
    report("wheel step out", timeSteps(w, 60, [&](int) { sendWheel(w, 700, -120); }));

    // A fast drag delivers moves faster than frames: they must fold into one paint.
    int paints = 0;
    QObject::connect(&w, &TavDrawer::repaintFinished, [&paints] { ++paints; });
    QElapsedTimer t;
    t.start();
    sendMouse(w, QEvent::MouseButtonPress, 640, 300, Qt::LeftButton);
    for (int i = 0; i < 5000; ++i)
        sendMouse(w, QEvent::MouseMove, 640 + (i % 200) - 100, 300, Qt::LeftButton);
    const double handled = double(t.nsecsElapsed()) / 1e6;
    app.processEvents();
    std::printf("5000 queued drag moves: %.2f ms to handle, %.2f ms with the paint, %d paint(s)\n",
                handled, double(t.nsecsElapsed()) / 1e6, paints);
    return 0;
}
