#include "readharness.h"

#include "datasetcheck.h"
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

[[noreturn]] void broken(const char* what)
{
    std::fprintf(stderr, "data set broken: %s\n", what);
    std::abort();
}

void check(const SortedTavData& set)
{
    if (set.values.size() != set.names.size())
        broken("columns and names differ in number");
    // A failed read promises only that; a good one everything the rest relies on.
    const QString why = set.status == 0 ? dataSetInconsistency(set) : QString();
    if (!why.isEmpty())
        broken(qPrintable(why));
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
