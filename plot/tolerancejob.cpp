#include "tolerancejob.h"

#include "sortedtavdata.h"

#include <algorithm>

ToleranceJob ToleranceJob::take(const SortedTavData& set, const ToleranceSettings& settings)
{
    ToleranceJob job;
    job.stamps = set.stamps;
    job.timing = settings.timing;
    const int columns = set.values.size();
    job.pairs.reserve(settings.pairs.size());
    for (const TolerancePair& p : settings.pairs) {
        Pair taken;
        taken.band = p.band;
        if (p.measured >= 0 && p.measured < columns && p.setpoint >= 0 && p.setpoint < columns) {
            taken.measured = set.values.at(p.measured);
            taken.setpoint = set.values.at(p.setpoint);
        }
        job.pairs.append(taken);
    }
    return job;
}

QVector<ToleranceResult> ToleranceJob::run() const
{
    QVector<ToleranceResult> results;
    results.reserve(pairs.size());
    for (const Pair& p : pairs) {
        const int n = std::min({stamps.size(), p.measured.size(), p.setpoint.size()});
        if (n <= 0) {
            results.append(ToleranceResult());
            continue;
        }
        results.append(ToleranceCheck::run(stamps.constData(), p.measured.constData(),
                                           p.setpoint.constData(), n, p.band, timing));
    }
    return results;
}
