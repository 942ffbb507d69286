#pragma once

#include <QtGlobal>

#include <cmath>

// Coordinates further out than this are clamped before they become int: the painter
// copes with them, and int conversion of a huge float is undefined.
constexpr float CoordLimit = 1.0e6f;

inline int clampToCoord(float v)
{
    if (!(v > -CoordLimit)) // also NaN
        return v != v ? 0 : -int(CoordLimit);
    if (v > CoordLimit)
        return int(CoordLimit);
    return int(v);
}

// Time <-> x mapping of the plot rectangle. Invalid (nothing can be mapped) when the X
// range or the plot width is zero or negative.
struct TimeMapping
{
    qint64 stampStart = 0;
    qint64 stampEnd = 0;
    int left = 0;
    int right = 0;

    bool valid() const { return stampEnd > stampStart && right > left; }

    // x of a curve point: single precision, truncated after plotLeft is added.
    int curveX(qint64 t) const
    {
        const float x = float(t - stampStart) * float(right - left) / float(stampEnd - stampStart) +
                        float(left);
        return clampToCoord(x);
    }
    // x of an event marker: truncated before plotLeft is added.
    int markerX(qint64 t) const
    {
        const float x = float(t - stampStart) * float(right - left) / float(stampEnd - stampStart);
        return clampToCoord(x) + left;
    }
    // Time under pixel x, 64-bit integer arithmetic; stampStart when the width is zero.
    qint64 timeAt(int x) const
    {
        if (right <= left)
            return stampStart;
        return stampStart + qint64(x - left) * (stampEnd - stampStart) / qint64(right - left);
    }
    float secondsPerPixel() const { return float(stampEnd - stampStart) / float(right - left); }
};

// Value -> y mapping of one Y axis. Invalid when the limits are equal or not finite,
// or the plot has no height.
struct ValueMapping
{
    float scale = 0.0f;
    float lower = 0.0f;
    int bottom = 0;
    bool ok = false;

    ValueMapping() = default;
    ValueMapping(float upper, float lowerLimit, int top, int bottomEdge)
        : lower(lowerLimit), bottom(bottomEdge)
    {
        const float range = upper - lowerLimit;
        scale = float(bottomEdge - top) / range;
        ok = std::isfinite(range) && range != 0.0f && std::isfinite(scale) && scale != 0.0f &&
             bottomEdge > top;
    }

    bool valid() const { return ok; }
    int y(float v) const { return clampToCoord((v - lower) * (-scale) + float(bottom)); }
};
