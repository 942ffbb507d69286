#include "fileprobe.h"

#include <QFile>

#include <sys/stat.h>

namespace {

bool readAt(QFile& file, qint64 offset, qint64 length, QByteArray& out)
{
    out.resize(int(length));
    if (length == 0)
        return true;
    if (!file.seek(offset))
        return false;
    return file.read(out.data(), length) == length;
}

} // namespace

FileProbe FileProbe::take(const QString& path, qint64 readEnd)
{
    FileProbe p;
    p.readEnd = readEnd;
    struct stat st;
    // stat() and not QFileInfo: the inode tells a file replaced by a rename.
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return p;
    p.size = st.st_size;
    p.device = quint64(st.st_dev);
    p.inode = quint64(st.st_ino);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return p;
    p.exists = true;
    if (p.size < readEnd)
        return p;
    const qint64 headLength = qMin<qint64>(readEnd, Window);
    const qint64 tailStart = qMax<qint64>(0, readEnd - Window);
    if (!readAt(file, 0, headLength, p.head) ||
        !readAt(file, tailStart, readEnd - tailStart, p.tail)) {
        // It shrank between the stat and the read: what was read is not there any more.
        p.size = 0;
        p.head.clear();
        p.tail.clear();
    }
    return p;
}

FileChange compareProbes(const FileProbe& before, const FileProbe& now)
{
    if (!now.exists)
        return before.exists ? FileChange::Vanished : FileChange::None;
    if (!before.exists || now.device != before.device || now.inode != before.inode)
        return FileChange::Rewritten;
    if (now.size < now.readEnd || now.head != before.head || now.tail != before.tail)
        return FileChange::Rewritten;
    return now.size > before.size ? FileChange::Grew : FileChange::None;
}

const char* fileChangeName(FileChange c)
{
    switch (c) {
    case FileChange::None:
        return "None";
    case FileChange::Grew:
        return "Grew";
    case FileChange::Rewritten:
        return "Rewritten";
    case FileChange::Vanished:
        return "Vanished";
    }
    return "?";
}
