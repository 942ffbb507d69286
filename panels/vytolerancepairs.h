#pragma once

#include "tolerancepairs.h"

#include <QStringList>
#include <QTableWidget>
#include <QVector>

class QComboBox;
class QDoubleSpinBox;

// The pairs of the tolerance check: measured and setpoint variable (chosen from the
// recording's names), and the band below and above the setpoint. Every edit by the user
// emits pairsEdited; filling the table from the canvas emits nothing.
class VyTolerancePairs : public QTableWidget
{
    Q_OBJECT
public:
    enum Column
    {
        ColMeasured = 0,
        ColSetpoint,
        ColBelow,
        ColAbove
    };
    static constexpr double MaxBand = 999.0;

    VyTolerancePairs();

    // The variables a pair may name; the rows are emptied.
    void setNames(const QStringList& names);
    void setPairs(const QVector<TolerancePair>& pairs);
    QVector<TolerancePair> pairs() const;

    // Appends pair as a row, as the user asked.
    void addPair(const TolerancePair& pair);
    // Removes the row of the current cell (the last row when none is current).
    void removeCurrentPair();

    QComboBox* comboAt(int row, int column) const;
    QDoubleSpinBox* spinAt(int row, int column) const;

signals:
    void pairsEdited();

private:
    void appendRow(const TolerancePair& pair);
    QComboBox* nameBox(int index);
    QDoubleSpinBox* bandBox(double value);
    static double bandOf(const QDoubleSpinBox* spin);
    void onEdited();

    QStringList m_names;
    bool m_filling = false;
};
