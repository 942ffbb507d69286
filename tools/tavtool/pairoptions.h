#pragma once

#include "tolerancepairs.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

struct CurveInfo;
class SortedTavData;

// The tolerance options that verify, render and report share:
// --pair MEASURED=SETPOINT[:BELOW[:ABOVE]] (repeatable), --dwell S and --min-hold S.
namespace PairOptions {

// One --pair as given; the variables are looked up in each file.
struct PairArg
{
    QString measured;
    QString setpoint;
    bool hasBand = false;
    ToleranceBand band;
};

struct Options
{
    QVector<PairArg> pairs;
    ToleranceTiming timing;
    bool any = false; // some tolerance option was given
};

// Takes the tolerance options out of args and leaves the rest, in their order, for the
// command's own parsing. Empty on success, else the usage error, beginning "command: ".
QString take(const QString& command, QStringList& args, Options& o);

// The Y axis of every variable, as the curves' settings put it.
QVector<int> axesOf(const QStringList& names, const QList<CurveInfo>& curves);

// The pairs of one file: those given, in their order, or without any the automatic pairs in
// the order of their measured variables, each with the default band of its measured
// variable's axis unless given. Empty on success, else the usage error (a variable the
// file lacks); finding no automatic pair is no error here, pairs then stays empty.
QString pairsOf(const QString& command, const QString& path, const QStringList& names,
                const QVector<int>& axes, const Options& o, QVector<TolerancePair>& pairs);

// The usage error for a file in which no pair was found.
QString noPairFound(const QString& command, const QString& path);

// The check of every pair over the data set, in the pairs' order.
QVector<ToleranceResult> checkAll(const SortedTavData& set, const QVector<TolerancePair>& pairs,
                                  const ToleranceTiming& timing);

} // namespace PairOptions
