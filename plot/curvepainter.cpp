#include "curvepainter.h"

#include "pixelfill.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdlib>

void CurvePainter::begin(const QPen& pen)
{
    points.clear();
    runEnds.clear();
    runStart = 0;
    dots.clear();
    rects.clear();
    kept.clear();
    culled = false;
    solid = pen.style() == Qt::SolidLine;
    penPixels = std::max(1, int(pen.widthF() + 0.5));
    dotPen = pen;
    // Most polylines end where a filled column takes over; a square cap there would poke
    // half a pen width past the curve.
    linePen = pen;
    linePen.setCapStyle(solid ? Qt::FlatCap : pen.capStyle());
}

void CurvePainter::append(double x, double y)
{
    const QPointF p(x, y);
    if (points.size() == runStart || points.last() != p)
        points.append(p);
}

// Closes the polyline being built; a polyline of one point is a dot, so that a lone
// sample stays visible.
void CurvePainter::endRun()
{
    const int n = points.size() - runStart;
    if (n == 1) {
        dots.append(points.last());
        points.removeLast();
    } else if (n > 1) {
        runEnds.append(points.size());
        runStart = points.size();
    }
}

// Pixels a stroke of the pen covers along column x from y0 to y1: the pen's width across;
// along, nothing beyond the ends, as a stroke that turns back there (a bevelled zigzag)
// does not go beyond them either.
void CurvePainter::span(int x, int y0, int y1)
{
    const int top = std::min(y0, y1);
    const int bottom = std::max(y0, y1);
    rects.append(QRect(x - penPixels / 2, top, penPixels, bottom - top + 1));
}

// A steep line, column by column: each column from where the line enters it to where it
// leaves it (half a pixel either side of its centre), as an aliased line is drawn.
void CurvePainter::steepLine(int x0, int y0, int x1, int y1)
{
    const int d = x1 - x0;
    const double slope = double(y1 - y0) / d;
    const int lo = std::min(y0, y1);
    const int hi = std::max(y0, y1);
    // Rounded half away from zero, as std::lround, without a library call per pixel.
    const auto rounded = [](double v) { return v >= 0 ? int(v + 0.5) : -int(0.5 - v); };
    for (int i = 0; i <= d; ++i) {
        const int a = std::max(lo, std::min(hi, rounded(y0 + (i - 0.5) * slope)));
        const int b = std::max(lo, std::min(hi, rounded(y0 + (i + 0.5) * slope)));
        span(x0 + i, a, b);
    }
}

void CurvePainter::addLine(const QPointF& a, const QPointF& b)
{
    endRun();
    append(a.x(), a.y());
    append(b.x(), b.y());
    endRun();
}

void CurvePainter::add(const CurveAggregator::Mark* marks, int count, const ValueMapping& vm)
{
    endRun();
    // Grown by doubling: a view across thousands of pauses adds thousands of stretches.
    const int need = points.size() + 4 * count + 2;
    if (need > points.capacity())
        points.reserve(std::max(need, 2 * points.capacity()));
    const int tall = 2 * penPixels + 1;
    int prevX = 0;
    int prevLast = 0;
    bool prevDense = false;
    bool lineAtPrev = false; // the polyline being built ends at (prevX, prevLast)
    for (int k = 0; k < count; ++k) {
        const CurveAggregator::Mark& m = marks[k];
        const int x = m.x;
        // Where a column holds several samples, a dash pattern along the drawn path means
        // nothing (every sample's path is far longer) and could put a spike in a gap:
        // such columns, and steep joins between them, are filled whatever the pen style.
        const bool dense = m.lastIndex > m.firstIndex;
        const int yFirst = vm.y(m.first);
        const int yLast = vm.y(m.last);
        const int yTop = vm.y(m.max);
        const int yBottom = vm.y(m.min);
        if (k > 0 && m.joinedLeft) {
            const int dx = x - prevX;
            const int dy = std::abs(yFirst - prevLast);
            if ((solid || (dense && prevDense)) && dx >= 1 && dx <= MaxSteepWidth && dy >= tall &&
                dy >= 2 * dx) {
                endRun();
                steepLine(prevX, prevLast, x, yFirst);
            } else {
                if (!lineAtPrev) {
                    endRun();
                    append(prevX, prevLast);
                }
                append(x, yFirst);
            }
        } else {
            endRun();
        }
        if ((solid || dense) && yBottom - yTop >= tall) {
            endRun();
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
        prevDense = dense;
    }
    endRun();
}

void CurvePainter::paint(QPainter& painter) const
{
    if (!runEnds.isEmpty()) {
        painter.setPen(linePen);
        int start = 0;
        for (int end : runEnds) {
            painter.drawPolyline(points.constData() + start, end - start);
            start = end;
        }
    }
    if (!dots.isEmpty()) {
        painter.setPen(dotPen);
        painter.drawPoints(dots.constData(), dots.size());
    }
    const QVector<QRect>& fill = culled ? kept : rects;
    if (fill.isEmpty())
        return;
    const QColor color = dotPen.color();
    if (dotPen.brush().style() == Qt::SolidPattern && color.alpha() == 255 &&
        PixelFill::fill(painter, fill.constData(), fill.size(), color.rgba()))
        return;
    const bool antialiased = painter.testRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::NoPen);
    painter.setBrush(dotPen.brush());
    painter.drawRects(fill.constData(), fill.size());
    painter.setBrush(Qt::NoBrush);
    painter.setRenderHint(QPainter::Antialiasing, antialiased);
}

void CurvePainter::hideCovered(CurvePainter* inks, int count, const QRect& area, QVector<int>& top,
                               QVector<int>& bottom)
{
    const int left = area.left();
    const int columns = area.width();
    if (columns <= 0)
        return;
    top.fill(1, columns); // empty: top > bottom
    bottom.fill(0, columns);
    int* tops = top.data();
    int* bottoms = bottom.data();
    for (int j = count - 1; j >= 0; --j) {
        CurvePainter& ink = inks[j];
        ink.kept.clear();
        ink.kept.reserve(ink.rects.size());
        ink.culled = true;
        const bool opaque = ink.dotPen.color().alpha() == 255 && ink.dotPen.brush().isOpaque();
        for (const QRect& raw : qAsConst(ink.rects)) {
            const int x0 = std::max(raw.left(), area.left());
            const int x1 = std::min(raw.right(), area.right());
            const int a = std::max(raw.top(), area.top());
            const int b = std::min(raw.bottom(), area.bottom());
            if (x0 > x1 || a > b)
                continue;
            if (x0 != x1) {
                ink.kept.append(QRect(QPoint(x0, a), QPoint(x1, b)));
            } else {
                // What of this column is not covered yet.
                const int ct = tops[x0 - left];
                const int cb = bottoms[x0 - left];
                if (ct > cb || b < ct || a > cb) {
                    ink.kept.append(QRect(x0, a, 1, b - a + 1));
                } else {
                    if (a < ct)
                        ink.kept.append(QRect(x0, a, 1, ct - a));
                    if (b > cb)
                        ink.kept.append(QRect(x0, cb + 1, 1, b - cb));
                }
            }
            if (!opaque)
                continue;
            // Covered from now on: one interval per column, grown while the new one
            // touches it, else the longer of the two.
            for (int x = x0; x <= x1; ++x) {
                int& ct = tops[x - left];
                int& cb = bottoms[x - left];
                if (ct > cb) {
                    ct = a;
                    cb = b;
                } else if (b + 1 >= ct && a <= cb + 1) {
                    ct = std::min(ct, a);
                    cb = std::max(cb, b);
                } else if (b - a > cb - ct) {
                    ct = a;
                    cb = b;
                }
            }
        }
    }
}
