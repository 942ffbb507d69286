#include "readharness.h"

#include "sortedtavdata.h"
#include "tavdata.h"
#include "tavdataheader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

[[noreturn]] void broken(const char* what, int index)
{
    std::fprintf(stderr, "data set broken: %s (%d)\n", what, index);
    std::abort();
}

void check(const SortedTavData& set)
{
    if (set.values.size() != set.names.size())
        broken("columns and names differ in number", set.values.size());
    if (set.status != 0)
        return;
    if (set.sampleCount != set.stamps.size() || set.sampleCount < 4)
        broken("sample count", set.sampleCount);
    for (int v = 0; v < set.values.size(); ++v) {
        if (set.values.at(v).size() != set.sampleCount)
            broken("column length", v);
    }
    const int runs = set.spanIndexes.size();
    if (set.spanStamps.size() != runs || set.spanIntervals.size() != runs)
        broken("run lists differ in length", runs);
    int previousLast = 0;
    for (int i = 0; i < runs; ++i) {
        const int first = set.spanIndexes.at(i).first;
        const int last = set.spanIndexes.at(i).second;
        if (first < previousLast || last - first < 2 || last >= set.sampleCount)
            broken("run bounds", i);
        if (set.spanStamps.at(i).first != set.stamps.at(first) ||
            set.spanStamps.at(i).second != set.stamps.at(last))
            broken("run stamps", i);
        for (int k = first; k < last; ++k) {
            if (set.stamps.at(k + 1) - set.stamps.at(k) != set.spanIntervals.at(i))
                broken("run spacing", i);
        }
        previousLast = last;
    }
}

} // namespace

namespace ReadHarness {

QString scratchDir()
{
    // Thousands of writes a second: keep them off the disk when /dev/shm exists.
    const QString shm = QStringLiteral("/dev/shm");
    const QString base = QDir(shm).exists() ? shm : QDir::tempPath();
    const QString dir = base + QStringLiteral("/ostrel-fuzz-%1").arg(qint64(getpid()));
    QDir().mkpath(dir);
    return dir;
}

QString writeInput(const uint8_t* data, size_t size, const char* extension)
{
    static const QString dir = scratchDir();
    const QString path = dir + QStringLiteral("/input.") + QLatin1String(extension);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    return path;
}

bool worthReading(const uint8_t* data, size_t size, bool csv)
{
    const char* text = reinterpret_cast<const char*>(data);
    if (csv) {
        const void* nl = std::memchr(text, '\n', size);
        const char* end = nl ? static_cast<const char*>(nl) : text + size;
        return std::count(text, end, ',') <= MaxVariables;
    }
    QVector<TavBinary::MarkerHit> hits;
    TavBinary::ScanState state;
    TavBinary::scanMarkers(text, qint64(size), 0, 0, hits, state);
    TavBinary::finishScan(hits, state);
    qint64 claimed = 0;
    for (const TavBinary::MarkerHit& hit : hits) {
        if (hit.kind != TavDataHeader::History || hit.runEnd + 4 > qint64(size))
            continue;
        claimed += (uint8_t(text[hit.runEnd + 2]) << 8) | uint8_t(text[hit.runEnd + 3]);
    }
    return claimed <= MaxVariables;
}

void readAndCheck(const QString& path)
{
    SortedTavData set;
    set.readTavData(path);
    check(set);
}

} // namespace ReadHarness
