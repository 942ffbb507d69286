#pragma once

#include <QByteArray>
#include <QString>

// A test process that links this file keeps the per-user settings (QSettings, user scope) in
// a temporary folder of its own, never in the user's home.
namespace TestUtil {

// Root of the source tree, as CTest passes it in; falls back to the compiled-in path.
QString sourceDir();

// The whole file; empty when it cannot be read.
QByteArray readFile(const QString& path);

// Writes the file afresh and gives its path back; a null string when it cannot be written.
QString writeFile(const QString& path, const QByteArray& bytes);

} // namespace TestUtil
