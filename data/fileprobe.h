#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// A followed file as seen from outside, cheaply: whether it is there, which file it is
// (device and inode), its length, and the bytes at its start and just before the end of
// what was taken in. Two probes tell whether the file only grew, or whether what was
// already read can no longer be trusted, without reading the file again.
struct FileProbe
{
    // Bytes compared at the start and before the end of what was taken in.
    static constexpr int Window = 4096;

    bool exists = false;
    qint64 size = 0;
    quint64 device = 0;
    quint64 inode = 0;
    qint64 readEnd = 0; // bytes of the file taken in when the probe was made
    QByteArray head;    // [0, min(readEnd, Window))
    QByteArray tail;    // [readEnd - Window, readEnd), clipped at 0

    // Looks at path, of which readEnd bytes have been taken in. A file shorter than
    // readEnd gets no head or tail: it is rewritten whatever they would say.
    static FileProbe take(const QString& path, qint64 readEnd);
};

enum class FileChange
{
    None,      // nothing new to take in
    Grew,      // bytes were added after what was taken in, which is unchanged
    Rewritten, // replaced, shrunk, changed where it was read, or back after it was gone
    Vanished   // gone, or no longer readable
};

// What happened between before and now, both taken with the same readEnd.
FileChange compareProbes(const FileProbe& before, const FileProbe& now);

const char* fileChangeName(FileChange c);
