#include "statsrange.h"

#include "tavdrawer.h"

#include <algorithm>
#include <cmath>

QPair<qint64, qint64> statisticsRange(const TavDrawer& canvas)
{
    if (canvas.DrawA && canvas.DrawB)
        return qMakePair(std::min(canvas.vernStampA, canvas.vernStampB),
                         std::max(canvas.vernStampA, canvas.vernStampB));
    return qMakePair(std::min(canvas.stampStart, canvas.stampEnd),
                     std::max(canvas.stampStart, canvas.stampEnd));
}

QVector<int> drawnCurveIndexes(const QList<CurveInfo>& curves)
{
    QVector<int> drawn;
    for (int i = 0; i < curves.size(); ++i) {
        if (curves.at(i).ToDraw)
            drawn.append(i);
    }
    return drawn;
}

QString statisticText(double value, int decimals)
{
    return std::isfinite(value) ? QString::number(value, 'f', decimals) : QStringLiteral("-");
}

QStringList statisticsTexts(const RangeSummary& s)
{
    const QString none = QStringLiteral("-");
    if (s.count == 0)
        return {none, none, none, none, none, none};
    // Chamber tolerances are quoted to a tenth of a degree or better: two decimals show
    // the fluctuation without rounding it away.
    return {statisticText(s.min, 2),    statisticText(s.max, 2),
            statisticText(s.mean, 2),   statisticText(s.peakToPeak(), 2),
            statisticText(s.stdDev, 3), s.hasRate ? statisticText(s.ratePerMinute, 3) : none};
}
