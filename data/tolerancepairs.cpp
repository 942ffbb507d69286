#include "tolerancepairs.h"

#include "tavdatamodel.h"

#include <QHash>

#include <algorithm>

namespace TolerancePairs {

double defaultBand(int axis)
{
    return axis == 1 ? 3.0 : 2.0;
}

QVector<QPair<int, int>> automatic(const QStringList& names)
{
    // First index of every name, so that many variables cost no more than a few look-ups each.
    QHash<QString, int> index;
    index.reserve(names.size());
    for (int i = names.size() - 1; i >= 0; --i)
        index.insert(names.at(i), i);
    QVector<QPair<int, int>> pairs;
    for (int m = 0; m < names.size(); ++m) {
        const QString& name = names.at(m);
        QStringList candidates = {name + QStringLiteral("设定"), name + QStringLiteral("设定值")};
        if (name.endsWith(QLatin1String("PV")))
            candidates.append(name.left(name.size() - 2) + QStringLiteral("SV"));
        int setpoint = -1;
        for (const QString& c : qAsConst(candidates)) {
            const int s = index.value(c, -1);
            if (s >= 0 && (setpoint < 0 || s < setpoint))
                setpoint = s;
        }
        if (setpoint >= 0)
            pairs.append({m, setpoint});
    }
    return pairs;
}

ToleranceResult check(const TavDataModel& set, const TolerancePair& pair,
                      const ToleranceTiming& timing)
{
    const int columns = set.values.size();
    if (pair.measured < 0 || pair.measured >= columns || pair.setpoint < 0 ||
        pair.setpoint >= columns)
        return {};
    const int n = std::min({set.stamps.size(), set.values.at(pair.measured).size(),
                            set.values.at(pair.setpoint).size()});
    return ToleranceCheck::run(set.stamps.constData(), set.values.at(pair.measured).constData(),
                               set.values.at(pair.setpoint).constData(), n, pair.band, timing);
}

} // namespace TolerancePairs
