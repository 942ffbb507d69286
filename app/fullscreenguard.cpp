#include "fullscreenguard.h"

#include "tavdrawer.h"

#include <QEvent>

FullScreenGuard::FullScreenGuard(TavDrawer* canvas, QWidget* window)
    : QObject(window), m_canvas(canvas), m_window(window)
{
    // A parentless canvas must never keep the program alive on its own.
    m_canvas->setAttribute(Qt::WA_QuitOnClose, false);
    m_canvas->installEventFilter(this);
    m_window->installEventFilter(this);
}

bool FullScreenGuard::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::Close || !m_canvas->fullScreen)
        return false;
    if (watched == m_canvas) {
        event->ignore();
        emit returnRequested();
        return true;
    }
    if (watched == m_window)
        emit returnRequested(); // and let the window close
    return false;
}
