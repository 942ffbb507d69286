#include "render.h"

#include "commands.h"
#include "pairoptions.h"
#include "plotconfig.h"
#include "tavdrawer.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QImage>
#include <QResizeEvent>

namespace {

struct RenderArgs
{
    QString file;
    QString out;
    QSize size{1280, 720};
    QString config;
    bool tolerance = false;
    PairOptions::Options pairs;
};

// Parses "WxH"; an invalid size on failure.
QSize parseSize(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char('x'));
    bool okW = false;
    bool okH = false;
    if (parts.size() != 2)
        return {};
    const QSize s(parts[0].toInt(&okW), parts[1].toInt(&okH));
    return okW && okH ? s : QSize();
}

// 0 when parsed, else the exit code (an error line is already written).
int parseArgs(QStringList args, RenderArgs& r)
{
    const QString usage = PairOptions::take(QStringLiteral("render"), args, r.pairs);
    if (!usage.isEmpty())
        return toolError(usage, ExitUsage);
    QStringList positional;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--tolerance")) {
            r.tolerance = true;
        } else if (a == QLatin1String("--size") || a == QLatin1String("--config")) {
            if (i + 1 >= args.size())
                return toolError(QStringLiteral("render: %1 needs a value").arg(a), ExitUsage);
            const QString value = args[++i];
            if (a == QLatin1String("--config")) {
                r.config = value;
                continue;
            }
            r.size = parseSize(value);
            if (!r.size.isValid() || r.size.width() < 480 || r.size.height() < 360 ||
                r.size.width() > 16384 || r.size.height() > 16384)
                return toolError(
                    QStringLiteral("render: --size must be WxH from 480x360 to 16384x16384"),
                    ExitUsage);
        } else if (a.startsWith(QLatin1String("--"))) {
            return toolError(QStringLiteral("render: unknown option %1").arg(a), ExitUsage);
        } else {
            positional.append(a);
        }
    }
    if (positional.size() != 2)
        return toolError(QStringLiteral("render needs FILE and OUT.png"), ExitUsage);
    if (r.pairs.any && !r.tolerance)
        return toolError(
            QStringLiteral("render: --pair, --dwell and --min-hold go with --tolerance"),
            ExitUsage);
    r.file = positional[0];
    r.out = positional[1];
    return 0;
}

} // namespace

// Reads the file through the canvas's own hand-off and waits for the answer.
bool readIntoCanvas(TavDrawer& d, const QString& path)
{
    QEventLoop loop;
    bool ok = false;
    QObject::connect(&d, &TavDrawer::readFinished, &loop, [&](const QString& p) {
        ok = !p.isEmpty();
        loop.quit();
    });
    d.readTAVData(path);
    loop.exec();
    return ok && d.hasData();
}

void drawEveryCurveIfNoneDrawn(TavDrawer& d)
{
    for (const CurveInfo& c : qAsConst(d.curveInfoList)) {
        if (c.ToDraw)
            return;
    }
    PlotConfig::drawAllInPalette(d.curveInfoList);
}

QString checkTolerance(TavDrawer& d, const QString& command, const QString& path,
                       const PairOptions::Options& options)
{
    const SortedTavData& set = d.dataSet;
    QVector<int> axes;
    for (const CurveInfo& c : qAsConst(d.curveInfoList))
        axes.append(c.RefIndex);
    QVector<TolerancePair> pairs;
    const QString bad = PairOptions::pairsOf(command, path, set.names, axes, options, pairs);
    if (!bad.isEmpty())
        return bad;
    d.tolerance.pairs = pairs;
    d.tolerance.timing = options.timing;
    d.toleranceResults = PairOptions::checkAll(set, pairs, options.timing);
    return {};
}

int runRender(const QStringList& args)
{
    RenderArgs r;
    if (const int code = parseArgs(args, r))
        return code;
    if (!r.config.isEmpty() && !QFileInfo(r.config).isFile())
        return toolError(QStringLiteral("render: no configuration file %1").arg(r.config),
                         ExitUsage);

    TavDrawer d;
    d.toleranceCheckAfterRead = false; // checked here, when asked, not in the background
    if (!r.config.isEmpty()) {
        d.configPath = r.config;
        d.loadConfig();
    }
    d.resize(r.size);
    QResizeEvent resize(r.size, QSize());
    QCoreApplication::sendEvent(&d, &resize);
    if (!readIntoCanvas(d, r.file))
        return toolError(QStringLiteral("cannot read %1").arg(r.file), ExitFailed);
    drawEveryCurveIfNoneDrawn(d);
    if (r.tolerance) {
        const QString command = QStringLiteral("render");
        const QString bad = checkTolerance(d, command, r.file, r.pairs);
        if (!bad.isEmpty())
            return toolError(bad, ExitUsage);
        if (d.tolerance.pairs.isEmpty())
            return toolError(PairOptions::noPairFound(command, r.file), ExitUsage);
        d.tolerance.showBands = true;
    }

    QImage image(r.size, QImage::Format_RGB32);
    d.render(&image);
    if (!image.save(r.out, "PNG"))
        return toolError(QStringLiteral("cannot write %1").arg(r.out), ExitFailed);
    return ExitOk;
}
