#pragma once

#include <QStringList>

class QSettings;

// The files opened last, newest first, in the per-user settings. A file is named once, by
// its absolute path, and the oldest go beyond Capacity. Whether a file still exists is the
// reader's question: the list keeps what was opened.
class RecentFiles
{
public:
    static constexpr int Capacity = 10;

    explicit RecentFiles(QSettings* settings);

    QStringList paths() const;
    // path was just opened: it goes to the front.
    void add(const QString& path);
    void remove(const QString& path);

    // The form a path is kept in: absolute and cleaned.
    static QString keptForm(const QString& path);

private:
    void store(const QStringList& paths);

    QSettings* m_settings;
};
