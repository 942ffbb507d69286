#include "vyspin.h"

VySpin::VySpin(int row, double weight) : row(row)
{
    setMinimum(1);
    setMaximum(5);
    setValue(static_cast<int>(weight)); // truncates toward zero; the range then clamps
    connect(this, QOverload<int>::of(&QSpinBox::valueChanged), this,
            [this](int) { emit changeMade(this->row); });
}
