#pragma once

#include <QPushButton>

class QMouseEvent;

// Flat icon button whose look comes from the style sheet: it keeps two properties of its own,
// hover and press, and re-polishes itself whenever one of them is set.
class VyIconButton : public QPushButton
{
    Q_OBJECT
    Q_PROPERTY(bool leftPressed READ leftPressed WRITE setLeftPressed
                   STORED true DESIGNABLE true SCRIPTABLE true)
    Q_PROPERTY(bool mouseHover READ mouseHover WRITE setMouseHover
                   STORED true DESIGNABLE true SCRIPTABLE true)

public:
    VyIconButton(const QIcon& icon, const QSize& size);

    bool leftPressed() const { return m_leftPressed; }
    bool mouseHover() const { return m_mouseHover; }
    void setLeftPressed(bool pressed);
    void setMouseHover(bool hover);

    // Points on the top or left edge count as outside.
    static bool isInside(const QPointF& localPos, const QSize& size);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void repolish();

    bool m_leftPressed = false;
    bool m_mouseHover = false;
};
