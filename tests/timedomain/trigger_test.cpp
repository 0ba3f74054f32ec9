// Trigger detection against an independent model: the four crossings of a
// hysteresis cycle as a table of predicates.
#include <orin/timedomain.h>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "support/allocation_failure.h"
#include "support/handles.h"
#include "support/reference.h"

using orintest::DoubleHandle;
using orintest::DoubleMatrixHandle;
using orintest::Int32Handle;

namespace {

// A cycle of four crossings: reach the lower edge from below, reach the
// upper edge, come down to the upper edge, come down to the lower edge. A
// rising trigger is the first crossing, a falling one the third.
struct Model {
    double lower, upper;
    bool rising;
    int phase;  // index of the crossing awaited
    std::vector<int32_t> triggers;

    Model(double level, double hysteresis, bool risingSlope, double previous)
        : lower(level - hysteresis / 2), upper(level + hysteresis / 2), rising(risingSlope) {
        phase = previous < lower ? 0 : previous > upper ? 2 : 3;
    }
    void feed(const std::vector<double> &x) {
        const std::function<bool(double)> crossings[4] = {[&](double v) { return v >= lower; },
                                                          [&](double v) { return v >= upper; },
                                                          [&](double v) { return v <= upper; },
                                                          [&](double v) { return v <= lower; }};
        for (size_t j = 0; j < x.size(); ++j) {
            if (!crossings[phase](x[j])) continue;
            if ((rising && phase == 0) || (!rising && phase == 2)) triggers.push_back(static_cast<int32_t>(j));
            phase = (phase + 1) % 4;
        }
    }
    // The phase a block starting after value v would be given.
    int derived(double v) const { return v < lower ? 0 : v > upper ? 2 : 3; }
};

struct Scan {
    std::vector<int32_t> indices, counts, triggered;
    std::vector<double> last;
    int32_t error;
};

Scan trigger(int32_t channels, const std::vector<double> &data, std::vector<double> levels, std::vector<double> previous,
            std::vector<double> hysteresis, std::vector<int32_t> slopes, int32_t maxTriggers) {
    const int32_t samples = static_cast<int32_t>(data.size()) / channels;
    DoubleMatrixHandle d(channels, samples, data);
    DoubleHandle l(levels), p(previous), h(hysteresis), last({9, 9, 9});
    Int32Handle s(slopes), indices({7}), counts({5, 5, 5}), flags({3, 3, 3});
    Scan r;
    Triggerh(d, l, p, h, s, maxTriggers, indices, counts, flags, last, &r.error);
    r.indices = indices.values();
    r.counts = counts.values();
    r.triggered = flags.values();
    r.last = last.values();
    return r;
}

}  // namespace

TEST(Trigger, HysteresisCycles) {
    const std::vector<double> x = {-1, 0, 1, -1, -1, 0};  // index 4 re-arms
    Scan r = trigger(1, x, {0}, {-1}, {1}, {1}, 10);
    EXPECT_EQ(r.counts, std::vector<int32_t>{2});
    EXPECT_EQ(std::vector<int32_t>(r.indices.begin(), r.indices.begin() + 2), (std::vector<int32_t>{1, 5}));
    EXPECT_EQ(r.last, std::vector<double>{0});
    // Starting inside the band, a rising channel must first go below it.
    r = trigger(1, {0.2, 1, 0.2, -1, 0}, {0}, {0}, {1}, {1}, 10);
    EXPECT_EQ(r.counts, std::vector<int32_t>{1});
    EXPECT_EQ(r.indices[0], 4);
    // An empty block carries each channel's previous value forward.
    r = trigger(2, {}, {0, 0}, {0.25, -3}, {1, 1}, {1, 1}, 3);
    EXPECT_EQ(r.last, (std::vector<double>{0.25, -3}));
    // One trigger per channel, listed in channel order; the counts and flags
    // start from zero whatever the caller's arrays held.
    r = trigger(2, {-1, 0, 1, -1, 0, -1, -1, 0, 1, 1}, {0, 0}, {-1, -1}, {1, 1}, {1, 1}, 1);
    EXPECT_EQ(r.counts, (std::vector<int32_t>{1, 1}));
    EXPECT_EQ(r.triggered, (std::vector<int32_t>{1, 1}));
    EXPECT_EQ(r.indices, (std::vector<int32_t>{1, 2}));
}

TEST(Trigger, MatchesModelAndBlockSplitsWhereThePreviousValueDecides) {
    const int32_t n = 3000;
    auto x = orintest::randomDoubles(n, 99, -2, 2);
    // Slow wander plus noise, so the band is crossed both cleanly and not.
    for (int32_t i = 1; i < n; ++i) x[static_cast<size_t>(i)] = 0.9 * x[static_cast<size_t>(i - 1)] + 0.3 * x[static_cast<size_t>(i)];
    for (int32_t slope : {0, 1}) {
        Model whole(0.1, 0.4, slope != 0, -1);
        whole.feed(x);
        ASSERT_GT(whole.triggers.size(), 50u) << slope;
        const Scan one = trigger(1, x, {0.1}, {-1}, {0.4}, {slope}, n);
        ASSERT_EQ(one.counts[0], static_cast<int32_t>(whole.triggers.size())) << slope;
        const size_t listed = std::min<size_t>(50, whole.triggers.size());
        EXPECT_EQ(std::vector<int32_t>(one.indices.begin(), one.indices.begin() + static_cast<long>(listed)),
                  std::vector<int32_t>(whole.triggers.begin(), whole.triggers.begin() + static_cast<long>(listed)));
        // Split wherever the phase the model has reached is the one the
        // last value alone implies; the blocks then find every trigger.
        Model track(0.1, 0.4, slope != 0, -1);
        std::vector<size_t> cuts = {0};
        for (size_t j = 0; j + 1 < x.size(); ++j) {
            track.feed({x[j]});
            if (track.phase == track.derived(x[j]) && j + 1 - cuts.back() > 40) cuts.push_back(j + 1);
        }
        cuts.push_back(x.size());
        ASSERT_GT(cuts.size(), 20u);
        std::vector<int32_t> found;
        double previous = -1;
        for (size_t b = 0; b + 1 < cuts.size(); ++b) {
            const std::vector<double> block(x.begin() + static_cast<long>(cuts[b]), x.begin() + static_cast<long>(cuts[b + 1]));
            const Scan r = trigger(1, block, {0.1}, {previous}, {0.4}, {slope}, n);
            ASSERT_EQ(r.error, 0);
            for (int32_t k = 0; k < r.counts[0]; ++k) found.push_back(r.indices[static_cast<size_t>(k)] + static_cast<int32_t>(cuts[b]));
            previous = r.last[0];
        }
        EXPECT_EQ(found, whole.triggers) << "slope " << slope;
    }
}

TEST(Trigger, IndexListHoldsTheFirstFiftyAcrossChannels) {
    // Square waves: channel 0 triggers at 1, 5, 9, ...; channel 1 likewise.
    std::vector<double> data;
    for (int c = 0; c < 2; ++c)
        for (int j = 0; j < 160; ++j) data.push_back(j % 4 == 0 ? -1.0 : j % 4 == 2 ? 1.0 : 0.0);
    const Scan r = trigger(2, data, {0, 0}, {-1, -1}, {1, 1}, {1, 1}, 100);
    EXPECT_EQ(r.counts, (std::vector<int32_t>{40, 40}));
    ASSERT_EQ(r.indices.size(), 200u);
    for (int k = 0; k < 40; ++k) EXPECT_EQ(r.indices[static_cast<size_t>(k)], 1 + 4 * k);
    for (int k = 0; k < 10; ++k) EXPECT_EQ(r.indices[static_cast<size_t>(40 + k)], 1 + 4 * k);
    for (size_t k = 50; k < r.indices.size(); ++k) EXPECT_EQ(r.indices[k], 0) << k;
}

ORIN_ALLOCATION_CASE(Triggerh, 4) {
    DoubleMatrixHandle d(1, 4, {-1, 0, 1, -1});
    DoubleHandle l({0}), p({-1}), h({1}), last;
    Int32Handle s({1}), indices, counts, flags;
    int32_t error = 0;
    const MgErr status = inj.call([&] { return Triggerh(d, l, p, h, s, 2, indices, counts, flags, last, &error); });
    EXPECT_EQ(error, inj.failing() ? kErrOutOfMemory : 0);
    if (inj.failing()) EXPECT_TRUE(status != 0 && indices.emptied() && counts.emptied() && flags.emptied() && last.emptied());
    else EXPECT_EQ(indices.values(), (std::vector<int32_t>{1, 0}));
}
