#pragma once

#include "curveaggregator.h"
#include "plotmapping.h"

#include <QPen>
#include <QPointF>
#include <QRect>
#include <QVector>

class QPainter;

// Draws the marks of one curve: the polyline through each column's first, lowest, highest
// and last sample, and a dot for a sample joined to nothing.
//
// With a solid pen, a column taller than a few pixels, and a steep join between columns,
// is filled as pixel-aligned rectangles, one per column, instead of being stroked: the
// same pixels as an aliased stroke, without anti-aliased strokes of hundreds of pixels
// per column (noisy data). Flat and short ones stay in anti-aliased polylines, so smooth
// curves keep their smooth look. Other pen styles are always stroked.
class CurvePainter
{
public:
    void draw(QPainter& painter, const QPen& pen, const CurveAggregator::Mark* marks, int count,
              const ValueMapping& vm);

private:
    void append(int x, int y);
    void flush(QPainter& painter);
    void span(int x, int y0, int y1);
    void steepLine(int x0, int y0, int x1, int y1);

    // Steep lines wider than this many pixels stay strokes.
    static constexpr int MaxSteepWidth = 64;

    QVector<QPointF> points;
    QVector<QRect> rects;
    int penPixels = 1;
    QPen dotPen;
    QPen linePen;
};
