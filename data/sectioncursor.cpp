#include "sectioncursor.h"

#include "tavbinary.h"

#include <algorithm>

qint64 SectionCursor::find(qint64 from, const char* pattern, int length)
{
    while (from + length - 1 <= m_end) {
        load(from);
        const char* begin = m_buffer.constData() + (from - m_base);
        const char* last = m_buffer.constData() + m_buffer.size();
        const char* hit = std::search(begin, last, pattern, pattern + length);
        if (hit != last)
            return m_base + (hit - m_buffer.constData()) + length;
        const qint64 windowEnd = m_base + m_buffer.size();
        if (windowEnd > m_end)
            return -1;
        // The next window repeats the last length - 1 bytes: a pattern may straddle.
        from = windowEnd - (length - 1);
        m_buffer.clear();
    }
    return -1;
}

QByteArray SectionCursor::bytes(qint64 from, qint64 length)
{
    length = std::min(length, MaxItem);
    if (from >= m_base && from + length <= m_base + m_buffer.size())
        return m_buffer.mid(int(from - m_base), int(length));
    QByteArray out;
    TavBinary::readAt(m_file, from, length, out);
    return out;
}

void SectionCursor::load(qint64 from)
{
    if (from >= m_base && from < m_base + m_buffer.size())
        return;
    m_base = from;
    TavBinary::readAt(m_file, from, std::min<qint64>(TavBinary::ReadBlock, m_end - from + 1),
                      m_buffer);
}
