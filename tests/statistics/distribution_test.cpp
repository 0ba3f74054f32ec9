// Distribution functions and inverses against independent long-double
// references (distribution_reference.h) at the accuracy each method
// promises, closed forms, and the checks in their documented order.
#include <dlfcn.h>
#include <orin/statistics.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "distribution_reference.h"
#include "support/contract.h"
#include "support/handles.h"
#include "support/reference.h"

using orintest::isIDNaN;
using orintest::kEps;
namespace ref = orintest::ref;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

using ref::kBetaBudget;
using ref::kNormalBudget;
// Bisection brackets after the last halving: 20000 / 2^28 for t, and
// 10000 / 2^27 for chi-square and F.
const double kTBracket = 20000 / std::ldexp(1.0, 28);
const double kWideBracket = 10000 / std::ldexp(1.0, 27);

// The library's own erf, looked up in the library itself: a plain call in
// this file could be folded by the compiler or bound to another erf.
using ErfFn = double (*)(double);
ErfFn libraryErf() {
    void *lib = dlopen(ORIN_LIBRARY_PATH, RTLD_NOW | RTLD_NOLOAD);
    if (!lib) return nullptr;
    auto fn = reinterpret_cast<ErfFn>(dlsym(lib, "erf"));
    dlclose(lib);
    return fn;
}

}  // namespace

TEST(Erf, SeriesMatchesTheCLibraryWithinItsStoppingTolerance) {
    const ErfFn libErf = libraryErf();
    ASSERT_NE(libErf, nullptr);
    // The series stops once a term changes the sum by at most 1e-15; the term
    // ratio 2x^2/j is below 1/2 by then, so the neglected tail is below
    // 1e-15, plus half an ulp of rounding.
    for (double x = 0; x < 5.74; x += 0.0173) {
        const long double expected = std::erf(static_cast<long double>(x));
        EXPECT_NEAR(libErf(x), static_cast<double>(expected), 1e-15 + kEps / 2) << "x=" << x;
        EXPECT_EQ(libErf(-x), -libErf(x)) << "odd at x=" << x;
    }
    EXPECT_EQ(libErf(6), 1.0);
    EXPECT_EQ(libErf(kInf), 1.0);
    EXPECT_EQ(libErf(-kInf), -1.0);
    EXPECT_TRUE(std::isnan(libErf(kNaN)));
    EXPECT_TRUE(std::signbit(libErf(-0.0)));
}

TEST(Erf, TheLibraryAndItsEntryPointUseTheLibrarysSeries) {
    // Between 5.73549679497 and about 5.9 the library's erf is exactly 1,
    // while the correctly rounded erf is the double just below 1: a value
    // that tells the two functions apart.
    const ErfFn libErf = libraryErf();
    ASSERT_NE(libErf, nullptr);
    for (double x : {5.7355, 5.8, 5.85}) {
        ASSERT_LT(static_cast<double>(std::erf(static_cast<long double>(x))), 1.0) << "x=" << x;
        EXPECT_EQ(libErf(x), 1.0) << "x=" << x;
        double viaHandle = 0;
        ASSERT_EQ(Erf_h(&x, &viaHandle), 0);
        EXPECT_EQ(viaHandle, 1.0) << "x=" << x;
    }
    // Just below the cut the series value is used.
    const double below = 5.7354;
    double viaHandle = 0;
    Erf_h(&below, &viaHandle);
    EXPECT_EQ(viaHandle, libErf(below));
    EXPECT_LT(viaHandle, 1.0);
}

TEST(Erf, EntryPointHandsBackANaNBitForBit) {
    const uint64_t bits = 0xFFF800000000ABCDull;  // negative quiet NaN with a payload
    double x, out = 0;
    std::memcpy(&x, &bits, sizeof x);
    ASSERT_EQ(Erf_h(&x, &out), 0);
    uint64_t outBits;
    std::memcpy(&outBits, &out, sizeof out);
    EXPECT_EQ(outBits, bits);
}

TEST(NDist, WithinTheApproximationsBudgetAndItsValueAtZero) {
    for (double x = -9; x <= 9; x += 0.0137) {
        double p = -1;
        ASSERT_EQ(N_Dist(x, &p), 0);
        EXPECT_NEAR(p, static_cast<double>(ref::normalCdf(x)), kNormalBudget) << "x=" << x;
        double viaHandle = -1;
        ASSERT_EQ(NormDist_head(&x, &viaHandle), 0);
        EXPECT_EQ(viaHandle, p) << "x=" << x;
    }
    // At x = 0 (t = 1) the approximation gives 1 - 0.3989422 * (0.4361836 -
    // 0.1201676 + 0.937298), not exactly 1/2.
    double p = 0;
    N_Dist(0, &p);
    EXPECT_NEAR(p, 1 - 0.3989422L * (0.4361836L - 0.1201676L + 0.937298L), 1e-16);
    EXPECT_NEAR(p, 0.5000001555, 5e-11);
    N_Dist(kInf, &p);
    EXPECT_EQ(p, 1.0);
    N_Dist(-kInf, &p);
    EXPECT_EQ(p, 0.0);
}

TEST(GammLn, LanczosAgainstTheCLibrary) {
    // Press et al. give |error| < 2e-10 for the six-term series; the 12-digit
    // sqrt(2 pi) and coefficients add about 1e-11. Tiny arguments keep their
    // digits (ln Gamma(x) ~ -ln x).
    for (double x = 1e-300; x < 1e7; x *= (x < 1e-3 ? 1e10 : 1.07)) {
        const long double expected = std::lgamma(static_cast<long double>(x));
        EXPECT_NEAR(GammLn(x), static_cast<double>(expected), 2.2e-10 + 4 * kEps * std::fabs(static_cast<double>(expected)))
            << "x=" << x;
    }
    // No meaning outside x > 0: NaN rather than a plausible number.
    for (double x : {0.0, -0.5, -3.0, kNaN}) EXPECT_TRUE(std::isnan(GammLn(x))) << "x=" << x;
    EXPECT_EQ(GammLn(kInf), kInf);
}

TEST(BetaI, AgainstTheSeriesReferenceAndClosedForms) {
    for (double a : {0.5, 1.0, 2.5, 10.0, 60.0, 300.0})
        for (double b : {0.5, 1.0, 3.0, 25.0, 200.0})
            for (double x = 0.01; x < 1; x += 0.049) {
                double v = -1;
                ASSERT_EQ(BetaI(a, b, x, &v), 0);
                EXPECT_NEAR(v, static_cast<double>(ref::betaI(a, b, x)), kBetaBudget)
                    << "a=" << a << " b=" << b << " x=" << x;
            }
    // I_x(a, 1) = x^a and I_x(1, b) = 1 - (1 - x)^b.
    for (double x : {0.1, 0.37, 0.8}) {
        double v = 0;
        BetaI(3.5, 1, x, &v);
        EXPECT_NEAR(v, std::pow(x, 3.5), kBetaBudget * std::pow(x, 3.5)) << x;
        BetaI(1, 4.5, x, &v);
        EXPECT_NEAR(v, 1 - std::pow(1 - x, 4.5), kBetaBudget) << x;
    }
    double v = -1;
    ASSERT_EQ(BetaI(2, 3, 0, &v), 0);
    EXPECT_EQ(v, 0.0);
    ASSERT_EQ(BetaI(2, 3, 1, &v), 0);
    EXPECT_EQ(v, 1.0);
}

TEST(BetaI, ArgumentChecksAndNaN) {
    double v = 7;
    EXPECT_EQ(BetaI(2, 3, -0.1, &v), kErrBetaArgument);
    EXPECT_EQ(BetaI(2, 3, 1.1, &v), kErrBetaArgument);
    // The range of x is checked before a and b.
    EXPECT_EQ(BetaI(-1, 3, 2, &v), kErrBetaArgument);
    // I_x(a, b) needs a > 0 and b > 0; the formula would return a number
    // without meaning.
    EXPECT_EQ(BetaI(0, 3, 0.5, &v), kErrBetaArgument);
    EXPECT_EQ(BetaI(2, -1.5, 0.5, &v), kErrBetaArgument);
    EXPECT_EQ(v, 7.0);
    ASSERT_EQ(BetaI(2, 3, kNaN, &v), 0);
    EXPECT_TRUE(std::isnan(v));
}

TEST(BetaCF, IsTheContinuedFractionOfTheIncompleteBeta) {
    // Below the mean, I_x(a, b) = x^a (1-x)^b CF / (a B(a, b)).
    for (double a : {0.5, 2.0, 15.0})
        for (double b : {0.5, 4.0, 40.0})
            for (double x : {0.02, 0.1, 0.3}) {
                if (x >= (a + 1) / (a + b + 2)) continue;
                const long double prefactor = std::exp(a * std::log(static_cast<long double>(x)) + b * std::log1p(-static_cast<long double>(x)) -
                                                       std::lgamma(static_cast<long double>(a)) - std::lgamma(static_cast<long double>(b)) +
                                                       std::lgamma(static_cast<long double>(a + b))) / a;
                const long double expected = ref::betaI(a, b, x) / prefactor;
                EXPECT_NEAR(BetaCF(a, b, x), static_cast<double>(expected), 2e-7 * static_cast<double>(expected))
                    << "a=" << a << " b=" << b << " x=" << x;
            }
}

TEST(TDist, AgainstReferenceAndClosedForms) {
    for (int df : {1, 2, 3, 5, 10, 30, 120, 1000})
        for (double t = -12; t <= 12; t += 0.37) {
            double p = -1;
            ASSERT_EQ(T_Dist(t, df, &p), 0);
            EXPECT_NEAR(p, static_cast<double>(ref::tCdf(t, df)), kBetaBudget) << "df=" << df << " t=" << t;
            // Cauchy and df = 2 closed forms (A&S 26.7.3, 26.7.4).
            if (df == 1) {
                EXPECT_NEAR(p, 0.5 + static_cast<double>(std::atan(static_cast<long double>(t)) / orintest::kPiL), kBetaBudget) << t;
            } else if (df == 2) {
                EXPECT_NEAR(p, 0.5 + t / (2 * std::sqrt(2 + t * t)), kBetaBudget) << t;
            }
        }
    for (int df : {1, 2, 7, 100000}) {
        double p = 0;
        ASSERT_EQ(T_Dist(0, df, &p), 0);
        EXPECT_EQ(p, 0.5) << "df=" << df;
        T_Dist(kInf, df, &p);
        EXPECT_EQ(p, 1.0);
        T_Dist(-kInf, df, &p);
        EXPECT_EQ(p, 0.0);
    }
    double p = 3;
    EXPECT_EQ(T_Dist(1, 0, &p), kErrDegreesOfFreedom);
    EXPECT_EQ(p, 3.0);
    ASSERT_EQ(T_Dist(kNaN, 4, &p), 0);
    EXPECT_TRUE(std::isnan(p));
}

TEST(FDist, AgainstReferenceAndClosedForms) {
    for (int df1 : {1, 2, 5, 12, 60})
        for (int df2 : {1, 3, 8, 40, 500})
            for (double x = 0.05; x < 30; x *= 1.6) {
                double p = -1;
                ASSERT_EQ(F_Dist(x, df1, df2, &p), 0);
                EXPECT_NEAR(p, static_cast<double>(ref::fCdf(x, df1, df2)), kBetaBudget)
                    << "df1=" << df1 << " df2=" << df2 << " x=" << x;
            }
    for (double x : {0.3, 1.0, 4.5}) {
        double p = 0, t = 0;
        // F(2, 2) has P(F <= x) = x / (1 + x); F(1, df) is t^2.
        F_Dist(x, 2, 2, &p);
        EXPECT_NEAR(p, x / (1 + x), kBetaBudget) << x;
        F_Dist(x * x, 1, 9, &p);
        T_Dist(x, 9, &t);
        EXPECT_NEAR(p, 2 * t - 1, 3 * kBetaBudget) << x;
    }
    double p = -1;
    ASSERT_EQ(F_Dist(0, 3, 4, &p), 0);
    EXPECT_EQ(p, 0.0);
    ASSERT_EQ(F_Dist(-2, 3, 4, &p), 0);
    EXPECT_EQ(p, 0.0);
    ASSERT_EQ(F_Dist(kInf, 3, 4, &p), 0);
    EXPECT_EQ(p, 1.0);
    ASSERT_EQ(F_Dist(kNaN, 3, 4, &p), 0);
    EXPECT_TRUE(std::isnan(p));
    EXPECT_EQ(F_Dist(1, 0, 4, &p), kErrDegreesOfFreedom);
    EXPECT_EQ(F_Dist(1, 4, 0, &p), kErrDegreesOfFreedom);
}

TEST(XXDist, EvenDegreesAreTheExactClosedForm) {
    // sum_{k<df/2} Poisson terms in extended precision, one rounding to
    // double: a few units of 2^-53 absolute.
    for (int df : {2, 4, 10, 30, 100})
        for (double x = 0.01; x < 250; x *= 1.3) {
            double p = -1;
            ASSERT_EQ(XX_Dist(x, df, &p), 0);
            EXPECT_NEAR(p, static_cast<double>(ref::chiSquareCdf(x, df)), 4 * kEps) << "df=" << df << " x=" << x;
            if (df == 2) {
                EXPECT_NEAR(p, static_cast<double>(1 - std::exp(-static_cast<long double>(x) / 2)), kEps) << x;
            }
        }
}

TEST(XXDist, OddDegreesInheritTheNormalApproximation) {
    // 1 - 2 (Q(s) + Z(s) sum): twice the normal budget, plus twice the
    // density constant's shortfall (8e-8 relative to a piece at most 1/2).
    for (int df : {1, 3, 5, 11, 51})
        for (double x = 0.01; x < 200; x *= 1.3) {
            double p = -1;
            ASSERT_EQ(XX_Dist(x, df, &p), 0);
            EXPECT_NEAR(p, static_cast<double>(ref::chiSquareCdf(x, df)), 2 * kNormalBudget + 2e-7)
                << "df=" << df << " x=" << x;
        }
}

TEST(XXDist, LimitsLargeArgumentsAndChecks) {
    double p = -1;
    for (int df : {1, 2, 3, 4}) {
        ASSERT_EQ(XX_Dist(0, df, &p), 0);
        EXPECT_EQ(p, 0.0);
        ASSERT_EQ(XX_Dist(-1, df, &p), 0);
        EXPECT_EQ(p, 0.0);
        // The closed forms would multiply e^-inf = 0 by an infinite sum.
        ASSERT_EQ(XX_Dist(kInf, df, &p), 0);
        EXPECT_EQ(p, 1.0) << "df=" << df;
    }
    // x and df both large: the Poisson sum exceeds even the extended range
    // before e^(-x/2) brings it back. The reference converges quickly here
    // (its terms fall like e^(-n^2/2a)); the sum's rounding grows like
    // df * 2^-64.
    for (int df : {200000, 200001}) {
        const double x = 201000;
        ASSERT_EQ(XX_Dist(x, df, &p), 0);
        const double budget = df % 2 ? 2 * kNormalBudget + 2e-7 : 1e-12;
        EXPECT_NEAR(p, static_cast<double>(ref::chiSquareCdf(x, df)), budget) << "df=" << df;
    }
    ASSERT_EQ(XX_Dist(kNaN, 3, &p), 0);
    EXPECT_TRUE(std::isnan(p));
    EXPECT_EQ(XX_Dist(1, 0, &p), kErrDegreesOfFreedom);
}

TEST(InvNDist, WithinTheRationalApproximationsBudget) {
    // A&S 26.2.23: |error| < 4.5e-4.
    for (double p = 1e-12; p < 1; p = p < 0.01 ? p * 3 : p + 0.0071) {
        double x = 0;
        ASSERT_EQ(InvN_Dist(p, &x), 0);
        const long double expected = ref::quantile(p, -20, 20, ref::normalCdf);
        EXPECT_NEAR(x, static_cast<double>(expected), 4.5e-4) << "p=" << p;
        double mirrored = 0;
        InvN_Dist(1 - p, &mirrored);
        if (p != 0.5 && 1 - (1 - p) == p) {
            EXPECT_EQ(mirrored, -x) << "p=" << p;
        }
    }
    // p = 1/2 takes the upper branch, t = sqrt(ln 4): not exactly 0.
    double x = 0;
    InvN_Dist(0.5, &x);
    EXPECT_LT(x, -1.00e-7);
    EXPECT_GT(x, -1.02e-7);
    for (double bad : {0.0, 1.0, -0.2, 1.5, kNaN}) EXPECT_EQ(InvN_Dist(bad, &x), kErrProbability) << bad;
}

namespace {

// Each bisected inverse: the result lies within one final bracket below the
// library's own quantile (bisection invariant), and within the bracket plus
// the distribution's budget over the density of the reference quantile.
template <class Lib, class Ref, class Density>
void checkInverse(const char *name, double p, double width, double budget, Lib lib, Ref refQuantile, Density density) {
    double x = 0;
    ASSERT_EQ(lib(p, &x), 0) << name << " p=" << p;
    const long double expected = refQuantile(p);
    const double slack = width + budget / static_cast<double>(density(expected));
    EXPECT_NEAR(x, static_cast<double>(expected), slack) << name << " p=" << p;
}

}  // namespace

TEST(InvTDist, BisectionAgainstReferenceQuantiles) {
    for (int df : {1, 3, 10, 40})
        for (double p : {0.001, 0.025, 0.1, 0.3, 0.5, 0.77, 0.95, 0.999}) {
            const auto lib = [df](double q, double *t) { return InvT_Dist(q, df, t); };
            const auto quantile = [df](long double q) {
                return ref::quantile(q, -1e4L, 1e4L, [df](long double t) { return ref::tCdf(t, df); });
            };
            // Density by a central difference of the reference.
            const auto density = [df](long double t) { return (ref::tCdf(t + 1e-6L, df) - ref::tCdf(t - 1e-6L, df)) / 2e-6L; };
            checkInverse("InvT_Dist", p, kTBracket, kBetaBudget, lib, quantile, density);
            double t = 0, below = 0, above = 0;
            InvT_Dist(p, df, &t);
            T_Dist(t, df, &below);
            T_Dist(t + kTBracket, df, &above);
            EXPECT_LT(below, p) << "df=" << df << " p=" << p;
            EXPECT_GE(above, p) << "df=" << df << " p=" << p;
        }
    // The first midpoint 0 has T_Dist exactly 1/2, so the bracket closes on
    // 0 from below: the result is the lower end, -10000 / 2^27.
    double t = 0;
    ASSERT_EQ(InvT_Dist(0.5, 10, &t), 0);
    EXPECT_EQ(t, -10000 / std::ldexp(1.0, 27));
    // A quantile beyond the start bracket ends next to it.
    ASSERT_EQ(InvT_Dist(1 - 1e-9, 1, &t), 0);
    EXPECT_GE(t, 10000 - kTBracket);
    // Degrees of freedom are checked first; a NaN probability is refused.
    EXPECT_EQ(InvT_Dist(1.5, 0, &t), kErrDegreesOfFreedom);
    for (double bad : {0.0, 1.0, kNaN}) EXPECT_EQ(InvT_Dist(bad, 5, &t), kErrProbability) << bad;
}

TEST(InvFDist, BisectionAgainstReferenceQuantiles) {
    for (int df1 : {1, 4, 20})
        for (int df2 : {2, 10, 60})
            for (double p : {0.01, 0.2, 0.5, 0.9, 0.99}) {
                const auto lib = [=](double q, double *x) { return InvF_Dist(q, df1, df2, x); };
                const auto quantile = [=](long double q) {
                    return ref::quantile(q, 0, 1e4L, [=](long double x) { return ref::fCdf(x, df1, df2); });
                };
                const auto density = [=](long double x) {
                    const long double h = 1e-6L * (1 + x);
                    return (ref::fCdf(x + h, df1, df2) - ref::fCdf(std::fmax(x - h, 0.0L), df1, df2)) / (x + h - std::fmax(x - h, 0.0L));
                };
                checkInverse("InvF_Dist", p, kWideBracket, kBetaBudget, lib, quantile, density);
            }
    double x = 0;
    EXPECT_EQ(InvF_Dist(2, 0, 3, &x), kErrDegreesOfFreedom);
    EXPECT_EQ(InvF_Dist(2, 3, 0, &x), kErrDegreesOfFreedom);
    for (double bad : {0.0, 1.0, kNaN}) EXPECT_EQ(InvF_Dist(bad, 3, 3, &x), kErrProbability) << bad;
}

TEST(InvXXDist, BisectionAgainstReferenceQuantiles) {
    for (int df : {1, 2, 5, 8, 25, 100})
        for (double p : {0.001, 0.05, 0.5, 0.9, 0.999}) {
            const auto lib = [df](double q, double *x) { return InvXX_Dist(q, df, x); };
            const auto quantile = [df](long double q) {
                return ref::quantile(q, 0, 1e4L, [df](long double x) { return ref::chiSquareCdf(x, df); });
            };
            const auto density = [df](long double x) {
                const long double h = 1e-6L * (1 + x);
                return (ref::chiSquareCdf(x + h, df) - ref::chiSquareCdf(std::fmax(x - h, 0.0L), df)) / (x + h - std::fmax(x - h, 0.0L));
            };
            const double budget = df % 2 ? 2 * kNormalBudget + 2e-7 : 4 * kEps;
            checkInverse("InvXX_Dist", p, kWideBracket, budget, lib, quantile, density);
        }
    double x = 5;
    ASSERT_EQ(InvXX_Dist(0, 3, &x), 0);
    EXPECT_EQ(x, 0.0);
    // The probability is checked before the degrees of freedom.
    EXPECT_EQ(InvXX_Dist(1, 0, &x), kErrChiSquareProbability);
    EXPECT_EQ(InvXX_Dist(0.5, 0, &x), kErrDegreesOfFreedom);
    for (double bad : {1.0, -1e-9, kNaN}) EXPECT_EQ(InvXX_Dist(bad, 3, &x), kErrChiSquareProbability) << bad;
}

// ---- handle entry points ----------------------------------------------------

TEST(DistributionEntryPoints, ForwardTheCoreResultWithErrorZero) {
    const double x = 1.3, q = 0.3;
    const int32_t d1 = 4, d2 = 9;
    const auto check = [](const char *name, double expected, auto entry) {
        double got = 0;
        int32_t err = 99;
        EXPECT_EQ(entry(&got, &err), 0) << name;
        EXPECT_EQ(err, 0) << name;
        EXPECT_EQ(got, expected) << name;
    };
    double r = 0;
    T_Dist(x, d1, &r);
    check("TDist_head", r, [&](double *o, int32_t *e) { return TDist_head(&x, &d1, o, e); });
    XX_Dist(x, d1, &r);
    check("ChiSquare_head", r, [&](double *o, int32_t *e) { return ChiSquare_head(&x, &d1, o, e); });
    F_Dist(x, d1, d2, &r);
    check("FDist_head", r, [&](double *o, int32_t *e) { return FDist_head(&x, &d1, &d2, o, e); });
    InvN_Dist(q, &r);
    check("InvNdist_head", r, [&](double *o, int32_t *e) { return InvNdist_head(&q, o, e); });
    InvT_Dist(q, d1, &r);
    check("InvTdist_head", r, [&](double *o, int32_t *e) { return InvTdist_head(&q, &d1, o, e); });
    InvXX_Dist(q, d1, &r);
    check("InvChiSquare_head", r, [&](double *o, int32_t *e) { return InvChiSquare_head(&q, &d1, o, e); });
    InvF_Dist(q, d1, d2, &r);
    check("InvFDist_head", r, [&](double *o, int32_t *e) { return InvFDist_head(&q, &d1, &d2, o, e); });
}

ORIN_CONTRACT_TABLE(Distributions) {
    // Each row: the failing call, its code, and iDNaN in the result.
    static const double one = 1, half = 0.5, two = 2, nan = kNaN;
    static const int32_t zero = 0, four = 4;
    using orintest::Contract;
    const auto run = [](auto entry) {
        return [entry](Contract &c) {
            int32_t err = 0;
            entry(c.scalar(), &err);
            return err;
        };
    };
    return {
        {"TDist_head df 0", kErrDegreesOfFreedom, run([](double *o, int32_t *e) { TDist_head(&one, &zero, o, e); })},
        {"ChiSquare_head df 0", kErrDegreesOfFreedom, run([](double *o, int32_t *e) { ChiSquare_head(&one, &zero, o, e); })},
        {"FDist_head df1 0", kErrDegreesOfFreedom, run([](double *o, int32_t *e) { FDist_head(&one, &zero, &four, o, e); })},
        {"FDist_head df2 0", kErrDegreesOfFreedom, run([](double *o, int32_t *e) { FDist_head(&one, &four, &zero, o, e); })},
        {"InvNdist_head p 1", kErrProbability, run([](double *o, int32_t *e) { InvNdist_head(&one, o, e); })},
        {"InvNdist_head p NaN", kErrProbability, run([](double *o, int32_t *e) { InvNdist_head(&nan, o, e); })},
        {"InvTdist_head df before p", kErrDegreesOfFreedom, run([](double *o, int32_t *e) { InvTdist_head(&two, &zero, o, e); })},
        {"InvTdist_head p 2", kErrProbability, run([](double *o, int32_t *e) { InvTdist_head(&two, &four, o, e); })},
        {"InvChiSquare_head p before df", kErrChiSquareProbability,
         run([](double *o, int32_t *e) { InvChiSquare_head(&one, &zero, o, e); })},
        {"InvChiSquare_head df 0", kErrDegreesOfFreedom, run([](double *o, int32_t *e) { InvChiSquare_head(&half, &zero, o, e); })},
        {"InvFDist_head df 0", kErrDegreesOfFreedom, run([](double *o, int32_t *e) { InvFDist_head(&half, &zero, &four, o, e); })},
        {"InvFDist_head p NaN", kErrProbability, run([](double *o, int32_t *e) { InvFDist_head(&nan, &four, &four, o, e); })},
    };
}
