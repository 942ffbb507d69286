#pragma once

#include "vyiconbutton.h"

// Icon button with a bold caption sized from the icon height.
class VyIconTextButton : public VyIconButton
{
    Q_OBJECT

public:
    VyIconTextButton(const QIcon& icon, const QString& text, const QSize& size);
};
