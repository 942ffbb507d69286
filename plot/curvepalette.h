#pragma once

#include <QString>

// The colours a curve gets when no saved setting gives it one: the viewer on a file whose
// variables the settings do not know, and tavtool when the settings draw nothing. Distinct
// from one another and readable on the light and on the dark plot background alike.
namespace CurvePalette {

int size();

// "#RRGGBB" for curve i; the colours repeat after size() curves.
QString colour(int i);

} // namespace CurvePalette
