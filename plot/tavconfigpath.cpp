#include "tavconfigpath.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace TavConfigPath {

QString fileName()
{
    return QStringLiteral("tav_drawer_config.ini");
}

QString filePath()
{
    return filePath(QCoreApplication::applicationDirPath());
}

QString filePath(const QString& appDir, bool appDirWritable, const QString& userDir)
{
    if (appDirWritable)
        return QDir(appDir).filePath(fileName());
    // Created here so that the first save finds its folder.
    QDir().mkpath(userDir);
    return userFilePath(userDir);
}

QString filePath(const QString& appDir)
{
    return filePath(appDir, isWritableDir(appDir),
                    QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
}

QString userFilePath(const QString& userDir)
{
    return QDir(userDir).filePath(fileName());
}

QString userFilePath()
{
    return userFilePath(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
}

QString installedFilePath(const QString& appDir)
{
    return QDir::cleanPath(QDir(appDir).filePath(QStringLiteral(OSTREL_SETTINGS_FROM_BIN)) +
                           QLatin1Char('/') + fileName());
}

QString installedFilePath()
{
    return installedFilePath(QCoreApplication::applicationDirPath());
}

QString readPath(const QString& userFile, const QString& installedFile)
{
    // No file at all is asked for with an empty name: nothing to fall back from.
    if (userFile.isEmpty() || QFileInfo(userFile).isFile())
        return userFile;
    return installedFile;
}

bool isWritableDir(const QString& dir)
{
    const QFileInfo info(dir);
    return info.isDir() && info.isWritable();
}

} // namespace TavConfigPath
