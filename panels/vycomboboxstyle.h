#pragma once

#include <QComboBox>

// Line-style cell of the curve table: index 0 is a solid pen (1), index 1 a dashed pen (2).
class VyComboBoxStyle : public QComboBox
{
    Q_OBJECT
public:
    VyComboBoxStyle(int row, int style);

    int row = 0;

signals:
    void changeMade(int r);
};
