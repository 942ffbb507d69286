#include "testutil.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

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

bool appendFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Append) && f.write(bytes) == bytes.size();
}

QByteArray csvTime(qint64 stamp)
{
    return QDateTime::fromSecsSinceEpoch(stamp, Qt::UTC)
        .toString(QStringLiteral("yyyy/MM/dd hh:mm:ss"))
        .toLatin1();
}

QByteArray bits(const QVector<float>& column)
{
    return QByteArray(reinterpret_cast<const char*>(column.constData()),
                      int(column.size() * sizeof(float)));
}

} // namespace TestUtil

namespace {

// The window keeps its state and its recent files in the per-user settings. No test reads
// the user's or leaves its own in the user's home: each test process has settings of its
// own, in a folder that goes with it.
void privateUserSettings()
{
    static QTemporaryDir dir;
    for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope, dir.path());
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(privateUserSettings)
