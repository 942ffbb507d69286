#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

class SortedTavData;

// `tavtool stats FILE [--from STAMP] [--to STAMP] [--vars I,J,...]`.
int runStats(const QStringList& args);
// `tavtool report FILE OUT.pdf [--config INI] [--from STAMP] [--to STAMP]
// [--pair MEASURED=SETPOINT[:BELOW[:ABOVE]]]... [--dwell S] [--min-hold S]`; needs a
// QApplication.
int runReport(const QStringList& args);

// The JSON object `stats` prints: from, to, and per variable its name, count, min,
// minStamp, max, maxStamp, mean, std, first, last and ratePerMinute (null without samples).
QByteArray statsJson(const SortedTavData& set, const QList<int>& indexes, qint64 from, qint64 to);
