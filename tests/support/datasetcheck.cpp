#include "datasetcheck.h"

#include "sortedtavdata.h"

QString dataSetInconsistency(const SortedTavData& s)
{
    const int n = s.stamps.size();
    if (s.sampleCount != n || s.values.size() != s.names.size() || (s.status == 0 && n < 4))
        return QStringLiteral("status %1, %2 samples, %3 stamps, %4 columns, %5 names")
            .arg(s.status)
            .arg(s.sampleCount)
            .arg(n)
            .arg(s.values.size())
            .arg(s.names.size());
    for (const QVector<float>& column : s.values) {
        if (column.size() != n)
            return QStringLiteral("a column of %1 for %2 stamps").arg(column.size()).arg(n);
    }
    const int runs = s.spanIndexes.size();
    if (s.spanStamps.size() != runs || s.spanIntervals.size() != runs)
        return QStringLiteral("run lists of different lengths");
    int previousLast = 0;
    for (int i = 0; i < runs; ++i) {
        const auto [first, last] = s.spanIndexes[i];
        bool ok = first >= previousLast && last - first >= 2 && last < n &&
                  s.spanStamps[i] == qMakePair(s.stamps[first], s.stamps[last]);
        for (int k = first; ok && k < last; ++k)
            ok = s.stamps[k + 1] - s.stamps[k] == s.spanIntervals[i];
        if (!ok)
            return QStringLiteral("run %1: %2..%3 of %4 samples")
                .arg(i)
                .arg(first)
                .arg(last)
                .arg(n);
        previousLast = last;
    }
    return s.infoNames.size() == s.infoValues.size() ? QString()
                                                     : QStringLiteral("info names != values");
}
