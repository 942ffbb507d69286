#pragma once

#include <QDoubleSpinBox>

// Line-weight cell of the curve table: 0.5 to 5 pixels, shown with one decimal.
//
// The box shows the saved weight rounded to its step and range, but weight() gives the
// saved value back as it came until the user changes the box: a save must not rewrite a
// weight nobody touched (1.25 stays 1.25, 7 stays 7).
class VySpin : public QDoubleSpinBox
{
    Q_OBJECT
public:
    static constexpr double MinWeight = 0.5;
    static constexpr double MaxWeight = 5.0;

    VySpin(int row, double weight);

    int row = 0;

    // The saved weight, or the box's value once the user has changed it.
    double weight() const;

signals:
    void changeMade(int r);

private:
    double saved = 1.0;
    bool edited = false;
};
