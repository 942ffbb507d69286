#include "vyiconbutton.h"

#include <QFont>
#include <QMouseEvent>
#include <QStyle>
#include <QtMath>

VyIconButton::VyIconButton(const QIcon& icon, const QSize& size) : QPushButton(nullptr)
{
    QFont f = font();
    f.setFamily(QStringLiteral("微软雅黑"));
    setFont(f);
    setToolTipDuration(1000);
    setIcon(icon);
    setIconSize(size);
    setFlat(true);
    setMinimumWidth(size.width() + 14);
    setFixedHeight(size.height() + 14);
}

void VyIconButton::setLeftPressed(bool pressed)
{
    m_leftPressed = pressed;
    repolish();
}

void VyIconButton::setMouseHover(bool hover)
{
    m_mouseHover = hover;
    repolish();
}

// Property selectors are only re-evaluated on a fresh polish, so this runs on every set.
void VyIconButton::repolish()
{
    style()->unpolish(this);
    style()->polish(this);
}

bool VyIconButton::isInside(const QPointF& localPos, const QSize& size)
{
    const int x = qRound(localPos.x());
    const int y = qRound(localPos.y());
    return x > 0 && x <= size.width() - 1 && y > 0 && y <= size.height() - 1;
}

// The push button's own press handling is skipped on purpose: no sunken look, no pressed().
void VyIconButton::mousePressEvent(QMouseEvent* event)
{
    setLeftPressed(true);
    event->accept();
}

void VyIconButton::mouseReleaseEvent(QMouseEvent* event)
{
    const bool inside = isInside(event->localPos(), size());
    setLeftPressed(false);
    if (inside)
        emit clicked(false);
    event->accept();
}

void VyIconButton::mouseMoveEvent(QMouseEvent* event)
{
    const bool inside = isInside(event->localPos(), size());
    if (inside && !m_mouseHover)
        setMouseHover(true);
    else if (!inside && m_mouseHover)
        setMouseHover(false);
    event->accept();
}

void VyIconButton::enterEvent(QEvent* event)
{
    setMouseHover(true);
    event->accept();
}

void VyIconButton::leaveEvent(QEvent* event)
{
    setMouseHover(false);
    event->accept();
}
