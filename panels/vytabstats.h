#pragma once

#include "curveinfo.h"

#include <QList>
#include <QTableWidget>

class SortedTavData;
class TavDrawer;

// "区间统计": one row per drawn curve (name, colour swatch) with its minimum, maximum,
// mean, peak-to-peak, standard deviation and rate per minute over a stamp range.
//
// The window connects the canvas's vernRefreshed to onVernRefreshed(drawer), so the
// figures follow the verniers; each refresh asks the data set's summaries, never the
// samples.
class VyTabStats : public QTableWidget
{
    Q_OBJECT
public:
    VyTabStats();

    static QStringList headerTexts();

    // One row per curve with ToDraw set; figures empty.
    void resetRows(const QList<CurveInfo>& curves);

    // Figures of the canvas's drawn curves over its statistics range; nothing without data.
    void onVernRefreshed(TavDrawer* canvas);

    // Figures of the drawn curves of set over [from, to]; rebuilds the rows first when they
    // no longer match the drawn curves.
    void showRange(const SortedTavData& set, const QList<CurveInfo>& curves, qint64 from,
                   qint64 to);

    // Wide enough for every column whole: the side panel takes this width, so the table
    // never scrolls sideways.
    QSize minimumSizeHint() const override;

private:
    bool rowsMatch(const QList<CurveInfo>& curves) const;
    // True when the cell is new or its text changed length.
    bool setCellText(int row, int column, const QString& text);
};
