#include "columnalloc.h"

#ifdef Q_OS_LINUX
#include <sys/mman.h>
#endif

namespace ColumnAlloc {

void populate(void* data, qint64 bytes)
{
#if defined(Q_OS_LINUX) && defined(MADV_POPULATE_WRITE)
    constexpr quintptr Page = 4096;
    // Whole pages around the range: populating only faults pages in, it changes no byte.
    const quintptr begin = quintptr(data) & ~(Page - 1);
    const quintptr end = (quintptr(data) + quintptr(bytes) + Page - 1) & ~(Page - 1);
    // A few pages are not worth a system call: a file of a hundred thousand short columns
    // would make as many.
    constexpr qint64 MinBytes = 4 * qint64(Page);
    constexpr qint64 MinHugeBytes = 512 * 1024;
    if (bytes >= MinBytes && end > begin) {
#ifdef MADV_HUGEPAGE
        // Large pages for large columns: a paint jumps through a long column from one pixel
        // column's samples to the next, and with small pages nearly every jump missed the
        // address cache. Only for ranges of some size, so that the mappings this splits
        // off stay few whatever the file.
        if (bytes >= MinHugeBytes)
            madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#endif
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
    }
#else
    Q_UNUSED(data)
    Q_UNUSED(bytes)
#endif
}

} // namespace ColumnAlloc
