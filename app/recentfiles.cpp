#include "recentfiles.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include <algorithm>

namespace {

const char* const Key = "recent/files";

// File names on Windows differ in more than case only to the eye.
bool samePath(const QString& a, const QString& b)
{
#ifdef Q_OS_WIN
    return a.compare(b, Qt::CaseInsensitive) == 0;
#else
    return a == b;
#endif
}

QStringList without(QStringList list, const QString& path)
{
    list.erase(std::remove_if(list.begin(), list.end(),
                              [&path](const QString& p) { return samePath(p, path); }),
               list.end());
    return list;
}

} // namespace

RecentFiles::RecentFiles(QSettings* settings) : m_settings(settings) {}

QStringList RecentFiles::paths() const
{
    // The settings may have been edited by hand.
    return m_settings->value(QLatin1String(Key)).toStringList().mid(0, Capacity);
}

QString RecentFiles::keptForm(const QString& path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

void RecentFiles::add(const QString& path)
{
    const QString kept = keptForm(path);
    store((QStringList{kept} + without(paths(), kept)).mid(0, Capacity));
}

void RecentFiles::remove(const QString& path)
{
    store(without(paths(), keptForm(path)));
}

void RecentFiles::store(const QStringList& paths)
{
    m_settings->setValue(QLatin1String(Key), paths);
    m_settings->sync();
}
