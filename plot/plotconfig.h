#pragma once

#include "curveinfo.h"
#include "viewnavigation.h"

#include <QList>
#include <QString>

// The view settings the configuration file carries, as the canvas holds them.
struct PlotViewSettings
{
    bool DarkMode = false;
    bool WaterMark = false;
    QList<float> upperLimits;
    QList<float> lowerLimits;
    int xSplCount = 0;
    int ySplCount = 0;
    bool DrawA = true;
    bool DrawB = false;
    bool allowDragX = true;
    bool allowZoomX = true;
    bool allowDragY0 = true;
    bool allowZoomY0 = false;
    bool allowDragY1 = true;
    bool allowZoomY1 = false;
    bool showError = false;
    bool showSys = false;
    bool showUser = false;

    bool operator==(const PlotViewSettings& o) const
    {
        return DarkMode == o.DarkMode && WaterMark == o.WaterMark && upperLimits == o.upperLimits &&
               lowerLimits == o.lowerLimits && xSplCount == o.xSplCount &&
               ySplCount == o.ySplCount && DrawA == o.DrawA && DrawB == o.DrawB &&
               allowDragX == o.allowDragX && allowZoomX == o.allowZoomX &&
               allowDragY0 == o.allowDragY0 && allowZoomY0 == o.allowZoomY0 &&
               allowDragY1 == o.allowDragY1 && allowZoomY1 == o.allowZoomY1 &&
               showError == o.showError && showSys == o.showSys && showUser == o.showUser;
    }
};

// Reading and writing "tav_drawer_config.ini" (QSettings INI, UTF-8).
//
// The file is input like any other: edited by hand, copied between machines, damaged.
// Array sizes are bounded, and a value the plot cannot use (a NaN, infinite or huge
// limit, equal limits, a grid count beyond what the editors offer, an unknown pen style,
// axis or colour) falls back to the default of that entry alone. The readers say whether
// anything fell back, so that the user can be told once.
class QSettings;

namespace PlotConfig {

// Bounds of what the file may ask for.
constexpr int MaxAxes = 32;
constexpr int MaxCurves = 1 << 20; // as many variables as a data set can hold
constexpr int MaxGridCount = 99;
constexpr float MaxLimit = ViewNavigation::MaxYLimit;
constexpr float MaxCurveWeight = 5.0f;

// Completes the Y lists to two axes: 200/-100 for Y1, then 110/-10 for Y2.
void completeLimits(QList<float>& upper, QList<float>& lower);

// The limits the lists fall back to for axis i.
float defaultUpper(int axis);
float defaultLower(int axis);

// Reads every group but "CurveInfo" over s; a missing key leaves its member as it is.
// Without a file nothing is read. The limits are completed in every case. Returns true
// when some value was unusable and fell back.
bool readView(const QString& path, PlotViewSettings& s);

// The saved curve entries in file order; empty without a file. *damaged (if given) is
// set when some entry was unusable and fell back.
QList<CurveInfo> readCurves(const QString& path, bool* damaged = nullptr);

// Every curve whose name equals a saved entry's takes all of that entry; the last
// matching entry wins.
void applyCurves(QList<CurveInfo>& curves, const QList<CurveInfo>& saved);

// True when some curve's name equals a saved entry's.
bool knowsAny(const QList<CurveInfo>& curves, const QList<CurveInfo>& saved);

// Every curve drawn, curve i in palette colour i; the other fields are left as they are.
void drawAllInPalette(QList<CurveInfo>& curves);

// The settings of a file after its read. When the saved entries know at least one of its
// variables, as applyCurves: the others keep the new-curve values (hidden, black). When
// they know none (no file, a CSV's "Data[n]", another chamber's names), a plot of hidden
// black curves would be blank, so every curve is drawn in its palette colour. Returns
// true in that case.
bool applyCurvesOrDrawAll(QList<CurveInfo>& curves, const QList<CurveInfo>& saved);

// Writes every group to path. Returns false when the file could not be written (a
// folder that cannot be written, a path under a file, a full disk).
bool write(const QString& path, const PlotViewSettings& s, const QList<CurveInfo>& curves);

// Writes out what ini holds for path; false, with a warning, when it could not be written.
bool finishWrite(QSettings& ini, const QString& path);

} // namespace PlotConfig
