#include "vyspin.h"

#include <algorithm>
#include <cmath>

VySpin::VySpin(int row, double weight) : row(row)
{
    setMinimum(1);
    setMaximum(5);
    // Truncated toward zero and clamped to the range before the conversion: a NaN or huge
    // weight from a damaged file has no int value.
    const double clamped = std::isnan(weight) ? 1.0 : std::clamp(weight, 1.0, 5.0);
    setValue(static_cast<int>(clamped));
    connect(this, QOverload<int>::of(&QSpinBox::valueChanged), this,
            [this](int) { emit changeMade(this->row); });
}
