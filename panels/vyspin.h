#pragma once

#include <QSpinBox>

// Line-weight cell of the curve table: 1 to 5 pixels.
class VySpin : public QSpinBox
{
    Q_OBJECT
public:
    VySpin(int row, double weight);

    int row = 0;

signals:
    void changeMade(int r);
};
