#include "vycomboboxaxis.h"

VyComboBoxAxis::VyComboBoxAxis(int row, int axis) : row(row)
{
    addItem(QStringLiteral("℃"));
    addItem(QStringLiteral("%"));
    setCurrentIndex(axis != 0 ? 1 : 0);
    connect(this, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            [this](int) { emit changeMade(this->row); });
}
