#pragma once

#include "curveinfo.h"

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
namespace PlotConfig {

// Completes the Y lists to two axes: 200/-100 for Y1, then 110/-10 for Y2.
void completeLimits(QList<float>& upper, QList<float>& lower);

// Reads every group but "CurveInfo" over s; a missing key leaves its member as it is.
// Without a file nothing is read. The limits are completed in every case.
void readView(const QString& path, PlotViewSettings& s);

// The saved curve entries in file order; empty without a file.
QList<CurveInfo> readCurves(const QString& path);

// Every curve whose name equals a saved entry's takes all of that entry; the last
// matching entry wins.
void applyCurves(QList<CurveInfo>& curves, const QList<CurveInfo>& saved);

void write(const QString& path, const PlotViewSettings& s, const QList<CurveInfo>& curves);

} // namespace PlotConfig
