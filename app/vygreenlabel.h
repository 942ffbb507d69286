#pragma once

#include <QLabel>

// Label whose green colour comes from the style sheet.
class VyGreenLabel : public QLabel
{
    Q_OBJECT

public:
    explicit VyGreenLabel(const QString& text);
};
