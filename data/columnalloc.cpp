#include "columnalloc.h"

#include "tavrecords.h"

#include <limits>

#ifdef Q_OS_LINUX
#include <sys/mman.h>
#endif

namespace ColumnAlloc {

namespace {

constexpr quintptr Page = 4096;
// Large pages only for columns of some size, so that the mappings they split off stay
// few whatever the file.
constexpr qint64 MinLargeBytes = 512 * 1024;

} // namespace

void populate(void* data, qint64 bytes)
{
#if defined(Q_OS_LINUX) && defined(MADV_POPULATE_WRITE)
    // Whole pages around the range: populating only faults pages in, it changes no byte.
    const quintptr begin = quintptr(data) & ~(Page - 1);
    const quintptr end = (quintptr(data) + quintptr(bytes) + Page - 1) & ~(Page - 1);
    // A few pages are not worth a system call: a file of a hundred thousand short columns
    // would make as many.
    constexpr qint64 MinBytes = 4 * qint64(Page);
    if (bytes >= MinBytes && end > begin)
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
#else
    Q_UNUSED(data)
    Q_UNUSED(bytes)
#endif
}

size_t alignmentFor(qint64 bytes)
{
#if defined(Q_OS_LINUX) && defined(MADV_HUGEPAGE)
    // A column that does not start on a large page has its first and last pieces in small
    // pages: up to 4 MiB of them, each populated by a fault of its own. The padding costs
    // address space only, and must leave the block within what one allocation may hold.
    // (The capacity may grow to the end of the last large page.)
    constexpr qint64 MaxBlock = std::numeric_limits<int>::max() - 3 * LargePage;
    if (bytes >= 2 * LargePage && bytes <= MaxBlock)
        return size_t(LargePage);
#else
    Q_UNUSED(bytes)
#endif
    return 64;
}

void adviseLarge(void* data, qint64 bytes)
{
#if defined(Q_OS_LINUX) && defined(MADV_HUGEPAGE)
    // Large pages for long columns: a paint jumps through a long column from one pixel
    // column's samples to the next, and with small pages nearly every jump missed the
    // address cache; populating them costs a fraction too.
    if (bytes < MinLargeBytes)
        return;
    const quintptr begin = quintptr(data) & ~(Page - 1);
    const quintptr end = (quintptr(data) + quintptr(bytes) + Page - 1) & ~(Page - 1);
    madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    Q_UNUSED(data)
    Q_UNUSED(bytes)
#endif
}

int roomToGrow(qint64 needed)
{
    return int(std::min<qint64>(MaxSamples, std::max<qint64>(needed * 2, needed + (1 << 16))));
}

} // namespace ColumnAlloc
