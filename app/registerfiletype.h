#pragma once

#include <QByteArray>
#include <QString>

class QTextCodec;

// What one press of the registration button achieved.
struct FileTypeRegistration
{
    bool ok = false;
    QString message; // one line for the window's status label
};

// Writes "registry_tavData.reg" into the current directory and imports it: through regedit
// on Windows, elsewhere by registering the type for the current user (freedesktop).
FileTypeRegistration registerFileType();

// The REGEDIT4 script mapping .tavdata to TAV.ChamberData for a program in appDir, with "\n"
// line ends (text mode turns them into CR LF on Windows). The description is encoded with
// codec, the locale's 8-bit encoding when null.
QByteArray registryScript(const QString& appDir, QTextCodec* codec = nullptr);

// appDir joined with fileName in backslash form, every backslash doubled, as REGEDIT4 wants
// inside a quoted value.
QString registryValuePath(const QString& appDir, const QString& fileName);

namespace DesktopIntegration {

// The MIME type, its icon name and the desktop entry's file name.
QString mimeType();        // "application/x-tavdata"
QString mimeIconName();    // "application-x-tavdata"
QString appIconName();     // "ostrel"
QString desktopFileName(); // "ostrel.desktop"
QString mimePackageName(); // "ostrel.xml"

// The shared-mime-info package: glob *.tavdata, the description as comment (English, and
// Chinese for zh_CN), the icon.
QByteArray mimePackage();

// program as one word of an Exec= value: quoted where it holds a reserved character,
// then escaped for a desktop-entry string.
QString execWord(const QString& program);

// The desktop entry that opens .tavdata files with program ("ostrel" for the installed one).
QByteArray desktopEntry(const QString& program);

// Writes the MIME package, the desktop entry for program and the icons under dataHome
// (an XDG data folder such as ~/.local/share). The type icon comes from appDir's
// "tavdata.ico" when it is there, else the program's own logo is used. False with *error
// set at the first file that cannot be written.
bool writeFiles(const QString& dataHome, const QString& program, const QString& appDir,
                QString* error);

// $XDG_DATA_HOME, or ~/.local/share when it is unset or not absolute.
QString dataHome();

} // namespace DesktopIntegration
