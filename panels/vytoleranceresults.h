#pragma once

#include "tolerancesettings.h"

#include <QStringList>
#include <QTreeWidget>
#include <QVector>

// The outcome of the tolerance check, one branch per pair: its verdict, then one row per hold
// (its setpoint and "合格"/"不合格") with the hold's times and figures and its excursions
// below it, then the ramps with their rates and overshoot. A double-click on a hold, an
// excursion or a ramp asks the canvas to centre on it.
class VyToleranceResults : public QTreeWidget
{
    Q_OBJECT
public:
    // The stamp a double-click centres on, kept by the rows that have one.
    static constexpr int StampRole = Qt::UserRole + 1;
    // What a row is: one of Kind.
    static constexpr int KindRole = Qt::UserRole + 2;
    enum Kind
    {
        PairRow = 1,
        HoldRow,
        ExcursionRow,
        RampRow,
        DetailRow,
        NoteRow
    };

    VyToleranceResults();

    // names: the recording's variables, which the pairs index.
    void showResults(const QStringList& names, const ToleranceSettings& settings,
                     const QVector<ToleranceResult>& results);

    static QString timeText(qint64 stamp);
    static QString durationText(qint64 seconds);
    static QString verdictText(bool pass);

signals:
    void jumpToStamp(qlonglong stamp);

private:
    void addPair(const QString& measured, const QString& setpoint, const TolerancePair& pair,
                 const ToleranceResult& result);
    void addHold(QTreeWidgetItem* parent, int number, const ToleranceHold& hold);
    void addRamp(QTreeWidgetItem* parent, int number, const ToleranceRamp& ramp);
    QTreeWidgetItem* addRow(QTreeWidgetItem* parent, Kind kind, const QString& name,
                            const QString& value);
    void setVerdict(QTreeWidgetItem* item, bool pass);
    void onItemDoubleClicked(QTreeWidgetItem* item);
};
