#pragma once

#include <QByteArray>
#include <QFile>
#include <QtGlobal>

// Reads forward through one section in windows, so that no section, however long, has
// to fit into memory at once.
class SectionCursor
{
public:
    SectionCursor(QFile& file, qint64 end) : m_file(file), m_end(end) {}

    // Position right after the first occurrence of pattern inside [from, end], or -1.
    qint64 find(qint64 from, const char* pattern, int length);

    // The bytes [from, from + length) of the file, at most MaxItem of them.
    QByteArray bytes(qint64 from, qint64 length);

    // No single text of a file is worth more memory than this.
    static constexpr qint64 MaxItem = 16 << 20;

private:
    void load(qint64 from);

    QFile& m_file;
    qint64 m_end;
    qint64 m_base = 0;
    QByteArray m_buffer;
};
