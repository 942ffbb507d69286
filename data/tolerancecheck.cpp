#include "tolerancecheck.h"

#include "missingvalue.h"

#include <algorithm>
#include <cmath>

namespace {

// Seconds as the whole-second step a stamp difference is compared against.
qint64 wholeSeconds(double seconds, bool roundUp)
{
    if (!(seconds > 0)) // also NaN
        return 0;
    const double limit = 4e18; // far beyond any stamp difference, still a qint64
    return qint64(std::min(roundUp ? std::ceil(seconds) : std::floor(seconds), limit));
}

// The smallest float not below x and the largest float not above x: a float v then lies in
// [lo, hi] exactly when double(v) lies in the double band, so the per-sample test stays in
// floats without moving the edges.
float floatAtLeast(double x)
{
    float f = float(x);
    if (double(f) < x)
        f = std::nextafter(f, std::numeric_limits<float>::infinity());
    return f;
}

float floatAtMost(double x)
{
    float f = float(x);
    if (double(f) > x)
        f = std::nextafter(f, -std::numeric_limits<float>::infinity());
    return f;
}

// A duration between two stamps; stamps that went back give 0 rather than a negative time.
qint64 span(qint64 from, qint64 to)
{
    return std::max<qint64>(0, to - from);
}

} // namespace

void ToleranceCheck::Figures::add(const Figures& o)
{
    count += o.count;
    min = std::min(min, o.min);
    max = std::max(max, o.max);
    sum += o.sum;
}

ToleranceCheck::ToleranceCheck(const ToleranceBand& band, const ToleranceTiming& timing)
    : m_band(band), m_timing(timing), m_dwell(wholeSeconds(timing.dwell, false)),
      m_minHold(wholeSeconds(timing.minHold, true))
{
}

ToleranceResult ToleranceCheck::run(const qint64* stamps, const float* measured,
                                    const float* setpoint, int n, const ToleranceBand& band,
                                    const ToleranceTiming& timing)
{
    ToleranceCheck check(band, timing);
    check.feed(stamps, measured, setpoint, 0, n);
    return check.finish(stamps);
}

void ToleranceCheck::feed(const qint64* stamps, const float* measured, const float* setpoint,
                          int from, int to)
{
    for (int i = from; i < to;) {
        i = takeQuiet(stamps, measured, setpoint, i, to);
        if (i < to)
            step(stamps, measured, setpoint, i++);
    }
}

// Sample i, whatever it brings.
void ToleranceCheck::step(const qint64* stamps, const float* measured, const float* setpoint, int i)
{
    State& s = m_state;
    const float sp = setpoint[i];
    const qint64 t = stamps[i];
    if (!(sp == s.runSetpoint)) {
        closeRun(stamps);
        if (isMissingValue(sp))
            return;
        openRun(sp, i, t);
    }
    s.runLast = i;
    s.latest = std::max(s.latest, t);
    if (!s.isHold && s.latest - s.runFrom >= m_minHold)
        becomeHold(stamps, measured, i);
    const float v = measured[i];
    if (isMissingValue(v))
        return;
    if (s.levelsPending)
        takeLevels(v, t);
    const bool inBand = v >= s.lo && v <= s.hi;
    // The candidate's dwell window has passed without a valid sample out of band.
    if (!s.settled && s.hasCandidate && s.latest - s.candidateClock > m_dwell)
        s.settled = true;
    if (s.settled) {
        s.window.add(v);
        if (!inBand) {
            addOutOfBand(v, t);
        } else if (s.inExcursion) {
            s.excursion.to = t;
            s.excursions.append(s.excursion);
            s.inExcursion = false;
        }
    } else if (inBand) {
        if (!s.hasCandidate) {
            s.hasCandidate = true;
            s.candidateStamp = t;
            s.candidateClock = s.latest;
        }
        s.window.add(v);
    } else {
        // Every candidate since the last one is within dwell of this sample: none of them
        // can settle.
        s.before.add(s.window);
        s.window = Figures();
        s.hasCandidate = false;
        s.before.add(v);
    }
}

// Most samples change nothing but figures. The loops below take such samples from i on, each
// for one phase of a run, with the state in registers, and stop at the first sample that
// would change more, which step() then takes. Each returns that sample's index.
int ToleranceCheck::takeQuiet(const qint64* stamps, const float* measured, const float* setpoint,
                              int i, int to)
{
    const State& s = m_state;
    if (s.runFirst < 0 || s.inExcursion)
        return i;
    if (s.settled)
        return s.isHold ? takeSettled(measured, setpoint, i, to) : i;
    return s.hasCandidate ? takeCandidate(stamps, measured, setpoint, i, to)
                          : takeOutside(stamps, measured, setpoint, i, to);
}

// A hold that has settled, samples valid and in band and short of a ramp level: no stamp is
// read, since nothing needs the clock any more.
int ToleranceCheck::takeSettled(const float* measured, const float* setpoint, int i, int to)
{
    State& s = m_state;
    const float sp = s.runSetpoint;
    const float lo = std::max(s.validLo, s.levelLo);
    const float hi = std::min(s.validHi, s.levelHi);
    Figures window = s.window;
    int k = i;
    for (; k < to; ++k) {
        const float v = measured[k];
        if (!(setpoint[k] == sp && v >= lo && v <= hi))
            break;
        window.add(v);
    }
    s.window = window;
    if (k > i)
        s.runLast = k - 1;
    return k;
}

// A candidate waits out its dwell: samples in band or missing, the dwell not yet over and the
// run not becoming a hold.
int ToleranceCheck::takeCandidate(const qint64* stamps, const float* measured,
                                  const float* setpoint, int i, int to)
{
    State& s = m_state;
    const float sp = s.runSetpoint;
    const float lo = std::max(s.validLo, s.levelLo);
    const float hi = std::min(s.validHi, s.levelHi);
    const bool isHold = s.isHold;
    qint64 latest = s.latest;
    Figures window = s.window;
    int k = i;
    for (; k < to; ++k) {
        if (!(setpoint[k] == sp))
            break;
        const qint64 clock = std::max(latest, stamps[k]);
        if (clock - s.candidateClock > m_dwell || (!isHold && clock - s.runFrom >= m_minHold))
            break;
        const float v = measured[k];
        if (!isMissingValue(v)) {
            if (!(v >= lo && v <= hi))
                break;
            window.add(v);
        }
        latest = clock;
    }
    s.latest = latest;
    s.window = window;
    if (k > i)
        s.runLast = k - 1;
    return k;
}

// No candidate: samples out of band or missing, short of a ramp level, the run not becoming
// a hold.
int ToleranceCheck::takeOutside(const qint64* stamps, const float* measured, const float* setpoint,
                                int i, int to)
{
    State& s = m_state;
    const float sp = s.runSetpoint;
    const float lo = s.lo;
    const float hi = s.hi;
    const float levelLo = s.levelLo;
    const float levelHi = s.levelHi;
    const bool isHold = s.isHold;
    qint64 latest = s.latest;
    Figures before = s.before;
    int k = i;
    for (; k < to; ++k) {
        if (!(setpoint[k] == sp))
            break;
        const qint64 clock = std::max(latest, stamps[k]);
        if (!isHold && clock - s.runFrom >= m_minHold)
            break;
        const float v = measured[k];
        if (!isMissingValue(v)) {
            if ((v >= lo && v <= hi) || !(v >= levelLo && v <= levelHi))
                break;
            before.add(v);
        }
        latest = clock;
    }
    s.latest = latest;
    s.before = before;
    if (k > i)
        s.runLast = k - 1;
    return k;
}

ToleranceResult ToleranceCheck::finish(const qint64* stamps)
{
    closeRun(stamps);
    m_result.pass = !m_result.holds.isEmpty();
    for (const ToleranceHold& h : qAsConst(m_result.holds))
        m_result.pass = m_result.pass && h.pass;
    return std::move(m_result);
}

void ToleranceCheck::openRun(float setpoint, int i, qint64 stamp)
{
    State& s = m_state;
    s.runSetpoint = setpoint;
    s.runFirst = i;
    s.runLast = i;
    s.runFrom = stamp;
    s.latest = stamp;
    s.isHold = false;
    s.loExact = double(setpoint) - m_band.below;
    s.hiExact = double(setpoint) + m_band.above;
    s.lo = floatAtLeast(s.loExact);
    s.hi = floatAtMost(s.hiExact);
    // Within these a value is both valid and in band.
    s.validLo = std::max(s.lo, std::nextafter(-MissingLimit, 0.0f));
    s.validHi = std::min(s.hi, std::nextafter(MissingLimit, 0.0f));
    s.settled = false;
    s.hasCandidate = false;
    s.before = Figures();
    s.window = Figures();
    s.inExcursion = false;
    s.excursions.clear();
    s.levelsPending = false;
    setLevelBounds();
    s.t10.reset();
    s.t90.reset();
}

void ToleranceCheck::closeRun(const qint64* stamps)
{
    State& s = m_state;
    if (s.runFirst < 0)
        return;
    if (s.isHold) {
        Figures whole;
        const ToleranceHold hold = finishedHold(stamps, whole);
        if (s.hasHold && s.holdSetpoint != hold.setpoint)
            m_result.ramps.append(rampInto(hold, whole));
        m_result.holds.append(hold);
        s.hasHold = true;
        s.holdSetpoint = hold.setpoint;
        s.holdTo = hold.to;
        s.holdLast = s.runLast;
    }
    s.runSetpoint = std::numeric_limits<float>::quiet_NaN();
    s.runFirst = -1;
}

// The run has become long enough to be a hold. When it follows a hold of another setpoint,
// the ramp's levels are looked for from that hold's last sample up to here, and from here on
// as the samples come.
void ToleranceCheck::becomeHold(const qint64* stamps, const float* measured, int i)
{
    State& s = m_state;
    s.isHold = true;
    if (!s.hasHold || s.holdSetpoint == s.runSetpoint)
        return;
    const double a = s.holdSetpoint;
    const double b = s.runSetpoint;
    s.rising = b > a;
    s.level10 = a + 0.1 * (b - a);
    s.level90 = a + 0.9 * (b - a);
    s.levelsPending = true;
    setLevelBounds();
    for (int j = s.holdLast; j < i && s.levelsPending; ++j) {
        const float v = measured[j];
        if (!(v >= s.levelLo && v <= s.levelHi) && !isMissingValue(v))
            takeLevels(v, stamps[j]);
    }
}

// The values that reach no level still looked for: between levelLo and levelHi.
void ToleranceCheck::setLevelBounds()
{
    State& s = m_state;
    const float infinity = std::numeric_limits<float>::infinity();
    s.levelLo = -infinity;
    s.levelHi = infinity;
    if (!s.levelsPending)
        return;
    const double level = s.t10 ? s.level90 : s.level10; // the 90 % level implies the 10 %
    if (s.rising)
        s.levelHi = std::nextafter(floatAtLeast(level), -infinity);
    else
        s.levelLo = std::nextafter(floatAtMost(level), infinity);
}

void ToleranceCheck::takeLevels(float v, qint64 stamp)
{
    State& s = m_state;
    const double x = v;
    bool reached = false;
    if (!s.t10 && (s.rising ? x >= s.level10 : x <= s.level10)) {
        s.t10 = stamp;
        reached = true;
    }
    if (!s.t90 && (s.rising ? x >= s.level90 : x <= s.level90)) {
        s.t90 = stamp;
        reached = true;
    }
    if (reached) {
        s.levelsPending = !s.t90;
        setLevelBounds();
    }
}

void ToleranceCheck::addOutOfBand(float v, qint64 stamp)
{
    State& s = m_state;
    const double distance = v > s.hi ? double(v) - s.hiExact : s.loExact - double(v);
    if (!s.inExcursion) {
        s.inExcursion = true;
        s.excursion = ToleranceExcursion{stamp, stamp, v};
        s.peakDistance = distance;
    } else if (distance > s.peakDistance) {
        s.excursion.peak = v;
        s.peakDistance = distance;
    }
}

ToleranceHold ToleranceCheck::finishedHold(const qint64* stamps, Figures& whole)
{
    State& s = m_state;
    // Every valid sample from the candidate to the end is in band: it settled.
    if (s.hasCandidate)
        s.settled = true;
    ToleranceHold h;
    h.from = s.runFrom;
    h.to = stamps[s.runLast];
    h.setpoint = s.runSetpoint;
    if (s.inExcursion) {
        s.excursion.to = h.to;
        s.excursions.append(s.excursion);
        s.inExcursion = false;
    }
    whole = s.before;
    whole.add(s.window);
    const Figures& figures = s.settled ? s.window : whole;
    if (s.settled) {
        h.stableAt = s.candidateStamp;
        h.settling = span(h.from, s.candidateStamp);
    }
    h.count = figures.count;
    if (figures.count > 0) {
        h.min = figures.min;
        h.max = figures.max;
        h.mean = figures.sum / double(figures.count);
        h.meanDeviation = h.mean - double(h.setpoint);
        h.fluctuation = (double(h.max) - double(h.min)) / 2.0;
    }
    h.excursions = s.excursions;
    for (const ToleranceExcursion& e : qAsConst(h.excursions))
        h.outOfBand += span(e.from, e.to);
    h.pass = s.settled && h.excursions.isEmpty();
    return h;
}

// whole: every valid measured sample of the later hold.
ToleranceRamp ToleranceCheck::rampInto(const ToleranceHold& hold, const Figures& whole) const
{
    const State& s = m_state;
    ToleranceRamp r;
    r.from = s.holdTo;
    r.to = hold.from;
    r.start = s.holdSetpoint;
    r.end = hold.setpoint;
    const double step = double(r.end) - double(r.start);
    if (r.to > r.from)
        r.programmedRate = step / double(r.to - r.from) * 60.0;
    if (s.t10 && s.t90 && *s.t90 > *s.t10)
        r.achievedRate = 0.8 * step / double(*s.t90 - *s.t10) * 60.0;
    if (whole.count > 0)
        r.overshoot = step > 0 ? std::max(0.0, double(whole.max) - double(r.end))
                               : std::max(0.0, double(r.end) - double(whole.min));
    return r;
}
