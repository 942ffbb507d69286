#pragma once

#include <QList>
#include <QString>
#include <QUrl>

namespace WindowPaths {

// Default name for the export and screenshot dialogs: folder and stem joined, cleaned,
// with native separators. With nothing opened yet it is a lone separator.
QString proposedSavePath(const QString& dir, const QString& stem);

// The name a save dialog proposes: proposedSavePath with ".suffix", so that the dialog
// itself asks before replacing a file of that name. With nothing opened yet there is no
// name to carry one, and the lone separator stands.
QString proposedSaveName(const QString& dir, const QString& stem, const QString& suffix);

// Where the open dialog starts. Drive-letter systems use the chamber's card drive; elsewhere
// the folder of the file opened last if it still exists, else the home folder.
QString openDialogFolder(const QString& lastDir);

// The name part before the first "." (the whole name when there is none).
QString fileStem(const QString& path);

// The name chosen in a save dialog, with ".suffix" added when its file name has no
// suffix: a name accepted as proposed has none, and without one an image has no format
// and an exported CSV would not open again.
QString withSuffix(const QString& path, const QString& suffix);

// What a save dialog's answer writes to. The dialog asks before replacing the file it
// returns; when the suffix is added afterwards and that name exists, the dialog never
// asked about it, and askReplace says the window must.
struct SaveTarget
{
    QString path;
    bool askReplace = false;
};
SaveTarget saveTarget(const QString& chosen, const QString& suffix);

// URL that shows the folder holding file in the desktop's file manager.
QUrl folderUrl(const QString& file);

// The first local .tavdata or .csv file among urls, or an empty string.
QString droppedDataFile(const QList<QUrl>& urls);

} // namespace WindowPaths
