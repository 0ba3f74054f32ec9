// Pulse parameters on records whose levels and crossings are known in closed
// form: trapezoids with linear ramps, positive and negative.
#include <orin/timedomain.h>

#include "support/prelude.h"

namespace {

struct Result {
    double top, base, amplitude, delay, width, slew, fall, rise, overshoot, preshoot;
    int32_t error;
};

// The ten outputs start at a sentinel so that untouched ones show.
constexpr double kUnset = -12345.0;

Result measure(const std::vector<double> &x) {
    DoubleHandle h(x);
    Result r{kUnset, kUnset, kUnset, kUnset, kUnset, kUnset, kUnset, kUnset, kUnset, kUnset, 1};
    EXPECT_EQ(PulseParameters(h, &r.top, &r.base, &r.amplitude, &r.delay, &r.width, &r.slew, &r.fall, &r.rise,
                              &r.overshoot, &r.preshoot, &r.error),
              0);
    EXPECT_EQ(h.values(), x) << "the record is restored";
    return r;
}

// low for t < a, ramps of L samples up from a and down from b, high between.
std::vector<double> trapezoid(int n, double low, double high, int a, int b, int L) {
    std::vector<double> x(static_cast<size_t>(n), low);
    for (int t = a; t < n; ++t) {
        double v = high;
        if (t < a + L) v = low + (high - low) * (t - a) / L;
        if (t >= b) v = t < b + L ? high - (high - low) * (t - b) / L : low;
        x[static_cast<size_t>(t)] = v;
    }
    return x;
}

}  // namespace

TEST(PulseParameters, TrapezoidsPositiveAndNegative) {
    const int n = 200, a = 40, b = 120, L = 10;
    for (bool negative : {false, true}) {
        const double low = negative ? 3.0 : -1.0, high = negative ? -1.0 : 3.0;
        const Result r = measure(trapezoid(n, low, high, a, b, L));
        ASSERT_EQ(r.error, 0);
        // Levels: the centres of the end bins of a 101-bin histogram over
        // [min, max] (the flat parts dominate them).
        const double lo = -1.0, hi = 3.0, w = (hi - lo) / 101;
        const double base = lo + w / 2, top = hi - w / 2, amp = top - base;
        const double sign = negative ? -1 : 1;
        EXPECT_NEAR(r.amplitude, sign * amp, 1e-12);
        EXPECT_NEAR(negative ? r.base : r.top, top, 1e-12);
        EXPECT_NEAR(negative ? r.top : r.base, base, 1e-12);
        EXPECT_NEAR(r.overshoot, w / 2, 1e-12);
        EXPECT_NEAR(r.preshoot, w / 2, 1e-12);
        // On a ramp of slope (high - low)/L from low at a, level v is
        // crossed at a + (v - low) L/(high - low); the pulse away from rest
        // is measured, so negative pulses use the mirrored levels.
        const double span = hi - lo;
        auto up = [&](double f) { return a + (base + f * amp - lo) * L / span; };
        auto down = [&](double f) { return b + (hi - (base + f * amp)) * L / span; };
        const double delay = up(0.5), width = down(0.5) - delay;
        EXPECT_NEAR(r.delay, delay, 1e-9);
        EXPECT_NEAR(r.width, width, 1e-9);
        EXPECT_NEAR(r.rise, up(0.9) - up(0.1), 1e-9);
        EXPECT_NEAR(r.fall, down(0.1) - down(0.9), 1e-9);
        EXPECT_NEAR(r.slew, sign * amp * 0.8 / (up(0.9) - up(0.1)), 1e-9);
    }
}

TEST(PulseParameters, RecordsThatMissALevelKeepTheCallersValues) {
    // A constant record: no levels, no crossings.
    Result r = measure(std::vector<double>(9, 2.5));
    EXPECT_TRUE(r.error == 0 && r.amplitude == 0 && r.top == 2.5 && r.base == 2.5);
    EXPECT_TRUE(r.delay == kUnset && r.rise == kUnset && r.slew == kUnset);
    // A pulse that has not come back by the end of the record: the walks
    // stop at the last sample (the handle is sized exactly, so a read past
    // it is caught by the sanitizer build).
    r = measure(trapezoid(60, 0, 1, 20, 1000, 4));
    EXPECT_NEAR(r.delay, 22, 1e-9);
    EXPECT_TRUE(r.width == kUnset && r.fall == kUnset);
    // Two samples; and a first sample exactly at the middle level, which
    // has no crossing to interpolate (nor has the width, measured from it).
    r = measure({0, 1});
    EXPECT_TRUE(r.delay == 0.5 && r.width == kUnset);
    double x[] = {0.5, 1, 1, 0};
    double delay = kUnset, width = kUnset, rise = kUnset, fall = kUnset, slew = kUnset;
    TimeParameters(x, 4, 1, 1, 0, 0.1, 0.5, 0.9, &delay, &width, &rise, &fall, &slew);
    EXPECT_TRUE(delay == kUnset && width == kUnset);
    EXPECT_NEAR(fall, 0.8, 1e-15);
    // No samples: the failure reports zeros.
    r = measure({});
    EXPECT_TRUE(r.error == kErrEmptyArray && r.amplitude == 0.0 && r.width == 0.0 && r.preshoot == 0.0);
}

TEST(PulseParameters, HistogramModes) {
    const int32_t counts[] = {1, 5, 0, 5, 2, 7, 7, 1};
    const double centres[] = {0, 1, 2, 3, 4, 5, 6, 7};
    double top = 0, base = 0;
    FindModes(counts, centres, 8, &top, &base);
    EXPECT_EQ(base, 1);  // first fullest of the lower half
    EXPECT_EQ(top, 6);   // last fullest of the upper half
    // One bin: both modes are that bin, nothing read beside it.
    top = base = -1;
    FindModes(counts, centres, 1, &top, &base);
    EXPECT_EQ(top, 0);
    EXPECT_EQ(base, 0);
}
