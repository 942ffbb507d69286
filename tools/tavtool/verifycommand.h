#pragma once

#include "tolerancepairs.h"

#include <QByteArray>
#include <QStringList>
#include <QVector>

// `tavtool verify FILE... [--pair MEASURED=SETPOINT[:BELOW[:ABOVE]]]... [--dwell S]
// [--min-hold S] [--config INI]`.
int runVerify(const QStringList& args);

// The line `verify` prints for one file: its pairs (names of the data set) with their results.
QByteArray verifyJson(const QString& path, const QStringList& names,
                      const QVector<TolerancePair>& pairs, const QVector<ToleranceResult>& results,
                      const ToleranceTiming& timing);
