// Hartley and Hilbert handles, power and cross spectra: closed forms, the
// direct DFT as reference, and the length limits.
#include "support/prelude.h"

#include <orin/transforms.h>

#include "dft_reference.h"

namespace {

std::vector<double> tone(int32_t n, int32_t k, bool sine, double amplitude = 1.0) {
    std::vector<double> x(n);
    for (int32_t t = 0; t < n; ++t) {
        const long double a = 2 * kPiL * ((static_cast<int64_t>(k) * t) % n) / n;
        x[t] = static_cast<double>(amplitude * (sine ? std::sin(a) : std::cos(a)));
    }
    return x;
}

}  // namespace

TEST(HartleyHandles, FHTHTwiceScalesByNAndInvFHTHUndoes) {
    const auto x = randomDoubles(32, 32);
    DoubleHandle h(x, Placement::kUnaligned);
    // FHTH FHTH = n, then FHTH InvFHTH = identity on that.
    for (bool inverse : {false, true}) {
        ASSERT_EQ(FHTH(h), 0);
        ASSERT_EQ(inverse ? InvFHTH(h) : FHTH(h), 0);
        for (int32_t i = 0; i < 32; ++i)
            EXPECT_NEAR(h.values()[i], 32 * x[i], 32 * logBound(4, 32)) << inverse << " " << i;
    }
    DoubleHandle six(std::vector<double>(6, 1.0));
    EXPECT_EQ(FHTH(six), kErrNotPowerOfTwo);
}

TEST(Hilbert, TurnsCosinesIntoSinesOnBothPaths) {
    for (int32_t n : {8, 64, 1024, 6, 15, 100, 257}) {
        const double tol = roundTripBound(n);
        int32_t err = -1;
        for (int32_t k : {1, (n - 1) / 2}) {
            DoubleHandle c(tone(n, k, false)), s(tone(n, k, true));
            ASSERT_EQ(Hilbert(c, &err), 0);
            ASSERT_EQ(err, 0);
            EXPECT_LT(relativeRms(c.values(), tone(n, k, true)), tol) << "cos n=" << n << " k=" << k;
            ASSERT_EQ(Hilbert(s, &err), 0);
            EXPECT_LT(relativeRms(s.values(), tone(n, k, false, -1.0)), tol) << "sin n=" << n << " k=" << k;
        }
        // DC and (even n) the alternating Nyquist signal vanish; the error is
        // absolute here, relative to the inputs' norms 3 sqrt(n) and sqrt(n).
        std::vector<double> alt(n);
        for (int32_t t = 0; t < n; ++t) alt[t] = t % 2 ? -1.0 : 1.0;
        DoubleHandle a(std::vector<double>(n, 3.0)), b(alt);
        Hilbert(a, &err);
        EXPECT_LT(norm2(a.values()), 3 * std::sqrt(n) * tol) << n;
        if (n % 2) continue;
        Hilbert(b, &err);
        EXPECT_LT(norm2(b.values()), std::sqrt(n) * tol) << n;
    }
}

TEST(Hilbert, TwoSamplesGiveZerosAndTheLengthLimitIsAPowerOfTwo) {
    int32_t err = -1;
    DoubleHandle two({1.0, 5.0});
    EXPECT_EQ(Hilbert(two, &err), 0);
    EXPECT_EQ(err, 0);
    EXPECT_EQ(two.values(), std::vector<double>(2));
    for (int32_t n : {262143, 524288}) {
        if (kReducedSuite && n > 262143) continue;
        DoubleHandle h(randomDoubles(n, n));
        ASSERT_EQ(Hilbert(h, &err), 0);
        EXPECT_EQ(err, 0) << n;
        EXPECT_EQ(h.size(), n) << n;
    }
}

TEST(Spectrum, ClosedFormsAndDirectDft) {
    int32_t err = -1;
    DoubleHandle three({3.0}), pair({1.0, 0.0});
    ASSERT_EQ(Spectrum(three, &err), 0);
    EXPECT_EQ(err, 0);
    EXPECT_EQ(three.values(), std::vector<double>{9.0});  // squared once, not twice
    // Length two: the only length whose real transform is the butterfly alone.
    Spectrum(pair, &err);
    EXPECT_EQ(pair.values(), (std::vector<double>{0.25, 0.25}));

    for (int32_t n : {8, 256, 6, 15, 211}) {
        const auto x = randomDoubles(n, 90 + n);
        const auto X = directDFT(x);
        DoubleHandle h(x);
        Spectrum(h, &err);
        std::vector<double> want(n);
        for (int32_t k = 0; k < n; ++k) want[k] = static_cast<double>(std::norm(X[k]) / (1.0L * n * n));
        // |X|^2 doubles the relative error of X.
        EXPECT_LT(relativeRms(h.values(), want), 2 * forwardBound(n) + logBound(1, n)) << n;
        const auto v = h.values();
        for (int32_t k = 1; k < n; ++k) ASSERT_EQ(v[k], v[n - k]) << n << " " << k;
    }
}

TEST(CrossPower, MatchesConjXTimesYOverNSquared) {
    for (auto [nx, ny] : std::vector<std::pair<int32_t, int32_t>>{{8, 8}, {6, 8}, {64, 50}, {15, 15}, {6, 7}}) {
        const auto x = randomDoubles(nx, nx), y = randomDoubles(ny, 1000 + ny);
        const int32_t n = std::max(nx, ny);
        auto px = x, py = y;
        px.resize(n, 0.0), py.resize(n, 0.0);
        const auto X = directDFT(px), Y = directDFT(py);
        std::vector<LCx> want(n);
        for (int32_t k = 0; k < n; ++k) want[k] = std::conj(X[k]) * Y[k] / (1.0L * n * n);
        DoubleHandle hx(x), hy(y);
        int32_t err = -1;
        ASSERT_EQ(CrossPowerCIN(hx, hy, &err), 0);
        ASSERT_EQ(err, 0);
        ASSERT_TRUE(hx.size() == n && hy.size() == n) << nx << " " << ny;
        const auto re = hx.values(), im = hy.values();
        EXPECT_LT(relativeRms(re, im, want), 2 * forwardBound(n) + logBound(1, n)) << nx << " " << ny;
        EXPECT_EQ(im[0], 0.0);
        for (int32_t k = 1; k < n; ++k) ASSERT_TRUE(re[n - k] == re[k] && im[n - k] == -im[k]) << n << " " << k;
    }
    // Length one (the kernel alone reaches it): multiplied once.
    double v = -3, w = 2;
    Sxy_FFT(&v, &w, 1, 0);
    EXPECT_TRUE(v == -6 && w == 0);
}

// The length limits of the handle routines: the code, every array emptied,
// nothing leaked (an empty spectrum is the sweep's EmptyInputs, one past
// Spectrum's stated maximum its StatedMaxima).
// A table, one entry per line:
// clang-format off
ORIN_CONTRACT_TABLE(Spectra) {
    const auto filled = [](Contract &c, int32_t n) { return c.output(std::vector<double>(n, 1.0)); };
    return {
        ORIN_ROW(kErrTooFewSamples, Hilbert(filled(c, 1), e)),
        ORIN_ROW(kErrTooManySamples, Hilbert(filled(c, 262145), e)),  // 2^18 + 1
        ORIN_ROW(kErrTooManySamples, Hilbert(filled(c, 524289), e)),  // 2^19 + 1
        ORIN_ROW(kErrTooFewSamples, CrossPowerCIN(filled(c, 1), filled(c, 3), e)),
        ORIN_ROW(kErrTooManySamples, CrossPowerCIN(filled(c, 2), filled(c, 8388608), e)),  // 2^23
    };
}
// clang-format on
