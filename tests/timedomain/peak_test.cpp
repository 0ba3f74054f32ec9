// Peak detectors: the threshold-run detector against brute force; the
// streaming least-squares detector on exact quadratic arcs, sinusoids and
// noise, one call against many block splits; its fit kit by residuals.
#include <orin/timedomain.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "support/allocation_failure.h"
#include "support/handles.h"
#include "support/reference.h"

using orintest::DoubleHandle;
using orintest::Int32Handle;
using orintest::kEps;

namespace {

struct Peak {
    double location, amplitude, second;
    bool operator==(const Peak &) const = default;
};

struct Series {
    std::vector<Peak> peaks;
    std::vector<int32_t> perCall;
    int32_t error = 0;
    bool released = false;
};

// Runs PeakD over x cut into blocks of the given sizes (the last block takes
// the rest), with output arrays of the given starting sizes.
Series detect(const std::vector<double> &x, int32_t width, double threshold, int32_t polarity,
              const std::vector<size_t> &sizes, std::vector<size_t> outputSizes = {0, 0, 0}) {
    DoubleHandle loc(std::vector<double>(outputSizes[0], -1.0)), amp(std::vector<double>(outputSizes[1], -1.0)),
        d2(std::vector<double>(outputSizes[2], -1.0));
    PeakCINState state{};
    UHandle internal = nullptr;
    Series s;
    size_t start = 0;
    for (size_t b = 0; start < x.size() || b == 0; ++b) {
        // A remainder shorter than a window joins the block before it.
        const bool last = b + 1 >= sizes.size() || start + sizes[b] + static_cast<size_t>(width) > x.size();
        const size_t len = last ? x.size() - start : sizes[b];
        DoubleHandle block(std::vector<double>(x.begin() + static_cast<long>(start), x.begin() + static_cast<long>(start + len)));
        PeakCINControl c{block, threshold, width, polarity, loc, amp, d2, -1,
                         (b == 0 ? kPeakFirstCall : 0) | (last ? kPeakLastCall : 0)};
        PeakD(&c, &state, &internal, &s.error);
        if (s.error) break;
        s.perCall.push_back(c.count);
        EXPECT_EQ(loc.size(), c.count);
        for (int32_t k = 0; k < c.count; ++k)
            s.peaks.push_back({loc.values()[static_cast<size_t>(k)], amp.values()[static_cast<size_t>(k)],
                               d2.values()[static_cast<size_t>(k)]});
        start += len;
        if (last) break;
    }
    s.released = internal == nullptr;
    if (internal) DSDisposeHandle(internal);
    return s;
}

// The fit of an exact parabola carries rounding of order eps times the
// window's values (up to 10^2 here).
void expectPeaks(const std::vector<Peak> &got, const std::vector<Peak> &want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t k = 0; k < got.size(); ++k) {
        EXPECT_NEAR(got[k].location, want[k].location, 1e-12) << k;
        EXPECT_NEAR(got[k].amplitude, want[k].amplitude, 1e-12) << k;
        EXPECT_NEAR(got[k].second, want[k].second, 1e-12) << k;
    }
}

std::vector<double> parabola(int n, double vertex) {
    std::vector<double> x(static_cast<size_t>(n));
    for (int t = 0; t < n; ++t) x[static_cast<size_t>(t)] = -(t - vertex) * (t - vertex);
    return x;
}

}  // namespace

TEST(PeakDetector, RunsAgainstBruteForce) {
    Int32Handle loc;
    int32_t count = -1, error = 1;
    const auto noise = orintest::randomDoubles(2000, 8);
    DoubleHandle h(noise);
    for (int32_t w : {1, 3}) {
        const double th = 0.2;
        std::vector<int32_t> expected;
        for (int32_t i = 0; i < 2000; ++i) {
            if (noise[static_cast<size_t>(i)] < th || (i > 0 && noise[static_cast<size_t>(i - 1)] >= th)) continue;
            int32_t len = 0;
            while (i + len < 2000 && noise[static_cast<size_t>(i + len)] >= th) ++len;
            if (len >= w) expected.push_back(i);
        }
        ASSERT_EQ(PeakDetector(h, &th, &w, loc, &count, &error) + error, 0);
        EXPECT_EQ(loc.values(), expected) << w;
        EXPECT_EQ(count, static_cast<int32_t>(expected.size()));
    }
}

TEST(PeakD, ParabolaInOneCallAndInThreeBlocks) {
    const auto x = parabola(21, 10);
    for (const auto &sizes : {std::vector<size_t>{21}, std::vector<size_t>{7, 7, 7}}) {
        const Series s = detect(x, 3, -1, 0, sizes);
        ASSERT_EQ(s.error, 0);
        EXPECT_TRUE(s.released);
        expectPeaks(s.peaks, {{10, 0, -2}});
        if (sizes.size() == 3) {
            EXPECT_EQ(s.perCall, (std::vector<int32_t>{0, 1, 0}));
        }
    }
    std::vector<double> negated = x;
    for (double &v : negated) v = -v;
    const Series valley = detect(negated, 3, 1, 1, {21});
    expectPeaks(valley.peaks, {{10, 0, 2}});
    // The wrong side of the threshold, or the wrong polarity, reports nothing.
    EXPECT_TRUE(detect(x, 3, 0.5, 0, {21}).peaks.empty());
    EXPECT_TRUE(detect(x, 3, -1, 1, {21}).peaks.empty());
}

TEST(PeakD, ExactQuadraticArcsLocatedToFractionsOfASample) {
    // Downward arcs of period 30 with the vertex 13.37 into each: the
    // windows around a vertex lie inside one arc, where the fit is exact.
    for (int32_t width : {3, 4, 7, 11}) {
        const double vertex = 13.37;
        std::vector<double> x(600);
        for (size_t t = 0; t < x.size(); ++t) {
            const double s = static_cast<double>(t % 30) - vertex;
            x[t] = 5.0 - s * s;
        }
        const Series s = detect(x, width, 0, 0, {600});
        ASSERT_EQ(s.peaks.size(), 20u) << width;
        for (size_t k = 0; k < 20; ++k) {
            // Coefficients of an exact fit carry rounding of order eps times
            // the window's values (up to 30^2), divided by the curvature 2.
            EXPECT_NEAR(s.peaks[k].location, 30.0 * k + vertex, 1e-9) << width << " " << k;
            EXPECT_NEAR(s.peaks[k].amplitude, 5.0, 1e-9);
            EXPECT_NEAR(s.peaks[k].second, -2.0, 1e-9);
        }
    }
}

TEST(PeakD, SinusoidPeaksAndValleys) {
    const double period = 64;
    const double omega = 2 * std::numbers::pi / period;
    std::vector<double> x(640);
    for (size_t t = 0; t < x.size(); ++t) x[t] = std::sin(omega * static_cast<double>(t));
    const int32_t width = 7;
    // The quartic term of the cosine about its top biases the fitted vertex
    // by at most about (omega w)^2 / 16 samples for a window centre within
    // half a sample of the top.
    const double tolerance = omega * omega * width * width / 16;
    for (int32_t polarity : {0, 1}) {
        const Series s = detect(x, width, 0, polarity, {100, 100, 100});
        ASSERT_EQ(s.peaks.size(), 10u) << polarity;
        for (size_t k = 0; k < 10; ++k) {
            EXPECT_NEAR(s.peaks[k].location, period * (static_cast<double>(k) + (polarity ? 0.75 : 0.25)), tolerance);
            EXPECT_NEAR(s.peaks[k].amplitude, polarity ? -1.0 : 1.0, tolerance);
            EXPECT_NEAR(s.peaks[k].second, (polarity ? 1 : -1) * omega * omega, 0.05 * omega * omega);
        }
    }
}

TEST(PeakD, BlockSplitsGiveTheSamePeaksAsOneCall) {
    auto x = orintest::randomDoubles(6000, 31);
    for (size_t i = 1; i < x.size(); ++i) x[i] = 0.7 * x[i - 1] + x[i];
    const int32_t width = 9;
    const Series whole = detect(x, width, 0.1, 0, {6000});
    ASSERT_GT(whole.peaks.size(), 200u);
    std::mt19937_64 gen(5);
    std::uniform_int_distribution<size_t> pick(width, 700);
    std::vector<size_t> random(60);
    for (size_t &v : random) v = pick(gen);
    for (const auto &sizes : {std::vector<size_t>(700, width), std::vector<size_t>(6, 1000), random}) {
        // The outputs start too short, and unequal: each must grow.
        const Series split = detect(x, width, 0.1, 0, sizes, {3, 0, 1000});
        ASSERT_EQ(split.error, 0);
        EXPECT_TRUE(split.released);
        EXPECT_EQ(split.peaks, whole.peaks) << sizes[0];
    }
}

TEST(PeakD, AVertexIsReportedOnce) {
    const Series s = detect({3, 4, -4, 3, 1, 0, 3, 4}, 3, -100, 0, {8});
    ASSERT_EQ(s.peaks.size(), 1u);
    EXPECT_NEAR(s.peaks[0].location, 3 + 2.5 / 9, 8 * kEps);
    for (int32_t width : {3, 4, 5}) {
        const Series noise = detect(orintest::randomDoubles(20000, 40u + width), width, -10, 0, {20000});
        ASSERT_GT(noise.peaks.size(), 1000u);
        std::vector<double> where;
        for (const Peak &p : noise.peaks) where.push_back(p.location);
        std::sort(where.begin(), where.end());
        EXPECT_EQ(std::adjacent_find(where.begin(), where.end()), where.end()) << width;
    }
}

TEST(PeakD, FailuresEmptyTheOutputsAndEndTheSeries) {
    const auto x = parabola(21, 10);
    Series s = detect(x, 2, -1, 0, {21});
    EXPECT_EQ(s.error, kErrInvalidSelector);
    EXPECT_TRUE(s.released);
    s = detect(x, 5, -1, 0, {10, 3, 8});
    EXPECT_EQ(s.error, kErrPeakWidth);
    EXPECT_TRUE(s.released);

    DoubleHandle block(x), loc({1, 2}), amp({1}), d2({1});
    PeakCINState state{};
    UHandle internal = nullptr;
    int32_t error = 0;
    PeakCINControl c{block, -1, 3, 0, loc, amp, d2, 9, 0};
    PeakD(&c, &state, &internal, &error);
    EXPECT_EQ(error, kErrNoState);
    EXPECT_EQ(c.count, 0);
    EXPECT_TRUE(loc.emptied() && amp.emptied() && d2.emptied());
    // A series may not change its width.
    c.control = kPeakFirstCall;
    PeakD(&c, &state, &internal, &error);
    ASSERT_EQ(error, 0);
    ASSERT_NE(internal, nullptr);
    c.control = 0;
    c.width = 5;
    PeakD(&c, &state, &internal, &error);
    EXPECT_EQ(error, kErrNoState);
    EXPECT_EQ(internal, nullptr);
    // The internal block holds the real pointer size.
    EXPECT_EQ(InternalPeakDataSize(5), static_cast<int32_t>((40 * 5 + 24 + 3 * sizeof(double *) + 7) / 8 * 8));
}

TEST(PeakFitKit, FactorsAndInversesByResiduals) {
    const int32_t m = 7, n = 3;
    double **a = dAllocMatrix(m, n), **q = dAllocMatrix(m, n), **r = dAllocMatrix(n, n), **inv = dAllocMatrix(n, n);
    const auto v = orintest::randomDoubles(m * n, 3);
    for (int32_t i = 0; i < m; ++i)
        for (int32_t j = 0; j < n; ++j) a[i][j] = v[static_cast<size_t>(i * n + j)];
    ASSERT_EQ(dQRFactorization(a, m, n, q, r), 0);
    for (int32_t i = 0; i < m; ++i)
        for (int32_t j = 0; j < n; ++j) {
            long double qr = 0, qtq = 0;
            for (int32_t k = 0; k < n; ++k) qr += static_cast<long double>(q[i][k]) * r[k][j];
            EXPECT_NEAR(static_cast<double>(qr), a[i][j], 16 * kEps) << i << "," << j;
            if (i >= n) continue;
            for (int32_t k = 0; k < m; ++k) qtq += static_cast<long double>(q[k][i]) * q[k][j];
            EXPECT_NEAR(static_cast<double>(qtq), i == j ? 1.0 : 0.0, 16 * kEps);
            EXPECT_TRUE(i <= j || r[i][j] == 0.0);
        }
    ASSERT_EQ(dMatrixInv(r, n, inv), 0);
    for (int32_t i = 0; i < n; ++i)
        for (int32_t j = 0; j < n; ++j) {
            long double s = 0;
            for (int32_t k = 0; k < n; ++k) s += static_cast<long double>(r[i][k]) * inv[k][j];
            EXPECT_NEAR(static_cast<double>(s), i == j ? 1.0 : 0.0, 64 * kEps);
        }
    // The fit rows return the coefficients of any quadratic exactly.
    double **rows = dAllocMatrix(3, 9);
    ASSERT_EQ(dUnifPolyRinvQt(rows, 3, 9), 0);
    double window[9], coeffs[3];
    for (int32_t i = 0; i < 9; ++i) window[i] = 1.5 - 0.25 * (i - 4) + 0.125 * (i - 4) * (i - 4);
    dComputeLSQFitCoeff(window, 9, rows, coeffs, 3);
    EXPECT_NEAR(coeffs[0], 1.5, 16 * kEps);
    EXPECT_NEAR(coeffs[1], -0.25, 16 * kEps);
    EXPECT_NEAR(coeffs[2], 0.125, 16 * kEps);
    // Too few rows, and a singular matrix.
    EXPECT_EQ(dQRFactorization(a, 2, 3, q, r), kErrSingularMatrix);
    for (int32_t i = 0; i < n; ++i) r[i][1] = 2 * r[i][0];
    EXPECT_EQ(dMatrixInv(r, n, inv), kErrSingularMatrix);
    for (double **p : {a, q, r, inv, rows}) FreeMatrix(p);
    FreeNonNull(nullptr);
}

ORIN_ALLOCATION_CASE(PeakD, 16) {
    const auto x = parabola(21, 10);
    DoubleHandle block(x), loc, amp, d2;
    PeakCINState state{};
    UHandle internal = nullptr;
    int32_t error = 0;
    PeakCINControl c{block, -1, 3, 0, loc, amp, d2, 0, kPeakFirstCall | kPeakLastCall};
    const MgErr status = inj.call([&] { return PeakD(&c, &state, &internal, &error); });
    EXPECT_EQ(internal, nullptr);
    EXPECT_EQ(error, inj.failing() ? kErrOutOfMemory : 0);
    if (inj.failing()) EXPECT_TRUE(status == kMgFullErr && loc.emptied() && amp.emptied() && d2.emptied());
    else EXPECT_EQ(loc.values(), std::vector<double>{10});
}

ORIN_ALLOCATION_CASE(PeakDetector, 2) {
    DoubleHandle x({0, 5, 5, 5, 0, 5, 0});
    Int32Handle loc;
    const double four = 4;
    int32_t two = 2, count = 0, error = 0;
    const MgErr status = inj.call([&] { return PeakDetector(x, &four, &two, loc, &count, &error); });
    EXPECT_EQ(error, inj.failing() ? kErrOutOfMemory : 0);
    if (inj.failing()) EXPECT_TRUE(status != 0 && loc.emptied() && count == 0);
    else EXPECT_EQ(loc.values(), std::vector<int32_t>{1});
}
