#include "pairoptions.h"

#include "curveinfo.h"
#include "plotconfig.h"
#include "sortedtavdata.h"

#include <cmath>

namespace PairOptions {

namespace {

bool parseSeconds(const QString& text, double& value)
{
    bool ok = false;
    value = text.toDouble(&ok);
    return ok && std::isfinite(value) && value >= 0;
}

// "MEASURED=SETPOINT[:BELOW[:ABOVE]]"; empty on success, else the usage error.
QString parsePair(const QString& command, const QString& text, PairArg& pair)
{
    const int equals = text.indexOf(QLatin1Char('='));
    const QStringList rest = text.mid(equals + 1).split(QLatin1Char(':'));
    if (equals <= 0 || rest.size() > 3 || rest.first().isEmpty())
        return QStringLiteral("%1: --pair wants MEASURED=SETPOINT[:BELOW[:ABOVE]], not '%2'")
            .arg(command, text);
    pair.measured = text.left(equals);
    pair.setpoint = rest.first();
    for (int k = 1; k < rest.size(); ++k) {
        double v = 0;
        if (!parseSeconds(rest.at(k), v))
            return QStringLiteral("%1: --pair %2: the band wants a number of 0 or more, not "
                                  "'%3'")
                .arg(command, text, rest.at(k));
        if (k == 1)
            pair.band.below = pair.band.above = v; // BELOW alone sets both sides
        else
            pair.band.above = v;
    }
    pair.hasBand = rest.size() > 1;
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

} // namespace

QString take(const QString& command, QStringList& args, Options& o)
{
    QStringList rest;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        const bool isPair = a == QLatin1String("--pair");
        if (!isPair && a != QLatin1String("--dwell") && a != QLatin1String("--min-hold")) {
            rest.append(a);
            continue;
        }
        if (i + 1 >= args.size())
            return QStringLiteral("%1: %2 needs a value").arg(command, a);
        const QString value = args.at(++i);
        o.any = true;
        if (isPair) {
            PairArg pair;
            const QString bad = parsePair(command, value, pair);
            if (!bad.isEmpty())
                return bad;
            o.pairs.append(pair);
        } else if (!parseSeconds(value, a == QLatin1String("--dwell") ? o.timing.dwell
                                                                      : o.timing.minHold)) {
            return QStringLiteral("%1: %2 wants seconds, 0 or more, not '%3'")
                .arg(command, a, value);
        }
    }
    args = rest;
    return {};
}

QVector<int> axesOf(const QStringList& names, const QList<CurveInfo>& curves)
{
    QList<CurveInfo> placed;
    for (const QString& name : names) {
        CurveInfo c;
        c.CurveName = name;
        placed.append(c);
    }
    PlotConfig::applyCurves(placed, curves);
    QVector<int> result;
    for (const CurveInfo& c : qAsConst(placed))
        result.append(c.RefIndex);
    return result;
}

QString pairsOf(const QString& command, const QString& path, const QStringList& names,
                const QVector<int>& axes, const Options& o, QVector<TolerancePair>& pairs)
{
    const auto withDefaultBand = [&axes](TolerancePair p) {
        p.band.below = p.band.above = TolerancePairs::defaultBand(axes.value(p.measured));
        return p;
    };
    if (o.pairs.isEmpty()) {
        for (const auto& found : TolerancePairs::automatic(names))
            pairs.append(withDefaultBand({found.first, found.second, {}}));
        return {};
    }
    for (const PairArg& a : o.pairs) {
        for (const QString* text : {&a.measured, &a.setpoint}) {
            if (variable(names, *text) < 0)
                return QStringLiteral("%1: %2 has no variable '%3'").arg(command, path, *text);
        }
        TolerancePair p =
            withDefaultBand({variable(names, a.measured), variable(names, a.setpoint), {}});
        if (a.hasBand)
            p.band = a.band;
        pairs.append(p);
    }
    return {};
}

QString noPairFound(const QString& command, const QString& path)
{
    return QStringLiteral("%1: no pair found in %2 (no variable is named as another's "
                          "setpoint; give --pair)")
        .arg(command, path);
}

QVector<ToleranceResult> checkAll(const SortedTavData& set, const QVector<TolerancePair>& pairs,
                                  const ToleranceTiming& timing)
{
    QVector<ToleranceResult> results;
    results.reserve(pairs.size());
    for (const TolerancePair& pair : pairs)
        results.append(TolerancePairs::check(set, pair, timing));
    return results;
}

} // namespace PairOptions
