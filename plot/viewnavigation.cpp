#include "viewnavigation.h"

#include <QCoreApplication>
#include <QDateTime>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace ViewNavigation {

Grab grabAt(int x, bool drawA, int posA, bool drawB, int posB)
{
    if (drawA && std::abs(x - posA) <= VernierReach)
        return Grab::A;
    if (drawB && std::abs(x - posB) <= VernierReach)
        return Grab::B;
    return Grab::None;
}

Hover hoverAt(int x, bool drawA, int posA, bool dragA, bool drawB, int posB, bool dragB)
{
    Hover h;
    if (drawA && (std::abs(x - posA) <= VernierReach || dragA)) {
        h.a = true;
        h.splitCursor = true;
    } else if (drawB && (std::abs(x - posB) <= VernierReach || dragB)) {
        h.b = true;
        h.splitCursor = true;
    } else {
        h.splitCursor = dragA || dragB;
    }
    return h;
}

int clampDraggedVernier(int x, int plotLeft, int plotRight)
{
    int pos = x;
    if (pos < plotLeft)
        pos = plotLeft;
    if (pos >= plotRight)
        pos = plotRight - 1;
    return pos;
}

int rescaleVernier(int pos, int marginLeft, int marginRight, int oldWidth, int newWidth)
{
    const int oldInner = oldWidth - marginLeft - marginRight;
    if (oldInner <= 0)
        return pos;
    const float ratio = float(newWidth - marginLeft - marginRight) / float(oldInner);
    return int(float(pos - marginLeft) * ratio + float(marginLeft));
}

qint64 roundHalfAway(double v)
{
    return qint64(std::round(v));
}

XPan panX(const XRange& r, int dx, int plotLeft, int plotRight, float remainder)
{
    XPan pan;
    pan.remainder = remainder;
    const int span = plotRight - plotLeft + 1;
    if (span <= 0)
        return pan;
    const float f = float(r.start - r.end) * float(dx) / float(span) + remainder;
    if (std::fabs(f) < 1.0f) {
        pan.remainder = f;
        return pan;
    }
    pan.shift = roundHalfAway(f);
    pan.remainder = 0.0f;
    return pan;
}

float panYShift(float upper, float lower, int dy, int plotTop, int plotBottom)
{
    const int span = plotBottom - plotTop + 1;
    if (span <= 0)
        return 0.0f;
    return (upper - lower) * float(dy) / float(span);
}

qint64 moveViewShift(int sftX, const XRange& r, int plotLeft, int plotRight)
{
    const int span = plotRight - plotLeft + 1;
    if (span <= 0)
        return 0;
    return roundHalfAway((-float(sftX) * float(r.end - r.start)) / float(span));
}

XRange shifted(const XRange& r, double d)
{
    return {qint64(double(r.start) + d), qint64(double(r.end) + d)};
}

XRange zoomX(const XRange& r, int x, int plotLeft, int plotRight, bool zoomIn)
{
    const int width = plotRight - plotLeft;
    if (width <= 0)
        return r;
    const qint64 range = r.end - r.start;
    const qint64 f = (x > plotLeft ? std::min(x, plotRight) - plotLeft : 0) * range / width;
    const double g = double(r.start + f);
    if (zoomIn) {
        const XRange next{qint64(g - double(f) * 0.9), qint64(double(range - f) * 0.9 + g)};
        return next.end - next.start >= width / 2 ? next : r;
    }
    // Checked in double before converting, so a refused step never overflows.
    const double start = g - double(f) * 1.1;
    const double end = double(range - f) * 1.1 + g;
    if (end - start > double(MaxRangeSeconds) || start < double(MinStamp) || end > double(MaxStamp))
        return r;
    return {qint64(start), qint64(end)};
}

namespace {

bool reachable(float upper, float lower)
{
    return std::fabs(upper) <= MaxYLimit && std::fabs(lower) <= MaxYLimit;
}

} // namespace

void zoomY(float& upper, float& lower, bool zoomIn)
{
    const float step = float(double(upper - lower) * 0.02);
    const float u = zoomIn ? upper - step : upper + step;
    const float l = zoomIn ? lower + step : lower - step;
    if (!reachable(u, l) || (zoomIn && std::fabs(u - l) < MinYRange))
        return;
    upper = u;
    lower = l;
}

void panY(float& upper, float& lower, float shift)
{
    if (!reachable(upper + shift, lower + shift))
        return;
    upper += shift;
    lower += shift;
}

XRange centredOn(const XRange& r, qint64 stamp)
{
    const qint64 half = (r.end - r.start) / 2;
    XRange c{stamp - half, stamp + half};
    if (c.end - c.start < 1)
        c.end = c.start + 1;
    return c;
}

bool inMarkerBand(int y, int plotBottom, int iconSize)
{
    return plotBottom - iconSize < y && y < plotBottom;
}

qint64 stampAt(int x, const XRange& r, int plotLeft, int plotRight)
{
    const int width = plotRight - plotLeft;
    if (width == 0)
        return r.start;
    return r.start + qint64(x - plotLeft) * (r.end - r.start) / width;
}

int tipXOf(qint64 stamp, const XRange& r, int plotLeft, int plotRight)
{
    const qint64 range = r.end - r.start;
    if (range == 0)
        return plotLeft;
    return int(plotLeft + (stamp - r.start) * (plotRight - plotLeft) / range);
}

QString stampText(qint64 stamp)
{
    return QDateTime::fromSecsSinceEpoch(stamp, Qt::UTC)
        .toString(QStringLiteral("yyyy/MM/dd hh:mm:ss"));
}

namespace {

QString faultText(const ErrorRecord& e)
{
    if (e.state == 0)
        return QCoreApplication::translate("ViewNavigation", "[%1]故障解除 %2")
            .arg(QString::number(e.code), stampText(e.stamp));
    if (e.state == 1)
        return QCoreApplication::translate("ViewNavigation", "[%1]故障发生 %2")
            .arg(QString::number(e.code), stampText(e.stamp));
    return QString();
}

bool firstEvent(const QList<EventRecord>* events, qint64 low, qint64 high, TipHit& hit)
{
    if (!events)
        return false;
    for (const EventRecord& e : *events) {
        if (low <= qint64(e.stamp) && qint64(e.stamp) <= high) {
            hit = {true, qint64(e.stamp), QStringLiteral("%1 %2").arg(e.text, stampText(e.stamp))};
            return true;
        }
    }
    return false;
}

} // namespace

TipHit findTip(const TipSources& src, qint64 low, qint64 high)
{
    TipHit hit;
    if (src.errors) {
        for (const ErrorRecord& e : *src.errors) {
            if (low <= qint64(e.stamp) && qint64(e.stamp) <= high)
                return {true, qint64(e.stamp), faultText(e)};
        }
    }
    if (firstEvent(src.systemEvents, low, high, hit))
        return hit;
    firstEvent(src.userEvents, low, high, hit);
    return hit;
}

} // namespace ViewNavigation
