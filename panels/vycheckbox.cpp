#include "vycheckbox.h"

VyCheckBox::VyCheckBox(int row, bool checked) : row(row)
{
    setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    // Connected after the initial state so that building a row emits nothing.
    connect(this, &QCheckBox::stateChanged, this, [this](int state) {
        if (state == Qt::Checked)
            emit changeMade(this->row, true);
        else if (state == Qt::Unchecked)
            emit changeMade(this->row, false);
    });
}
