#include "tavdrawer.h"

#include "axislabels.h"

#include "curvethinner.h"
#include "plotmapping.h"

#include <QDateTime>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

namespace {

QPen makePen(const QColor& color, qreal width, Qt::PenStyle style)
{
    return QPen(QBrush(color), width, style, Qt::SquareCap, Qt::BevelJoin);
}

QRect corners(int left, int top, int right, int bottom)
{
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

QString stampText(qint64 stamp)
{
    return QDateTime::fromSecsSinceEpoch(stamp, Qt::UTC)
        .toString(QStringLiteral("yyyy/MM/dd hh:mm:ss"));
}

// More grid lines than pixels draw nothing new; a count from the INI may be anything.
int gridCount(int count, int extent)
{
    return std::max(0, std::min(count, extent));
}

// A run of one point is a dot, so that a lone sample between gaps stays visible.
void flushRun(QPainter& painter, const QPoint* pts, int r)
{
    if (r > 1)
        painter.drawPolyline(pts, r);
    else if (r == 1)
        painter.drawPoint(pts[0]);
}

} // namespace

void TavDrawer::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event)
    vernValuesA.clear();
    vernValuesB.clear();
    vernStampA = 0;
    vernStampB = 0;

    const QColor background = DarkMode ? QColor(0x20, 0x20, 0x20) : QColor(0xFF, 0xFF, 0xFF);
    const QColor ink = DarkMode ? QColor(0xFF, 0xFF, 0xFF) : QColor(0x00, 0x00, 0x00);
    const QPen axisPen = makePen(ink, 1.0, Qt::SolidLine);
    const QPen gridPen = makePen(DarkMode ? QColor(0x6E, 0x6E, 0x6E) : QColor(0x50, 0x50, 0x50),
                                 0.75, Qt::SolidLine);

    QPainter painter(this);
    painter.setPen(Qt::NoPen);
    painter.fillRect(rect(), background);
    if (WaterMark)
        painter.fillRect(rect(), DarkMode ? darkWaterBrush : lightWaterBrush);
    if (!hasData())
        return;

    paintGrid(painter, gridPen);
    painter.setRenderHint(QPainter::Antialiasing, true);
    paintCurves(painter);
    painter.setRenderHint(QPainter::Antialiasing, false);
    paintFrame(painter, background, axisPen);
    paintLabels(painter);
    paintEvents(painter);
    paintVerniers(painter, ink);
    painter.end();
    emit repaintFinished();
    emit vernRefreshed();
}

void TavDrawer::onRepaintRequestedByData()
{
    blockSignals(true);
    repaint();
    blockSignals(false);
    emit vernRefreshed();
}

void TavDrawer::paintGrid(QPainter& painter, const QPen& gridPen)
{
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(gridPen);
    const int h = plotBottom - plotTop;
    const int w = plotRight - plotLeft;
    const int ny = gridCount(ySplCount, h);
    for (int k = 1; k <= ny; ++k) {
        const int y = plotTop + int(qint64(h) * k / (ny + 1));
        painter.drawLine(plotLeft, y, plotRight, y);
    }
    const int nx = gridCount(xSplCount, w);
    for (int k = 1; k <= nx; ++k) {
        const int x = plotLeft + int(qint64(w) * k / (nx + 1));
        painter.drawLine(x, plotTop, x, plotBottom);
    }
}

void TavDrawer::ensureBuffers()
{
    const int capacity = std::max(MaxLinePoints, plotRight - plotLeft + 2);
    if (sampleIndexes.size() < capacity) {
        sampleIndexes.resize(capacity);
        xBuffer.resize(capacity);
        valueBuffer.resize(capacity);
        linePoints.resize(capacity + 1); // room for the bridge point
    }
}

void TavDrawer::paintCurves(QPainter& painter)
{
    drawnCurves.clear();
    for (int i = 0; i < curveInfoList.size(); ++i) {
        if (curveInfoList[i].ToDraw)
            drawnCurves.append(i);
    }
    const int count = drawnCurves.size();
    for (int j = 0; j < count; ++j) {
        vernValuesA.append(999.0f);
        vernValuesB.append(999.0f);
    }
    const TimeMapping tm{stampStart, stampEnd, plotLeft, plotRight};
    vernStampA = tm.timeAt(vernPosA);
    vernStampB = tm.timeAt(vernPosB);
    foundA.fill(0, count);
    foundB.fill(0, count);
    bridgeOpen.fill(0, count);
    bridgePoints.resize(count);
    bridgeStamps.resize(count);
    bridgeValues.resize(count);
    if (!tm.valid() || upperLimits.isEmpty() || lowerLimits.isEmpty())
        return; // a zero-width range or plot maps nothing
    const int first = CurveThinner::visibleFirst(dataSet.stamps, dataSet.spanStamps,
                                                 dataSet.spanIndexes, stampStart);
    const int last = CurveThinner::visibleLast(dataSet.stamps, dataSet.spanStamps,
                                               dataSet.spanIndexes, dataSet.sampleCount, stampEnd);
    if (first < 0 || last < 0)
        return;
    ensureBuffers();
    const int spans = std::min(
        {dataSet.spanIndexes.size(), dataSet.spanStamps.size(), dataSet.spanIntervals.size()});
    for (int s = 0; s < spans; ++s)
        paintSpan(painter, s, first, last);
}

void TavDrawer::paintSpan(QPainter& painter, int span, int visibleFirst, int visibleLast)
{
    const qint64 interval = dataSet.spanIntervals[span];
    if (interval <= 0)
        return;
    const int sampleLimit = std::min(dataSet.sampleCount, dataSet.stamps.size()) - 1;
    const int lo = std::max(dataSet.spanIndexes[span].first, visibleFirst);
    const int hi = std::min({dataSet.spanIndexes[span].second, visibleLast, sampleLimit});
    const TimeMapping tm{stampStart, stampEnd, plotLeft, plotRight};
    const int n = CurveThinner::thin(lo, hi, interval, tm.secondsPerPixel(), sampleIndexes.data(),
                                     sampleIndexes.size());
    if (n == 0)
        return;
    const qint64* stamps = dataSet.stamps.constData();
    int* xs = xBuffer.data();
    const int* idx = sampleIndexes.constData();
    for (int q = 0; q < n; ++q)
        xs[q] = tm.curveX(stamps[idx[q]]);

    QPoint* pts = linePoints.data();
    for (int j = 0; j < drawnCurves.size(); ++j) {
        const int c = drawnCurves[j];
        const CurveInfo& info = curveInfoList[c];
        if (c >= dataSet.values.size() || dataSet.values[c].size() <= hi) {
            bridgeOpen[j] = 0;
            continue;
        }
        const int axis = info.RefIndex >= 0 && info.RefIndex < upperLimits.size() &&
                                 info.RefIndex < lowerLimits.size()
                             ? info.RefIndex
                             : 0;
        const ValueMapping vm(upperLimits[axis], lowerLimits[axis], plotTop, plotBottom);
        if (!vm.valid()) {
            bridgeOpen[j] = 0; // equal limits: nothing of this curve can be placed
            continue;
        }
        painter.setPen(
            makePen(QColor(info.CurveColor), info.CurveWeight, Qt::PenStyle(info.CurveStyle)));
        const float* vals = gatherValues(dataSet.values[c].constData(), idx, n);
        bool needA = DrawA && !foundA[j];
        bool needB = DrawB && !foundB[j];
        bool startOfSpan = true;
        float prevV = 0.0f;
        qint64 prevT = 0;
        int r = 0;
        for (int q = 0; q < n; ++q) {
            const int i = idx[q];
            const qint64 t = stamps[i];
            if (t < stampStart)
                continue;
            const float v = vals[q];
            if (isMissingValue(v)) {
                flushRun(painter, pts, r);
                r = 0;
                startOfSpan = false;
                bridgeOpen[j] = 0;
                continue;
            }
            const QPoint p(xs[q], vm.y(v));
            if (startOfSpan) {
                startOfSpan = false;
                // Join the previous span's last point when the gap is short.
                if (bridgeOpen[j] && t - bridgeStamps[j] < bridgeGap && p.y() >= plotTop &&
                    p.y() <= plotBottom) {
                    pts[0] = bridgePoints[j];
                    prevV = bridgeValues[j];
                    prevT = bridgeStamps[j];
                    r = 1;
                }
                bridgeOpen[j] = 0;
            }
            if (needA) {
                if (p.x() == vernPosA) {
                    vernValuesA[j] = v;
                    vernStampA = t;
                    foundA[j] = 1;
                    needA = false;
                } else if (r > 0 && p.x() > vernPosA && pts[r - 1].x() < vernPosA) {
                    vernValuesA[j] = prevV;
                    vernStampA = prevT;
                    foundA[j] = 1;
                    needA = false;
                }
            }
            if (needB) {
                if (p.x() == vernPosB) {
                    vernValuesB[j] = v;
                    vernStampB = t;
                    foundB[j] = 1;
                    needB = false;
                } else if (r > 0 && p.x() > vernPosB && pts[r - 1].x() < vernPosB) {
                    vernValuesB[j] = prevV;
                    vernStampB = prevT;
                    foundB[j] = 1;
                    needB = false;
                }
            }
            pts[r++] = p;
            prevV = v;
            prevT = t;
        }
        if (r > 0) {
            flushRun(painter, pts, r);
            bridgePoints[j] = pts[r - 1];
            bridgeStamps[j] = prevT;
            bridgeValues[j] = prevV;
            bridgeOpen[j] = 1;
        }
    }
}

// The thinned samples of one column lie far apart in memory (one per pixel over the whole
// recording); fetching them in a tight loop ahead of use keeps many misses in flight.
const float* TavDrawer::gatherValues(const float* column, const int* idx, int n)
{
    float* out = valueBuffer.data();
    constexpr int Ahead = 24;
    const int prefetched = n - Ahead;
    int q = 0;
    for (; q < prefetched; ++q) {
#if defined(__GNUC__)
        __builtin_prefetch(column + idx[q + Ahead]);
#endif
        out[q] = column[idx[q]];
    }
    for (; q < n; ++q)
        out[q] = column[idx[q]];
    return out;
}

void TavDrawer::paintFrame(QPainter& painter, const QColor& background, const QPen& axisPen)
{
    const int w = width();
    const int h = height();
    painter.setPen(Qt::NoPen);
    painter.setBrush(background);
    painter.fillRect(corners(0, 0, w - 1, plotTop - 1), background);
    painter.fillRect(corners(0, 0, plotLeft - 1, h - 1), background);
    painter.fillRect(corners(0, plotBottom, w - 1, plotBottom + h - 1), background);
    painter.fillRect(corners(plotRight, plotTop, plotRight + w - 1, plotTop + h - 1), background);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(axisPen);
    painter.drawLine(plotLeft, plotTop, plotLeft, plotBottom);
    painter.drawLine(plotLeft, plotBottom, plotRight, plotBottom);
    painter.drawLine(plotRight, plotTop, plotRight, plotBottom);
    painter.drawLine(plotLeft, plotTop, plotRight, plotTop);
}

void TavDrawer::paintLabels(QPainter& painter)
{
    const int w = width();
    painter.setFont(titleFont);
    painter.drawStaticText(QPointF(8.0, 5.0), titleText);
    painter.setFont(unitFont);
    painter.drawStaticText(QPointF(plotLeft + 3, plotTop + 1), unitTextY1);
    painter.drawStaticText(QPointF(plotRight - 42, plotTop + 1), unitTextY2);

    // Intermediate labels sit on their grid lines; where they would run into each other
    // every s-th is shown; the end labels always are. Y labels wider than their margin
    // are moved inwards rather than cut.
    painter.setFont(valueFont);
    const QFontMetrics metrics = painter.fontMetrics();
    const auto number = [](float v) { return QString::number(v, 'f', 1); };
    const int n = gridCount(ySplCount, plotBottom - plotTop);
    const QVector<int> shownY = AxisLabels::shownLabels(n, plotTop, plotBottom, 30);
    for (int axis = 0; axis < 2 && axis < upperLimits.size() && axis < lowerLimits.size(); ++axis) {
        const float upper = upperLimits[axis];
        const float lower = lowerLimits[axis];
        const int side = axis == 0 ? Qt::AlignRight : Qt::AlignLeft;
        const auto label = [&](int top, int bottom, int vertical, const QString& text) {
            const int tw = metrics.horizontalAdvance(text);
            const AxisLabels::Span x = axis == 0 ? AxisLabels::leftAxisLabel(plotLeft, tw)
                                                 : AxisLabels::rightAxisLabel(plotRight, w, tw);
            painter.drawText(corners(x.left, top, x.right, bottom),
                             side | vertical | Qt::TextDontClip, text);
        };
        label(plotTop, plotTop + 19, Qt::AlignTop, number(upper));
        label(plotBottom - 20, plotBottom - 1, Qt::AlignBottom, number(lower));
        for (int m : shownY) {
            const int y = AxisLabels::gridPosition(plotTop, plotBottom, m, n);
            const float value = (lower - upper) / float(n + 1) * float(m) + upper;
            label(y - 10, y + 9, Qt::AlignVCenter, number(value));
        }
    }

    const auto timeLabel = [&](int x, const QStringList& parts) {
        painter.drawText(corners(x - 90, plotBottom + 3, x + 89, plotBottom + 22),
                         Qt::AlignHCenter | Qt::AlignTop | Qt::TextDontClip, parts.first());
        painter.drawText(corners(x - 90, plotBottom + 18, x + 89, plotBottom + 37),
                         Qt::AlignHCenter | Qt::AlignTop | Qt::TextDontClip, parts.last());
    };
    const QStringList first = stampText(stampStart).split(QLatin1Char(' '));
    const int labelWidth =
        std::max(metrics.horizontalAdvance(first.first()), metrics.horizontalAdvance(first.last()));
    timeLabel(plotLeft, first);
    timeLabel(plotRight, stampText(stampEnd).split(QLatin1Char(' ')));
    const int nx = gridCount(xSplCount, plotRight - plotLeft);
    for (int m : AxisLabels::shownLabels(nx, plotLeft, plotRight, labelWidth + 12)) {
        const qint64 stamp = stampStart + (stampEnd - stampStart) * m / (nx + 1);
        timeLabel(AxisLabels::gridPosition(plotLeft, plotRight, m, nx),
                  stampText(stamp).split(QLatin1Char(' ')));
    }
}

void TavDrawer::paintEvents(QPainter& painter)
{
    const TimeMapping tm{stampStart, stampEnd, plotLeft, plotRight};
    if (!tm.valid())
        return;
    const int top = plotBottom - iconSize;
    const auto place = [&](quint32 stamp, const QPixmap& icon) {
        const qint64 t = stamp;
        if (t < stampStart || t > stampEnd)
            return;
        painter.drawPixmap(tm.markerX(t) - iconSize / 2, top, icon);
    };
    if (showError) {
        for (const ErrorRecord& e : qAsConst(dataSet.errors)) {
            if (e.state == 0)
                place(e.stamp, solveIcon);
            else if (e.state == 1)
                place(e.stamp, errIcon);
        }
    }
    if (showSys) {
        for (const EventRecord& e : qAsConst(dataSet.systemEvents))
            place(e.stamp, sysIcon);
    }
    if (showUser) {
        for (const EventRecord& e : qAsConst(dataSet.userEvents))
            place(e.stamp, userIcon);
    }
}

void TavDrawer::paintVerniers(QPainter& painter, const QColor& ink)
{
    const auto clampInside = [this](int& pos) {
        if (pos <= plotLeft)
            pos = plotLeft + 1;
        else if (pos >= plotRight)
            pos = plotRight - 1;
    };
    clampInside(vernPosA);
    clampInside(vernPosB);
    painter.setBrush(Qt::NoBrush);
    painter.setFont(vernFont);
    const auto draw = [&](int pos, bool wide, const QString& letter) {
        painter.setPen(makePen(ink, wide ? 4.0 : 2.0, Qt::DashLine));
        painter.drawLine(pos, plotTop - 1, pos, plotBottom + 2);
        painter.drawText(corners(pos - 10, plotTop - 20, pos + 9, plotTop - 3),
                         Qt::AlignHCenter | Qt::AlignBottom, letter);
    };
    if (DrawA)
        draw(vernPosA, hoverA || dragA, QStringLiteral("A"));
    if (DrawB)
        draw(vernPosB, hoverB || dragB, QStringLiteral("B"));
}
