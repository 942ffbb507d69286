#pragma once

#include <QLabel>
#include <QString>

// Colour swatch of the curve table (clickable) and of the vernier table (read only).
// The colour string is kept exactly as given, so "#AABBCC" stays upper case.
class VyColorBar : public QLabel
{
    Q_OBJECT
public:
    VyColorBar(int row, const QString& color, bool clickable);

    void setColor(const QString& color);

    QString color;
    int row = 0;

signals:
    void clicked(int r);

protected:
    void mousePressEvent(QMouseEvent* event) override;
};
