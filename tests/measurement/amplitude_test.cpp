// Amplitude statistics against closed forms: constants, sines over whole
// periods, and a cycle worked out by hand.
#include "support/prelude.h"

#include "engine_support.h"

TEST(EngineAmplitude, ConstantRecordClosedForms) {
    const std::vector<double> x(4, 2.0);
    const Result rms = fetch(-1, kMeasRms, x, {}, 1, 1, 0.5), mean = fetch(-1, kMeasMean, x),
                 rss = fetch(-1, kMeasRootSumSquares, x);
    EXPECT_TRUE(rms.value == 2 && mean.value == 2 && rss.value == 4);
    expectCursor(rms, "rms", {1, kSkip, 3, -2, -2, 2});
    EXPECT_EQ(mean.cursor.y2, 0.0);
    expectCursor(rss, "rss", {kSkip, kSkip, kSkip, -4, kSkip, 4});
}

TEST(EngineAmplitude, SineOverWholePeriods) {
    // 100 samples per period, ten periods, phase off the sample grid. Any
    // N consecutive samples of a sine sampled N times per period have mean
    // 0 and mean square 1/2 exactly, so every whole cycle gives 1/sqrt(2).
    const auto x = sine(1000, 100, 1, 0.3);
    Session s;
    const double half = std::sqrt(0.5);
    EXPECT_NEAR(s.fetch(kMeasRms, x).value, half, 1e-14);
    EXPECT_NEAR(s.fetch(kMeasMean, x).value, 0, 1e-15);
    for (int32_t cycle = 1; cycle <= 9; ++cycle) {
        const Result period = s.fetch(kMeasPeriod, x, {}, cycle);
        ASSERT_EQ(period.code, 0) << "cycle " << cycle;
        // Linear interpolation errs alike in every cycle: the period is exact
        // to the rounding of times near 1000.
        EXPECT_NEAR(period.value, 100, 1e-11) << "cycle " << cycle;
        const Result rms = s.fetch(kMeasCycleRms, x, {}, cycle);
        ASSERT_EQ(rms.code, 0) << "cycle " << cycle;
        EXPECT_NEAR(rms.value, half, 1e-14) << "cycle " << cycle;
        expectCursor(rms, "cycle rms " + std::to_string(cycle),
                     {period.cursor.x1, kSkip, period.cursor.x3, kSkip, kSkip, rms.value});
        EXPECT_NEAR(s.fetch(kMeasCycleMean, x, {}, cycle).value, 0, 1e-15) << "cycle " << cycle;
    }
    EXPECT_EQ(s.fetch(kMeasCycleRms, x, {}, 11).code, kErrTooFewCrossings);
}

TEST(EngineAmplitude, CycleWindowStartsAtTheNearestSample) {
    // A ramp cycle: crossings of 5 (band 1..9) at 0.5, 3.5 and 7 in
    // 0, 10, 10, 10, 0, 0, 0, 5. Period 6.5 rounds to 7 samples, the start
    // 0.5 to sample 1: the window is samples 1..7.
    const std::vector<double> x = {0, 10, 10, 10, 0, 0, 0, 5};
    const auto l = absolute(9, 5, 1);
    long double s = 0, q = 0;
    for (size_t i = 1; i <= 7; ++i) s += x[i], q += x[i] * x[i];
    EXPECT_DOUBLE_EQ(fetch(-1, kMeasCycleMean, x, l).value, static_cast<double>(s / 7));
    EXPECT_DOUBLE_EQ(fetch(-1, kMeasCycleRms, x, l).value, static_cast<double>(std::sqrt(q / 7)));
}
