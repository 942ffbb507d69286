#include "curvepalette.h"

namespace CurvePalette {

namespace {

// Mid-tones: dark enough for white, light enough for the dark grey background.
const char* const Colours[] = {"#1F77B4", "#D62728", "#2CA02C", "#FF7F0E", "#9467BD",
                               "#8C564B", "#E377C2", "#7F7F7F", "#BCBD22", "#17BECF"};

} // namespace

int size()
{
    return int(sizeof(Colours) / sizeof(Colours[0]));
}

QString colour(int i)
{
    const int n = size();
    return QString::fromLatin1(Colours[((i % n) + n) % n]);
}

} // namespace CurvePalette
