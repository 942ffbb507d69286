#include "plotlog.h"
#include "tavdrawer.h"
#include "viewnavigation.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QToolTip>
#include <QWheelEvent>

using namespace ViewNavigation;

// Every handler only changes state and asks for update(): Qt folds the requests of a fast
// drag or a burst of wheel steps into one paint, so no backlog of repaints builds up.

namespace {

XRange xRange(const TavDrawer& d)
{
    return {d.stampStart, d.stampEnd};
}

void setXRange(TavDrawer& d, const XRange& r)
{
    d.stampStart = r.start;
    d.stampEnd = r.end;
}

QPoint roundedPos(const QMouseEvent* event)
{
    return {qRound(event->localPos().x()), qRound(event->localPos().y())};
}

bool noData(const TavDrawer& d)
{
    return !d.hasData();
}

// The fault or event under a mouse at (x, y) in the marker band, if any tooltip is due.
TipHit eventUnder(const TavDrawer& d, int x, int y)
{
    const bool busy = d.mousePressed || d.dragA || d.dragB || d.hoverA || d.hoverB;
    if (busy || !inMarkerBand(y, d.plotBottom, d.iconSize))
        return {};
    const int half = d.iconSize / 2;
    const XRange r = xRange(d);
    TipSources src;
    src.errors = d.showError ? &d.dataSet.errors : nullptr;
    src.systemEvents = d.showSys ? &d.dataSet.systemEvents : nullptr;
    src.userEvents = d.showUser ? &d.dataSet.userEvents : nullptr;
    return findTip(src, stampAt(x - half, r, d.plotLeft, d.plotRight),
                   stampAt(x + half, r, d.plotLeft, d.plotRight));
}

void updateEventTip(TavDrawer& d, const QMouseEvent* event, int x, int y)
{
    const TipHit hit = eventUnder(d, x, y);
    int tipX = -1;
    int tipY = -1;
    QString text;
    if (hit.found) {
        tipX = tipXOf(hit.stamp, xRange(d), d.plotLeft, d.plotRight);
        tipY = d.plotBottom - d.iconSize / 2;
        text = hit.text;
        // Shown at the marker, not at the mouse; moving along the same marker leaves it be.
        if (tipX != d.lastTipX || tipY != d.lastTipY || text != d.lastTipText) {
            QToolTip::hideText();
            const QPoint global(qRound(event->screenPos().x()) + tipX - x,
                                qRound(event->screenPos().y()) + tipY - y);
            QToolTip::showText(global, text, &d);
        }
    } else {
        QToolTip::hideText();
    }
    d.lastTipX = tipX;
    d.lastTipY = tipY;
    d.lastTipText = text;
}

void updateHover(TavDrawer& d, int x)
{
    const Hover h = hoverAt(x, d.DrawA, d.vernPosA, d.dragA, d.DrawB, d.vernPosB, d.dragB);
    d.hoverA = h.a;
    d.hoverB = h.b;
    if (h.splitCursor) {
        if (!d.testAttribute(Qt::WA_SetCursor) || d.cursor().shape() != Qt::SplitHCursor)
            d.setCursor(Qt::SplitHCursor);
    } else if (d.testAttribute(Qt::WA_SetCursor)) {
        d.unsetCursor();
    }
}

bool yDragAllowed(const TavDrawer& d, int axis)
{
    if (axis == 0)
        return d.allowDragY0;
    if (axis == 1)
        return d.allowDragY1;
    return true;
}

void pan(TavDrawer& d, int x, int y)
{
    const int dy = y - d.pressY;
    const int axes = qMin(d.upperLimits.size(), d.lowerLimits.size());
    for (int l = 0; l < axes && dy != 0; ++l) {
        if (!yDragAllowed(d, l))
            continue;
        const float shift =
            panYShift(d.upperLimits[l], d.lowerLimits[l], dy, d.plotTop, d.plotBottom);
        panY(d.upperLimits[l], d.lowerLimits[l], shift);
    }
    if (d.allowDragX) {
        const XPan p = panX(xRange(d), x - d.pressX, d.plotLeft, d.plotRight, d.panRemainder);
        d.panRemainder = p.remainder;
        if (p.shift != 0)
            setXRange(d, shifted(xRange(d), double(p.shift)));
    }
    d.pressX = x;
    d.pressY = y;
}

void dragTo(TavDrawer& d, int x, int y)
{
    if (d.dragA)
        d.vernPosA = clampDraggedVernier(x, d.plotLeft, d.plotRight);
    else if (d.dragB)
        d.vernPosB = clampDraggedVernier(x, d.plotLeft, d.plotRight);
    else
        pan(d, x, y);
}

} // namespace

void TavDrawer::mousePressEvent(QMouseEvent* event)
{
    if (noData(*this) || event->button() != Qt::LeftButton)
        return;
    const QPoint p = roundedPos(event);
    mousePressed = true;
    pressX = p.x();
    pressY = p.y();
    const Grab g = grabAt(pressX, DrawA, vernPosA, DrawB, vernPosB);
    dragA = g == Grab::A;
    dragB = g == Grab::B;
    update();
}

void TavDrawer::mouseReleaseEvent(QMouseEvent* event)
{
    if (noData(*this) || event->button() != Qt::LeftButton)
        return;
    mousePressed = false;
    dragA = false;
    dragB = false;
    update();
}

void TavDrawer::mouseMoveEvent(QMouseEvent* event)
{
    if (noData(*this)) {
        hoverA = false;
        hoverB = false;
        return;
    }
    const QPoint p = roundedPos(event);
    updateEventTip(*this, event, p.x(), p.y());
    updateHover(*this, p.x());
    if (mousePressed)
        dragTo(*this, p.x(), p.y());
    update();
}

void TavDrawer::wheelEvent(QWheelEvent* event)
{
    if (noData(*this))
        return;
    // One step per event whatever its size; a purely horizontal wheel counts as zooming out.
    const bool zoomIn = event->angleDelta().y() > 0;
    if (allowZoomX) {
        const int x = int(event->position().x());
        setXRange(*this, zoomX(xRange(*this), x, plotLeft, plotRight, zoomIn));
    }
    if (allowZoomY0) {
        if (upperLimits.isEmpty() || lowerLimits.isEmpty()) {
            update();
            return;
        }
        zoomY(upperLimits[0], lowerLimits[0], zoomIn);
    }
    if (allowZoomY1 && upperLimits.size() > 1 && lowerLimits.size() > 1)
        zoomY(upperLimits[1], lowerLimits[1], zoomIn);
    update();
}

void TavDrawer::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        qCDebug(lcPlot) << "TavDrawer::keyReleaseEvent" << event->key();
        if (fullScreen)
            emit recoverWindow();
    }
    event->accept();
}

void TavDrawer::enterEvent(QEvent* event)
{
    Q_UNUSED(event)
}

void TavDrawer::leaveEvent(QEvent* event)
{
    Q_UNUSED(event)
    if (noData(*this))
        return;
    // mousePressed survives: the button may still be held when the mouse comes back.
    hoverA = false;
    dragA = false;
    hoverB = false;
    dragB = false;
    unsetCursor();
    update();
}

void TavDrawer::resizeEvent(QResizeEvent* event)
{
    plotLeft = marginLeft;
    plotRight = event->size().width() - marginRight;
    plotTop = marginTop;
    plotBottom = event->size().height() - marginBottom;
    if (hasData()) {
        const int oldWidth = event->oldSize().width();
        const int newWidth = event->size().width();
        vernPosA = rescaleVernier(vernPosA, marginLeft, marginRight, oldWidth, newWidth);
        vernPosB = rescaleVernier(vernPosB, marginLeft, marginRight, oldWidth, newWidth);
    }
    QWidget::resizeEvent(event);
}

void TavDrawer::onMoveView(int sft_x, int sft_y)
{
    // Unlike the mouse, the arrow buttons ignore the drag flags and whether data is loaded.
    const qint64 d = moveViewShift(sft_x, xRange(*this), plotLeft, plotRight);
    setXRange(*this, shifted(xRange(*this), double(d)));
    const int axes = qMin(upperLimits.size(), lowerLimits.size());
    for (int i = 0; i < axes; ++i) {
        const float shift = panYShift(upperLimits[i], lowerLimits[i], sft_y, plotTop, plotBottom);
        panY(upperLimits[i], lowerLimits[i], shift);
    }
    update();
}

void TavDrawer::onMoveTCenter(qlonglong stamp)
{
    qCDebug(lcPlot) << "TavDrawer::moveTCenter" << stamp;
    setXRange(*this, centredOn(xRange(*this), stamp));
    update();
}
