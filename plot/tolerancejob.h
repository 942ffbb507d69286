#pragma once

#include "tolerancecheck.h"
#include "tolerancesettings.h"

#include <QVector>

class SortedTavData;

// One check of every pair, with the columns it reads. The columns are copies of the data
// set's implicitly shared vectors: they share the samples, and the GUI thread may clear or
// replace the data set while the check runs, since nobody writes into them in place.
struct ToleranceJob
{
    struct Pair
    {
        QVector<float> measured; // empty when the pair's index is out of range
        QVector<float> setpoint;
        ToleranceBand band;
    };

    QVector<qint64> stamps;
    QVector<Pair> pairs;
    ToleranceTiming timing;
    // Which recording and settings the job checks: a job of the same generation only sees
    // more samples of the same recording, so it may go on from an earlier job's checks.
    quint64 generation = 0;
    // Checks fed with samples [0, from) of this generation, one per pair; empty: from 0.
    int from = 0;
    QVector<ToleranceCheck> resume;

    // The results, and the checks fed up to the end, for a later job to go on from.
    struct Outcome
    {
        QVector<ToleranceResult> results;
        QVector<ToleranceCheck> checks;
        int fed = 0;
        quint64 generation = 0;
    };

    // The columns of settings' pairs in set, taken as they stand now.
    static ToleranceJob take(const SortedTavData& set, const ToleranceSettings& settings);

    // One result per pair, in order; a pair without columns gets an empty result.
    Outcome run() const;
};
