#pragma once

#include "curveinfo.h"
#include "rangestats.h"

#include <QPair>
#include <QStringList>
#include <QVector>

class TavDrawer;

// The stretch the range statistics cover: vernier A to vernier B when both are shown
// (in time order), otherwise the visible range.
QPair<qint64, qint64> statisticsRange(const TavDrawer& canvas);

// Indexes of the curves with ToDraw set, in list order.
QVector<int> drawnCurveIndexes(const QList<CurveInfo>& curves);

// Texts of the statistics columns "最小", "最大", "平均", "峰峰值", "标准差", "速率(/min)";
// "-" for every figure a summary without samples cannot give.
QStringList statisticsTexts(const RangeSummary& s);

// A figure with the given decimals; "-" for NaN or infinity.
QString statisticText(double value, int decimals);
