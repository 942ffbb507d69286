#include "windowmemory.h"

#include "ostrellog.h"

#include <QEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QTabWidget>

namespace {

const char* const GeometryKey = "window/geometry";
const char* const FrameKey = "window/frame";
const char* const SplitterKey = "window/splitter";
const char* const PageKey = "window/page";

// The least of a window that must stay on a screen for the user to find and move it.
const QSize Grip(100, 40);

QString folderKey(WindowMemory::Dialog dialog)
{
    switch (dialog) {
    case WindowMemory::Dialog::Open:
        return QStringLiteral("dialogs/open");
    case WindowMemory::Dialog::Export:
        return QStringLiteral("dialogs/export");
    case WindowMemory::Dialog::Screenshot:
        return QStringLiteral("dialogs/screenshot");
    case WindowMemory::Dialog::Report:
        return QStringLiteral("dialogs/report");
    }
    return QString();
}

QList<QRect> availableScreens()
{
    QList<QRect> areas;
    for (const QScreen* screen : QGuiApplication::screens())
        areas << screen->availableGeometry();
    return areas;
}

} // namespace

QSettings* WindowMemory::openUserSettings(QObject* parent)
{
    // Named as Qt names the plot settings' per-user folder, so that both share it.
    return new QSettings(QStringLiteral("ostrel"), QStringLiteral("ostrel"), parent);
}

QRect WindowMemory::firstStartGeometry(const QRect& available, const QSize& minimum)
{
    const QSize size = (available.size() * 0.8).expandedTo(minimum);
    const QPoint margin(qMax(0, available.width() - size.width()) / 2,
                        qMax(0, available.height() - size.height()) / 2);
    return QRect(available.topLeft() + margin, size);
}

bool WindowMemory::reachable(const QRect& frame, const QList<QRect>& screens)
{
    if (frame.isEmpty())
        return false;
    const QSize need = Grip.boundedTo(frame.size());
    for (const QRect& screen : screens) {
        const QRect part = frame.intersected(screen);
        if (part.width() >= need.width() && part.height() >= need.height())
            return true;
    }
    return false;
}

WindowMemory::WindowMemory(QSettings* settings, QSplitter* window, QTabWidget* pages)
    : QObject(window), m_settings(settings), m_window(window), m_pages(pages)
{
    m_window->installEventFilter(this);
}

void WindowMemory::restore()
{
    restoreGeometry();
    m_window->restoreState(m_settings->value(QLatin1String(SplitterKey)).toByteArray());
    const int page = m_settings->value(QLatin1String(PageKey), -1).toInt();
    if (page >= 0 && page < m_pages->count())
        m_pages->setCurrentIndex(page);
}

void WindowMemory::restoreGeometry()
{
    const QByteArray geometry = m_settings->value(QLatin1String(GeometryKey)).toByteArray();
    const QRect frame = m_settings->value(QLatin1String(FrameKey)).toRect();
    if (!geometry.isEmpty() && reachable(frame, availableScreens()) &&
        m_window->restoreGeometry(geometry))
        return;
    qCDebug(lcOstrel) << "WindowMemory::restoreGeometry: first place for" << frame;
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen)
        m_window->setGeometry(
            firstStartGeometry(screen->availableGeometry(), m_window->minimumSizeHint()));
}

void WindowMemory::save() const
{
    m_settings->setValue(QLatin1String(GeometryKey), m_window->saveGeometry());
    m_settings->setValue(QLatin1String(FrameKey), m_window->frameGeometry());
    // A side panel pushed shut is remembered open, as the next start shows the button
    // that would shut it.
    if (!m_window->sizes().contains(0))
        m_settings->setValue(QLatin1String(SplitterKey), m_window->saveState());
    m_settings->setValue(QLatin1String(PageKey), m_pages->currentIndex());
    m_settings->sync();
}

QString WindowMemory::folder(Dialog dialog, const QString& otherwise) const
{
    const QString dir = m_settings->value(folderKey(dialog)).toString();
    return !dir.isEmpty() && QFileInfo(dir).isDir() ? dir : otherwise;
}

void WindowMemory::useFolderOf(Dialog dialog, const QString& file)
{
    m_settings->setValue(folderKey(dialog), QFileInfo(file).absolutePath());
}

bool WindowMemory::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window && event->type() == QEvent::Close)
        save();
    return false;
}
