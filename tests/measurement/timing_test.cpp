// Timing measurements on waveforms whose crossings are known exactly: the
// trapezoid's edges climb in steps of 1 from 0 to 10, so with references at
// 1, 5 and 9 every crossing lies on a sample and every time is exact.
#include "support/prelude.h"

#include "engine_support.h"

constexpr double kNaN = kSkip;

TEST(EngineTiming, TrapezoidTrainKnownAnswers) {
    // t0 3, dt 0.5 (exact): pulse n rises through 5 at sample 44 + 100 (n-1),
    // falls 50 samples later; each edge spends 8 samples between 1 and 9.
    const auto x = trapezoid(5);
    const double t0 = 3, dt = 0.5;
    Session s;
    for (int32_t n = 1; n <= 4; ++n) {
        const double up = t0 + dt * (44 + 100 * (n - 1)), down = up + 50 * dt;
        const struct {
            int32_t id;
            double value;
        } cases[] = {
            {kMeasPeriod, 100 * dt},
            {kMeasFrequency, 1 / (100 * dt)},
            {kMeasPositiveDutyCycle, 0.5},
            {kMeasNegativeDutyCycle, 0.5},
            {kMeasPositiveWidth, 50 * dt},
            {kMeasNegativeWidth, 50 * dt},
            {kMeasRiseTime, 8 * dt},
            {kMeasFallTime, 8 * dt},
            {kMeasRisingSlewRate, 8 / (8 * dt)},
            {kMeasFallingSlewRate, 8 / (8 * dt)},
            {kMeasPositivePulseCenter, (up + down) / 2},
            {kMeasNegativePulseCenter, (down + down + 50 * dt) / 2},
        };
        for (const auto &c : cases) {
            const Result r = s.fetch(c.id, x, {}, n, t0, dt);
            ASSERT_EQ(r.code, 0) << "id " << c.id << " occurrence " << n;
            EXPECT_EQ(r.value, c.value) << "id " << c.id << " occurrence " << n;
        }
        // Cursors: the cycle's bounding crossings with the band 1..9 round 5.
        const std::string at = "occurrence " + std::to_string(n);
        expectCursor(s.fetch(kMeasPeriod, x, {}, n, t0, dt), "period " + at, {up, kSkip, up + 100 * dt, 1, 5, 9});
        expectCursor(s.fetch(kMeasPositiveDutyCycle, x, {}, n, t0, dt), "duty " + at, {kSkip, down});
        const double edge = t0 + dt * 100 * (n - 1);
        expectCursor(s.fetch(kMeasRiseTime, x, {}, n, t0, dt), "rise " + at,
                     {edge + 40 * dt, kSkip, edge + 48 * dt, 1, kSkip, 9});
        expectCursor(s.fetch(kMeasPositivePulseCenter, x, {}, n, t0, dt), "centre " + at, {up, (up + down) / 2, down});
    }
    // The fifth cycle would end beyond the record.
    EXPECT_EQ(s.fetch(kMeasPeriod, x, {}, 5, t0, dt).code, kErrTooFewCrossings);
    EXPECT_EQ(s.fetch(kMeasPositiveWidth, x, {}, 5, t0, dt).code, 0);
    EXPECT_EQ(s.fetch(kMeasNegativeWidth, x, {}, 5, t0, dt).code, kErrTooFewCrossings);
    EXPECT_EQ(s.fetch(kMeasRiseTime, x, {}, 6, t0, dt).code, kErrTooFewEdges);
}

TEST(EngineTiming, ScansFollowTheSignalThroughItsBands) {
    const Levels l = absolute(9, 5, 1);
    // Nothing counts before the signal first reaches a reference: the
    // record starts between them, so the first edge is the fall at 7..8.
    const std::vector<double> between = {5, 10, 10, 10, 10, 10, 10, 10, 0, 0};
    EXPECT_EQ(fetch(-1, kMeasRiseTime, between, l).code, kErrTooFewEdges);
    EXPECT_DOUBLE_EQ(fetch(-1, kMeasFallTime, between, l).cursor.x1, 7.1);
    // A plateau re-crossing the low level starts the edge at its last
    // crossing (5.1), not its first (1.5).
    const std::vector<double> noisy = {0, 0, 2, 0, 2, 0, 10, 10};
    const Result rise = fetch(-1, kMeasRiseTime, noisy, l);
    EXPECT_DOUBLE_EQ(rise.cursor.x1, 5.1);
    // Two times near 6, each rounded in its division and its addition: the
    // difference is within 4 ulp(6) = 16 eps of 0.8.
    EXPECT_NEAR(rise.value, 0.8, 16 * orintest::kEps);
    // A runt (leaving the band and returning on the same side) adds no
    // crossing: the pulse 0 -> 10 -> 0 is measured across the runt to 6.
    const std::vector<double> runt = {0, 10, 10, 6, 10, 10, 0, 0};
    EXPECT_DOUBLE_EQ(fetch(-1, kMeasPositiveWidth, runt, l).value, 5.5 - 0.5);
    // Two samples on the middle level: the crossing is at the first.
    const std::vector<double> onLevel = {0, 5, 5, 10, 10, 0};
    EXPECT_EQ(fetch(-1, kMeasPositiveWidth, onLevel, l).cursor.x1, 1.0);
}

TEST(EngineTiming, RecordsStartingHighOrHoldingOneEdge) {
    // Starting on the high plateau the first edge falls, so the first rise
    // is the second edge.
    const auto high = trapezoid(3, 40, 10, 0, 10, true);
    Session s;
    const Result rise = s.fetch(kMeasRiseTime, high);
    ASSERT_EQ(rise.code, 0);
    EXPECT_EQ(rise.value, 8.0);
    EXPECT_EQ(rise.cursor.x1, 90.0);
    EXPECT_EQ(s.fetch(kMeasFallTime, high).cursor.x1, 40.0);
    // Its overshoot window ends halfway to the next edge, (98 + 140) / 2:
    // the third edge must be found for it, not only the second.
    expectCursor(fetch(-1, kMeasRisingOvershoot, high), "overshoot of the second edge", {98, kSkip, 119});

    // One rising edge: its rise time and overshoot (window to the last
    // sample) exist, a fall does not.
    std::vector<double> one(20, 0.0);
    for (int i = 0; i < 10; ++i) one.push_back(i + 1);
    one.insert(one.end(), 20, 10.0);
    Session t;
    EXPECT_EQ(t.fetch(kMeasRiseTime, one).value, 8.0);
    EXPECT_EQ(t.fetch(kMeasFallTime, one).code, kErrTooFewEdges);
    EXPECT_EQ(t.fetch(kMeasFallingOvershoot, one).code, kErrTooFewEdges);
    const Result over = t.fetch(kMeasRisingOvershoot, one, {}, 1, 0, 0.25);
    ASSERT_EQ(over.code, 0);
    expectCursor(over, "single-edge overshoot", {28 * 0.25, kSkip, 49 * 0.25});
}

TEST(EngineTiming, OvershootAndPreshootOfARingingPulse) {
    // Span -0.5..10.5 in 11 bins: low 0 and high 10 exactly (amplitude 10).
    // Dip to -0.5 before the rise (5 %), ring to 10.5 after it (5 %), bump to
    // 10.3 before the fall (3 %), ring to -0.2 after it (2 %).
    std::vector<double> x(30, 0.0);
    x[27] = -0.5;
    for (double v : {10.0, 10.5, 9.7, 10.2, 9.9}) x.push_back(v);
    x.insert(x.end(), 25, 10.0);
    x[57] = 10.3;
    for (double v : {0.0, -0.2, 0.1, 0.0}) x.push_back(v);
    x.insert(x.end(), 26, 0.0);
    const Levels l{90, 50, 10, 1, 1, 11};
    Session s;
    for (auto [id, percent] : std::vector<std::pair<int32_t, double>>{{kMeasRisingPreshoot, 5},
                                                                      {kMeasRisingOvershoot, 5},
                                                                      {kMeasFallingPreshoot, 3},
                                                                      {kMeasFallingOvershoot, 2}}) {
        const Result r = s.fetch(id, x, l);
        ASSERT_EQ(r.code, 0) << "id " << id;
        EXPECT_NEAR(r.value, percent, 1e-13) << "id " << id;  // one rounding of the sample each
    }
    // The overshoot window runs from the rising edge's end (sample 30) to
    // halfway to the falling edge's start (sample 60): sample 45.
    expectCursor(s.fetch(kMeasRisingOvershoot, x, l), "overshoot", {30, kSkip, 45, 0, 10, 10.5});
    expectCursor(s.fetch(kMeasRisingPreshoot, x, l), "preshoot", {0, kSkip, 30, -0.5});
}

TEST(EngineTiming, OccurrencesBelowOneAreRefusedWhateverIsCached) {
    const auto x = trapezoid(4);
    Session s;
    for (int32_t id = kMeasPeriod; id < kMeasNone; ++id) {
        if (id == kMeasRootSumSquares) continue;
        // Fill every list and cache first.
        ASSERT_EQ(s.fetch(id, x, {}, 3).code, 0) << "id " << id;
        for (int32_t occurrence : {0, -1, INT32_MIN})
            EXPECT_EQ(s.fetch(id, x, {}, occurrence).code, kErrEdgeCount)
                << "id " << id << " occurrence " << occurrence;
    }
    // Beyond the record, however far: too few, and nothing huge allocated.
    for (int32_t occurrence : {1000, INT32_MAX}) {
        EXPECT_EQ(s.fetch(kMeasPeriod, x, {}, occurrence).code, kErrTooFewCrossings);
        EXPECT_EQ(s.fetch(kMeasPositiveWidth, x, {}, occurrence).code, kErrTooFewCrossings);
        EXPECT_EQ(s.fetch(kMeasRiseTime, x, {}, occurrence).code, kErrTooFewEdges);
        EXPECT_EQ(s.fetch(kMeasFallingOvershoot, x, {}, occurrence).code, kErrTooFewEdges);
    }
}

TEST(EngineTiming, EdgeScanNeedsOrderedReferencesInSignalUnits) {
    // Percent of the histogram levels of a record whose levels are inverted
    // is not possible, but a flat top-minus-base range is: every reference
    // then equals base, and the edge scan refuses low >= high.
    std::vector<double> x = {0, 10};
    x.insert(x.end(), 40, 0.0);
    Levels l{50, 50, 50, 1, 2, 2};  // base and top: both the 0 plateau's bin
    Session s;
    EXPECT_EQ(s.fetch(kMeasRiseTime, x, l).code, kErrReferenceOrder);
    EXPECT_EQ(s.fetch(kMeasFallTime, x, l).code, kErrReferenceOrder);
}

TEST(EngineTiming, DegenerateDurationsAndPeriods) {
    // At t0 1e17 and dt 1 a sample's fraction vanishes in the time: the rise
    // time becomes 0 and its slew rate cannot be formed.
    const std::vector<double> x = {0, 0, 10, 10, 0, 0};
    const Levels l = absolute(9, 5, 1);
    EXPECT_EQ(fetch(-1, kMeasRiseTime, x, l, 1, 1e17, 1).value, 0.0);
    EXPECT_EQ(fetch(-1, kMeasRisingSlewRate, x, l, 1, 1e17, 1).code, kErrZeroDuration);
    // A NaN sampling interval passes the session's check; a cycle then spans
    // no number of samples.
    const auto train = trapezoid(3);
    EXPECT_EQ(fetch(-1, kMeasCycleRms, train, {}, 1, 0, kNaN).code, kErrNoPeriod);
    EXPECT_EQ(fetch(-1, kMeasFrequency, train, {}, 1, 0, kNaN).code, kErrResultNotFinite);
}

TEST(EngineTiming, NaNSamplesAreSkippedAndEdgesKeepTheirOrder) {
    // A NaN on a middle-level crossing sample: the crossing is interpolated
    // across the gap, here landing where it was (at 144, the second rise's).
    auto x = trapezoid(3);
    x[144] = kNaN;
    Session s;
    EXPECT_EQ(s.fetch(kMeasPeriod, x).value, 100.0);
    EXPECT_EQ(s.fetch(kMeasPositiveWidth, x, {}, 2).value, 50.0);
    // NaNs hiding both crossings of a rise: the edge spans the gap (low at
    // 1 + 4 * 0.1, high at 1 + 4 * 0.9); the fall through a NaN follows at
    // 6 + 2 * 0.1 and 6 + 2 * 0.9, and the slopes still alternate.
    const std::vector<double> gap = {0, 0, kNaN, kNaN, kNaN, 10, 10, kNaN, 0, 0, kNaN, 10, 10};
    const Levels l = absolute(9, 5, 1);
    Session g;
    const double ulp = 32 * orintest::kEps;  // 4 ulp of values below 16
    expectCursor(g.fetch(kMeasRiseTime, gap, l), "rise", {1.4, kSkip, 4.6}, ulp);
    expectCursor(g.fetch(kMeasFallTime, gap, l), "fall", {6.2, kSkip, 7.8}, ulp);
    const Result second = g.fetch(kMeasRiseTime, gap, l, 2);
    ASSERT_EQ(second.code, 0);
    expectCursor(second, "second rise", {9.2, kSkip, 10.8}, ulp);
}

// A list continued for a later occurrence must be the list scanned at once.
// With no hysteresis, every sample lying exactly on the middle level is where
// a continued crossing scan resumes; resuming with the trend forgotten, it
// recorded a crossing there that the uninterrupted scan does not.
TEST(EngineTiming, ContinuedListsEqualListsScannedAtOnce) {
    std::vector<double> x;
    for (int p = 0; p < 6; ++p) x.insert(x.end(), {0.0, 5.0, 10.0, 5.0});
    for (const Levels &l : {absolute(5, 5, 0), absolute(10, 5, 5), absolute(9, 5, 1)}) {
        for (int32_t id : {kMeasPeriod, kMeasPositiveWidth, kMeasNegativeWidth, kMeasPositiveDutyCycle, kMeasRiseTime,
                           kMeasFallTime}) {
            Session s;  // asked for occurrences 1, 2, 3, 4 in turn
            for (int32_t k = 1; k <= 4; ++k) {
                const Result got = s.fetch(id, x, l, k);
                const Result once = fetch(-1, id, x, l, k);
                ASSERT_EQ(got.code, once.code) << "id " << id << " occurrence " << k << " mid band " << l.high;
                EXPECT_EQ(got.value, once.value) << "id " << id << " occurrence " << k << " mid band " << l.high;
                EXPECT_EQ(got.cursor.x1, once.cursor.x1) << "id " << id << " occurrence " << k;
            }
        }
    }
    // The square wave's period is its four samples whatever was asked before.
    Session s;
    EXPECT_EQ(s.fetch(kMeasPeriod, x, absolute(9, 5, 1), 1).value, 4.0);
    EXPECT_EQ(s.fetch(kMeasPeriod, x, absolute(9, 5, 1), 3).value, 4.0);
}

// The scans find crossings by the signs of the samples' distances to a
// level, so a record scaled by a power of two (exact in binary) gives the
// same times down to the smallest normal numbers. Their product underflowed
// below about 1e-154 and put crossings between two samples equal to 0.
TEST(EngineTiming, TimesDoNotDependOnTheRecordsScale) {
    const auto x = trapezoid(3);
    for (const int exponent : {-1000, -600, -300, 0, 300, 1000}) {
        std::vector<double> scaled(x.size());
        for (size_t i = 0; i < x.size(); ++i) scaled[i] = std::ldexp(x[i], exponent);
        for (const int32_t id :
             {kMeasRiseTime, kMeasFallTime, kMeasPeriod, kMeasPositiveWidth, kMeasNegativeDutyCycle}) {
            const Result want = fetch(-1, id, x, {}, 2);
            const Result got = fetch(-1, id, scaled, {}, 2);
            ASSERT_EQ(want.code, 0) << "id " << id;
            EXPECT_EQ(got.code, 0) << "id " << id << " scaled by 2^" << exponent;
            EXPECT_EQ(got.value, want.value) << "id " << id << " scaled by 2^" << exponent;
            EXPECT_EQ(got.cursor.x1, want.cursor.x1) << "id " << id << " scaled by 2^" << exponent;
        }
    }
    // Two samples of 0 under a tiny low level are no crossing of it.
    const std::vector<double> tiny = {0, 0, 0, 2e-300, 2e-300, 2e-300};
    const Result rise = fetch(-1, kMeasRiseTime, tiny, absolute(1.8e-300, 1e-300, 2e-301));
    ASSERT_EQ(rise.code, 0);
    EXPECT_NEAR(rise.value, 0.8, 4 * orintest::kEps);
    EXPECT_NEAR(rise.cursor.x1, 2.1, 8 * orintest::kEps);
}
