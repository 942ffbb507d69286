#pragma once

// The one rule for a sample that carries no reading. Every scan, summary, check and paint
// tests values with these, and the vectorised scans load MissingLimit into a register, so
// that no two places can disagree about a value at the edge.

// Stands in for a sample of a variable that a block does not carry (bit pattern 0xC479F99A).
constexpr float MissingValue = -999.9f;

// A value whose magnitude reaches this is missing; NaN is missing too.
constexpr float MissingLimit = 999.0f;

// True for a value that counts (and is drawn): |v| < MissingLimit, not NaN.
inline bool isValidValue(float v)
{
    return v < MissingLimit && v > -MissingLimit;
}

inline bool isMissingValue(float v)
{
    return !isValidValue(v);
}
