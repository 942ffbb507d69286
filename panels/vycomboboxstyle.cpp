#include "vycomboboxstyle.h"

VyComboBoxStyle::VyComboBoxStyle(int row, int style) : row(row)
{
    addItem(QStringLiteral("实"));
    addItem(QStringLiteral("虚"));
    setCurrentIndex(style == 1 ? 0 : 1);
    connect(this, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            [this](int) { emit changeMade(this->row); });
}
