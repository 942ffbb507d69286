// The floor of any reader that materialises a file's values, beside `tavtool dump`.
//
//   bench_floor FILE [--runs R] [--tavtool PATH] [--compare PATH]
//
// Floor: read() in 1 MiB blocks, copying into one fresh buffer of the file's size whose
// pages are populated in one call first (MADV_POPULATE_WRITE), as the reader does with
// its columns; the large-page floor does the same into a buffer of 2 MiB pages. On these machines
// the first touch of fresh memory costs more than reading the file, so that is the fair limit for a
// reader; `cat` is not. Both sides run as whole processes, this program with --floor and `tavtool
// dump FILE` (output to /dev/null), alternately, R times (default 5) after one warm-up each. Best
// and median wall and CPU (user + system) seconds of each side are printed, and their ratios.
// tavtool defaults to the one beside this program; --compare adds a second tavtool (say,
// an earlier build) to the same alternation. A 256 MiB file of the usual shape:
//   bench_binaryread /tmp --size-mb 256 --runs 1 --keep   (/tmp/ostrel_bench_20x4.tavdata)

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QTextStream out(stdout);

// A fresh buffer of size bytes with its pages populated in one call first. With large,
// it is aligned to 2 MiB and asked for large pages (MADV_HUGEPAGE) before it is populated:
// one page-table entry then maps 512 small pages, and populating costs far less.
// The mapping is left to the end of the process.
char* freshBuffer(size_t size, bool large, size_t& mapped)
{
    constexpr size_t Huge = 2u << 20;
    mapped = large ? size + Huge : size;
    void* raw = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED)
        return nullptr;
    char* buffer = static_cast<char*>(raw);
    size_t length = size;
    if (large) {
        buffer = reinterpret_cast<char*>((uintptr_t(raw) + Huge - 1) & ~uintptr_t(Huge - 1));
        length = (size + Huge - 1) & ~(Huge - 1);
        length = std::min(length, mapped - size_t(buffer - static_cast<char*>(raw)));
#ifdef MADV_HUGEPAGE
        madvise(buffer, length, MADV_HUGEPAGE);
#endif
    }
#ifdef MADV_POPULATE_WRITE
    madvise(buffer, length, MADV_POPULATE_WRITE);
#endif
    return buffer;
}

// Child side: the floor itself, with small or large pages. Success or failure is the exit
// code.
int floorRead(const char* path, bool large)
{
    const int fd = ::open(path, O_RDONLY);
    if (fd < 0)
        return 1;
    struct stat st;
    if (fstat(fd, &st) != 0 || st.st_size <= 0)
        return 1;
    const size_t size = size_t(st.st_size);
    size_t mapped = 0;
    char* buffer = freshBuffer(size, large, mapped);
    if (!buffer)
        return 1;
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
    // The process ends here; the mapping goes with it.
    return got == size ? 0 : 1;
}

// Wall and CPU (user + system) seconds of one child process, output to /dev/null; wall -1
// when it failed. On a shared machine the CPU time is the steadier of the two: it leaves
// out the time the child waited for a core.
struct Timing
{
    double wall = -1;
    double cpu = -1;
};

Timing runOnce(const QString& program, const QStringList& args)
{
    QVector<QByteArray> storage{QFile::encodeName(program)};
    for (const QString& a : args)
        storage << QFile::encodeName(a);
    QVector<char*> argv;
    for (QByteArray& a : storage)
        argv << a.data();
    argv << nullptr;
    QElapsedTimer timer;
    timer.start();
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execv(argv[0], argv.data());
        _exit(127);
    }
    Timing t;
    int status = 0;
    struct rusage usage;
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0)
        return t;
    t.wall = timer.nsecsElapsed() / 1e9;
    t.cpu = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
            usage.ru_stime.tv_usec / 1e6;
    return t;
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
        return floorRead(argv[2], false);
    if (argc == 3 && QByteArray(argv[1]) == "--floor-large")
        return floorRead(argv[2], true);
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    QString file;
    QString tavtool = QCoreApplication::applicationDirPath() + QStringLiteral("/tavtool");
    QString other;
    int runs = 5;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--runs") && i + 1 < args.size())
            runs = std::max(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--tavtool") && i + 1 < args.size())
            tavtool = args[++i];
        else if (args[i] == QLatin1String("--compare") && i + 1 < args.size())
            other = args[++i];
        else
            file = args[i];
    }
    if (file.isEmpty()) {
        out << "usage: bench_floor FILE [--runs R] [--tavtool PATH] [--compare PATH]\n";
        return 2;
    }
    const QString self = QCoreApplication::applicationFilePath();
    const QStringList floorArgs{QStringLiteral("--floor"), file};
    const QStringList largeArgs{QStringLiteral("--floor-large"), file};
    const QStringList dumpArgs{QStringLiteral("dump"), file};
    // Warm the page cache and the loader once on each side.
    if (runOnce(self, floorArgs).wall < 0 || runOnce(self, largeArgs).wall < 0 ||
        runOnce(tavtool, dumpArgs).wall < 0) {
        out << "cannot read " << file << " (floor or " << tavtool << " dump failed)\n";
        return 1;
    }
    QVector<double> floorWall, floorCpu, largeWall, largeCpu, dumpWall, dumpCpu, otherWall,
        otherCpu;
    for (int i = 0; i < runs; ++i) {
        const Timing f = runOnce(self, floorArgs);
        const Timing l = runOnce(self, largeArgs);
        largeWall << l.wall;
        largeCpu << l.cpu;
        const Timing d = runOnce(tavtool, dumpArgs);
        floorWall << f.wall;
        floorCpu << f.cpu;
        dumpWall << d.wall;
        dumpCpu << d.cpu;
        if (!other.isEmpty()) {
            const Timing o = runOnce(other, dumpArgs);
            otherWall << o.wall;
            otherCpu << o.cpu;
        }
    }
    auto best = [](const QVector<double>& v) { return *std::min_element(v.begin(), v.end()); };
    out << "file " << file << ", " << runs << " runs of each, alternating\n";
    out << "floor (read 1 MiB blocks into a populated buffer): wall best " << best(floorWall)
        << " s, median " << median(floorWall) << " s; cpu best " << best(floorCpu) << " s, median "
        << median(floorCpu) << " s\n";
    out << "large-page floor (the same into 2 MiB pages): wall best " << best(largeWall)
        << " s, median " << median(largeWall) << " s; cpu best " << best(largeCpu) << " s, median "
        << median(largeCpu) << " s\n";
    out << "tavtool dump: wall best " << best(dumpWall) << " s, median " << median(dumpWall)
        << " s; cpu best " << best(dumpCpu) << " s, median " << median(dumpCpu) << " s\n";
    out << "ratio dump / floor: wall best " << best(dumpWall) / best(floorWall) << ", median "
        << median(dumpWall) / median(floorWall) << "; cpu best " << best(dumpCpu) / best(floorCpu)
        << ", median " << median(dumpCpu) / median(floorCpu) << "\n";
    out << "ratio dump / large-page floor: wall best " << best(dumpWall) / best(largeWall)
        << ", median " << median(dumpWall) / median(largeWall) << "; cpu best "
        << best(dumpCpu) / best(largeCpu) << ", median " << median(dumpCpu) / median(largeCpu)
        << "\n";
    if (!other.isEmpty()) {
        out << other << " dump: wall best " << best(otherWall) << " s, median " << median(otherWall)
            << " s; cpu best " << best(otherCpu) << " s, median " << median(otherCpu) << " s\n";
        out << other << " dump / floor: wall best " << best(otherWall) / best(floorWall)
            << ", median " << median(otherWall) / median(floorWall) << "; cpu best "
            << best(otherCpu) / best(floorCpu) << ", median " << median(otherCpu) / median(floorCpu)
            << "\n";
        out << other << " dump / large-page floor: wall best " << best(otherWall) / best(largeWall)
            << ", median " << median(otherWall) / median(largeWall) << "; cpu best "
            << best(otherCpu) / best(largeCpu) << ", median " << median(otherCpu) / median(largeCpu)
            << "\n";
    }
    return 0;
}
