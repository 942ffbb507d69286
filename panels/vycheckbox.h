#pragma once

#include <QCheckBox>

// "Show" cell of the curve table. Remembers its row so one slot can serve every row.
class VyCheckBox : public QCheckBox
{
    Q_OBJECT
public:
    VyCheckBox(int row, bool checked);

    int row = 0;

signals:
    void changeMade(int r, bool ch);
};
