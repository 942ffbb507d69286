#include "verifycommand.h"

#include "commands.h"
#include "jsontext.h"
#include "pairoptions.h"
#include "plotconfig.h"
#include "tavconfigpath.h"
#include "tolerancepairs.h"
#include "toolargs.h"
#include "toolsession.h"

#include <QFileInfo>

#include <cmath>
#include <cstdio>

namespace {

using namespace JsonText;

struct VerifyArgs
{
    QStringList files;
    PairOptions::Options pairs;
    QString config;
};

QString parseArgs(QStringList args, VerifyArgs& o)
{
    const QString command = QStringLiteral("verify");
    const QString bad = PairOptions::take(command, args, o.pairs);
    if (!bad.isEmpty())
        return bad;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (a == QLatin1String("--config")) {
            if (i + 1 >= args.size())
                return QStringLiteral("verify: %1 needs a value").arg(a);
            o.config = args.at(++i);
        } else if (a.startsWith(QLatin1String("--"))) {
            return QStringLiteral("verify: unknown option %1").arg(a);
        } else {
            o.files.append(a);
        }
    }
    if (o.files.isEmpty())
        return QStringLiteral("verify needs FILE");
    if (!o.config.isEmpty() && !QFileInfo(o.config).isFile())
        return QStringLiteral("verify: no configuration file %1").arg(o.config);
    return {};
}

void appendStamp(QByteArray& out, const std::optional<qint64>& v)
{
    out.append(v ? QByteArray::number(*v) : QByteArray("null"));
}

void appendNumber(QByteArray& out, const std::optional<double>& v)
{
    if (v)
        JsonText::appendNumber(out, *v);
    else
        out.append("null");
}

void appendHold(QByteArray& out, const ToleranceHold& h)
{
    const bool any = h.count > 0;
    out.append("{\"from\": " + QByteArray::number(h.from) +
               ", \"to\": " + QByteArray::number(h.to) + ", \"setpoint\": ");
    appendFloat(out, h.setpoint);
    out.append(", \"stableAt\": ");
    appendStamp(out, h.stableAt);
    out.append(", \"settling\": ");
    appendStamp(out, h.settling);
    // Without samples the figures are null: not finite prints as null.
    const double none = std::nan("");
    out.append(", \"count\": " + QByteArray::number(h.count) + ", \"min\": ");
    appendFloat(out, any ? h.min : float(none));
    out.append(", \"max\": ");
    appendFloat(out, any ? h.max : float(none));
    out.append(", \"mean\": ");
    JsonText::appendNumber(out, any ? h.mean : none);
    out.append(", \"meanDeviation\": ");
    JsonText::appendNumber(out, any ? h.meanDeviation : none);
    out.append(", \"fluctuation\": ");
    JsonText::appendNumber(out, any ? h.fluctuation : none);
    out.append(", \"excursions\": [");
    for (int k = 0; k < h.excursions.size(); ++k) {
        const ToleranceExcursion& e = h.excursions.at(k);
        out.append(k == 0 ? "{\"from\": " : ", {\"from\": ");
        out.append(QByteArray::number(e.from) + ", \"to\": " + QByteArray::number(e.to) +
                   ", \"peak\": ");
        appendFloat(out, e.peak);
        out.append('}');
    }
    out.append("], \"outOfBand\": " + QByteArray::number(h.outOfBand) + ", \"pass\": ");
    out.append(h.pass ? "true}" : "false}");
}

void appendRamp(QByteArray& out, const ToleranceRamp& r)
{
    out.append("{\"from\": " + QByteArray::number(r.from) +
               ", \"to\": " + QByteArray::number(r.to) + ", \"start\": ");
    appendFloat(out, r.start);
    out.append(", \"end\": ");
    appendFloat(out, r.end);
    out.append(", \"programmedRate\": ");
    appendNumber(out, r.programmedRate);
    out.append(", \"achievedRate\": ");
    appendNumber(out, r.achievedRate);
    out.append(", \"overshoot\": ");
    appendNumber(out, r.overshoot);
    out.append('}');
}

} // namespace

QByteArray verifyJson(const QString& path, const QStringList& names,
                      const QVector<TolerancePair>& pairs, const QVector<ToleranceResult>& results,
                      const ToleranceTiming& timing)
{
    bool pass = !pairs.isEmpty();
    for (const ToleranceResult& r : results)
        pass = pass && r.pass;
    QByteArray out = "{\"file\": ";
    appendString(out, path);
    out.append(", \"dwell\": ");
    JsonText::appendNumber(out, timing.dwell);
    out.append(", \"minHold\": ");
    JsonText::appendNumber(out, timing.minHold);
    out.append(pass ? ", \"pass\": true, \"pairs\": [" : ", \"pass\": false, \"pairs\": [");
    for (int p = 0; p < pairs.size(); ++p) {
        const TolerancePair& pair = pairs.at(p);
        const ToleranceResult& r = results.at(p);
        out.append(p == 0 ? "{\"measured\": " : ", {\"measured\": ");
        appendString(out, names.value(pair.measured));
        out.append(", \"setpoint\": ");
        appendString(out, names.value(pair.setpoint));
        out.append(", \"below\": ");
        JsonText::appendNumber(out, pair.band.below);
        out.append(", \"above\": ");
        JsonText::appendNumber(out, pair.band.above);
        out.append(r.pass ? ", \"pass\": true, \"holds\": [" : ", \"pass\": false, \"holds\": [");
        for (int h = 0; h < r.holds.size(); ++h) {
            if (h > 0)
                out.append(", ");
            appendHold(out, r.holds.at(h));
        }
        out.append("], \"ramps\": [");
        for (int k = 0; k < r.ramps.size(); ++k) {
            if (k > 0)
                out.append(", ");
            appendRamp(out, r.ramps.at(k));
        }
        out.append("]}");
    }
    out.append("]}\n");
    return out;
}

int runVerify(const QStringList& args)
{
    VerifyArgs o;
    const QString usage = parseArgs(args, o);
    if (!usage.isEmpty())
        return toolError(usage, ExitUsage);
    // The axes come from the plot settings, found as render finds them.
    const QList<CurveInfo> saved =
        PlotConfig::readCurves(o.config.isEmpty() ? TavConfigPath::filePath() : o.config);

    // Every file is checked before anything is printed: a usage error in a later file
    // leaves no verdict behind.
    QByteArray text;
    bool unreadable = false;
    bool failed = false;
    for (const QString& path : qAsConst(o.files)) {
        ToolSession session;
        if (session.read(path, false) != 0) {
            toolError(
                QStringLiteral("cannot read %1: %2").arg(path, ToolArgs::failureReason(session)),
                ExitFailed);
            unreadable = true;
            continue;
        }
        const SortedTavData& set = session.data();
        const QString command = QStringLiteral("verify");
        QVector<TolerancePair> pairs;
        const QString bad = PairOptions::pairsOf(
            command, path, set.names, PairOptions::axesOf(set.names, saved), o.pairs, pairs);
        if (!bad.isEmpty())
            return toolError(bad, ExitUsage);
        if (pairs.isEmpty())
            return toolError(PairOptions::noPairFound(command, path), ExitUsage);
        const QVector<ToleranceResult> results = PairOptions::checkAll(set, pairs, o.pairs.timing);
        for (const ToleranceResult& r : results)
            failed = failed || !r.pass;
        text += verifyJson(path, set.names, pairs, results, o.pairs.timing);
    }
    if (std::fwrite(text.constData(), 1, size_t(text.size()), stdout) != size_t(text.size()) ||
        std::fflush(stdout) != 0)
        return toolError(QStringLiteral("cannot write the output"), ExitFailed);
    if (unreadable)
        return ExitFailed;
    return failed ? ExitFailedCheck : ExitOk;
}
