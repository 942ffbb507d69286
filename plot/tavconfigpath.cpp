#include "tavconfigpath.h"

#include <QCoreApplication>
#include <QDir>

namespace TavConfigPath {

QString fileName()
{
    return QStringLiteral("tav_drawer_config.ini");
}

QString filePath()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(fileName());
}

} // namespace TavConfigPath
