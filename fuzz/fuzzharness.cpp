#include "fuzzharness.h"

#include "tavdrawer.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>

#include <cstdlib>

namespace {

QString scratchDir()
{
    // Thousands of writes a second: keep them off the disk when /dev/shm exists.
    const QString shm = QStringLiteral("/dev/shm");
    const QString base = QDir(shm).exists() ? shm : QDir::tempPath();
    const QString dir =
        base + QStringLiteral("/ostrel-fuzz-%1").arg(QCoreApplication::applicationPid());
    QDir().mkpath(dir);
    return dir;
}

} // namespace

namespace FuzzHarness {

TavDrawer& canvas()
{
    static int argc = 1;
    static char name[] = "ostrel_fuzz";
    static char* argv[] = {name, nullptr};
    // Never destroyed: libFuzzer leaves through exit(), after Qt's own statics are gone.
    static TavDrawer* drawer = nullptr;
    if (!drawer) {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        new QApplication(argc, argv);
        drawer = new TavDrawer;
        // No saved curve settings: every input starts from the same view.
        drawer->configPath = scratchDir() + QStringLiteral("/none.ini");
        drawer->resize(640, 400);
    }
    return *drawer;
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

void readAndShow(const QString& path, bool paint)
{
    TavDrawer& d = canvas();
    d.clear();
    // The worker stays idle: the read runs here, on the calling thread, and the
    // canvas takes it over exactly as it does after a queued readFinished.
    d.dataSet.readTavData(path);
    d.onTsdReadFinished(path);
    if (!paint)
        return;
    for (CurveInfo& c : d.curveInfoList)
        c.ToDraw = true;
    d.DrawA = d.DrawB = true;
    d.showError = d.showSys = d.showUser = true;
    d.WaterMark = false;
    static QImage image(640, 400, QImage::Format_ARGB32_Premultiplied);
    d.render(&image);
}

} // namespace FuzzHarness
