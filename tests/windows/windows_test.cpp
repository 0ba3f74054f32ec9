// Window functions against their closed forms at every sample (cosl, the
// Bessel function of the C++ library), mirror samples equal bit for bit
// (symmetric about n/2; the cosine taper about (n-1)/2), and the entry points
// on failure.
#include <orin/host.h>
#include <orin/windows.h>

#include "support/prelude.h"

namespace {

std::vector<double> ones(int n) { return std::vector<double>(static_cast<size_t>(n), 1.0); }

// The window itself: the routine applied to ones.
template <class Apply>
std::vector<double> windowOf(int n, Apply apply) {
    auto x = ones(n);
    EXPECT_EQ(apply(x.data(), n), 0) << "n=" << n;
    return x;
}

}  // namespace

// ---- generalized cosine window ---------------------------------------------

TEST(GenCosWin, MatchesDirectCosineSumAndComplexFormWeighsBothParts) {
    const std::vector<std::vector<double>> sets = {{0.5, 0.5},
                                                   {0.21557895, 0.41663158, 0.277263158, 0.083578947, 0.006947368},
                                                   orintest::randomDoubles(9, 77, 0.1, 2.0)};
    for (const auto &a : sets) {
        const int K = static_cast<int>(a.size());
        for (int n : {1, 2, 7, 8, 255, 1024}) {
            for (int scaled : {0, 1}) {
                // Data symmetric about n/2, so that the window's mirror samples,
                // both from one computed weight, give equal products bit for bit.
                auto x0 = orintest::randomDoubles(static_cast<size_t>(n), 100u + n, -3, 3);
                for (int i = n / 2 + 1; i < n; ++i) x0[static_cast<size_t>(i)] = x0[static_cast<size_t>(n - i)];
                auto x = x0;
                std::vector<complexnum> c(x0.size());
                for (size_t i = 0; i < c.size(); ++i) c[i] = {x0[i], -2 * x0[i]};
                ASSERT_EQ(GenCosWin(x.data(), n, a.data(), K, scaled), 0) << "K=" << K << " n=" << n;
                ASSERT_EQ(CxGenCosWin(c.data(), n, a.data(), K, scaled), 0) << "K=" << K << " n=" << n;
                std::vector<long double> c_k(a.size());  // signed, scaled coefficients
                long double mag = 0;
                for (size_t k = 0; k < a.size(); ++k) {
                    c_k[k] = (k % 2 ? -1.0L : 1.0L) * (scaled ? static_cast<long double>(a[k]) / a[0] : a[k]);
                    mag += std::fabs(c_k[k]);
                }
                // Each rotation step rounds the phasor and perturbs the
                // rotation by about eps: after i <= n/2 steps, (3 + 4i) eps
                // of every |c_k|.
                for (int i = 0; i < n; ++i) {
                    long double w = 0;
                    for (size_t k = 0; k < a.size(); ++k)
                        w += c_k[k] * std::cos(2 * kPiL * static_cast<long double>(k) * i / n);
                    const size_t j = static_cast<size_t>(i);
                    const long double steps = i <= n / 2 ? i : n - i;
                    EXPECT_NEAR(x[j], static_cast<double>(x0[j] * w),
                                static_cast<double>((4 + 4 * steps) * kEps * mag * std::fabs(x0[j])))
                        << "K=" << K << " n=" << n << " scaled=" << scaled << " i=" << i;
                    EXPECT_TRUE(c[j].re == x[j] && c[j].im == -2 * x[j])
                        << "complex K=" << K << " n=" << n << " i=" << i;
                    EXPECT_EQ(x[j], x[static_cast<size_t>((n - i) % n)])
                        << "mirror K=" << K << " n=" << n << " i=" << i;
                }
            }
        }
    }
}

TEST(GenCosWin, RectangularLeavesDataUntouchedAndFailuresTouchNothing) {
    std::vector<double> x = {1.5, NAN, 1e300};
    const double rect[] = {1.0}, hann[] = {0.5, 0.5};
    ASSERT_EQ(GenCosWin(x.data(), 3, rect, 1, 0), 0);
    EXPECT_TRUE(x[0] == 1.5 && std::isnan(x[1]) && x[2] == 1e300);
    // The count is checked before the coefficients. (The handle forms give
    // their core's code and keep the signal: the allocation cases below.)
    x = {1, 2, 3};
    complexnum c[2] = {{1, 2}, {3, 4}};
    const int32_t codes[][2] = {{GenCosWin(x.data(), 0, nullptr, 0, 0), kErrTooFewSamples},
                                {GenCosWin(x.data(), 3, nullptr, 2, 0), kErrEmptyArray},
                                {GenCosWin(x.data(), 3, hann, 0, 0), kErrEmptyArray},
                                {CxGenCosWin(c, 2, hann, -1, 1), kErrEmptyArray}};
    for (size_t i = 0; i < std::size(codes); ++i) EXPECT_EQ(codes[i][0], codes[i][1]) << "row " << i;
    EXPECT_EQ(x, (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(c[1].im, 4.0);
}

double realPart(double x) { return x; }
double realPart(complexnum c) { return c.re; }

// Each handle form takes its one scratch block through the core routine.
template <class Block, class Element>
void checkGenCosWinHandle(orintest::Injection &inj, int32_t (*entry)(Block **, DoubleArrayHdl), Element one,
                          double middle) {
    DoubleHandle coeffs({0.5, 0.5});
    orintest::Handle<Block> x(std::vector<Element>(4, one));
    EXPECT_EQ(inj.call([&] { return entry(x, coeffs); }), inj.failing() ? kErrOutOfMemory : 0);
    ASSERT_EQ(x.size(), 4);
    EXPECT_NEAR(realPart(x.values()[2]), inj.failing() ? 1.0 : middle, 8 * kEps);
}

ORIN_ALLOCATION_CASE(GenCosWinH, 1) { checkGenCosWinHandle(inj, GenCosWinH, 1.0, 1.0); }
ORIN_ALLOCATION_CASE(ScaledGenCosWinH, 1) { checkGenCosWinHandle(inj, ScaledGenCosWinH, 1.0, 2.0); }
ORIN_ALLOCATION_CASE(CxGenCosWinH, 1) { checkGenCosWinHandle(inj, CxGenCosWinH, complexnum{1, 1}, 1.0); }
ORIN_ALLOCATION_CASE(ScaledCxGenCosWinH, 1) { checkGenCosWinHandle(inj, ScaledCxGenCosWinH, complexnum{1, 1}, 2.0); }

// ---- the other windows -------------------------------------------------------

TEST(CosTaperedWin, TapersFirstAndLastTenthSymmetrically) {
    EXPECT_EQ(windowOf(9, CosTaperedWin), ones(9));
    for (int n : {19, 47, 1000}) {
        const auto w = windowOf(n, CosTaperedWin);
        const int m = n / 10;
        for (int i = 0; i < n; ++i) {
            const int j = i < n / 2 ? i : n - 1 - i;
            const long double s = std::sin(j * kPiL / (2 * m));
            // A few double roundings in the sine and the square.
            EXPECT_NEAR(w[static_cast<size_t>(i)], j < m ? static_cast<double>(s * s) : 1.0, 4 * kEps)
                << "n=" << n << " i=" << i;
            EXPECT_EQ(w[static_cast<size_t>(i)], w[static_cast<size_t>(n - 1 - i)]) << "mirror n=" << n << " i=" << i;
        }
    }
}

TEST(ExpWin, FollowsPowerOfFinalValueAndChecksArguments) {
    for (int n : {2, 501}) {
        for (double f : {0.01, 3.0}) {
            const auto w = windowOf(n, [&](double *x, int m) { return ExpWin(x, m, f); });
            for (int i = 0; i < n; ++i) {
                const double ref =
                    static_cast<double>(std::pow(static_cast<long double>(f), static_cast<long double>(i) / (n - 1)));
                // The exponent is rounded once for exp: a few eps plus |ln f| eps, relative.
                EXPECT_NEAR(w[static_cast<size_t>(i)], ref, (4 + std::fabs(std::log(f))) * kEps * ref)
                    << "n=" << n << " f=" << f << " i=" << i;
            }
        }
    }
    auto x = ones(17);
    EXPECT_EQ(ExpWin(x.data(), 1, 0.0), kErrTooFewSamples);
    for (double bad : {0.0, -2.0, double(NAN)}) EXPECT_EQ(ExpWin(x.data(), 17, bad), kErrFinalValue) << bad;
    EXPECT_EQ(x, ones(17));
}

TEST(ForceWin, KeepsDutyFractionOfSamples) {
    // 29 * 0.01 * 100 is 28.999999999999996 in double arithmetic, 29 in extended.
    const double cases[][3] = {{10, 55, 5},   {10, 0, 0},     {10, 250, 10}, {10, -5, 0},
                               {100, 29, 29}, {1000, 0.1, 1}, {10, NAN, 0},  {10, INFINITY, 10}};
    for (const auto &c : cases) {
        const int n = static_cast<int>(c[0]);
        auto expected = ones(n);
        std::fill(expected.begin() + static_cast<int>(c[2]), expected.end(), 0.0);
        EXPECT_EQ(windowOf(n, [&](double *v, int m) { return ForceWin(v, m, c[1]); }), expected)
            << "n=" << n << " duty=" << c[1];
    }
}

TEST(KsrWin, IoAndWindowMatchBesselFunction) {
    // Up to x = 12 the terms fall faster than by half once below 1e-8, so the
    // tail left out is below 1e-8 too.
    for (double x : {0.0, 1e-6, 1.0, -3.0, 8.0, 12.0}) {
        const double ref = static_cast<double>(std::cyl_bessel_i(0.0L, std::fabs(static_cast<long double>(x))));
        EXPECT_NEAR(Io(x), ref, 1e-8 + 4 * kEps * ref) << "x=" << x;
    }
    // At x = 20 the 25-term cap leaves out sum_{k>25} (10^k/k!)^2 = 0.0701, 1.61e-9 of I0(20).
    const long double ref20 = std::cyl_bessel_i(0.0L, 20.0L);
    const double rel = static_cast<double>((ref20 - Io(20.0)) / ref20);
    EXPECT_TRUE(rel > 1.5e-9 && rel < 1.7e-9) << rel;
    for (double beta : {0.0, 4.0, 8.6}) {
        for (int n : {1, 2, 9, 100}) {
            const auto w = windowOf(n, [&](double *x, int m) { return KsrWin(x, m, beta); });
            for (int i = 0; i < n; ++i) {
                const long double t = 1 - 2.0L * i / n;
                const long double ref = std::cyl_bessel_i(0.0L, beta * std::sqrt(1 - t * t)) /
                                        std::cyl_bessel_i(0.0L, static_cast<long double>(beta));
                // Numerator and denominator each within 1e-8 and at least 1.
                EXPECT_NEAR(w[static_cast<size_t>(i)], static_cast<double>(ref), 2.5e-8)
                    << "beta=" << beta << " n=" << n << " i=" << i;
                EXPECT_EQ(w[static_cast<size_t>(i)], w[static_cast<size_t>((n - i) % n)])
                    << "mirror n=" << n << " i=" << i;
            }
        }
    }
}

TEST(TriWin, DocumentedWeightsAndClosedForm) {
    EXPECT_EQ(windowOf(1, TriWin), (std::vector<double>{0}));
    for (int n : {6, 1001}) {
        const auto w = windowOf(n, TriWin);
        for (int i = 0; i < n; ++i) {  // symmetric about n/2, bit for bit
            EXPECT_NEAR(w[static_cast<size_t>(i)], static_cast<double>(std::min(i, n - i)) / (n / 2), kEps)
                << "n=" << n << " i=" << i;
            EXPECT_EQ(w[static_cast<size_t>(i)], w[static_cast<size_t>((n - i) % n)]) << "mirror n=" << n << " i=" << i;
        }
    }
}

TEST(WindowEntryPoints, ApplyTheCoreWindowOrEmptyTheSignal) {
    const double final = 0.5, duty = 50, beta = 3;
    struct Case {
        const char *name;
        std::function<int32_t(DoubleArrayHdl, int32_t *)> entry;
        std::function<int32_t(double *, int)> core;
        int shortest;  // a count the core refuses, with the code it gives
        int32_t code;
    };
    const Case cases[] = {
        {"CosTapered", CosTapered, CosTaperedWin, 0, 0},
        {"ExpWindCIN", [&](DoubleArrayHdl x, int32_t *e) { return ExpWindCIN(x, &final, e); },
         [&](double *x, int n) { return ExpWin(x, n, final); }, 1, kErrTooFewSamples},
        {"ForceWindCIN", [&](DoubleArrayHdl x, int32_t *e) { return ForceWindCIN(x, &duty, e); },
         [&](double *x, int n) { return ForceWin(x, n, duty); }, 1, kErrTooFewSamples},
        {"Kaiser_Bessel", [&](DoubleArrayHdl x, int32_t *e) { return Kaiser_Bessel(x, &beta, e); },
         [&](double *x, int n) { return KsrWin(x, n, beta); }, 0, kErrEmptyArray},
        {"TriangleWin", TriangleWin, TriWin, 0, kErrEmptyArray},
    };
    for (const Case &c : cases) {
        for (int n : {c.shortest, 20}) {
            DoubleHandle x(ones(n), orintest::Placement::kUnaligned);
            int32_t err = 77;
            EXPECT_EQ(c.entry(x, &err), 0) << c.name;
            const bool refused = n == c.shortest && c.code != 0;
            EXPECT_EQ(err, refused ? c.code : 0) << c.name << " n=" << n;
            if (refused) EXPECT_TRUE(x.emptied()) << c.name;
            else EXPECT_EQ(x.values(), windowOf(n, c.core)) << c.name << " n=" << n;
        }
    }
}
