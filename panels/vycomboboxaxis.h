#pragma once

#include <QComboBox>

// Y-axis cell of the curve table: index 0 is Y1, index 1 is Y2.
class VyComboBoxAxis : public QComboBox
{
    Q_OBJECT
public:
    VyComboBoxAxis(int row, int axis);

    int row = 0;

signals:
    void changeMade(int r);
};
