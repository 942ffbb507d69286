#include "windowpaths.h"

#include <QDir>
#include <QFileInfo>

namespace WindowPaths {

QString proposedSavePath(const QString& dir, const QString& stem)
{
    return QDir::toNativeSeparators(QDir::cleanPath(dir + QDir::separator() + stem));
}

QString proposedSaveName(const QString& dir, const QString& stem, const QString& suffix)
{
    const QString path = proposedSavePath(dir, stem);
    return stem.isEmpty() ? path : path + QLatin1Char('.') + suffix;
}

QString openDialogFolder(const QString& lastDir)
{
#ifdef Q_OS_WIN
    Q_UNUSED(lastDir)
    return QStringLiteral("G:\\");
#else
    if (!lastDir.isEmpty() && QFileInfo(lastDir).isDir())
        return lastDir;
    return QDir::homePath();
#endif
}

QString fileStem(const QString& path)
{
    return QFileInfo(path).fileName().section(QLatin1Char('.'), 0, 0);
}

QString withSuffix(const QString& path, const QString& suffix)
{
    const QString name = QFileInfo(path).fileName();
    if (name.isEmpty() || !QFileInfo(path).suffix().isEmpty())
        return path;
    return path + QLatin1Char('.') + suffix;
}

SaveTarget saveTarget(const QString& chosen, const QString& suffix)
{
    SaveTarget target;
    target.path = withSuffix(chosen, suffix);
    target.askReplace = target.path != chosen && QFileInfo::exists(target.path);
    return target;
}

QUrl folderUrl(const QString& file)
{
    // fromLocalFile, not "file:///" + path: a Unix absolute path already starts with "/".
    return QUrl::fromLocalFile(QFileInfo(file).absolutePath());
}

QString droppedDataFile(const QList<QUrl>& urls)
{
    for (const QUrl& url : urls) {
        if (!url.isLocalFile())
            continue;
        const QString path = url.toLocalFile();
        const QString suffix = QFileInfo(path).suffix().toLower();
        if (suffix == QLatin1String("tavdata") || suffix == QLatin1String("csv"))
            return path;
    }
    return QString();
}

} // namespace WindowPaths
