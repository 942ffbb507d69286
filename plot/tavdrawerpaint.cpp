#include "tavdrawer.h"

#include <QPaintEvent>
#include <QPainter>

void TavDrawer::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event)
    QPainter painter(this);
    painter.fillRect(rect(), DarkMode ? QColor(0x20, 0x20, 0x20) : QColor(Qt::white));
}

void TavDrawer::onRepaintRequestedByData()
{
    blockSignals(true);
    repaint();
    blockSignals(false);
    emit vernRefreshed();
}
