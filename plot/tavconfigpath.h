#pragma once

#include <QString>

// Where "tav_drawer_config.ini" lives: beside the executable, or, where the program's folder
// cannot be written (an installed program), in the per-user configuration folder. A user
// who has none yet reads the default settings installed with the program; saving always
// writes the user's file.
namespace TavConfigPath {

QString fileName(); // "tav_drawer_config.ini"
QString filePath(); // for the running program

// The file for a program in appDir: beside it when appDir is writable, else the same name in
// userDir (which is created, so that a save can land there).
QString filePath(const QString& appDir, bool appDirWritable, const QString& userDir);

// As above, asking the file system whether appDir is writable and using the per-user
// configuration folder.
QString filePath(const QString& appDir);

// The per-user file: the same name in userDir (for the running program, the per-user
// configuration folder). Where a save goes when the user's file cannot be written.
QString userFilePath(const QString& userDir);
QString userFilePath();

// The default settings installed with a program in appDir: share/ostrel/ beside its bin
// folder (../share/ostrel from appDir with the usual install folders), found from appDir so
// that a relocated install finds its own.
QString installedFilePath(const QString& appDir);
QString installedFilePath(); // for the running program

// The file to read: the user's when it exists, else the installed default. An empty
// userFile (no settings wanted) stays empty.
QString readPath(const QString& userFile, const QString& installedFile);

// True when files can be created in dir.
bool isWritableDir(const QString& dir);

} // namespace TavConfigPath
