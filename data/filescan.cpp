#include "filescan.h"

#include "tavdataheader.h"

#include <algorithm>
#include <cstring>

namespace {

// A run found by the scan is followed back at most this far before a block.
constexpr qint64 RunBack = TavDataHeader::MarkerLength;
// The scan looks at the bytes at multiples of this: a marker covers one of them.
constexpr qint64 ProbeStride = TavDataHeader::MarkerLength;

} // namespace

FileScan::FileScan(QFile& file, qint64 size, qint64 block)
    : m_file(file), m_size(std::max<qint64>(size, 0)), m_block(std::max<qint64>(block, 1))
{
    // A small file costs a small buffer.
    m_buffer.resize(int(2 * std::min(m_block, m_size) + RunBack));
    if (m_size == 0)
        m_atEnd = true;
}

bool FileScan::advance(qint64 keepFrom)
{
    if (m_atEnd)
        return false;
    const qint64 block = std::min(m_block, m_size - m_scanned);
    const qint64 room = m_buffer.size() - block; // bytes that can stay before the block
    const qint64 keep = std::max(
        {m_base, m_scanned - room, std::min(keepFrom, m_scanned - std::min(m_scanned, RunBack))});
    char* data = m_buffer.data();
    std::memmove(data, data + (keep - m_base), size_t(m_scanned - keep));
    m_base = keep;
    qint64 got = 0;
    if (m_file.seek(m_scanned)) {
        while (got < block) {
            const qint64 n = m_file.read(data + (m_scanned - m_base) + got, block - got);
            if (n <= 0)
                break;
            got += n;
        }
    }
    // A file cut short while it is read ends where its bytes end.
    if (got < block)
        m_size = m_scanned + got;
    // The scan follows a run back at most RunBack bytes, as over the file in one go.
    const qint64 from = std::max(m_base, m_scanned - RunBack);
    TavBinary::scanMarkers(data + (from - m_base), m_scanned + got - from, from, m_scanned - from,
                           m_markers, m_state);
    m_scanned += got;
    m_held = m_scanned - m_base;
    if (m_scanned >= m_size) {
        TavBinary::finishScan(m_markers, m_state);
        m_atEnd = true;
    }
    return got > 0;
}

qint64 FileScan::confirmed() const
{
    if (m_atEnd)
        return m_size;
    // A marker is found once the first byte of it the scan looks at is scanned, so one
    // that starts after the last such byte scanned may still be there. A run open at the
    // end may still grow into one.
    const qint64 lastProbe = m_scanned > 0 ? (m_scanned - 1) / ProbeStride * ProbeStride : -1;
    const qint64 known = lastProbe + 1;
    return m_state.runLength > 0 ? std::min(known, m_state.runStart) : known;
}

const uchar* FileScan::bytes(qint64 from, qint64 length) const
{
    if (from < m_base || from + length > m_base + m_held)
        return nullptr;
    return reinterpret_cast<const uchar*>(m_buffer.constData()) + (from - m_base);
}
