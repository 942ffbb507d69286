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

ToleranceJob::Outcome ToleranceJob::run() const
{
    Outcome outcome;
    outcome.generation = generation;
    outcome.results.reserve(pairs.size());
    outcome.checks.reserve(pairs.size());
    const bool goesOn = resume.size() == pairs.size() && from <= stamps.size();
    outcome.fed = stamps.size();
    for (int i = 0; i < pairs.size(); ++i) {
        const Pair& p = pairs.at(i);
        const int n = std::min({stamps.size(), p.measured.size(), p.setpoint.size()});
        ToleranceCheck check = goesOn ? resume.at(i) : ToleranceCheck(p.band, timing);
        if (n > 0)
            check.feed(stamps.constData(), p.measured.constData(), p.setpoint.constData(),
                       goesOn ? from : 0, n);
        outcome.fed = std::min(outcome.fed, n);
        outcome.checks.append(check);
        // The open hold or ramp ends at the columns' end only in the result: the check kept
        // goes on from before that end.
        outcome.results.append(n > 0 ? check.finish(stamps.constData()) : ToleranceResult());
    }
    return outcome;
}
