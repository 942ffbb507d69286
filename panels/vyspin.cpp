#include "vyspin.h"

#include <algorithm>
#include <cmath>

VySpin::VySpin(int row, double weight) : row(row)
{
    setDecimals(1);
    setRange(MinWeight, MaxWeight);
    setSingleStep(0.5);
    // A NaN or infinite weight from a damaged file has nothing worth keeping.
    saved = std::isfinite(weight) ? weight : 1.0;
    setValue(std::clamp(saved, MinWeight, MaxWeight));
    connect(this, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this, [this](double) {
        edited = true;
        emit changeMade(this->row);
    });
}

double VySpin::weight() const
{
    return edited ? value() : saved;
}
