#pragma once

#include <QString>

// Where "tav_drawer_config.ini" lives.
namespace TavConfigPath {

QString fileName(); // "tav_drawer_config.ini"
QString filePath(); // beside the executable

} // namespace TavConfigPath
