#pragma once

#include <QVector>
#include <QtGlobal>

#include <algorithm>
#include <type_traits>

// Sample columns that are about to be filled whole. QVector::resize would write every
// value twice (zeros first, then the decoded value): on big files that first write costs
// as much as the decoding itself, because it is where the pages are first touched.
namespace ColumnAlloc {

// Populates the pages of [data, data + bytes) in one call where the system offers that,
// which is cheaper than one page fault per 4 KiB. Does nothing elsewhere, nor for a range
// of a few pages.
void populate(void* data, qint64 bytes);

// The large pages the system may give a column.
constexpr qint64 LargePage = qint64(2) << 20;

// Where a column of bytes bytes starts: long ones on a large-page boundary, so that every
// page of them can be a large one, the others on a cache line, so that writers can fill
// whole lines.
size_t alignmentFor(qint64 bytes);

// Asks for large pages over the column [data, data + bytes) when it is long; touches
// nothing.
void adviseLarge(void* data, qint64 bytes);

// The capacity that leaves a column of needed values room to grow (a followed file keeps
// appending), so that an append rarely has to move it.
int roomToGrow(qint64 needed);

// A column of size entries whose values are not initialised; the caller writes each one
// before anything reads it. Pages are populated up front unless the caller populates them
// piece by piece as it fills them. capacity, when larger than size, leaves room to append
// without moving the column; only the pages of the first size entries are populated. A long
// column's capacity reaches to the end of its last large page, so that this page can be a
// large one too: the room costs address space, and at most the rest of that page.
template <typename T> QVector<T> uninitialized(int size, bool populated = true, int capacity = 0)
{
    static_assert(std::is_trivial<T>::value, "only plain values may stay uninitialised");
    if (size <= 0 && capacity <= size)
        return QVector<T>();
    qint64 bytes = qint64(std::max(size, capacity)) * qint64(sizeof(T));
    const size_t alignment = alignmentFor(bytes);
    if (qint64(alignment) == LargePage)
        bytes = (bytes + LargePage - 1) / LargePage * LargePage;
    const int n = int(bytes / qint64(sizeof(T)));
    QTypedArrayData<T>* d =
        static_cast<QTypedArrayData<T>*>(QArrayData::allocate(sizeof(T), alignment, size_t(n)));
    Q_CHECK_PTR(d);
    d->size = size;
    adviseLarge(d->data(), bytes);
    if (populated)
        populate(d->data(), qint64(size) * qint64(sizeof(T)));
    return QVector<T>(QArrayDataPointerRef<T>{d});
}

} // namespace ColumnAlloc
