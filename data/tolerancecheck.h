#pragma once

#include <QVector>
#include <QtGlobal>

#include <limits>
#include <optional>

// Did the chamber hold its setpoints? One measured column is checked against its setpoint
// column: the holds (runs of one setpoint), whether and when the measured value settled into
// the band around it, the figures of each hold, the excursions out of the band after it
// settled, and the ramps between holds of different setpoints.
//
// Samples are taken in column order. A value whose magnitude is 999.0 or more, or NaN, is
// missing. Only plain columns go in, so the check runs on any stretch of samples, not just
// a loaded data set.
//
// Stamps that go back (blocks of a file overlap) are allowed. Within a run of one setpoint
// the clock is taken as the latest stamp seen so far in that run: it stands still where
// the stamps step back, so the run's length and the dwell windows never shrink. Reported
// stamps are the samples' own; every duration computed from two of them is clamped at 0.

struct ToleranceBand
{
    double below = 2.0; // the band is [s - below, s + above], inclusive
    double above = 2.0;
};

struct ToleranceTiming
{
    double dwell = 600.0;   // seconds the value must stay in band to count as settled
    double minHold = 300.0; // shortest run of one setpoint that is a hold, seconds
};

struct ToleranceExcursion
{
    qint64 from = 0; // stamp of its first out-of-band sample
    qint64 to = 0;   // stamp of the next valid in-band sample, or the hold's end
    float peak = 0;  // the value farthest outside the band; the first of equals
};

struct ToleranceHold
{
    qint64 from = 0; // first and last stamp of the run
    qint64 to = 0;
    float setpoint = 0;
    std::optional<qint64> stableAt; // none when the value never settled
    std::optional<qint64> settling; // stableAt - from, clamped at 0
    // Over the valid measured samples from stableAt on, or over the whole hold when it never
    // settled. With count 0 (no valid measured sample at all) the figures mean nothing.
    qint64 count = 0;
    float min = 0;
    float max = 0;
    double mean = 0;
    double meanDeviation = 0; // mean - setpoint
    double fluctuation = 0;   // (max - min) / 2
    QVector<ToleranceExcursion> excursions;
    qint64 outOfBand = 0; // sum of the excursions' to - from
    bool pass = false;    // settled and no excursion
};

struct ToleranceRamp
{
    qint64 from = 0;                      // the earlier hold's `to`
    qint64 to = 0;                        // the later hold's `from`
    float start = 0;                      // setpoint of the earlier hold
    float end = 0;                        // setpoint of the later hold
    std::optional<double> programmedRate; // per minute; none when to <= from
    // 0.8 (end - start) per minute between reaching 10 % and 90 % of the step; none when a
    // level is never reached or the second is not reached after the first.
    std::optional<double> achievedRate;
    std::optional<double> overshoot; // beyond `end` in the later hold; none without samples
};

struct ToleranceResult
{
    QVector<ToleranceHold> holds;
    QVector<ToleranceRamp> ramps;
    bool pass = false; // at least one hold, and every hold passes
};

// The check of one pair, in one pass over its two columns with nothing allocated per
// sample. All that a pass knows between samples lives in State, so a later pass can go on
// from where one stopped.
class ToleranceCheck
{
public:
    ToleranceCheck(const ToleranceBand& band, const ToleranceTiming& timing);

    // Checks samples [0, n) and returns the result.
    static ToleranceResult run(const qint64* stamps, const float* measured, const float* setpoint,
                               int n, const ToleranceBand& band, const ToleranceTiming& timing);

    // Takes samples [from, to). The columns must stay readable from the last hold's end on:
    // a ramp's levels are looked for from there once the next hold is known.
    void feed(const qint64* stamps, const float* measured, const float* setpoint, int from, int to);
    // Ends the open run as the columns' end and hands over the result.
    ToleranceResult finish(const qint64* stamps);

private:
    // Count, extremes and sum of a set of valid measured samples.
    struct Figures
    {
        qint64 count = 0;
        float min = std::numeric_limits<float>::infinity();
        float max = -std::numeric_limits<float>::infinity();
        double sum = 0;

        void add(float v)
        {
            ++count;
            min = v < min ? v : min;
            max = v > max ? v : max;
            sum += v;
        }
        void add(const Figures& o);
    };

    struct State
    {
        // The open run of one setpoint; runSetpoint is NaN when none is open, so that every
        // setpoint differs from it.
        float runSetpoint = std::numeric_limits<float>::quiet_NaN();
        int runFirst = -1;
        int runLast = -1;
        qint64 runFrom = 0;
        // The run's clock: the latest stamp seen in it. Not kept up once the run is a
        // settled hold, when nothing asks for it.
        qint64 latest = 0;
        bool isHold = false;
        float lo = 0; // the band as float bounds that decide exactly as the double band
        float hi = 0;
        double loExact = 0;
        double hiExact = 0;
        float validLo = 0; // the band cut to valid values
        float validHi = 0;

        // Settling: the earliest sample that may still be stableAt, and its clock.
        bool settled = false;
        bool hasCandidate = false;
        qint64 candidateStamp = 0;
        qint64 candidateClock = 0;
        Figures before; // valid samples before the candidate (or stableAt)
        Figures window; // valid samples from the candidate (or stableAt) on

        // The excursion under way, after stableAt.
        bool inExcursion = false;
        ToleranceExcursion excursion;
        double peakDistance = 0;
        QVector<ToleranceExcursion> excursions;

        // The last finished hold, where a ramp to the next hold starts.
        bool hasHold = false;
        float holdSetpoint = 0;
        qint64 holdTo = 0;
        int holdLast = -1;

        // Ramp levels of the open run, looked for while levelsPending.
        bool levelsPending = false;
        bool rising = false;
        double level10 = 0;
        double level90 = 0;
        std::optional<qint64> t10;
        std::optional<qint64> t90;
        // A value reaches no level still looked for when it lies within these.
        float levelLo = -std::numeric_limits<float>::infinity();
        float levelHi = std::numeric_limits<float>::infinity();
    };

    void step(const qint64* stamps, const float* measured, const float* setpoint, int i);
    int takeQuiet(const qint64* stamps, const float* measured, const float* setpoint, int i,
                  int to);
    int takeSettled(const float* measured, const float* setpoint, int i, int to);
    int takeCandidate(const qint64* stamps, const float* measured, const float* setpoint, int i,
                      int to);
    int takeOutside(const qint64* stamps, const float* measured, const float* setpoint, int i,
                    int to);
    void setLevelBounds();
    void openRun(float setpoint, int i, qint64 stamp);
    void closeRun(const qint64* stamps);
    void becomeHold(const qint64* stamps, const float* measured, int i);
    void takeLevels(float v, qint64 stamp);
    void addOutOfBand(float v, qint64 stamp);
    ToleranceHold finishedHold(const qint64* stamps, Figures& whole);
    ToleranceRamp rampInto(const ToleranceHold& hold, const Figures& whole) const;

    ToleranceBand m_band;
    ToleranceTiming m_timing;
    qint64 m_dwell = 0;   // whole seconds: a clock difference d is within dwell when d <= m_dwell
    qint64 m_minHold = 0; // a run is a hold when its clock difference d >= m_minHold
    State m_state;
    ToleranceResult m_result;
};
