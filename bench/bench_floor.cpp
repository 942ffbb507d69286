// The floor of any reader that materialises a file's values, beside `tavtool dump`.
//
//   bench_floor FILE [--runs R] [--tavtool PATH]
//
// Floor: read() in 1 MiB blocks, copying into one fresh buffer of the file's size whose
// pages are populated in one call first (MADV_POPULATE_WRITE), as the reader does with
// its columns. On these machines the first touch of fresh memory costs more than reading
// the file, so that is the fair limit for a reader; `cat` is not.
// Both sides run as whole processes, this program with --floor and `tavtool dump FILE`
// (output to /dev/null), alternately, R times (default 5) after one warm-up each. The
// best and the median of each side are printed, and the ratio of the bests.
// tavtool defaults to the one beside this program. A 256 MiB file of the usual shape:
//   bench_binaryread /tmp --size-mb 256 --runs 1 --keep   (/tmp/ostrel_bench_20x4.tavdata)

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTextStream>

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QTextStream out(stdout);

// Child side: the floor itself. Returns the bytes read (0 on failure) through the exit
// code only as success or failure.
int floorRead(const char* path)
{
    const int fd = ::open(path, O_RDONLY);
    if (fd < 0)
        return 1;
    struct stat st;
    if (fstat(fd, &st) != 0 || st.st_size <= 0)
        return 1;
    const size_t size = size_t(st.st_size);
    char* buffer = static_cast<char*>(std::malloc(size));
    if (!buffer)
        return 1;
#ifdef MADV_POPULATE_WRITE
    constexpr uintptr_t Page = 4096;
    const uintptr_t begin = (uintptr_t(buffer) + Page - 1) & ~(Page - 1);
    const uintptr_t end = (uintptr_t(buffer) + size) & ~(Page - 1);
    if (end > begin)
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
#endif
    constexpr size_t Block = 1 << 20;
    size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, buffer + got, std::min(Block, size - got));
        if (n <= 0)
            break;
        got += size_t(n);
    }
    ::close(fd);
    // Keep the copy observable so that it cannot be optimised away.
    volatile char sink = buffer[got / 2];
    (void)sink;
    std::free(buffer);
    return got == size ? 0 : 1;
}

double runOnce(const QString& program, const QStringList& args)
{
    QProcess child;
    child.setStandardOutputFile(QProcess::nullDevice());
    child.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    child.start(program, args);
    if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit ||
        child.exitCode() != 0)
        return -1;
    return timer.nsecsElapsed() / 1e9;
}

double median(QVector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? -1 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && QByteArray(argv[1]) == "--floor")
        return floorRead(argv[2]);
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    QString file;
    QString tavtool = QCoreApplication::applicationDirPath() + QStringLiteral("/tavtool");
    int runs = 5;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--runs") && i + 1 < args.size())
            runs = std::max(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--tavtool") && i + 1 < args.size())
            tavtool = args[++i];
        else
            file = args[i];
    }
    if (file.isEmpty()) {
        out << "usage: bench_floor FILE [--runs R] [--tavtool PATH]\n";
        return 2;
    }
    const QString self = QCoreApplication::applicationFilePath();
    const QStringList floorArgs{QStringLiteral("--floor"), file};
    const QStringList dumpArgs{QStringLiteral("dump"), file};
    // Warm the page cache and the loader once on each side.
    if (runOnce(self, floorArgs) < 0 || runOnce(tavtool, dumpArgs) < 0) {
        out << "cannot read " << file << " (floor or " << tavtool << " dump failed)\n";
        return 1;
    }
    QVector<double> floors, dumps;
    for (int i = 0; i < runs; ++i) {
        floors << runOnce(self, floorArgs);
        dumps << runOnce(tavtool, dumpArgs);
    }
    const double bestFloor = *std::min_element(floors.begin(), floors.end());
    const double bestDump = *std::min_element(dumps.begin(), dumps.end());
    out << "file " << file << "\n";
    out << "floor (read 1 MiB blocks into a populated buffer): best " << bestFloor << " s, median "
        << median(floors) << " s\n";
    out << "tavtool dump: best " << bestDump << " s, median " << median(dumps) << " s\n";
    out << "ratio dump / floor: best " << bestDump / bestFloor << ", median "
        << median(dumps) / median(floors) << "\n";
    return 0;
}
