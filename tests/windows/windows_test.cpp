// Window functions against their closed forms evaluated directly (cosl per
// sample, the Bessel function of the C++ library), their symmetries, and the
// behaviour of the entry points on failure.
#include <orin/host.h>
#include <orin/windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "support/allocation_failure.h"
#include "support/handles.h"
#include "support/reference.h"

using orintest::ComplexHandle;
using orintest::DoubleHandle;
using orintest::kEps;

namespace {

constexpr long double kPiL = 3.141592653589793238462643383279502884L;

// sum_k (-1)^k c[k] cos(2 pi k i / n), evaluated term by term.
long double cosineSumWeight(const std::vector<double> &a, bool scaled, int64_t i, int64_t n) {
    long double w = 0;
    for (size_t k = 0; k < a.size(); ++k) {
        const long double c = scaled ? static_cast<long double>(a[k]) / a[0] : a[k];
        w += (k % 2 ? -c : c) * std::cos(2 * kPiL * static_cast<long double>(k) * i / n);
    }
    return w;
}

long double absCoefficientSum(const std::vector<double> &a, bool scaled) {
    long double s = 0;
    for (double c : a) s += std::fabs(scaled ? static_cast<long double>(c) / a[0] : c);
    return s;
}

std::vector<double> ones(int n) { return std::vector<double>(static_cast<size_t>(n), 1.0); }

// The window itself: the routine applied to ones.
template <class Apply>
std::vector<double> windowOf(int n, Apply apply) {
    auto x = ones(n);
    EXPECT_EQ(apply(x.data(), n), 0) << "n=" << n;
    return x;
}

void expectSymmetricAbout(const std::vector<double> &w, int shift, const char *name) {
    // shift 0: w[n-i] = w[i] (about n/2); shift 1: w[n-1-i] = w[i].
    const int n = static_cast<int>(w.size());
    for (int i = shift ? 0 : 1; i < n; ++i) EXPECT_EQ(w[static_cast<size_t>(n - shift - i)], w[static_cast<size_t>(i)]) << name << " n=" << n << " i=" << i;
}

}  // namespace

// ---- generalized cosine window ---------------------------------------------

TEST(GenCosWin, MatchesDirectCosineSumForOddAndEvenLengths) {
    const std::vector<std::vector<double>> sets = {
        {0.5, 0.5},                                             // Hann
        {0.42, 0.5, 0.08},                                      // Blackman
        {0.21557895, 0.41663158, 0.277263158, 0.083578947, 0.006947368},  // flat top
        orintest::randomDoubles(9, 77, 0.1, 2.0),
    };
    for (const auto &a : sets) {
        const int K = static_cast<int>(a.size());
        for (int n : {1, 2, 3, 7, 8, 64, 255, 1024, 1025}) {
            for (int scaled : {0, 1}) {
                const auto x0 = orintest::randomDoubles(static_cast<size_t>(n), 100u + n, -3, 3);
                auto x = x0;
                ASSERT_EQ(GenCosWin(x.data(), n, a.data(), K, scaled), 0) << "K=" << K << " n=" << n;
                // Each rotation step rounds the phasor (b, s) a few times and
                // the rounded alpha, beta perturb the rotation by about eps
                // each, so after i steps (i <= n/2) the harmonic carries an
                // error of roughly (3 + 4i) eps of its magnitude |c_k|.
                const long double mag = absCoefficientSum(a, scaled);
                for (int i = 0; i < n; ++i) {
                    const int steps = i <= n / 2 ? i : n - i;
                    const long double ref = x0[static_cast<size_t>(i)] * cosineSumWeight(a, scaled, i, n);
                    const double bound = static_cast<double>((4 + 4.0L * steps) * kEps * mag * std::fabs(x0[static_cast<size_t>(i)]));
                    EXPECT_NEAR(x[static_cast<size_t>(i)], static_cast<double>(ref), bound)
                        << "K=" << K << " n=" << n << " scaled=" << scaled << " i=" << i;
                }
            }
        }
    }
}

TEST(GenCosWin, HannOfEightAndSymmetryAboutHalfLength) {
    const double hann[] = {0.5, 0.5};
    const auto w = windowOf(8, [&](double *x, int n) { return GenCosWin(x, n, hann, 2, 0); });
    const double expected[] = {0, 0.14644660940672624, 0.5, 0.85355339059327373, 1,
                               0.85355339059327373, 0.5, 0.14644660940672624};
    for (int i = 0; i < 8; ++i) EXPECT_NEAR(w[static_cast<size_t>(i)], expected[i], 8 * kEps) << "i=" << i;
    // Mirror samples take the very same weight, for odd and even n.
    const double blackman[] = {0.42, 0.5, 0.08};
    for (int n : {9, 10, 101, 128})
        expectSymmetricAbout(windowOf(n, [&](double *x, int m) { return GenCosWin(x, m, blackman, 3, 0); }), 0, "Blackman");
}

TEST(GenCosWin, RectangularLeavesDataUntouchedAndScalingDividesByFirstCoefficient) {
    std::vector<double> x = {1.5, NAN, -2.0, 1e300};
    const double rect[] = {1.0};
    ASSERT_EQ(GenCosWin(x.data(), 4, rect, 1, 0), 0);
    EXPECT_EQ(x[0], 1.5);
    EXPECT_TRUE(std::isnan(x[1]));
    EXPECT_EQ(x[3], 1e300);
    // Scaled: every coefficient over a[0], so {0.5, 0.5} becomes {1, 1}:
    // exactly twice the unscaled weights up to the rounding of each.
    const double hann[] = {0.5, 0.5};
    const auto plain = windowOf(16, [&](double *v, int n) { return GenCosWin(v, n, hann, 2, 0); });
    const auto scaled = windowOf(16, [&](double *v, int n) { return GenCosWin(v, n, hann, 2, 1); });
    for (size_t i = 0; i < 16; ++i) EXPECT_NEAR(scaled[i], 2 * plain[i], 8 * kEps) << "i=" << i;
    // A constant window of a[0] = 2 alone is scaled to ones.
    const double two[] = {2.0};
    EXPECT_EQ(windowOf(5, [&](double *v, int n) { return GenCosWin(v, n, two, 1, 1); }), ones(5));
    EXPECT_EQ(windowOf(5, [&](double *v, int n) { return GenCosWin(v, n, two, 1, 0); }), std::vector<double>(5, 2.0));
}

TEST(GenCosWin, ChecksCountBeforeCoefficientsAndTouchesNothingOnFailure) {
    std::vector<double> x = {1, 2, 3};
    const double hann[] = {0.5, 0.5};
    EXPECT_EQ(GenCosWin(x.data(), 0, nullptr, 0, 0), kErrTooFewSamples);
    EXPECT_EQ(GenCosWin(x.data(), -4, hann, 2, 0), kErrTooFewSamples);
    EXPECT_EQ(GenCosWin(x.data(), 3, nullptr, 2, 0), kErrEmptyArray);
    // No coefficients: nothing to read a first weight from.
    EXPECT_EQ(GenCosWin(x.data(), 3, hann, 0, 0), kErrEmptyArray);
    EXPECT_EQ(GenCosWin(x.data(), 3, hann, -1, 1), kErrEmptyArray);
    complexnum c[2] = {{1, 2}, {3, 4}};
    EXPECT_EQ(CxGenCosWin(c, 0, hann, 2, 0), kErrTooFewSamples);
    EXPECT_EQ(CxGenCosWin(c, 2, hann, 0, 0), kErrEmptyArray);
    EXPECT_EQ(x, (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(c[1].im, 4.0);
}

TEST(CxGenCosWin, WeighsBothPartsLikeTheRealWindow) {
    const double a[] = {0.35875, 0.48829, 0.14128, 0.01168};
    for (int n : {1, 6, 33}) {
        for (int scaled : {0, 1}) {
            const auto re = orintest::randomDoubles(static_cast<size_t>(n), 5u + n);
            const auto im = orintest::randomDoubles(static_cast<size_t>(n), 50u + n);
            std::vector<complexnum> c(static_cast<size_t>(n));
            for (size_t i = 0; i < c.size(); ++i) c[i] = {re[i], im[i]};
            auto wr = re, wi = im;
            ASSERT_EQ(GenCosWin(wr.data(), n, a, 4, scaled), 0);
            ASSERT_EQ(GenCosWin(wi.data(), n, a, 4, scaled), 0);
            ASSERT_EQ(CxGenCosWin(c.data(), n, a, 4, scaled), 0);
            for (size_t i = 0; i < c.size(); ++i) {
                EXPECT_EQ(c[i].re, wr[i]) << "n=" << n << " i=" << i;
                EXPECT_EQ(c[i].im, wi[i]) << "n=" << n << " i=" << i;
            }
        }
    }
}

TEST(GenCosWinEntryPoints, ReturnCodeAndKeepSignalOnFailure) {
    // Success of each form is checked with the allocation rows below.
    DoubleHandle none, coeffs({0.5, 0.5});
    DoubleHandle kept({1, 2, 3}, orintest::Placement::kUnaligned);
    EXPECT_EQ(GenCosWinH(kept, none), kErrEmptyArray);
    EXPECT_EQ(GenCosWinH(kept, nullptr), kErrEmptyArray);
    EXPECT_EQ(ScaledGenCosWinH(none, coeffs), kErrTooFewSamples);
    EXPECT_EQ(kept.values(), (std::vector<double>{1, 2, 3}));
    ComplexHandle keptC(std::vector<complexnum>{{1, 2}});
    EXPECT_EQ(ScaledCxGenCosWinH(keptC, none), kErrEmptyArray);
    EXPECT_EQ(keptC.values()[0].im, 2.0);
}

ORIN_ALLOCATION_CASE(GenCosWin, 1) {
    const double a[] = {0.5, 0.5};
    std::vector<double> x = ones(6);
    const int32_t code = inj.call([&] { return GenCosWin(x.data(), 6, a, 2, 0); });
    if (inj.failing()) {
        EXPECT_EQ(code, kErrOutOfMemory);
        EXPECT_EQ(x, ones(6)) << "no sample changes before the scratch is had";
    } else {
        EXPECT_EQ(code, 0);
        EXPECT_NEAR(x[3], 1.0, 4 * kEps);
    }
}

double realPart(double x) { return x; }
double realPart(complexnum c) { return c.re; }

// Each handle form takes its one scratch block through the core routine; a
// refusal returns -20001 and leaves the signal as it was.
template <class Block, class Element>
void checkGenCosWinHandle(orintest::Injection &inj, int32_t (*entry)(Block **, DoubleArrayHdl), Element one,
                          double middle) {
    DoubleHandle coeffs({0.5, 0.5});
    orintest::Handle<Block> x(std::vector<Element>(4, one));
    const int32_t code = inj.call([&] { return entry(x, coeffs); });
    ASSERT_EQ(x.size(), 4);
    const double value = realPart(x.values()[2]);
    if (inj.failing()) {
        EXPECT_EQ(code, kErrOutOfMemory);
        EXPECT_EQ(value, 1.0);
    } else {
        EXPECT_EQ(code, 0);
        EXPECT_NEAR(value, middle, 8 * kEps);
    }
}

ORIN_ALLOCATION_CASE(GenCosWinH, 1) { checkGenCosWinHandle(inj, GenCosWinH, 1.0, 1.0); }
ORIN_ALLOCATION_CASE(ScaledGenCosWinH, 1) { checkGenCosWinHandle(inj, ScaledGenCosWinH, 1.0, 2.0); }
ORIN_ALLOCATION_CASE(CxGenCosWinH, 1) { checkGenCosWinHandle(inj, CxGenCosWinH, complexnum{1, 1}, 1.0); }
ORIN_ALLOCATION_CASE(ScaledCxGenCosWinH, 1) { checkGenCosWinHandle(inj, ScaledCxGenCosWinH, complexnum{1, 1}, 2.0); }

// ---- cosine-tapered window -------------------------------------------------

TEST(CosTaperedWin, TapersFirstAndLastTenthSymmetrically) {
    EXPECT_EQ(windowOf(9, CosTaperedWin), ones(9));
    for (int n = 10; n <= 19; ++n) {
        auto expected = ones(n);
        expected.front() = expected.back() = 0;
        EXPECT_EQ(windowOf(n, CosTaperedWin), expected) << "n=" << n;
    }
    for (int n : {40, 47, 1000}) {
        const auto w = windowOf(n, CosTaperedWin);
        expectSymmetricAbout(w, 1, "CosTaperedWin");
        const int m = n / 10;
        for (int i = 0; i < n; ++i) {
            const int j = i < n / 2 ? i : n - 1 - i;
            const long double s = std::sin(j * kPiL / (2 * m));
            // theta is accumulated in extended precision; the sine and the
            // square add a few double roundings.
            const double ref = j < m ? static_cast<double>(s * s) : 1.0;
            EXPECT_NEAR(w[static_cast<size_t>(i)], ref, 4 * kEps) << "n=" << n << " i=" << i;
        }
    }
    std::vector<double> x;
    EXPECT_EQ(CosTaperedWin(x.data(), 0), 0);
    EXPECT_EQ(CosTaperedWin(x.data(), -20), 0);
}

// ---- exponential window ----------------------------------------------------

TEST(ExpWin, FollowsPowerOfFinalValueAndChecksArguments) {
    for (int n : {2, 3, 10, 501}) {
        for (double f : {0.01, 0.5, 3.0}) {
            const auto w = windowOf(n, [&](double *x, int m) { return ExpWin(x, m, f); });
            EXPECT_EQ(w[0], 1.0);
            for (int i = 0; i < n; ++i) {
                const long double ref = std::pow(static_cast<long double>(f), static_cast<long double>(i) / (n - 1));
                // The exponent is accumulated in extended precision (error
                // far below double), then rounded once for exp: a few eps
                // relative, plus |ln f| eps from rounding the exponent.
                EXPECT_NEAR(w[static_cast<size_t>(i)], static_cast<double>(ref),
                            (4 + std::fabs(std::log(f))) * kEps * static_cast<double>(ref))
                    << "n=" << n << " f=" << f << " i=" << i;
            }
        }
    }
    const auto x0 = orintest::randomDoubles(17, 9);
    auto x = x0;
    ASSERT_EQ(ExpWin(x.data(), 17, 1.0), 0);
    EXPECT_EQ(x, x0);
    EXPECT_EQ(ExpWin(x.data(), 1, 0.0), kErrTooFewSamples);
    EXPECT_EQ(ExpWin(x.data(), 17, 0.0), kErrFinalValue);
    EXPECT_EQ(ExpWin(x.data(), 17, -2.0), kErrFinalValue);
    EXPECT_EQ(ExpWin(x.data(), 17, NAN), kErrFinalValue);
    EXPECT_EQ(x, x0);
}

// ---- force window ----------------------------------------------------------

TEST(ForceWin, KeepsDutyFractionOfSamples) {
    struct Case {
        int n;
        double duty;
        int kept;
    };
    const Case cases[] = {{10, 50, 5}, {10, 0, 0}, {10, 100, 10}, {10, 250, 10}, {10, -5, 0}, {10, 55, 5},
                          // 29 * 0.01 * 100 is 28.999999999999996 in double
                          // arithmetic but 29.000000000000000006 in extended.
                          {100, 29, 29}, {100, 57, 57}, {1000, 0.1, 1}, {10, NAN, 0}, {10, INFINITY, 10}};
    for (const Case &c : cases) {
        auto x = windowOf(c.n, [&](double *v, int n) { return ForceWin(v, n, c.duty); });
        int kept = 0;
        while (kept < c.n && x[static_cast<size_t>(kept)] == 1.0) ++kept;
        EXPECT_EQ(kept, c.kept) << "n=" << c.n << " duty=" << c.duty;
        for (int i = kept; i < c.n; ++i) EXPECT_EQ(x[static_cast<size_t>(i)], 0.0) << "n=" << c.n << " duty=" << c.duty;
    }
    std::vector<double> one = {4.0};
    EXPECT_EQ(ForceWin(one.data(), 1, 50), kErrTooFewSamples);
    EXPECT_EQ(one[0], 4.0);
}

// ---- Kaiser-Bessel window and Io -----------------------------------------

TEST(Io, AgreesWithBesselFunctionToWhatTheSeriesDelivers) {
    // Below about x = 12 the series stops once a term is at most 1e-8; the
    // terms then fall faster than by half, so the tail left out is below
    // 1e-8 too, and the sum carries a few eps of rounding.
    for (double x : {0.0, 1e-6, 0.5, 1.0, 2.5, -3.0, 5.0, 8.0, 10.0, 12.0}) {
        const long double ref = std::cyl_bessel_i(0.0L, std::fabs(static_cast<long double>(x)));
        EXPECT_NEAR(Io(x), static_cast<double>(ref), 1e-8 + 4 * kEps * static_cast<double>(ref)) << "x=" << x;
    }
    EXPECT_EQ(Io(0.0), 1.0);
    // At x = 20 the 25-term cap ends the series early: the omitted tail,
    // sum_{k>25} (10^k/k!)^2 = 0.0701..., is 1.61e-9 of I0(20) = 4.355828e7.
    const long double ref20 = std::cyl_bessel_i(0.0L, 20.0L);
    const double rel = static_cast<double>((ref20 - Io(20.0)) / ref20);
    EXPECT_GT(rel, 1.5e-9);
    EXPECT_LT(rel, 1.7e-9);
}

TEST(KsrWin, MatchesBesselRatioAndSymmetry) {
    for (double beta : {1.0, 4.0, 8.6}) {
        const long double d = std::cyl_bessel_i(0.0L, static_cast<long double>(beta));
        for (int n : {1, 2, 3, 8, 9, 100, 257}) {
            const auto w = windowOf(n, [&](double *x, int m) { return KsrWin(x, m, beta); });
            expectSymmetricAbout(w, 0, "KsrWin");
            for (int i = 0; i < n; ++i) {
                const long double t = 1 - 2.0L * i / n;
                const long double ref = std::cyl_bessel_i(0.0L, beta * std::sqrt(1 - t * t)) / d;
                // Numerator and denominator each within 1e-8 absolute (Io
                // above), and both at least 1.
                EXPECT_NEAR(w[static_cast<size_t>(i)], static_cast<double>(ref), 2.5e-8)
                    << "beta=" << beta << " n=" << n << " i=" << i;
            }
        }
    }
}

TEST(KsrWin, ExactCasesAndEmptyCount) {
    const auto x0 = orintest::randomDoubles(10, 4);
    auto x = x0;
    ASSERT_EQ(KsrWin(x.data(), 10, 0.0), 0);
    EXPECT_EQ(x, x0) << "beta 0 gives weight 1 everywhere";
    x = x0;
    ASSERT_EQ(KsrWin(x.data(), 10, 6.0), 0);
    EXPECT_EQ(x[5], x0[5]) << "the middle sample of even n keeps weight 1";
    std::vector<double> one = {3.0};
    ASSERT_EQ(KsrWin(one.data(), 1, 5.0), 0);
    EXPECT_NEAR(one[0], 3.0 / Io(5.0), 2 * kEps * one[0]);
    EXPECT_EQ(KsrWin(one.data(), 0, 5.0), kErrEmptyArray);
}

// ---- triangle window -------------------------------------------------------

TEST(TriWin, DocumentedWeightsAndClosedForm) {
    EXPECT_EQ(windowOf(4, TriWin), (std::vector<double>{0, 0.5, 1, 0.5}));
    EXPECT_EQ(windowOf(5, TriWin), (std::vector<double>{0, 0.5, 1, 1, 0.5}));
    EXPECT_EQ(windowOf(1, TriWin), (std::vector<double>{0}));
    EXPECT_EQ(windowOf(2, TriWin), (std::vector<double>{0, 1}));
    for (int n : {6, 7, 100, 1001}) {
        const auto w = windowOf(n, TriWin);
        expectSymmetricAbout(w, 0, "TriWin");
        const int h = n / 2;
        for (int i = 0; i <= h; ++i)
            EXPECT_NEAR(w[static_cast<size_t>(i)], static_cast<double>(i) / h, kEps) << "n=" << n << " i=" << i;
    }
    std::vector<double> x;
    EXPECT_EQ(TriWin(x.data(), 0), kErrEmptyArray);
}

// ---- entry points with an error output --------------------------------------

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
            if (n == c.shortest && c.code != 0) {
                EXPECT_EQ(err, c.code) << c.name;
                EXPECT_TRUE(x.emptied()) << c.name;
            } else {
                EXPECT_EQ(err, 0) << c.name << " n=" << n;
                EXPECT_EQ(x.values(), windowOf(n, c.core)) << c.name << " n=" << n;
            }
        }
    }
}
