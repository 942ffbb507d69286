#pragma once

#include <QList>
#include <QString>

// How one variable of the data set is drawn. Index i of the canvas's list describes
// variable i of the data set.
struct CurveInfo
{
    bool ToDraw = false;
    QString CurveName;
    QString CurveColor = QStringLiteral("#000000"); // "#" and six hexadecimal digits
    float CurveWeight = 1.0f;                       // pen width, pixels
    int CurveStyle = 1;                             // Qt::PenStyle value
    int RefIndex = 0;                               // Y axis, index into the limit lists

    bool operator==(const CurveInfo& o) const
    {
        return ToDraw == o.ToDraw && CurveName == o.CurveName && CurveColor == o.CurveColor &&
               CurveWeight == o.CurveWeight && CurveStyle == o.CurveStyle && RefIndex == o.RefIndex;
    }
    bool operator!=(const CurveInfo& o) const { return !(*this == o); }
};
