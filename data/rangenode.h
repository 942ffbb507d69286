#pragma once

#include "leafscan.h"

#include <QtGlobal>

// What the range statistics keep of a run of samples of one variable (a leaf, a node of
// leaves, or the part of a query range between nodes): the count of its valid samples,
// their means and centred second moments of value and time, the value-time co-moment (for
// the slope), and the indexes of its min, max, first and last sample.
//
// Two of them are combined with the pairwise update (Chan et al.), which stays accurate
// where raw sums of squares would cancel. The combination is not associative to the last
// bit, so whoever wants the same figures twice must combine the same nodes in the same order.
struct RangeNode
{
    int n = 0;
    float minV = 0.0f;
    float maxV = 0.0f;
    int minI = 0;
    int maxI = 0;
    int firstI = 0;
    int lastI = 0;
    double meanV = 0.0;
    double m2V = 0.0; // sum of squared deviations of the values from meanV
    double meanT = 0.0;
    double m2T = 0.0; // the same for the stamps
    double cTV = 0.0; // sum of (t - meanT)(v - meanV)

    // The stamps of one leaf, shared by every column: the stamp the deltas are taken from
    // and the sums of the deltas and of their squares.
    struct LeafTimes
    {
        qint64 first = 0;
        double sum = 0.0;
        double sumSq = 0.0;
    };

    // Folds b into this node (either may be empty); t are the stamps the indexes point into.
    void merge(const qint64* t, const RangeNode& b);

    // The valid samples lo .. hi-1, one by one. forward: their stamps do not decrease.
    static RangeNode scan(const qint64* t, const float* v, int lo, int hi, bool forward);

    // The leaf of samples lo .. lo + LeafScan::Samples - 1 whose stamps do not decrease and
    // whose values are all valid, from the sums of one LeafScan of it (v points at sample lo).
    static RangeNode fromLeafScan(const float* v, int lo, const LeafScan& scan,
                                  const LeafTimes& times);
};
