// Trigger detection against an independent model: the four crossings of a
// hysteresis cycle as a table of predicates.
#include <orin/timedomain.h>

#include "support/prelude.h"

using Ints = std::vector<int32_t>;

namespace {

// A cycle of four crossings: reach the lower edge, reach the upper edge,
// come down to the upper edge, come down to the lower edge. A rising trigger
// is the first crossing, a falling one the third.
struct Model {
    double lower, upper;
    bool rising;
    int phase;  // the crossing awaited
    Ints triggers;

    Model(double level, double hysteresis, bool risingSlope, double previous)
        : lower(level - hysteresis / 2), upper(level + hysteresis / 2), rising(risingSlope), phase(derived(previous)) {}
    int derived(double v) const { return v < lower ? 0 : v > upper ? 2 : 3; }  // from one value alone
    void feed(double v, int32_t j) {
        const std::function<bool(double)> crossings[4] = {
            [&](double u) { return u >= lower; }, [&](double u) { return u >= upper; },
            [&](double u) { return u <= upper; }, [&](double u) { return u <= lower; }};
        if (!crossings[phase](v)) return;
        if (phase == (rising ? 0 : 2)) triggers.push_back(j);
        phase = (phase + 1) % 4;
    }
};

struct Scan {
    Ints indices, counts, triggered;
    std::vector<double> last;
    int32_t error;
};

// Triggerh on rows of equal length; the count and flag arrays start dirty.
Scan trigger(int32_t channels, const std::vector<double> &data, std::vector<double> previous, int32_t slope,
             int32_t maxTriggers, double level = 0, double hysteresis = 1) {
    DoubleMatrixHandle d(channels, static_cast<int32_t>(data.size()) / channels, data);
    DoubleHandle l(std::vector<double>(static_cast<size_t>(channels), level)), p(previous),
        h(std::vector<double>(static_cast<size_t>(channels), hysteresis)), last({9, 9, 9});
    Int32Handle s(Ints(static_cast<size_t>(channels), slope)), indices({7}), counts({5, 5, 5}), flags({3, 3, 3});
    Scan r;
    Triggerh(d, l, p, h, s, maxTriggers, indices, counts, flags, last, &r.error);
    r = {indices.values(), counts.values(), flags.values(), last.values(), r.error};
    return r;
}

}  // namespace

TEST(Trigger, HysteresisCycles) {
    // Samples exactly on the band's edges cross them (x >= lower rises into
    // the band, x >= upper above it, x <= upper falls back, x <= lower below):
    // rising triggers at 0 and 4, falling at 2. A band edge moved by any
    // amount outward leaves a sample short of it and loses the later ones.
    for (int32_t slope : {1, 0}) {
        const Scan r = trigger(1, {-0.5, 0.5, 0.5, -0.5, -0.5}, {-1}, slope, 10);
        EXPECT_EQ(Ints(r.indices.begin(), r.indices.begin() + r.counts[0]), slope ? (Ints{0, 4}) : (Ints{2})) << slope;
    }
    // An empty block carries each channel's previous value forward.
    EXPECT_EQ(trigger(2, {}, {0.25, -3}, 1, 3).last, (std::vector<double>{0.25, -3}));
    // Square waves in two channels: 40 triggers each, the first 50 listed.
    std::vector<double> square;
    for (int j = 0; j < 320; ++j) square.push_back(j % 4 == 0 ? -1.0 : j % 4 == 2 ? 1.0 : 0.0);
    const Scan r = trigger(2, square, {-1, -1}, 1, 100);
    ASSERT_TRUE(r.counts == (Ints{40, 40}) && r.triggered == (Ints{1, 1}) && r.indices.size() == 200u);
    for (size_t k = 0; k < 200; ++k) EXPECT_EQ(r.indices[k], k < 50 ? 1 + 4 * static_cast<int32_t>(k % 40) : 0) << k;
}

TEST(Trigger, MatchesModelAndBlockSplitsWhereThePreviousValueDecides) {
    const int32_t n = 3000;
    auto x = orintest::randomDoubles(n, 99, -2, 2);
    for (size_t i = 1; i < x.size(); ++i) x[i] = 0.9 * x[i - 1] + 0.3 * x[i];  // wander plus noise
    for (int32_t slope : {0, 1}) {
        Model whole(0.1, 0.4, slope != 0, -1);
        std::vector<size_t> cuts = {0};
        for (size_t j = 0; j < x.size(); ++j) {
            whole.feed(x[j], static_cast<int32_t>(j));
            // Cut wherever the phase reached is the one the value implies.
            if (whole.phase == whole.derived(x[j]) && j + 1 - cuts.back() > 40) cuts.push_back(j + 1);
        }
        cuts.back() = x.size();
        ASSERT_TRUE(whole.triggers.size() > 50u && cuts.size() > 20u);
        Ints found;
        double previous = -1;
        for (size_t b = 0; b + 1 < cuts.size(); ++b) {
            const Scan r = trigger(
                1,
                std::vector<double>(x.begin() + static_cast<long>(cuts[b]), x.begin() + static_cast<long>(cuts[b + 1])),
                {previous}, slope, n, 0.1, 0.4);
            for (int32_t k = 0; k < r.counts[0]; ++k)
                found.push_back(r.indices[static_cast<size_t>(k)] + static_cast<int32_t>(cuts[b]));
            previous = r.last[0];
        }
        EXPECT_EQ(found, whole.triggers) << "slope " << slope;
    }
}

// The caller-held counts run on across calls: at INT32_MAX they stop there
// (a wrap would hand back a negative count), and the flags and indices are
// reported as for any other count.
TEST(Trigger, CountsCarriedAcrossCallsSaturateAtInt32Max) {
    const std::vector<double> data = {-1, 0, 1, 0, -1, 0, 1, 0,   // channel 0: rising triggers at 1 and 5
                                      -1, 0, 1, 0, -1, 0, 1, 0};  // channel 1 alike
    const double levels[2] = {0, 0}, previous[2] = {-1, -1}, hysteresis[2] = {1, 1};
    const int32_t slopes[2] = {1, 1};
    int32_t indices[50] = {}, counts[2] = {INT32_MAX - 1, INT32_MIN}, triggered[2] = {0, 0};
    double last[2] = {};
    EXPECT_EQ(qaTriggerDetection(data.data(), 8, 2, levels, previous, hysteresis, slopes, 10, indices, counts,
                                 triggered, last),
              0);
    EXPECT_EQ(counts[0], INT32_MAX);
    EXPECT_EQ(counts[1], INT32_MIN + 2);
    EXPECT_TRUE(triggered[0] == 1 && triggered[1] == 1);
    EXPECT_EQ(Ints(indices, indices + 5), (Ints{1, 5, 1, 5, 0}));
}

// Three channels of 1,431,655,766 triggers each need 2^32 + 2 list places:
// refused, not wrapped to a list of two that the scan would write past.
TEST(Trigger, ListSizesPastInt32AreRefusedNotWrapped) {
    EXPECT_EQ(trigger(3, std::vector<double>(6, 0.0), {0, 0, 0}, 1, 1431655766).error, kErrOutOfMemory);
}
