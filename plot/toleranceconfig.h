#pragma once

#include "curveinfo.h"
#include "tolerancesettings.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

// The tolerance settings in "tav_drawer_config.ini", group "Tolerance":
//
//   [Tolerance]
//   dwell=600
//   minHold=300
//   showBands=false
//   PAIR\size=1
//   PAIR\1\Measured=温度
//   PAIR\1\Setpoint=温度设定
//   PAIR\1\Below=2
//   PAIR\1\Above=2
//
// Pairs are kept by variable name, as the curves are, so that they find their variables in
// the next file whatever the variables' order. A value the check cannot use (a negative,
// non-numeric or huge band or time) falls back to its default alone.
namespace ToleranceConfig {

// Bounds of what the file may ask for.
constexpr int MaxPairs = 1024;
constexpr double MaxBand = 1.0e6;
constexpr double MaxSeconds = 1.0e8; // some three years

struct NamedPair
{
    QString measured;
    QString setpoint;
    ToleranceBand band;
};

struct Saved
{
    bool present = false; // the file holds a "Tolerance" group
    QVector<NamedPair> pairs;
    ToleranceTiming timing;
    bool showBands = false;
};

// The group as the file holds it; missing keys keep the defaults of base. Without a file or
// group, base itself with present false. *damaged (if given) is set when something fell back.
Saved read(const QString& path, const Saved& base, bool* damaged = nullptr);

// Rewrites the group in path, leaving the other groups alone. False when it could not be
// written.
bool write(const QString& path, const Saved& saved);

// settings by name: the pairs whose indexes name variables of names.
Saved named(const ToleranceSettings& settings, const QStringList& names);

// The settings for a recording with names and curves (for the default bands, from their
// axes): the saved pairs whose two names both exist (the first variable of a name), or the
// automatic pairs when none does; timing and switch as saved.
ToleranceSettings forRecording(const Saved& saved, const QStringList& names,
                               const QList<CurveInfo>& curves);

// The automatic pairs of names, each with the default band of its measured curve's axis.
QVector<TolerancePair> automaticPairs(const QStringList& names, const QList<CurveInfo>& curves);

} // namespace ToleranceConfig
