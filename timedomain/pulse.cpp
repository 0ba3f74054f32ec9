#include <orin/statistics.h>
#include <orin/timedomain.h>

#include "../frame/kit.h"

namespace {

// Bins of the level histogram: odd, so a middle bin separates the lower
// half (base) from the upper half (top).
constexpr int32_t kLevelBins = 101;

// Crossing time of level on the segment that ends at sample i, when that
// segment lies inside the record and is not flat; otherwise false and the
// caller keeps the output it had.
bool crossing(const double *x, int32_t n, int32_t i, double level, double *t) {
    if (i < 1 || i >= n || x[i] == x[i - 1]) return false;
    *t = Interpolate(i, x, level);
    return true;
}

// The walks over a pulse that starts at or below mid and rises away from
// it (low < mid < high).
void walkPositivePulse(const double *x, int32_t n, double amplitude, double low, double mid, double high, double *delay,
                       double *width, double *riseTime, double *fallTime, double *slewRate) {
    int32_t i = 0;
    int32_t lastLow = 0;
    while (i < n && x[i] < mid) {
        if (x[i] < low) lastLow = i;
        ++i;
    }
    double start = 0;
    const bool haveDelay = crossing(x, n, i, mid, &start);
    if (haveDelay) *delay = start;

    while (i < n && x[i] < high) ++i;
    double highUp = 0, lowUp = 0;
    if (crossing(x, n, i, high, &highUp) && crossing(x, n, lastLow + 1, low, &lowUp)) {
        const double rise = highUp - lowUp;
        *riseTime = rise;
        // The 10 % to 90 % span of the amplitude over the rise time.
        if (rise != 0) *slewRate = amplitude * 0.8 / rise;
    }

    int32_t lastHigh = 0;
    while (i < n && x[i] > mid) {
        if (x[i] > high) lastHigh = i;
        ++i;
    }
    double end = 0;
    if (haveDelay && crossing(x, n, i, mid, &end)) *width = end - start;

    while (i < n && x[i] > low) ++i;
    double lowDown = 0, highDown = 0;
    if (crossing(x, n, i, low, &lowDown) && crossing(x, n, lastHigh + 1, high, &highDown))
        *fallTime = lowDown - highDown;
}

}  // namespace

void Neg1D(double *x, int32_t n) {
    for (int32_t i = 0; i < n; ++i) x[i] = -x[i];
}

double Interpolate(int32_t i, const double *x, double level) { return i - (x[i] - level) / (x[i] - x[i - 1]); }

void FindModes(const int32_t *counts, const double *centres, int32_t nBins, double *top, double *base) {
    if (nBins < 1) return;
    int32_t lowBest = counts[0], highBest = counts[nBins - 1];
    double lowMode = centres[0], highMode = centres[nBins - 1];
    int32_t lo = 1, hi = nBins - 2;
    // Strict comparisons: the base is the first fullest bin of the lower
    // half, the top the last fullest bin of the upper half.
    for (; lo < hi; ++lo, --hi) {
        if (counts[lo] > lowBest) {
            lowBest = counts[lo];
            lowMode = centres[lo];
        }
        if (counts[hi] > highBest) {
            highBest = counts[hi];
            highMode = centres[hi];
        }
    }
    if (hi >= 0 && counts[hi] > highBest) highMode = centres[hi];
    *top = highMode;
    *base = lowMode;
}

void AmpParameters(const double *x, int32_t n, double *amplitude, double *top, double *base, double *overshoot,
                   double *preshoot) {
    if (n < 1) return;
    double max = 0, min = 0;
    MaxMin(x, n, &max, &min);
    if (max == min) {
        *amplitude = *overshoot = *preshoot = 0;
        *top = *base = x[0];
        return;
    }
    int32_t counts[kLevelBins];
    double centres[kLevelBins];
    Histogra(x, n, max, min, counts, centres, kLevelBins);
    FindModes(counts, centres, kLevelBins, top, base);
    *amplitude = *top - *base;
    *overshoot = max - *top;
    *preshoot = *base - min;
}

void TimeParameters(double *x, int32_t n, double amplitude, double top, double base, double low10, double mid50,
                    double high90, double *delay, double *width, double *riseTime, double *fallTime, double *slewRate) {
    (void)top;
    (void)base;
    if (n < 1) return;
    if (!(x[0] > mid50)) {
        walkPositivePulse(x, n, amplitude, low10, mid50, high90, delay, width, riseTime, fallTime, slewRate);
        return;
    }
    // A record that starts above the middle level is a negative-going
    // pulse: measure its negation, whose levels are the negated ones in
    // reverse order, and restore the record (negation is exact).
    Neg1D(x, n);
    walkPositivePulse(x, n, amplitude, -high90, -mid50, -low10, delay, width, riseTime, fallTime, slewRate);
    Neg1D(x, n);
}

void PulseParam(double *x, int32_t n, double *amplitude, double *high90, double *mid50, double *low10, double *top,
                double *base, double *overshoot, double *preshoot, double *delay, double *width, double *riseTime,
                double *fallTime, double *slewRate, int32_t *error) {
    if (n < 1) {
        *error = kErrEmptyArray;
        return;
    }
    AmpParameters(x, n, amplitude, top, base, overshoot, preshoot);
    *low10 = *amplitude * 0.1 + *base;
    *mid50 = *amplitude * 0.5 + *base;
    *high90 = *amplitude * 0.9 + *base;
    if (x[0] > *mid50) {
        // Negative pulse: the amplitude is reported negative and the resting
        // level (the top of the histogram) as the base.
        *amplitude = -*amplitude;
        const double t = *top;
        *top = *base;
        *base = t;
    }
    TimeParameters(x, n, *amplitude, *top, *base, *low10, *mid50, *high90, delay, width, riseTime, fallTime, slewRate);
    *error = kErrNone;
}
