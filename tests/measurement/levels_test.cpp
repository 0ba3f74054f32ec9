// Signal levels against values worked out by hand from the histogram's
// definition: bin width (max - min) / bins, centres min + (k + 1/2) width.
#include "support/prelude.h"

#include <tuple>

#include "engine_support.h"

TEST(EngineLevels, SquareWaveLevelsAreTheBinCentresOfItsTwoModes) {
    // A square wave (a trapezoid without edges) of four periods of five 0s
    // and five 5s: 40 samples, t0 2, dt 0.5: record span 2 to 22.
    const auto x = trapezoid(4, 5, 0, 0, 5);
    const Levels l{90, 50, 10, 1, 1, 10};
    Session s;
    // Width 0.5: the 0s fill bin 0 (centre 0.25), the 5s the last (4.75).
    const struct {
        int32_t id;
        double value, y1, y2, y3;
    } cases[] = {
        {kMeasMinimum, 0, 0, 0, 0},     {kMeasMaximum, 5, 5, 5, 5},      {kMeasPeakToPeak, 5, 0, 0, 5},
        {kMeasLow, 0.25, 0, 0.25, 0.5}, {kMeasHigh, 4.75, 4.5, 4.75, 5}, {kMeasAmplitude, 4.5, 0.25, 0.25, 4.75},
        {kMeasTop, 4.75, 4.5, 4.75, 5}, {kMeasBase, 0.25, 0, 0.25, 0.5}, {kMeasTopMinusBase, 4.5, 0.25, 0.25, 4.75},
    };
    for (const auto &c : cases) {
        const Result r = s.fetch(c.id, x, l, 1, 2.0, 0.5);
        ASSERT_EQ(r.code, 0) << "id " << c.id;
        EXPECT_DOUBLE_EQ(r.value, c.value) << "id " << c.id;
        expectCursor(r, "square wave id " + std::to_string(c.id), {2, 2, 22, c.y1, c.y2, c.y3});
    }
}

TEST(EngineLevels, WeakModesFallBackToTheExtremes) {
    // A ramp 0..99 over 100 bins of width 0.99: one sample per bin, 1 % of
    // the record, below the 5 % a mode needs to become base or top. (Low and
    // high among tied bins: LowAndHighMatchABruteForceHistogram.)
    std::vector<double> x(100);
    for (int i = 0; i < 100; ++i) x[static_cast<size_t>(i)] = i;
    Session s;
    EXPECT_EQ(s.fetch(kMeasBase, x).value, 0.0);
    EXPECT_EQ(s.fetch(kMeasTop, x).value, 99.0);
    // A mode needs more than 5 %: of 20000 samples, 1000 at 0 (the rest over
    // 1..99, some 192 per bin) leave base at the minimum, 1001 make bin 0 base.
    for (size_t zeros : {size_t{1000}, size_t{1001}}) {
        std::vector<double> r(20000, 0.0);
        for (size_t i = zeros; i < r.size(); ++i) r[i] = static_cast<double>(1 + (i - zeros) % 99);
        EXPECT_DOUBLE_EQ(fetch(-1, kMeasBase, r).value, zeros > 1000 ? 0.495 : 0.0) << zeros;
    }
}

TEST(EngineLevels, SearchBoundsAreFormedInExtendedPrecision) {
    // Five bins of width 1 over 0..5. 0.6 * 5 in extended precision from the
    // double nearest 0.6 truncates to 2, so the high search starts at bin 2
    // and finds the ten samples there; the low search ends at bin 2 as well.
    std::vector<double> x = {0, 5};
    for (int i = 0; i < 10; ++i) x.push_back(2.5);
    const Levels l{90, 50, 10, 1, 1, 5};
    EXPECT_EQ(fetch(-1, kMeasHigh, x, l).value, 2.5);
    EXPECT_EQ(fetch(-1, kMeasLow, x, l).value, 2.5);
}

TEST(EngineLevels, ReferenceLevelsInSignalUnits) {
    const std::vector<double> x = {-1, 0.5, 3, 1};
    const Levels abs = absolute(4, 2.5, 1);
    for (auto [id, level] : std::vector<std::pair<int32_t, double>>{
             {kMeasLowReference, 1}, {kMeasMidReference, 2.5}, {kMeasHighReference, 4}}) {
        const Result r = fetch(-1, id, x, abs);
        ASSERT_EQ(r.code, 0) << "id " << id;
        EXPECT_EQ(r.value, level) << "id " << id;
        expectCursor(r, "absolute reference id " + std::to_string(id), {0, 0, 4, level, level, level});
    }
    // Percent of minimum to maximum: -1 + p/100 * 4.
    const Levels pct;
    const Result low = fetch(-1, kMeasLowReference, x, pct);
    EXPECT_DOUBLE_EQ(low.value, -0.6);
    expectCursor(low, "percent reference", {0, 0, 4, -1, -0.6, 3}, 4 * orintest::kEps);
    EXPECT_DOUBLE_EQ(fetch(-1, kMeasMidReference, x, pct).value, 1);
}

TEST(EngineLevels, PercentReferencesFollowTheirMethod) {
    // Square wave 0/5 over 10 bins: low 0.25, high 4.75, base and top the
    // same; minimum 0, maximum 5. The levels are base + p/100 * range.
    const auto x = trapezoid(4, 5, 0, 0, 5);
    Levels l{80, 50, 20, 1, 1, 10};
    for (auto [method, base, range] :
         std::vector<std::tuple<int32_t, double, double>>{{0, 0.25, 4.5}, {1, 0, 5}, {2, 0.25, 4.5}}) {
        l.method = method;
        EXPECT_DOUBLE_EQ(fetch(-1, kMeasLowReference, x, l).value, base + 0.2 * range) << "method " << method;
        EXPECT_DOUBLE_EQ(fetch(-1, kMeasHighReference, x, l).value, base + 0.8 * range) << "method " << method;
        EXPECT_DOUBLE_EQ(fetch(-1, kMeasHysteresis, x, l).value, 0.3 * range) << "method " << method;
    }
    l.method = 3;
    EXPECT_EQ(fetch(-1, kMeasMidReference, x, l).code, kErrReferenceMethod);
    EXPECT_EQ(fetch(-1, kMeasHysteresis, x, l).code, kErrReferenceMethod);
    l.method = 1;
    l.units = 2;
    for (int32_t id : {9, 10, 11, 12}) EXPECT_EQ(fetch(-1, id, x, l).code, kErrReferenceUnits) << "id " << id;
    l.units = 0;  // absolute levels need no method
    l.method = -5;
    EXPECT_EQ(fetch(-1, kMeasMidReference, x, l).value, 50.0);
}

TEST(EngineLevels, HistogramFailuresAndTheLevelsThatDoNotNeedIt) {
    const std::vector<double> constant(20, 3.0);
    Session s;
    for (int32_t id : {kMeasLow, kMeasHigh, kMeasAmplitude, kMeasTop, kMeasBase, kMeasTopMinusBase})
        EXPECT_EQ(s.fetch(id, constant).code, kErrHistogramBinWidth) << "id " << id;
    // A failed histogram stays failed: asking again reports it again rather
    // than success over bins never filled.
    EXPECT_EQ(s.fetch(kMeasLow, constant).code, kErrHistogramBinWidth);
    EXPECT_EQ(s.fetch(kMeasRisingOvershoot, constant).code, kErrHistogramBinWidth);
    EXPECT_EQ(s.fetch(kMeasMinimum, constant).value, 3.0);
    EXPECT_EQ(s.fetch(kMeasMaximum, constant).value, 3.0);
    EXPECT_EQ(s.fetch(kMeasPeakToPeak, constant).value, 0.0);
    EXPECT_EQ(s.fetch(kMeasHighReference, constant, absolute(90, 50, 10)).value, 90.0);
    EXPECT_EQ(s.fetch(kMeasMidReference, constant, {90, 50, 10, 1, 0}).code,
              kErrHistogramBinWidth);  // percent of levels
    EXPECT_EQ(fetch(-1, kMeasLow, {0, 1}, {90, 50, 10, 1, 1, 0}).code, kErrHistogramBins);
    EXPECT_EQ(fetch(-1, kMeasHigh, {0, 1}, {90, 50, 10, 1, 1, -3}).code, kErrHistogramBins);
}

TEST(EngineLevels, LowAndHighMatchABruteForceHistogram) {
    // Random records against a histogram built here from the definition:
    // bin k = trunc((x - min) / width), the maximum in the last bin; low is
    // the fullest bin at or below trunc(0.4 n) (lowest on ties), high the
    // fullest at or above trunc(0.6 n) in extended precision (highest on ties).
    // 100003 bins count in one set instead of four interleaved ones.
    for (int32_t bins : {1, 7, 37, 256, 100003}) {
        for (int n : {5, 1001}) {
            auto x = orintest::randomDoubles(static_cast<size_t>(n), 7u * bins + n, -3, 4);
            for (int i = 0; i < n; i += 3) x[static_cast<size_t>(i)] = std::round(x[static_cast<size_t>(i)]);
            double lo = x[0], hi = x[0];
            for (double v : x) lo = std::min(lo, v), hi = std::max(hi, v);
            const double width = (hi - lo) / bins;
            std::vector<int> count(static_cast<size_t>(bins), 0);
            for (double v : x) {
                const double k = (v - lo) * (1 / width);
                ++count[static_cast<size_t>(k < bins ? static_cast<int>(k) : bins - 1)];
            }
            int lowBin = -1, highBin = -1, best = -1;
            for (int k = 0; k <= static_cast<int>(0.4L * bins); ++k)
                if (count[static_cast<size_t>(k)] > best) best = count[static_cast<size_t>(k)], lowBin = k;
            best = -1;
            for (int k = static_cast<int>(0.6L * bins); k < bins; ++k)
                if (count[static_cast<size_t>(k)] >= best) best = count[static_cast<size_t>(k)], highBin = k;
            const Levels l{90, 50, 10, 1, 1, bins};
            Session s;
            EXPECT_EQ(s.fetch(kMeasLow, x, l).value, lo + 0.5 * width + lowBin * width) << bins << " bins, n " << n;
            EXPECT_EQ(s.fetch(kMeasHigh, x, l).value, lo + 0.5 * width + highBin * width) << bins << " bins, n " << n;
        }
    }
}
