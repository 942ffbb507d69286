#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

// A test process that links this file keeps the per-user settings (QSettings, user scope) in
// a temporary folder of its own, never in the user's home.
namespace TestUtil {

// Root of the source tree, as CTest passes it in; falls back to the compiled-in path.
QString sourceDir();

// The whole file; empty when it cannot be read.
QByteArray readFile(const QString& path);

// Writes the file afresh and gives its path back; a null string when it cannot be written.
QString writeFile(const QString& path, const QByteArray& bytes);

// Adds bytes at the file's end, as a program writing it would; false when it cannot.
bool appendFile(const QString& path, const QByteArray& bytes);

// A stamp as the CSV files give it: "yyyy/MM/dd hh:mm:ss", UTC.
QByteArray csvTime(qint64 stamp);

// A column as its bytes, so that two compare bit for bit: NaN equal to itself, -0 not to 0.
QByteArray bits(const QVector<float>& column);

} // namespace TestUtil
