#pragma once

#include "recentfiles.h"

#include <QListWidget>

class QSettings;

// The "最近打开" list of the file page: the recent files by name, newest first, each full
// path in its tooltip. A click opens a file; a file that is gone shows as such, and a click
// on it drops it from the list and says so.
class VyRecentList : public QListWidget
{
    Q_OBJECT
public:
    explicit VyRecentList(QSettings* settings);

    // A file was just opened, by whatever way.
    void add(const QString& path);
    // Shows the list as kept, each file looked for now.
    void refresh();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void openRequested(QString path);
    void notice(QString text); // for the status text

private:
    void onClicked(QListWidgetItem* item);
    int rowsHeight(int rows) const;

    RecentFiles m_files;
};
