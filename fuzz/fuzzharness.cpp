#include "fuzzharness.h"

#include "readharness.h"

#include "tavdrawer.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <cstdlib>

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
        drawer->configPath = ReadHarness::scratchDir() + QStringLiteral("/none.ini");
        drawer->resize(640, 400);
    }
    return *drawer;
}

void readAndShow(const QString& path)
{
    TavDrawer& d = canvas();
    d.clear();
    // The worker stays idle: the read runs here, on the calling thread, and the
    // canvas takes it over exactly as it does after a queued readFinished.
    d.dataSet.readTavData(path);
    d.onTsdReadFinished(path);
    for (CurveInfo& c : d.curveInfoList)
        c.ToDraw = true;
    d.DrawA = d.DrawB = true;
    d.showError = d.showSys = d.showUser = true;
    d.WaterMark = false;
    static QImage image(640, 400, QImage::Format_ARGB32_Premultiplied);
    d.render(&image);
}

} // namespace FuzzHarness
