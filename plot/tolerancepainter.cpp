#include "tolerancepainter.h"

#include "pixelfill.h"

#include <QColor>
#include <QPainter>

#include <algorithm>

namespace TolerancePainter {

namespace {

// Fill strengths over the plot's background: light enough that the grid and the curves
// stay readable through them.
constexpr int BandAlpha = 64;
const QColor ExcursionColor(230, 20, 20, 72);

// The column of stamp t, clamped to the plot: the exact position in double, since a stamp
// far outside the range would overflow the float mapping.
int columnOf(const TimeMapping& tm, qint64 t)
{
    const double x = double(t - tm.stampStart) * double(tm.right - tm.left) /
                         double(tm.stampEnd - tm.stampStart) +
                     tm.left;
    return int(std::max(double(tm.left), std::min(double(tm.right), x)));
}

// The band's rows [first, last] within [top, bottom] on vm; last < first when it lies
// wholly above or below the plot.
QPair<int, int> bandRows(const ValueMapping& vm, double setpoint, const ToleranceBand& band,
                         int top, int bottom)
{
    // Larger values lie higher, at smaller y.
    const int high = vm.y(float(setpoint + band.above));
    const int low = vm.y(float(setpoint - band.below));
    const int first = std::max(top, std::min(high, low));
    const int last = std::min(bottom, std::max(high, low));
    return {first, last};
}

// The fills of one colour. Those side by side with equal rows become one. Narrow ones, the
// columns of a zoomed-out profile of short cycles, are blended straight into the pixels
// where the painter allows it: the painter fills a rectangle row by row, so that a stripe
// one pixel wide costs a call per pixel of its height.
class MergedFill
{
public:
    MergedFill(QPainter& painter, const QColor& color) : m_painter(painter), m_color(color) {}
    ~MergedFill()
    {
        flush();
        if (!m_narrow.isEmpty() &&
            !PixelFill::blend(m_painter, m_narrow.constData(), m_narrow.size(), m_color.rgba())) {
            for (const QRect& r : qAsConst(m_narrow))
                m_painter.fillRect(r, m_color);
        }
    }

    void add(const QRect& r)
    {
        if (!m_pending.isNull() && r.left() == m_pending.right() + 1 &&
            r.top() == m_pending.top() && r.bottom() == m_pending.bottom()) {
            m_pending.setRight(r.right());
            return;
        }
        flush();
        m_pending = r;
    }

private:
    void flush()
    {
        if (m_pending.width() >= WideFill)
            m_painter.fillRect(m_pending, m_color);
        else if (!m_pending.isNull())
            m_narrow.append(m_pending);
        m_pending = QRect();
    }

    static constexpr int WideFill = 16; // columns from which the painter's fill is as quick

    QPainter& m_painter;
    QColor m_color;
    QRect m_pending;
    QVector<QRect> m_narrow;
};

void paintPair(QPainter& painter, const TimeMapping& tm, int top, int bottom,
               const ValueMapping& vm, const QColor& bandColor, const ToleranceBand& band,
               const ToleranceResult& result)
{
    int nextBand = tm.left;
    int nextExcursion = tm.left;
    MergedFill bands(painter, bandColor);
    MergedFill stripes(painter, ExcursionColor);
    for (const ToleranceHold& hold : result.holds) {
        if (hold.to < tm.stampStart || hold.from > tm.stampEnd)
            continue;
        const Columns hc = columns(tm, hold.from, hold.to, nextBand);
        if (hc.last >= hc.first) {
            nextBand = hc.last + 1;
            const auto rows = bandRows(vm, hold.setpoint, band, top, bottom);
            if (rows.second >= rows.first)
                bands.add(QRect(QPoint(hc.first, rows.first), QPoint(hc.last, rows.second)));
        }
        for (const ToleranceExcursion& e : hold.excursions) {
            if (e.to < tm.stampStart || e.from > tm.stampEnd)
                continue;
            const Columns ec = columns(tm, e.from, e.to, nextExcursion);
            if (ec.last < ec.first)
                continue;
            nextExcursion = ec.last + 1;
            stripes.add(QRect(QPoint(ec.first, top), QPoint(ec.last, bottom)));
        }
    }
}

} // namespace

Columns columns(const TimeMapping& tm, qint64 from, qint64 to, int next)
{
    if (!tm.valid() || to < tm.stampStart || from > tm.stampEnd || to < from)
        return {};
    Columns c;
    c.first = std::max(next, columnOf(tm, from));
    c.last = columnOf(tm, to); // from's column at least, as to >= from
    return c;
}

void paint(QPainter& painter, const TimeMapping& tm, int top, int bottom,
           const QList<float>& upperLimits, const QList<float>& lowerLimits,
           const ToleranceSettings& settings, const QVector<ToleranceResult>& results,
           const QList<CurveInfo>& curves)
{
    if (!settings.showBands || results.size() != settings.pairs.size() || !tm.valid() ||
        bottom <= top)
        return;
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (int p = 0; p < settings.pairs.size(); ++p) {
        const TolerancePair& pair = settings.pairs.at(p);
        if (pair.measured < 0 || pair.measured >= curves.size() || !curves.at(pair.measured).ToDraw)
            continue;
        const CurveInfo& info = curves.at(pair.measured);
        const int axis = info.RefIndex >= 0 && info.RefIndex < upperLimits.size() &&
                                 info.RefIndex < lowerLimits.size()
                             ? info.RefIndex
                             : 0;
        if (axis >= upperLimits.size() || axis >= lowerLimits.size())
            continue;
        QColor bandColor(info.CurveColor);
        bandColor.setAlpha(BandAlpha);
        const ValueMapping vm(upperLimits.at(axis), lowerLimits.at(axis), top, bottom);
        if (!vm.valid()) // the excursions need no axis, but a pair is drawn whole or not at all
            continue;
        paintPair(painter, tm, top, bottom, vm, bandColor, pair.band, results.at(p));
    }
    painter.restore();
}

} // namespace TolerancePainter
