#pragma once

#include <QKeySequence>
#include <QList>
#include <QObject>

class QAction;
class QWidget;

// The window's keyboard shortcuts. Each does what its button does, and the button's tooltip
// names its keys. While an editor in a table cell has the focus none of them fires: the
// keys belong to the editor then.
class WindowShortcuts : public QObject
{
    Q_OBJECT
public:
    explicit WindowShortcuts(QWidget* window);

    // A shortcut of the window for keys, the first of which is shown in button's tooltip
    // (when there is a button). Connect its triggered() to what it does.
    QAction* add(const QList<QKeySequence>& keys, QWidget* button = nullptr);

    // The platform's keys to quit, and Ctrl+Q where the platform has another or none.
    static QList<QKeySequence> quitKeys();

    // Whether widget edits a cell of a table or list: it lies in an item view's viewport.
    static bool isCellEditor(const QWidget* widget);

private:
    void onFocusChanged(QWidget* old, QWidget* now);

    QWidget* m_window;
    QList<QAction*> m_actions;
};
