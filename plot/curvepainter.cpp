#include "curvepainter.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdlib>

void CurvePainter::append(int x, int y)
{
    const QPointF p(x, y);
    if (points.isEmpty() || points.last() != p)
        points.append(p);
}

// A run of one point is a dot, so that a lone sample stays visible.
void CurvePainter::flush(QPainter& painter)
{
    if (points.size() > 1) {
        painter.setPen(linePen);
        painter.drawPolyline(points.constData(), points.size());
    } else if (points.size() == 1) {
        painter.setPen(dotPen);
        painter.drawPoint(points.first());
    }
    points.clear();
}

// Pixels a stroke of the pen covers along column x from y0 to y1.
void CurvePainter::span(int x, int y0, int y1)
{
    const int top = std::min(y0, y1);
    const int bottom = std::max(y0, y1);
    rects.append(
        QRect(x - penPixels / 2, top - penPixels / 2, penPixels, bottom - top + penPixels));
}

// A steep line, column by column: each column from where the line enters it to where it
// leaves it (half a pixel either side of its centre), as an aliased line is drawn.
void CurvePainter::steepLine(int x0, int y0, int x1, int y1)
{
    const int d = x1 - x0;
    const double slope = double(y1 - y0) / d;
    const int lo = std::min(y0, y1);
    const int hi = std::max(y0, y1);
    for (int i = 0; i <= d; ++i) {
        const int a = std::max(lo, std::min(hi, int(std::lround(y0 + (i - 0.5) * slope))));
        const int b = std::max(lo, std::min(hi, int(std::lround(y0 + (i + 0.5) * slope))));
        span(x0 + i, a, b);
    }
}

void CurvePainter::draw(QPainter& painter, const QPen& pen, const CurveAggregator::Mark* marks,
                        int count, const ValueMapping& vm)
{
    if (count <= 0)
        return;
    const bool solid = pen.style() == Qt::SolidLine;
    penPixels = std::max(1, int(pen.widthF() + 0.5));
    const int tall = 2 * penPixels + 1;
    points.clear();
    rects.clear();
    // Most polylines end where a filled column takes over; a square cap there would poke
    // half a pen width past the curve.
    dotPen = pen;
    linePen = pen;
    linePen.setCapStyle(solid ? Qt::FlatCap : pen.capStyle());

    int prevX = 0;
    int prevLast = 0;
    bool lineAtPrev = false; // the polyline being built ends at (prevX, prevLast)
    for (int k = 0; k < count; ++k) {
        const CurveAggregator::Mark& m = marks[k];
        const int x = m.x;
        const int yFirst = vm.y(m.first);
        const int yLast = vm.y(m.last);
        const int yTop = vm.y(m.max);
        const int yBottom = vm.y(m.min);
        if (k > 0 && m.joinedLeft) {
            const int dx = x - prevX;
            const int dy = std::abs(yFirst - prevLast);
            if (solid && dx >= 1 && dx <= MaxSteepWidth && dy >= tall && dy >= 2 * dx) {
                flush(painter);
                steepLine(prevX, prevLast, x, yFirst);
            } else {
                if (!lineAtPrev) {
                    flush(painter);
                    append(prevX, prevLast);
                }
                append(x, yFirst);
            }
        } else {
            flush(painter);
        }
        if (solid && yBottom - yTop >= tall) {
            flush(painter);
            span(x, yTop, yBottom);
            lineAtPrev = false;
        } else {
            append(x, yFirst);
            // Through the nearer extreme first, then the farther, then to the last sample.
            if (yFirst - yTop <= yBottom - yFirst) {
                append(x, yTop);
                append(x, yBottom);
            } else {
                append(x, yBottom);
                append(x, yTop);
            }
            append(x, yLast);
            lineAtPrev = true;
        }
        prevX = x;
        prevLast = yLast;
    }
    flush(painter);
    if (rects.isEmpty())
        return;
    const bool antialiased = painter.testRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::NoPen);
    painter.setBrush(pen.brush());
    painter.drawRects(rects.constData(), rects.size());
    painter.setBrush(Qt::NoBrush);
    painter.setRenderHint(QPainter::Antialiasing, antialiased);
    painter.setPen(pen);
}
