// Peak detectors: the threshold-run detector against brute force; the
// streaming least-squares detector on exact quadratic arcs and noise, one
// call against many block splits; its fit kit by residuals.
#include <orin/timedomain.h>

#include "support/prelude.h"

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

// PeakD over x cut into blocks of the given sizes (a remainder shorter than
// a window joins the block before it), the outputs starting at the sizes.
Series detect(const std::vector<double> &x, int32_t width, double threshold, int32_t polarity,
              const std::vector<size_t> &sizes, std::vector<size_t> outputSizes = {0, 0, 0}) {
    DoubleHandle loc{std::vector<double>(outputSizes[0])}, amp{std::vector<double>(outputSizes[1])},
        d2{std::vector<double>(outputSizes[2])};
    PeakCINState state{};
    UHandle internal = nullptr;
    Series s;
    for (size_t b = 0, start = 0; start < x.size(); ++b) {
        const bool last = b + 1 >= sizes.size() || start + sizes[b] + static_cast<size_t>(width) > x.size();
        const size_t end = last ? x.size() : start + sizes[b];
        DoubleHandle block(
            std::vector<double>(x.begin() + static_cast<long>(start), x.begin() + static_cast<long>(end)));
        PeakCINControl c{block,    threshold, width,
                         polarity, loc,       amp,
                         d2,       -1,        (b == 0 ? kPeakFirstCall : 0) | (last ? kPeakLastCall : 0)};
        PeakD(&c, &state, &internal, &s.error);
        if (s.error) break;
        s.perCall.push_back(c.count);
        EXPECT_TRUE(loc.size() == c.count && amp.size() == c.count && d2.size() == c.count);
        for (size_t k = 0; k < static_cast<size_t>(c.count); ++k)
            s.peaks.push_back({loc.values()[k], amp.values()[k], d2.values()[k]});
        start = end;
    }
    s.released = internal == nullptr;
    if (internal) DSDisposeHandle(internal);
    return s;
}

// Downward arcs 5 - (t mod period - vertex)^2.
std::vector<double> arcs(int n, int period, double vertex) {
    std::vector<double> x(static_cast<size_t>(n));
    for (int t = 0; t < n; ++t) x[static_cast<size_t>(t)] = 5.0 - std::pow(t % period - vertex, 2);
    return x;
}

}  // namespace

TEST(PeakDetector, RunsAgainstBruteForce) {
    const auto noise = orintest::randomDoubles(2000, 8);
    DoubleHandle h(noise);
    Int32Handle loc;
    int32_t count = -1, error = 1;
    for (int32_t w : {1, 3}) {
        const double th = 0.2;
        std::vector<int32_t> expected;
        for (int32_t i = 0, len = 0; i <= 2000; ++i) {
            if (i < 2000 && noise[static_cast<size_t>(i)] >= th) ++len;
            else if (len >= w) expected.push_back(i - len), len = 0;
            else len = 0;
        }
        ASSERT_EQ(PeakDetector(h, &th, &w, loc, &count, &error) + error, 0);
        EXPECT_EQ(loc.values(), expected) << w;
        EXPECT_EQ(count, static_cast<int32_t>(expected.size()));
    }
}

TEST(PeakD, ExactQuadraticArcsLocatedToFractionsOfASample) {
    // The windows around a vertex lie inside one arc, where the fit is exact;
    // the coefficients carry rounding of order eps times the window's values
    // (up to 30^2), divided by the curvature 2.
    for (int32_t width : {3, 4, 7, 11}) {
        const Series s = detect(arcs(600, 30, 13.37), width, 0, 0, {600});
        ASSERT_EQ(s.peaks.size(), 20u) << width;
        for (size_t k = 0; k < 20; ++k) {
            EXPECT_NEAR(s.peaks[k].location, 30.0 * k + 13.37, 1e-9) << width << " " << k;
            EXPECT_NEAR(s.peaks[k].amplitude, 5.0, 1e-9);
            EXPECT_NEAR(s.peaks[k].second, -2.0, 1e-9);
        }
    }
    // One vertex in three blocks of 7 is reported by the second; valleys of
    // the negated arc with polarity 1; the wrong side of the threshold or the
    // wrong polarity reports nothing.
    auto x = arcs(21, 100, 10);
    const Series blocks = detect(x, 3, 0, 0, {7, 7, 7});
    EXPECT_EQ(blocks.perCall, (std::vector<int32_t>{0, 1, 0}));
    EXPECT_TRUE(detect(x, 3, 5.5, 0, {21}).peaks.empty());
    EXPECT_TRUE(detect(x, 3, 0, 1, {21}).peaks.empty());
    for (double &v : x) v = -v;
    const Series valley = detect(x, 3, 0, 1, {21});
    ASSERT_EQ(valley.peaks.size(), 1u);
    EXPECT_NEAR(valley.peaks[0].location, 10, 1e-12);
    EXPECT_NEAR(valley.peaks[0].amplitude, -5, 1e-12);
    EXPECT_NEAR(valley.peaks[0].second, 2, 1e-12);
}

TEST(PeakD, BlockSplitsGiveTheSamePeaksAsOneCallAndEachVertexOnce) {
    auto x = orintest::randomDoubles(6000, 31);
    for (size_t i = 1; i < x.size(); ++i) x[i] = 0.7 * x[i - 1] + x[i];
    const Series whole = detect(x, 9, 0.1, 0, {6000});
    ASSERT_GT(whole.peaks.size(), 200u);
    std::mt19937_64 gen(5);
    std::vector<size_t> random(60);
    for (size_t &v : random) v = 9 + gen() % 700;
    for (const auto &sizes : {std::vector<size_t>(700, 9), std::vector<size_t>(6, 1000), random}) {
        // The outputs start short and unequal: all three must grow.
        const Series split = detect(x, 9, 0.1, 0, sizes, {3, 0, 1000});
        EXPECT_TRUE(split.error == 0 && split.released);
        EXPECT_EQ(split.peaks, whole.peaks) << sizes[0];
    }
    // The look-back to the previous window must not report its vertex again.
    const Series s = detect({3, 4, -4, 3, 1, 0, 3, 4}, 3, -100, 0, {8});
    ASSERT_EQ(s.peaks.size(), 1u);
    EXPECT_NEAR(s.peaks[0].location, 3 + 2.5 / 9, 1e-15);
}

TEST(PeakD, FailuresEmptyTheOutputsAndEndTheSeries) {
    const auto x = arcs(21, 100, 10);
    EXPECT_EQ(detect(x, 2, 0, 0, {21}).error, kErrInvalidSelector);
    const Series shortBlock = detect(x, 5, 0, 0, {10, 3, 8});
    EXPECT_TRUE(shortBlock.error == kErrPeakWidth && shortBlock.released);
    DoubleHandle block(x), loc({1, 2}), amp({1}), d2({1});
    PeakCINState state{};
    UHandle internal = nullptr;
    int32_t error = 0;
    PeakCINControl c{block, 0, 3, 0, loc, amp, d2, 9, 0};
    PeakD(&c, &state, &internal, &error);  // no first call
    EXPECT_TRUE(error == kErrNoState && c.count == 0 && loc.emptied() && amp.emptied() && d2.emptied());
    c.control = kPeakFirstCall;
    PeakD(&c, &state, &internal, &error);
    ASSERT_TRUE(error == 0 && internal != nullptr);
    c.control = 0;
    // Nor be continued on another series' block.
    UHandle other = nullptr;
    ASSERT_EQ(AllocPeakCINData(5, &other), 0);
    PeakD(&c, &state, &other, &error);
    EXPECT_TRUE(error == kErrNoState && other == nullptr);
    c.width = 5;  // a series may not change its width
    PeakD(&c, &state, &internal, &error);
    EXPECT_TRUE(error == kErrNoState && internal == nullptr);
    // A block whose size cannot be counted; a refused resize keeps the old block.
    c.width = INT32_MAX;
    c.control = kPeakFirstCall;
    EXPECT_EQ(PeakD(&c, &state, &internal, &error), kMgFullErr);
    EXPECT_TRUE(error == kErrOutOfMemory && internal == nullptr);
    UHandle kept = DSNewHandle(4);
    int32_t word = 77;
    std::memcpy(*kept, &word, 4);
    OrinHostFailAllocation(1);
    EXPECT_EQ(AllocPeakCINData(3, &kept), kErrOutOfMemory);
    OrinHostFailAllocation(0);
    std::memcpy(&word, *kept, 4);
    EXPECT_EQ(word, 77) << "the old block, untouched";
    DSDisposeHandle(kept);
    // The internal block holds the real pointer size; 0 for a width below 1
    // or a size beyond int32.
    EXPECT_EQ(InternalPeakDataSize(5), static_cast<int32_t>((40 * 5 + 24 + 3 * sizeof(double *) + 7) / 8 * 8));
    EXPECT_TRUE(InternalPeakDataSize(0) == 0 && InternalPeakDataSize(INT32_MAX / 40) == 0);
}

TEST(PeakFitKit, FactorsAndInversesByResiduals) {
    const int32_t m = 7, n = 3;
    const double eps = orintest::kEps;
    double **a = dAllocMatrix(m, n), **q = dAllocMatrix(m, n), **r = dAllocMatrix(n, n), **inv = dAllocMatrix(n, n);
    const auto v = orintest::randomDoubles(m * n, 3);
    for (int32_t i = 0; i < m * n; ++i) a[i / n][i % n] = v[static_cast<size_t>(i)];
    ASSERT_EQ(dQRFactorization(a, m, n, q, r), 0);
    ASSERT_EQ(dMatrixInv(r, n, inv), 0);
    for (int32_t i = 0; i < m; ++i)
        for (int32_t j = 0; j < n; ++j) {
            long double qr = 0, qtq = 0, rinv = 0;
            for (int32_t k = 0; k < n; ++k) qr += static_cast<long double>(q[i][k]) * r[k][j];
            EXPECT_NEAR(static_cast<double>(qr), a[i][j], 16 * eps) << i << "," << j;
            if (i >= n) continue;
            for (int32_t k = 0; k < m; ++k) qtq += static_cast<long double>(q[k][i]) * q[k][j];
            for (int32_t k = 0; k < n; ++k) rinv += static_cast<long double>(r[i][k]) * inv[k][j];
            EXPECT_NEAR(static_cast<double>(qtq), i == j, 16 * eps);
            EXPECT_NEAR(static_cast<double>(rinv), i == j, 64 * eps);
            EXPECT_TRUE(i <= j || r[i][j] == 0.0);
        }
    EXPECT_EQ(dQRFactorization(a, 2, 3, q, r), kErrSingularMatrix);  // more columns than rows
    EXPECT_EQ(_dQRFactorization(a, 2, 3, inv[0]), kErrSingularMatrix);
    EXPECT_EQ(dMatrixInv(r, 0, inv), kErrSingularMatrix);
    EXPECT_EQ(dUnifPolyRinvQt(q, 3, 2), kErrSingularMatrix);  // order above width
    for (int32_t i = 0; i < m; ++i) a[i][1] = 0;              // a zero column has no reflection
    EXPECT_EQ(dQRFactorization(a, m, n, q, r), kErrSingularMatrix);
    for (int32_t i = 0; i < n; ++i) r[i][1] = 2 * r[i][0];
    EXPECT_EQ(dMatrixInv(r, n, inv), kErrSingularMatrix);
    for (double **p : {a, q, r, inv}) FreeMatrix(p);
}

ORIN_ALLOCATION_CASE(PeakD, 16) {
    DoubleHandle block(arcs(21, 100, 10)), loc, amp, d2;
    PeakCINState state{};
    UHandle internal = nullptr;
    int32_t error = 0;
    PeakCINControl c{block, 0, 3, 0, loc, amp, d2, 0, kPeakFirstCall | kPeakLastCall};
    const MgErr status = inj.call([&] { return PeakD(&c, &state, &internal, &error); });
    EXPECT_EQ(internal, nullptr);
    EXPECT_EQ(error, inj.failing() ? kErrOutOfMemory : 0);
    if (inj.failing()) EXPECT_TRUE(status == kMgFullErr && loc.emptied() && amp.emptied() && d2.emptied());
    else EXPECT_EQ(loc.values(), std::vector<double>{10});
}

// The state header is the caller's: a later call whose counters no series
// can have reached is refused before the history fill indexes by them, and
// a series whose windows would pass INT32_MAX is refused rather than
// numbered with a wrapped (negative) index.
TEST(PeakD, StateCountersOutsideWhatASeriesReachesAreRefused) {
    const auto x = arcs(21, 100, 10);  // one peak, at 10
    // After a first call of 21 samples with width 3: 3 samples of history,
    // 18 windows fitted. The second call (the last) fits 22 more.
    struct Tamper {
        int32_t history, fits, code;
    };
    const int32_t N = INT32_MAX - 22;
    const Tamper cases[] = {{INT32_MIN, 18, kErrNoState}, {-1, 18, kErrNoState},          {4, 18, kErrNoState},
                            {3, INT32_MIN, kErrNoState},  {3, N + 1, kErrTooManySamples}, {3, N, 0}};
    for (const Tamper &t : cases) {
        SCOPED_TRACE(testing::Message() << "history " << t.history << ", fits " << t.fits);
        DoubleHandle block(x), loc, amp, d2;
        PeakCINState state{};
        UHandle internal = nullptr;
        int32_t error = -1;
        PeakCINControl c{block, 0, 3, 0, loc, amp, d2, 0, kPeakFirstCall};
        PeakD(&c, &state, &internal, &error);
        ASSERT_TRUE(error == 0 && state.historyCount == 3 && state.fitsDone == 18);
        state.historyCount = t.history;
        state.fitsDone = t.fits;
        c.control = kPeakLastCall;
        PeakD(&c, &state, &internal, &error);
        EXPECT_EQ(error, t.code);
        EXPECT_EQ(internal, nullptr);
        if (t.code) {
            EXPECT_TRUE(c.count == 0 && loc.emptied());
        } else {
            // Up to INT32_MAX the numbering holds: block sample 10 is window
            // 12 of the call, global index fits + 12 + 1.
            EXPECT_EQ(state.fitsDone, INT32_MAX);
            ASSERT_EQ(c.count, 1);
            EXPECT_NEAR(loc.values()[0], N + 13.0, 1e-6);
        }
    }
}
