#include "verifycommand.h"

#include "commands.h"
#include "jsontext.h"
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

// One --pair as given; the variables are looked up in each file.
struct PairArg
{
    QString measured;
    QString setpoint;
    bool hasBand = false;
    ToleranceBand band;
};

struct VerifyArgs
{
    QStringList files;
    QVector<PairArg> pairs;
    ToleranceTiming timing;
    QString config;
};

bool parseSeconds(const QString& text, double& value)
{
    bool ok = false;
    value = text.toDouble(&ok);
    return ok && std::isfinite(value) && value >= 0;
}

// "MEASURED=SETPOINT[:BELOW[:ABOVE]]"; empty on success, else the usage error.
QString parsePair(const QString& text, PairArg& pair)
{
    const int equals = text.indexOf(QLatin1Char('='));
    const QStringList rest = text.mid(equals + 1).split(QLatin1Char(':'));
    if (equals <= 0 || rest.size() > 3 || rest.first().isEmpty())
        return QStringLiteral("verify: --pair wants MEASURED=SETPOINT[:BELOW[:ABOVE]], not '%1'")
            .arg(text);
    pair.measured = text.left(equals);
    pair.setpoint = rest.first();
    for (int k = 1; k < rest.size(); ++k) {
        double v = 0;
        if (!parseSeconds(rest.at(k), v))
            return QStringLiteral("verify: --pair %1: the band wants a number of 0 or more, not "
                                  "'%2'")
                .arg(text, rest.at(k));
        if (k == 1)
            pair.band.below = pair.band.above = v; // BELOW alone sets both sides
        else
            pair.band.above = v;
    }
    pair.hasBand = rest.size() > 1;
    return {};
}

QString parseArgs(const QStringList& args, VerifyArgs& o)
{
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (a == QLatin1String("--pair") || a == QLatin1String("--dwell") ||
            a == QLatin1String("--min-hold") || a == QLatin1String("--config")) {
            if (i + 1 >= args.size())
                return QStringLiteral("verify: %1 needs a value").arg(a);
            const QString value = args.at(++i);
            if (a == QLatin1String("--pair")) {
                PairArg pair;
                const QString bad = parsePair(value, pair);
                if (!bad.isEmpty())
                    return bad;
                o.pairs.append(pair);
            } else if (a == QLatin1String("--config")) {
                o.config = value;
            } else if (!parseSeconds(value, a == QLatin1String("--dwell") ? o.timing.dwell
                                                                          : o.timing.minHold)) {
                return QStringLiteral("verify: %1 wants seconds, 0 or more, not '%2'")
                    .arg(a, value);
            }
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

// A variable by name, else by index; -1 when neither.
int variable(const QStringList& names, const QString& text)
{
    const int byName = names.indexOf(text);
    if (byName >= 0)
        return byName;
    bool ok = false;
    const int index = text.toInt(&ok);
    return ok && index >= 0 && index < names.size() ? index : -1;
}

// The Y axis of every variable, as the plot settings put it.
QVector<int> axes(const QStringList& names, const QList<CurveInfo>& saved)
{
    QList<CurveInfo> curves;
    for (const QString& name : names) {
        CurveInfo c;
        c.CurveName = name;
        curves.append(c);
    }
    PlotConfig::applyCurves(curves, saved);
    QVector<int> result;
    for (const CurveInfo& c : qAsConst(curves))
        result.append(c.RefIndex);
    return result;
}

// The file's pairs; empty on success, else the usage error.
QString pairsOf(const QString& path, const QStringList& names, const VerifyArgs& o,
                const QList<CurveInfo>& saved, QVector<TolerancePair>& pairs)
{
    const QVector<int> axis = axes(names, saved);
    const auto withDefaultBand = [&axis](TolerancePair p) {
        p.band.below = p.band.above = TolerancePairs::defaultBand(axis.value(p.measured));
        return p;
    };
    if (o.pairs.isEmpty()) {
        for (const auto& found : TolerancePairs::automatic(names))
            pairs.append(withDefaultBand({found.first, found.second, {}}));
        if (pairs.isEmpty())
            return QStringLiteral("verify: no pair found in %1 (no variable is named as another's "
                                  "setpoint; give --pair)")
                .arg(path);
        return {};
    }
    for (const PairArg& a : o.pairs) {
        TolerancePair p{variable(names, a.measured), variable(names, a.setpoint), {}};
        for (const QString* text : {&a.measured, &a.setpoint}) {
            if (variable(names, *text) < 0)
                return QStringLiteral("verify: %1 has no variable '%2'").arg(path, *text);
        }
        p = withDefaultBand(p);
        if (a.hasBand)
            p.band = a.band;
        pairs.append(p);
    }
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
        QVector<TolerancePair> pairs;
        const QString bad = pairsOf(path, set.names, o, saved, pairs);
        if (!bad.isEmpty())
            return toolError(bad, ExitUsage);
        QVector<ToleranceResult> results;
        for (const TolerancePair& pair : qAsConst(pairs)) {
            results.append(TolerancePairs::check(set, pair, o.timing));
            failed = failed || !results.last().pass;
        }
        text += verifyJson(path, set.names, pairs, results, o.timing);
    }
    if (std::fwrite(text.constData(), 1, size_t(text.size()), stdout) != size_t(text.size()) ||
        std::fflush(stdout) != 0)
        return toolError(QStringLiteral("cannot write the output"), ExitFailed);
    if (unreadable)
        return ExitFailed;
    return failed ? ExitFailedCheck : ExitOk;
}
