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
    return QDir(userDir).filePath(fileName());
}

QString filePath(const QString& appDir)
{
    return filePath(appDir, isWritableDir(appDir),
                    QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
}

bool isWritableDir(const QString& dir)
{
    const QFileInfo info(dir);
    return info.isDir() && info.isWritable();
}

} // namespace TavConfigPath
