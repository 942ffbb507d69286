#pragma once

#include "plotmapping.h"
#include "tavdrawer.h"

#include <QCoreApplication>
#include <QResizeEvent>

// A canvas that shows nothing but its curves (no verniers, grid, markers or watermark, light
// mode) over data set straight into it: one curve per column, drawn red, 1 px, on axis 0.
struct PlotCanvas
{
    static inline const QColor Red{0xD0, 0x10, 0x10};
    TavDrawer d;

    PlotCanvas(int w, int h, const QVector<qint64>& stamps, const QVector<QVector<float>>& columns)
    {
        d.resize(w, h);
        QResizeEvent ev(QSize(w, h), QSize());
        QCoreApplication::sendEvent(&d, &ev);
        d.DarkMode = d.WaterMark = d.DrawA = d.DrawB = false;
        d.showError = d.showSys = d.showUser = false;
        d.xSplCount = d.ySplCount = 0;
        d.upperLimits = {100.0f, 110.0f, 2000.0f};
        d.lowerLimits = {0.0f, -10.0f, -2000.0f};
        SortedTavData& s = d.dataSet;
        s.stamps = stamps;
        s.values = columns;
        s.sampleCount = stamps.size();
        s.status = 0;
        for (int i = 0; i < columns.size(); ++i) {
            s.names.append(QString::number(i));
            d.curveInfoList.append(CurveInfo{true, s.names.last(), Red.name(), 1.0f, 1, 0});
        }
        const auto range = s.stampRange();
        d.stampStart = range.first;
        d.stampEnd = range.second;
    }

    // The summaries are built here, so that a test may change values before it paints.
    QImage paint()
    {
        d.dataSet.buildSummaries();
        return d.grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
    int x(qint64 t) const
    {
        return TimeMapping{d.stampStart, d.stampEnd, d.plotLeft, d.plotRight}.curveX(t);
    }
    int y(float v, int axis = 0) const
    {
        return ValueMapping(d.upperLimits[axis], d.lowerLimits[axis], d.plotTop, d.plotBottom).y(v);
    }
};
