// Convolution, correlation and deconvolution against direct long-double
// sums, with bounds from the method: the direct path rounds each output once
// after an extended-precision sum; the FFT path carries about eps log2 N of
// ||x|| ||y|| into every output.
#include "support/prelude.h"

#include <orin/timedomain.h>

namespace {

// Bound for any output of either path: the FFT's c eps log2 N ||x|| ||y||
// (c = 8 covers the three transforms and the product), which also exceeds
// the direct path's nx eps sum |x_i y_j|-type error for these data.
double bound(const std::vector<double> &x, const std::vector<double> &y) {
    const double n = static_cast<double>(x.size() + y.size());
    return 8 * kEps * std::log2(2 * n) * static_cast<double>(norm2(x) * norm2(y));
}

void expectClose(const std::vector<double> &got, const std::vector<long double> &want, double tol) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t k = 0; k < want.size(); ++k) EXPECT_NEAR(got[k], static_cast<double>(want[k]), tol) << k;
}

TEST(Convolution, BothPathsMatchTheDirectSum) {
    // Sizes on both sides of the cost crossover, so that Convolve's own
    // choice is exercised both ways.
    const std::vector<std::pair<int, int>> sizes = {{1, 1}, {3, 5}, {17, 1}, {100, 64}, {1000, 300}, {4097, 129}};
    uint64_t seed = 20;
    for (auto [nx, ny] : sizes) {
        SCOPED_TRACE(testing::Message() << nx << " x " << ny);
        const auto x = randomDoubles(nx, seed++), y = randomDoubles(ny, seed++);
        const auto want = directConvolution(x, y), wantCorr = directConvolution({x.rbegin(), x.rend()}, y);
        const double tol = bound(x, y);
        std::vector<double> out(nx + ny - 1);
        ASSERT_EQ(Convolve(x.data(), nx, y.data(), ny, out.data()), 0);
        expectClose(out, want, tol);
        for (int32_t selector : {0, 1}) {
            DoubleHandle hx(x), hy(y), hout;
            int32_t error = -1;
            EXPECT_EQ(Convolution(hx, hy, hout, &selector, &error), 0);
            EXPECT_EQ(error, 0);
            expectClose(hout.values(), want, tol);
            EXPECT_EQ(Rxy(hx, hy, hout, &selector, &error), 0);
            EXPECT_EQ(error, 0);
            expectClose(hout.values(), wantCorr, tol);
        }
    }
}

TEST(AutoCorrelation, MatchesTheDirectSum) {
    uint64_t seed = 40;
    for (int n : {1, 2, 3, 8, 13, 64, 1000}) {
        SCOPED_TRACE(n);
        const auto x = randomDoubles(n, seed++);
        DoubleHandle h(x);
        int32_t error = -1;
        ASSERT_EQ(AutoCorrelation(h, &error), 0);
        EXPECT_EQ(error, 0);
        expectClose(h.values(), directConvolution({x.rbegin(), x.rend()}, x), bound(x, x));
    }
}

// A true rotation of the whole array, whatever its length.
TEST(AutoCorrelation, RotateMovesTheTailToTheFront) {
    for (int n : {1, 2, 3, 5, 8}) {
        for (int s : {-1, 0, 1, 2, 4, 7}) {
            std::vector<double> v(n);
            for (int i = 0; i < n; ++i) v[i] = i;
            DoubleHandle h(v);
            EXPECT_EQ(Rotate(h, s), 0);
            const int shift = ((s % n) + n) % n;
            std::vector<double> want(n);
            for (int i = 0; i < n; ++i) want[(i + shift) % n] = v[i];
            EXPECT_EQ(h.values(), want) << n << " " << s;
        }
    }
}

TEST(Deconvolution, UndoesConvolution) {
    uint64_t seed = 60;
    for (auto [nx, nh] : std::vector<std::pair<int, int>>{{3, 2}, {1, 1}, {50, 7}, {500, 33}, {1, 8}}) {
        SCOPED_TRACE(testing::Message() << nx << " by " << nh);
        const auto x = randomDoubles(nx, seed++);
        // A kernel dominated by its first tap: |H| >= 1 - 0.6 on every bin,
        // so the division amplifies rounding by at most 1/0.4 per bin.
        auto h = randomDoubles(nh, seed++, -0.6 / nh, 0.6 / nh);
        h[0] = 1.2;
        const auto yl = directConvolution(x, h);
        std::vector<double> y(yl.begin(), yl.end());
        DoubleHandle hy(y), hh(h);
        int32_t error = -1;
        ASSERT_EQ(Deconvolution(hy, hh, &error), 0);
        EXPECT_EQ(error, 0);
        EXPECT_EQ(hh.values(), h);
        const double tol = 2.5 * bound(y, h) / static_cast<double>(norm2(h)) + 4 * kEps;
        expectClose(hy.values(), std::vector<long double>(x.begin(), x.end()), tol);
    }
}

// One handle as x, y and output: both inputs are copied before the resize.
ORIN_ALLOCATION_CASE(ConvolutionInPlace, 3) {
    DoubleHandle h(std::vector<double>{1, 2});
    const int32_t selector = 0;
    int32_t error = 0;
    inj.call([&] { return Convolution(h, h, h, &selector, &error); });
    EXPECT_EQ(error, inj.failing() ? kErrOutOfMemory : 0);
    if (inj.failing()) EXPECT_TRUE(h.emptied());
    else EXPECT_EQ(h.values(), (std::vector<double>{1, 4, 4}));
}

}  // namespace
