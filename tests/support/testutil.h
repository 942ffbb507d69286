#pragma once

#include <QByteArray>
#include <QString>

namespace TestUtil {

// Root of the source tree, as CTest passes it in; falls back to the compiled-in path.
QString sourceDir();

// The whole file; empty when it cannot be read.
QByteArray readFile(const QString& path);

// Writes the file afresh and gives its path back; a null string when it cannot be written.
QString writeFile(const QString& path, const QByteArray& bytes);

} // namespace TestUtil
