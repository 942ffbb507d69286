#include "vystatuslabel.h"

#include <QFontMetrics>

VyStatusLabel::VyStatusLabel(const QString& text, QWidget* parent) : QLabel(parent)
{
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setText(text);
}

void VyStatusLabel::setText(const QString& text)
{
    m_full = text;
    elide();
}

void VyStatusLabel::elide()
{
    const int room = contentsRect().width() - 2 * qMax(0, indent()) - 2 * margin();
    const QString shown = fontMetrics().elidedText(m_full, Qt::ElideMiddle, qMax(0, room));
    QLabel::setText(shown);
    setToolTip(m_full);
}

QSize VyStatusLabel::sizeHint() const
{
    return QSize(0, QLabel::sizeHint().height());
}

QSize VyStatusLabel::minimumSizeHint() const
{
    return QSize(0, QLabel::minimumSizeHint().height());
}

void VyStatusLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    elide();
}
