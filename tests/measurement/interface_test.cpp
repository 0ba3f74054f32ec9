// The engine's flat interface: sessions, argument checks in their order,
// parameter handling, and the caching a caller can observe. (The exported
// registry: Exports.DefinedSymbolsEqualTheExportList; caches kept until a
// clear: EngineCaches; dropped on changed parameters: the fuzz corpus replay.)
#include "support/prelude.h"

#include "engine_support.h"

namespace {
const std::vector<double> kRamp = {-1, 0, 1, 2, 3};
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
}  // namespace

// A one-shot fetch takes an id of its own and leaves no session behind.
TEST(EngineInterface, SessionIdsAdvanceFrom1112AreNeverReusedAndOneShotsTakeOne) {
    int32_t a = 0, b = 0, c = 0;
    ASSERT_EQ(measurements_create(&a), 0);
    ASSERT_EQ(measurements_create(&b), 0);
    EXPECT_GE(a, 1112);
    EXPECT_EQ(b, a + 1);
    // (Codes for stale ids and a null id pointer: the fuzz corpus replay.)
    EXPECT_EQ(measurements_destroy(a), 0);
    EXPECT_EQ(fetch(-1, kMeasMaximum, kRamp).value, 3.0);
    ASSERT_EQ(measurements_create(&c), 0);
    EXPECT_EQ(c, b + 2) << "a's id not reused, b + 1 the one-shot session's";
    EXPECT_EQ(measurements_destroy(b + 1), kErrUnknownSession);
    EXPECT_EQ(measurements_destroy(b), 0);
    EXPECT_EQ(measurements_destroy(c), 0);
}

TEST(EngineInterface, IsCycleMeasurementMarksPeriodFrequencyCycleStatisticsAndDutyCycles) {
    for (int32_t id = -2; id < 70; ++id) {
        const bool cycle = id == 15 || id == 16 || id == 17 || id == 18 || id == 24 || id == 25;
        EXPECT_EQ(isCycleMeasurement(id), cycle ? 1 : 0) << "id " << id;
    }
}

// The replay of the engine's fuzz corpus checks every code of a request
// with one thing wrong, and the order of the checks as far as one null
// block at a time, a sampling interval below zero, id 34 and unknown
// sessions and ids tell it. What it does not reach: two null outputs (the
// result is looked at first, then the cursor, then the samples) and a
// sampling interval of exactly zero.
TEST(EngineInterface, FetchChecksArgumentsInOrder) {
    Session s;
    const tRefLevels good{90, 50, 10, 1};
    const tRefOptions options{1, 10};
    double r = 7;
    tCursorStruct c{};
    const double *x = kRamp.data();
    EXPECT_EQ(measurements_fetch(s.id(), 0, &good, &options, 1, 0, 1, x, 5, nullptr, nullptr), kErrNullResult);
    EXPECT_EQ(measurements_fetch(s.id(), 0, &good, &options, 1, 0, 1, nullptr, 5, &r, nullptr), kErrNullCursor);
    EXPECT_EQ(measurements_fetch(s.id(), 0, &good, &options, 1, 0, 0, x, 5, &r, &c), kErrEngineSamplingInterval);
}

TEST(EngineInterface, HysteresisIsTheNarrowerSideOfTheMiddleLevel) {
    for (auto [mid, want] : std::vector<std::pair<double, double>>{{50, 40}, {80, 10}, {20, 10}}) {
        const auto h = fetch(-1, kMeasHysteresis, kRamp, absolute(90, mid, 10));
        EXPECT_TRUE(h.value == want && h.cursor.y1 == 0 && h.cursor.y3 == 0) << mid << ": " << h.value;
    }
    EXPECT_EQ(fetch(-1, kMeasHysteresis, kRamp, absolute(90, 95, 10)).code, kErrReferenceOrder);
    // Misordered infinite levels, whose widths are -inf and NaN.
    EXPECT_EQ(fetch(-1, kMeasHysteresis, kRamp, absolute(10, kInf, kInf)).code, kErrReferenceOrder);
    EXPECT_EQ(fetch(-1, kMeasHysteresis, kRamp, absolute(-kInf, kInf, kInf)).code, kErrReferenceOrder);
    // NaN levels pass the order check; the level itself is then not finite.
    EXPECT_EQ(fetch(-1, kMeasMidReference, kRamp, absolute(90, kNaN, 10)).code, kErrResultNotFinite);
}

// A caller that passes a shorter record without clearing must not have the
// cached edge list index past its end: the session measures the record it is
// given, as a fresh session would (the sanitizer build sees any overread).
TEST(EngineInterface, ARecordOfAnotherLengthIsMeasuredAfresh) {
    const auto x = trapezoid(4);
    Session s;
    ASSERT_EQ(s.fetch(kMeasRisingOvershoot, x, {}, 3).code, 0);  // lists of all four periods
    for (const size_t n : {size_t{120}, size_t{51}, size_t{400}}) {
        const std::vector<double> shorter(x.begin(), x.begin() + static_cast<long>(n));
        for (int32_t occurrence : {1, 2}) {
            const auto got = s.fetch(kMeasRisingOvershoot, shorter, {}, occurrence);
            const auto want = fetch(-1, kMeasRisingOvershoot, shorter, {}, occurrence);
            EXPECT_EQ(got.code, want.code) << n << " samples, occurrence " << occurrence;
            EXPECT_EQ(got.value, want.value) << n << " samples, occurrence " << occurrence;
        }
    }
    // 120 samples hold one rising edge: the second is not there.
    EXPECT_EQ(fetch(-1, kMeasRisingOvershoot, std::vector<double>(x.begin(), x.begin() + 120), {}, 2).code,
              kErrTooFewEdges);
}

TEST(EngineInterface, NonFiniteResultsAreReported) {
    // One guard at the boundary turns every non-finite result into the code.
    EXPECT_EQ(fetch(-1, kMeasMinimum, {1, -kInf, 2}).code, kErrResultNotFinite);
    // A NaN after the first sample is passed over by the extremes.
    EXPECT_EQ(fetch(-1, kMeasMaximum, {1, kNaN, 2}).value, 2.0);
}
