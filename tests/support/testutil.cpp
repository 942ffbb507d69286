#include "testutil.h"

#include <QByteArray>

namespace TestUtil {

QString sourceDir()
{
    const QByteArray env = qgetenv("OSTREL_SOURCE_DIR");
    return env.isEmpty() ? QStringLiteral(OSTREL_SOURCE_DIR_FALLBACK) : QString::fromLocal8Bit(env);
}

} // namespace TestUtil
