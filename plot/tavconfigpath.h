#pragma once

#include <QString>

// Where "tav_drawer_config.ini" lives: beside the executable, or, where the program's folder
// cannot be written (an installed program), in the per-user configuration folder.
namespace TavConfigPath {

QString fileName(); // "tav_drawer_config.ini"
QString filePath(); // for the running program

// The file for a program in appDir: beside it when appDir is writable, else the same name in
// userDir (which is created, so that a save can land there).
QString filePath(const QString& appDir, bool appDirWritable, const QString& userDir);

// As above, asking the file system whether appDir is writable and using the per-user
// configuration folder.
QString filePath(const QString& appDir);

// True when files can be created in dir.
bool isWritableDir(const QString& dir);

} // namespace TavConfigPath
