#pragma once

#include <QList>
#include <QObject>
#include <QRect>
#include <QString>

class QSettings;
class QSplitter;
class QTabWidget;

// What the window remembers from one run to the next, in the per-user settings: where it
// stood on the screen, the split between plot and side panel, the side-panel page, and the
// folder each file dialog was last used in. The plot's own settings file is apart from this.
class WindowMemory : public QObject
{
    Q_OBJECT
public:
    enum class Dialog
    {
        Open,
        Export,
        Screenshot,
        Report
    };

    // The per-user settings of the program: on Linux ~/.config/ostrel/ostrel.conf, beside
    // the plot settings a program installed read-only keeps there; on Windows the registry.
    static QSettings* openUserSettings(QObject* parent);

    // A window's first place: 80 % of the available area each way, or its minimum size where
    // that is more, centred in the area; a window larger than the area starts at its top
    // left corner, where the title bar can be reached.
    static QRect firstStartGeometry(const QRect& available, const QSize& minimum = QSize());
    // Whether a window with this frame could still be seen and grabbed on one of the
    // screens (their available areas): a part of it at least the size of a title bar's
    // grip must lie on one screen.
    static bool reachable(const QRect& frame, const QList<QRect>& screens);

    // Watches window (whose last pane is pages): it saves its state whenever it closes.
    WindowMemory(QSettings* settings, QSplitter* window, QTabWidget* pages);

    // Puts the window where it last was, or in its first place when it has never closed or
    // would now stand off every screen. Called before the window is shown.
    void restore();
    void save() const;

    // The folder the dialog was last used in while it still exists, else otherwise.
    QString folder(Dialog dialog, const QString& otherwise = QString()) const;
    // The dialog was just used to choose file.
    void useFolderOf(Dialog dialog, const QString& file);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void restoreGeometry();

    QSettings* m_settings;
    QSplitter* m_window;
    QTabWidget* m_pages;
};
