#pragma once

#include <QObject>

class QWidget;
class TavDrawer;

// Watches the canvas and the main window while the canvas is shown full screen. Closing
// the full-screen canvas in any way (the window manager's close, Alt+F4) must give the
// plot back to the window rather than destroy or hide it; closing the main window must
// take the canvas back first, so that no window is left behind and the program ends.
class FullScreenGuard : public QObject
{
    Q_OBJECT
public:
    FullScreenGuard(TavDrawer* canvas, QWidget* window);

signals:
    // The canvas is full screen and should go back into the window now.
    void returnRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TavDrawer* m_canvas;
    QWidget* m_window;
};
