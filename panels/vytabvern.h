#pragma once

#include "curveinfo.h"

#include <QList>
#include <QTableWidget>

class TavDrawer;

// What the canvas knows about its verniers after a paint.
struct VernReadings
{
    bool hasData = false;
    bool drawA = false;
    bool drawB = false;
    qint64 stampA = 0;
    qint64 stampB = 0;
    QList<float> valuesA; // one per drawn curve; magnitude above 998 means no reading
    QList<float> valuesB;
};

// Readings of verniers A and B side by side, with B minus A.
//
// The window's slot onVernRefreshed() is:
//     tabVern->onVernRefreshed(drawer);
// After a successful read and after every curve-table edit it calls
// tabVern->resetRows(drawer->curveInfoList) (commitTo of VyTabCurve does the latter).
class VyTabVern : public QTableWidget
{
    Q_OBJECT
public:
    VyTabVern();

    // Rows "日期" and "时间", then one row per curve with ToDraw set; readings empty.
    void resetRows(const QList<CurveInfo>& curves);

    // Copies the canvas's vernier state into the table; does nothing without data.
    void onVernRefreshed(TavDrawer* canvas);

    // The same for readings taken elsewhere; curves feeds resetRows when the table is empty.
    void showReadings(const VernReadings& readings, const QList<CurveInfo>& curves);

    // Text of one reading: "-" when missing (magnitude above 998), else one decimal.
    static QString readingText(float value);

private:
    void writeVernier(int column, bool shown, qint64 stamp, const QList<float>& values);
    void writeDifferences(const VernReadings& readings);
    void setColumnText(int column, const QString& text);
    void setCellText(int row, int column, const QString& text);
};
