#include "filedropfilter.h"

#include "windowpaths.h"

#include <QDropEvent>
#include <QMimeData>

FileDropFilter::FileDropFilter(QObject* parent) : QObject(parent) {}

bool FileDropFilter::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return QObject::eventFilter(watched, event);
    auto* drop = static_cast<QDropEvent*>(event);
    const QString path = WindowPaths::droppedDataFile(drop->mimeData()->urls());
    if (path.isEmpty()) {
        drop->ignore();
        return true;
    }
    drop->acceptProposedAction();
    if (type == QEvent::Drop)
        emit fileDropped(path);
    return true;
}
