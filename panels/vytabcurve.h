#pragma once

#include "curveinfo.h"

#include <QColor>
#include <QList>
#include <QTableWidget>
#include <functional>

class VyTabVern;

// One row per curve; the row widgets are the only copy of the curve settings.
// Every user edit ends in curveInfoChanged(); filling the table emits nothing.
//
// The window's slot curveInfoChanged() is:
//     tabCurve->commitTo(drawer->curveInfoList, *tabVern);
//     drawer->update();
// and after a successful read it calls tabCurve->setCurves(drawer->curveInfoList).
class VyTabCurve : public QTableWidget
{
    Q_OBJECT
public:
    // Asks the user for a colour; returns false when the choice was cancelled.
    using ColorPicker = std::function<bool(const QColor& initial, QWidget* parent,
                                           const QString& title, QColor* picked)>;

    VyTabCurve();

    void setCurves(const QList<CurveInfo>& curves);
    void addCurve(const CurveInfo& info);
    QList<CurveInfo> curveInfos() const;

    // Reads the table back into target (replacing it whole) and rebuilds the vernier rows.
    void commitTo(QList<CurveInfo>& target, VyTabVern& vern) const;

    // Replaces the modal colour dialog, e.g. in tests; an empty picker restores the dialog.
    void setColorPicker(ColorPicker picker);

signals:
    void curveInfoChanged();

public slots:
    void accColorBarClicked(int r);

private:
    ColorPicker colorPicker;
};
