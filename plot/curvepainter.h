#pragma once

#include "curveaggregator.h"
#include "plotmapping.h"

#include <QPen>
#include <QPointF>
#include <QRect>
#include <QVector>

class QPainter;

// The ink of one curve for one paint: the polyline through each column's first, lowest,
// highest and last sample, and a dot for a sample joined to nothing. Collected first and
// painted afterwards, so that ink a later curve covers need not be drawn at all.
//
// With a solid pen, a column taller than a few pixels, and a steep join between columns,
// is filled as pixel-aligned rectangles, one per column, instead of being stroked: the
// same pixels as an aliased stroke, without anti-aliased strokes of hundreds of pixels
// per column (noisy data). Flat and short ones stay in anti-aliased polylines, so smooth
// curves keep their smooth look. With other pen styles only columns that hold several
// samples, and steep joins between two such columns, are filled: there a dash pattern
// along the drawn path means nothing and could hide a spike in a gap. Sparse stretches
// keep their dashes.
class CurvePainter
{
public:
    // Starts the ink of a curve drawn with pen.
    void begin(const QPen& pen);
    // Adds the marks of one stretch of the curve.
    void add(const CurveAggregator::Mark* marks, int count, const ValueMapping& vm);
    // Adds a straight line (where the curve enters or leaves the plot).
    void addLine(const QPointF& a, const QPointF& b);
    void paint(QPainter& painter) const;

    // Leaves out the filled rectangles, or the parts of them, that a curve painted later
    // (higher index) fills with an opaque colour anyway: with twenty noisy curves most of
    // the plot would otherwise be filled many times over. Only the pixels inside area
    // are kept. top and bottom are scratch buffers.
    static void hideCovered(CurvePainter* inks, int count, const QRect& area, QVector<int>& top,
                            QVector<int>& bottom);

private:
    void append(double x, double y);
    void endRun();
    void span(int x, int y0, int y1);
    void steepLine(int x0, int y0, int x1, int y1);

    // Steep lines wider than this many pixels stay strokes.
    static constexpr int MaxSteepWidth = 64;

    QVector<QPointF> points; // polylines, one after the other
    QVector<int> runEnds;    // end of each polyline in points
    int runStart = 0;
    QVector<QPointF> dots;
    QVector<QRect> rects;
    QVector<QRect> kept; // rects after hideCovered
    bool culled = false;
    QPen linePen;
    QPen dotPen;
    bool solid = true;
    int penPixels = 1;
};
