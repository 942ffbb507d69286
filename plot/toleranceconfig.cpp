#include "toleranceconfig.h"

#include "plotconfig.h"

#include "plotlog.h"

#include <QDir>
#include <QHash>
#include <QSettings>

#include <cmath>

namespace ToleranceConfig {

namespace {

const QString Group = QStringLiteral("Tolerance");
const QString Array = QStringLiteral("PAIR");

// A number key in [0, max]; anything else keeps value and marks the file damaged.
void readNumber(QSettings& ini, const QString& key, double max, double& value, bool& damaged)
{
    const QVariant v = ini.value(key);
    if (!v.isValid())
        return;
    bool ok = false;
    const double d = v.toDouble(&ok);
    if (ok && std::isfinite(d) && d >= 0.0 && d <= max)
        value = d;
    else
        damaged = true;
}

} // namespace

Saved read(const QString& path, const Saved& base, bool* damaged)
{
    Saved saved = base;
    saved.present = false;
    bool bad = false;
    if (QDir().exists(path)) {
        QSettings ini(path, QSettings::IniFormat);
        ini.setIniCodec("UTF-8");
        if (ini.childGroups().contains(Group)) {
            saved.present = true;
            ini.beginGroup(Group);
            readNumber(ini, QStringLiteral("dwell"), MaxSeconds, saved.timing.dwell, bad);
            readNumber(ini, QStringLiteral("minHold"), MaxSeconds, saved.timing.minHold, bad);
            saved.showBands = ini.value(QStringLiteral("showBands"), saved.showBands).toBool();
            const int declared = ini.beginReadArray(Array);
            bad = bad || declared > MaxPairs;
            saved.pairs.clear();
            for (int i = 0; i < std::min(declared, MaxPairs); ++i) {
                ini.setArrayIndex(i);
                NamedPair p;
                p.measured = ini.value(QStringLiteral("Measured")).toString();
                p.setpoint = ini.value(QStringLiteral("Setpoint")).toString();
                if (p.measured.isEmpty() || p.setpoint.isEmpty()) {
                    bad = true;
                    continue;
                }
                // Without a band the pair takes the default of its axis when it is used.
                p.band.below = -1.0;
                p.band.above = -1.0;
                readNumber(ini, QStringLiteral("Below"), MaxBand, p.band.below, bad);
                readNumber(ini, QStringLiteral("Above"), MaxBand, p.band.above, bad);
                saved.pairs.append(p);
            }
            ini.endArray();
            ini.endGroup();
        }
    }
    if (bad)
        qCWarning(lcPlot) << "配置文件有误" << path << Group;
    if (damaged)
        *damaged = bad;
    return saved;
}

bool write(const QString& path, const Saved& saved)
{
    QSettings ini(path, QSettings::IniFormat);
    ini.setIniCodec("UTF-8");
    ini.beginGroup(Group);
    ini.remove(QString());
    ini.setValue(QStringLiteral("dwell"), saved.timing.dwell);
    ini.setValue(QStringLiteral("minHold"), saved.timing.minHold);
    ini.setValue(QStringLiteral("showBands"), saved.showBands);
    ini.beginWriteArray(Array, saved.pairs.size());
    for (int i = 0; i < saved.pairs.size(); ++i) {
        const NamedPair& p = saved.pairs.at(i);
        ini.setArrayIndex(i);
        ini.setValue(QStringLiteral("Measured"), p.measured);
        ini.setValue(QStringLiteral("Setpoint"), p.setpoint);
        ini.setValue(QStringLiteral("Below"), p.band.below);
        ini.setValue(QStringLiteral("Above"), p.band.above);
    }
    ini.endArray();
    ini.endGroup();
    return PlotConfig::finishWrite(ini, path);
}

Saved named(const ToleranceSettings& settings, const QStringList& names)
{
    Saved saved;
    saved.present = true;
    saved.timing = settings.timing;
    saved.showBands = settings.showBands;
    for (const TolerancePair& p : settings.pairs) {
        if (p.measured < 0 || p.measured >= names.size() || p.setpoint < 0 ||
            p.setpoint >= names.size())
            continue;
        saved.pairs.append({names.at(p.measured), names.at(p.setpoint), p.band});
    }
    return saved;
}

QVector<TolerancePair> automaticPairs(const QStringList& names, const QList<CurveInfo>& curves)
{
    QVector<TolerancePair> pairs;
    for (const QPair<int, int>& a : TolerancePairs::automatic(names)) {
        TolerancePair p;
        p.measured = a.first;
        p.setpoint = a.second;
        const double band =
            TolerancePairs::defaultBand(a.first < curves.size() ? curves.at(a.first).RefIndex : 0);
        p.band.below = band;
        p.band.above = band;
        pairs.append(p);
    }
    return pairs;
}

ToleranceSettings forRecording(const Saved& saved, const QStringList& names,
                               const QList<CurveInfo>& curves)
{
    ToleranceSettings settings;
    settings.timing = saved.timing;
    settings.showBands = saved.showBands;
    QHash<QString, int> index;
    for (int i = names.size() - 1; i >= 0; --i)
        index.insert(names.at(i), i);
    for (const NamedPair& n : saved.pairs) {
        const int m = index.value(n.measured, -1);
        const int s = index.value(n.setpoint, -1);
        if (m < 0 || s < 0)
            continue;
        TolerancePair p;
        p.measured = m;
        p.setpoint = s;
        const double band =
            TolerancePairs::defaultBand(m < curves.size() ? curves.at(m).RefIndex : 0);
        p.band.below = n.band.below >= 0.0 ? n.band.below : band;
        p.band.above = n.band.above >= 0.0 ? n.band.above : band;
        settings.pairs.append(p);
    }
    if (settings.pairs.isEmpty())
        settings.pairs = automaticPairs(names, curves);
    return settings;
}

} // namespace ToleranceConfig
