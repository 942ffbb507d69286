#include "vycomboboxstyle.h"

VyComboBoxStyle::VyComboBoxStyle(int row, int style) : row(row)
{
    addItem(tr("实"));
    addItem(tr("虚"));
    setCurrentIndex(style == 1 ? 0 : 1);
    connect(this, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            [this](int) { emit changeMade(this->row); });
}
