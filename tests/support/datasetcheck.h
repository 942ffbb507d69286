#pragma once

#include <QString>

class SortedTavData;

// What painting, the side tables and the exports rely on after any read, failed ones
// included: as many columns as names, each as long as the time line; runs of equal spacing
// in order inside the samples, with their stamps and spacing; an item value per item name;
// at least 4 samples after a good read. Names the first broken rule; empty when none is.
QString dataSetInconsistency(const SortedTavData& set);
