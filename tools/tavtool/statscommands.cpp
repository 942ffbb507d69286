#include "statscommands.h"

#include "commands.h"
#include "jsontext.h"
#include "pairoptions.h"
#include "rangestats.h"
#include "render.h"
#include "tavdrawer.h"
#include "testreport.h"
#include "toolargs.h"
#include "toolsession.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QResizeEvent>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

using namespace ToolArgs;
using namespace JsonText;

struct RangeOptions : RangeArgs
{
    QString config;
};

// Empty on success, else the usage error. allowed lists the options the command takes.
QString parseRangeOptions(const QString& command, const QStringList& args,
                          const QStringList& allowed, int positionals, RangeOptions& o)
{
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (allowed.contains(a)) {
            if (i + 1 >= args.size())
                return QStringLiteral("%1: %2 needs a value").arg(command, a);
            const QString value = args.at(++i);
            const QString bad = parseRangeValue(a, value, o);
            if (!bad.isEmpty())
                return bad;
            if (a == QLatin1String("--config"))
                o.config = value;
        } else if (a.startsWith(QLatin1String("--"))) {
            return QStringLiteral("%1: unknown option %2").arg(command, a);
        } else {
            o.positional.append(a);
        }
    }
    if (o.positional.size() != positionals)
        return positionals == 1 ? QStringLiteral("%1 needs FILE").arg(command)
                                : QStringLiteral("%1 needs FILE and OUT.pdf").arg(command);
    if (o.hasFrom && o.hasTo && o.from > o.to)
        return QStringLiteral("%1: --from %2 is after --to %3").arg(command).arg(o.from).arg(o.to);
    return QString();
}

// The recording's first and last stamp where the options name none.
void completeRange(const SortedTavData& set, RangeOptions& o)
{
    const auto range = std::minmax_element(set.stamps.cbegin(), set.stamps.cend());
    if (!o.hasFrom)
        o.from = range.first == set.stamps.cend() ? 0 : *range.first;
    if (!o.hasTo)
        o.to = range.second == set.stamps.cend() ? 0 : *range.second;
}

} // namespace

QByteArray statsJson(const SortedTavData& set, const QList<int>& indexes, qint64 from, qint64 to)
{
    QByteArray out = "{\"from\": ";
    out.append(QByteArray::number(from));
    out.append(", \"to\": ");
    out.append(QByteArray::number(to));
    out.append(", \"variables\": [");
    for (int k = 0; k < indexes.size(); ++k) {
        const int index = indexes.at(k);
        const RangeSummary s = rangeSummary(set, index, from, to);
        const bool any = s.count > 0;
        out.append(k == 0 ? "\n  {\"name\": " : ",\n  {\"name\": ");
        appendString(out, set.names.value(index));
        out.append(", \"count\": ");
        out.append(QByteArray::number(s.count));
        auto field = [&](const char* name, auto write) {
            out.append(", \"");
            out.append(name);
            out.append("\": ");
            if (any)
                write();
            else
                out.append("null");
        };
        field("min", [&] { appendFloat(out, s.min); });
        field("minStamp", [&] { out.append(QByteArray::number(s.minStamp)); });
        field("max", [&] { appendFloat(out, s.max); });
        field("maxStamp", [&] { out.append(QByteArray::number(s.maxStamp)); });
        field("mean", [&] { appendNumber(out, s.mean); });
        field("std", [&] { appendNumber(out, s.stdDev); });
        field("first", [&] { appendFloat(out, s.first); });
        field("last", [&] { appendFloat(out, s.last); });
        field("ratePerMinute", [&] {
            if (s.hasRate)
                appendNumber(out, s.ratePerMinute);
            else
                out.append("null");
        });
        out.append('}');
    }
    out.append(indexes.isEmpty() ? "]}\n" : "\n]}\n");
    return out;
}

int runStats(const QStringList& args)
{
    RangeOptions o;
    const QString usage = parseRangeOptions(
        QStringLiteral("stats"), args,
        {QStringLiteral("--vars"), QStringLiteral("--from"), QStringLiteral("--to")}, 1, o);
    if (!usage.isEmpty())
        return toolError(usage, ExitUsage);
    const QString& path = o.positional.at(0);

    ToolSession session;
    if (session.read(path) != 0) {
        return toolError(QStringLiteral("cannot read %1: %2").arg(path, failureReason(session)),
                         ExitFailed);
    }
    const SortedTavData& set = session.data();
    const QString badIndex = completeIndexes(set, path, o.indexes);
    if (!badIndex.isEmpty())
        return toolError(badIndex, ExitUsage);
    completeRange(set, o);
    const QByteArray text = statsJson(set, o.indexes, o.from, o.to);
    if (std::fwrite(text.constData(), 1, size_t(text.size()), stdout) != size_t(text.size()) ||
        std::fflush(stdout) != 0)
        return toolError(QStringLiteral("cannot write the output"), ExitFailed);
    return ExitOk;
}

int runReport(const QStringList& arguments)
{
    const QString command = QStringLiteral("report");
    QStringList args = arguments;
    PairOptions::Options pairOptions;
    const QString badPair = PairOptions::take(command, args, pairOptions);
    if (!badPair.isEmpty())
        return toolError(badPair, ExitUsage);
    RangeOptions o;
    const QString usage = parseRangeOptions(
        command, args,
        {QStringLiteral("--config"), QStringLiteral("--from"), QStringLiteral("--to")}, 2, o);
    if (!usage.isEmpty())
        return toolError(usage, ExitUsage);
    if (!o.config.isEmpty() && !QFileInfo(o.config).isFile())
        return toolError(QStringLiteral("report: no configuration file %1").arg(o.config),
                         ExitUsage);
    const QString& path = o.positional.at(0);
    const QString& out = o.positional.at(1);

    // The same canvas and settings as `render`, so the report shows the same plot.
    TavDrawer d;
    d.toleranceCheckAfterRead = false; // checked here, when asked, not in the background
    if (!o.config.isEmpty()) {
        d.configPath = o.config;
        d.loadConfig();
    }
    const QSize size(1280, 720);
    d.resize(size);
    QResizeEvent resize(size, QSize());
    QCoreApplication::sendEvent(&d, &resize);
    if (!readIntoCanvas(d, path))
        return toolError(QStringLiteral("cannot read %1").arg(path), ExitFailed);
    drawEveryCurveIfNoneDrawn(d);
    // Without pairs the report has no tolerance section; a variable it lacks is an error.
    const QString badVariable = checkTolerance(d, command, path, pairOptions);
    if (!badVariable.isEmpty())
        return toolError(badVariable, ExitUsage);
    completeRange(d.dataSet, o);
    if (o.from == o.to)
        return toolError(QStringLiteral("report: the range must span more than one second"),
                         ExitUsage);
    d.stampStart = o.from;
    d.stampEnd = o.to;
    // The plot spans exactly the statistics range. Verniers left at their pixel presets
    // would mark an arbitrary stretch a reader takes for the range of the figures.
    d.DrawA = false;
    d.DrawB = false;

    TestReportOptions options;
    options.dataFile = path;
    options.pdfPath = out;
    options.from = o.from;
    options.to = o.to;
    QString error;
    if (!writeTestReport(d, options, &error))
        return toolError(error, ExitFailed);
    return ExitOk;
}
