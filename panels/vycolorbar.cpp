#include "vycolorbar.h"

VyColorBar::VyColorBar(int row, const QString& color, bool clickable) : row(row)
{
    setColor(color);
    if (clickable)
        setCursor(Qt::PointingHandCursor);
}

void VyColorBar::setColor(const QString& color)
{
    this->color = color;
    setStyleSheet(QStringLiteral("border: 1px solid grey;margin: 5px;background-color: ") + color);
}

void VyColorBar::mousePressEvent(QMouseEvent* /*event*/)
{
    // The label's own press handling is skipped on purpose: the press is the whole gesture.
    emit clicked(row);
}
