#include "testutil.h"

#include <QFile>

namespace TestUtil {

QString sourceDir()
{
    const QByteArray env = qgetenv("OSTREL_SOURCE_DIR");
    return env.isEmpty() ? QStringLiteral(OSTREL_SOURCE_DIR_FALLBACK) : QString::fromLocal8Bit(env);
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size()
               ? path
               : QString();
}

} // namespace TestUtil
