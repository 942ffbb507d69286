#include "vyicontextbutton.h"

VyIconTextButton::VyIconTextButton(const QIcon& icon, const QString& text, const QSize& size)
    : VyIconButton(icon, size)
{
    setText(text);
    QFont f = font();
    f.setWeight(75);
    f.setPixelSize(size.height() - 14);
    setFont(f);
}
