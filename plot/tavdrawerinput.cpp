#include "tavdrawer.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QWheelEvent>

void TavDrawer::mousePressEvent(QMouseEvent* event)
{
    Q_UNUSED(event)
}

void TavDrawer::mouseReleaseEvent(QMouseEvent* event)
{
    Q_UNUSED(event)
}

void TavDrawer::mouseMoveEvent(QMouseEvent* event)
{
    Q_UNUSED(event)
}

void TavDrawer::wheelEvent(QWheelEvent* event)
{
    Q_UNUSED(event)
}

void TavDrawer::keyReleaseEvent(QKeyEvent* event)
{
    event->accept();
}

void TavDrawer::enterEvent(QEvent* event)
{
    Q_UNUSED(event)
}

void TavDrawer::leaveEvent(QEvent* event)
{
    Q_UNUSED(event)
}

void TavDrawer::resizeEvent(QResizeEvent* event)
{
    plotLeft = marginLeft;
    plotRight = event->size().width() - marginRight;
    plotTop = marginTop;
    plotBottom = event->size().height() - marginBottom;
    QWidget::resizeEvent(event);
}

void TavDrawer::onMoveView(int sft_x, int sft_y)
{
    Q_UNUSED(sft_x)
    Q_UNUSED(sft_y)
    update();
}

void TavDrawer::onMoveTCenter(qlonglong stamp)
{
    const qint64 half = (stampEnd - stampStart) / 2;
    stampEnd = stamp + half;
    stampStart = stamp - half;
    update();
}
