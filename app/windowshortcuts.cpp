#include "windowshortcuts.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>

WindowShortcuts::WindowShortcuts(QWidget* window) : QObject(window), m_window(window)
{
    connect(qApp, &QApplication::focusChanged, this, &WindowShortcuts::onFocusChanged);
}

QAction* WindowShortcuts::add(const QList<QKeySequence>& keys, QWidget* button)
{
    auto* action = new QAction(m_window);
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    m_window->addAction(action);
    m_actions << action;
    if (button && !keys.isEmpty())
        button->setToolTip(
            tr("%1（%2）").arg(button->toolTip(), keys.first().toString(QKeySequence::NativeText)));
    return action;
}

QList<QKeySequence> WindowShortcuts::quitKeys()
{
    QList<QKeySequence> keys = QKeySequence::keyBindings(QKeySequence::Quit);
    const QKeySequence ctrlQ(Qt::CTRL | Qt::Key_Q);
    if (!keys.contains(ctrlQ))
        keys << ctrlQ;
    return keys;
}

bool WindowShortcuts::isCellEditor(const QWidget* widget)
{
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        const auto* view = qobject_cast<const QAbstractItemView*>(w->parentWidget());
        if (view && view->viewport() == w)
            return w != widget;
    }
    return false;
}

void WindowShortcuts::onFocusChanged(QWidget* old, QWidget* now)
{
    Q_UNUSED(old)
    const bool enabled = !isCellEditor(now);
    for (QAction* action : qAsConst(m_actions))
        action->setEnabled(enabled);
}
