// Distribution functions and inverses against the independent long-double
// references of distribution_reference.h, at the accuracy each method
// promises; closed forms; and the checks in their documented order.
#include <dlfcn.h>
#include <orin/statistics.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>

#include "distribution_reference.h"
#include "support/contract.h"
#include "support/handles.h"
#include "support/reference.h"

using orintest::kEps;
namespace ref = orintest::ref;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// The library's own erf, looked up in the library: a plain call here could
// be folded by the compiler or bound to another erf.
double (*libraryErf())(double) {
    void *lib = dlopen(ORIN_LIBRARY_PATH, RTLD_NOW | RTLD_NOLOAD);
    auto fn = lib ? reinterpret_cast<double (*)(double)>(dlsym(lib, "erf")) : nullptr;
    if (lib) dlclose(lib);
    return fn;
}

}  // namespace

TEST(Erf, SeriesWithinItsStoppingToleranceAndBoundToTheLibrary) {
    const auto libErf = libraryErf();
    ASSERT_NE(libErf, nullptr);
    // The series stops once a term changes the sum by at most 1e-15; the term
    // ratio 2x^2/j is below 1/2 by then, so the tail left is below 1e-15.
    for (double x = 0; x < 5.74; x += 0.0173) {
        EXPECT_NEAR(libErf(x), static_cast<double>(std::erf(static_cast<long double>(x))), 1e-15 + kEps / 2) << x;
        EXPECT_EQ(libErf(-x), -libErf(x)) << x;
    }
    // From 5.73549679497 the library's erf is exactly 1, where the correctly
    // rounded erf is still the double below 1: the entry point must give the
    // library's value, not the C library's.
    for (double x : {5.7355, 5.85}) {
        ASSERT_LT(static_cast<double>(std::erf(static_cast<long double>(x))), 1.0);
        double viaHandle = 0;
        ASSERT_EQ(Erf_h(&x, &viaHandle), 0);
        EXPECT_EQ(libErf(x), 1.0) << x;
        EXPECT_EQ(viaHandle, 1.0) << x;
    }
    EXPECT_EQ(libErf(-kInf), -1.0);
    EXPECT_TRUE(std::signbit(libErf(-0.0)));
    // Erf_h hands a NaN back bit for bit.
    const uint64_t bits = 0xFFF800000000ABCDull;
    double x, out = 0;
    std::memcpy(&x, &bits, sizeof x);
    ASSERT_EQ(Erf_h(&x, &out), 0);
    EXPECT_EQ(std::memcmp(&out, &bits, sizeof out), 0);
}

TEST(Distributions, AgainstReferencesWithinTheirBudgets) {
    struct Row {
        const char *name;
        double lo, hi, step, budget;
        std::function<int32_t(double, double *)> lib;
        std::function<long double(long double)> ref;
    };
    std::vector<Row> rows{{"N_Dist", -9, 9, 0.0137, ref::kNormalBudget, N_Dist, ref::normalCdf},
                          {"NormDist_head", -9, 9, 0.0137, ref::kNormalBudget,
                           [](double x, double *p) { return NormDist_head(&x, p); }, ref::normalCdf}};
    for (int df : {1, 2, 3, 10, 120, 1000})
        rows.push_back({"T_Dist", -12, 12, 0.37, ref::kBetaBudget, [df](double t, double *p) { return T_Dist(t, df, p); },
                        [df](long double t) { return ref::tCdf(t, df); }});
    for (int df1 : {1, 2, 5, 60})
        for (int df2 : {1, 3, 40, 500})
            rows.push_back({"F_Dist", 0.05, 30, 0.21, ref::kBetaBudget, [=](double x, double *p) { return F_Dist(x, df1, df2, p); },
                            [=](long double x) { return ref::fCdf(x, df1, df2); }});
    // Even degrees: the exact finite sum in extended precision, one rounding.
    for (int df : {1, 2, 3, 4, 11, 30, 51, 100})
        rows.push_back({"XX_Dist", 0.01, 250, 0.77, df % 2 ? ref::kOddChiBudget : 4 * kEps,
                        [df](double x, double *p) { return XX_Dist(x, df, p); }, [df](long double x) { return ref::chiSquareCdf(x, df); }});
    for (double a : {0.5, 2.5, 60.0, 300.0})
        for (double b : {0.5, 3.0, 200.0})
            rows.push_back({"BetaI", 0.01, 1, 0.049, ref::kBetaBudget, [=](double x, double *v) { return BetaI(a, b, x, v); },
                            [=](long double x) { return ref::betaI(a, b, x); }});
    for (const Row &row : rows)
        for (double x = row.lo; x < row.hi; x += row.step) {
            double p = -1;
            ASSERT_EQ(row.lib(x, &p), 0) << row.name << " " << x;
            EXPECT_NEAR(p, static_cast<double>(row.ref(x)), row.budget) << row.name << " at " << x;
        }
}

TEST(Distributions, ClosedFormsAndLimits) {
    double p = 0, q = 0;
    // A&S 26.2.16 at 0 is 1 - 0.3989422 (0.4361836 - 0.1201676 + 0.937298).
    N_Dist(0, &p);
    EXPECT_NEAR(p, 0.5000001555, 5e-11);
    for (int df : {1, 2, 7, 100000}) {
        EXPECT_EQ((T_Dist(0, df, &p), p), 0.5) << df;
        EXPECT_EQ((T_Dist(-kInf, df, &p), p), 0.0) << df;
        // The closed forms would multiply e^-inf = 0 by an infinite sum.
        EXPECT_EQ((XX_Dist(kInf, df, &p), p), 1.0) << df;
        EXPECT_EQ((XX_Dist(-1, df, &p), p), 0.0) << df;
        EXPECT_EQ((F_Dist(0, df, 3, &p), p), 0.0) << df;
        EXPECT_EQ((F_Dist(kInf, df, 3, &p), p), 1.0) << df;
    }
    // I_x(a, 1) = x^a with a B(a, 1) = 1, so the continued fraction is
    // 1 / (1 - x) below the mean.
    EXPECT_NEAR(BetaCF(3.5, 1, 0.3), 1 / 0.7, ref::kBetaBudget / 0.7);
    // With equal degrees of freedom F and 1/F share one distribution:
    // F(1) = 1/2 and F(x) + F(1/x) = 1, also where the continued fraction
    // needs far more than 100 rounds (both df large).
    for (int df : {1000, 100000, 10000000}) {
        EXPECT_NEAR((F_Dist(1, df, df, &p), p), 0.5, ref::kBetaBudget) << df;
        EXPECT_NEAR((F_Dist(1.01, df, df, &p), p) + (F_Dist(1 / 1.01, df, df, &q), q), 1, 2 * ref::kBetaBudget) << df;
    }
    // F(1, df) is the square of T(df): an identity between two routines.
    for (double x : {0.3, 1.0, 4.5})
        EXPECT_NEAR((F_Dist(x * x, 1, 9, &p), p), (T_Dist(x, 9, &q), 2 * q - 1), 3 * ref::kBetaBudget) << x;
    // x and df both large: the Poisson sum exceeds the extended range before
    // e^(-x/2) brings it back; the sum's rounding grows like df * 2^-64.
    EXPECT_NEAR((XX_Dist(201000, 200000, &p), p), static_cast<double>(ref::chiSquareCdf(201000, 200000)), 1e-12);
    EXPECT_NEAR((XX_Dist(201000, 200001, &p), p), static_cast<double>(ref::chiSquareCdf(201000, 200001)), ref::kOddChiBudget);
    // A NaN argument gives a NaN result and code 0.
    for (auto f : {+[](double *r) { return T_Dist(kNaN, 3, r); }, +[](double *r) { return XX_Dist(kNaN, 3, r); },
                   +[](double *r) { return F_Dist(kNaN, 3, 3, r); }, +[](double *r) { return BetaI(2, 2, kNaN, r); }}) {
        EXPECT_EQ(f(&p), 0);
        EXPECT_TRUE(std::isnan(p));
    }
}

// The closed forms sum df/2 terms; with the largest df the series must stop
// where its terms no longer count, and far beyond the mean the tail is
// below double resolution. Neither may cost seconds, and the odd form's
// normal-tail error may not carry a probability below 0.
TEST(Distributions, ChiSquareWithHugeDegreesOfFreedomIsQuickAndInRange) {
    const int32_t kMaxDf = std::numeric_limits<int32_t>::max();
    double p = -1;
    for (int32_t df : {kMaxDf, kMaxDf - 1, 1000001, 1000000}) {
        for (double x : {0.5, 30.0, 300.0}) {
            ASSERT_EQ(XX_Dist(x, df, &p), 0) << x << " " << df;
            // P(chi2 <= x) for x far below the mean df is below 1e-300; the
            // odd form is good to the normal tail's 1e-5.
            EXPECT_GE(p, 0.0) << x << " " << df;
            EXPECT_LE(p, df % 2 ? 1e-5 : 1e-15) << x << " " << df;
        }
        // Far above the mean, Chernoff's bound puts the tail below 2^-60.
        for (double x : {1e308, 3.0 * df + 1000})
            EXPECT_EQ((XX_Dist(x, df, &p), p), 1.0) << x << " " << df;
    }
    // Where the stop applies with a result that is not 0 (x of the order of
    // df), the even form still agrees with the direct long-double series.
    for (int32_t df : {400, 2000, 20000})
        for (double x : {0.5 * df, 0.9 * df, 1.1 * df})
            EXPECT_NEAR((XX_Dist(x, df, &p), p), static_cast<double>(ref::chiSquareCdf(x, df)), 1e-13) << x << " " << df;
}

TEST(GammLn, LanczosWithinItsBoundAndUndefinedOutsideXPositive) {
    // Press et al. give |error| < 2e-10 for the six-term series; its 12-digit
    // constants add about 1e-11. Tiny arguments keep their digits.
    for (double x = 1e-300; x < 1e7; x *= (x < 1e-3 ? 1e10 : 1.07)) {
        const double expected = static_cast<double>(std::lgamma(static_cast<long double>(x)));
        EXPECT_NEAR(GammLn(x), expected, 2.2e-10 + 4 * kEps * std::fabs(expected)) << x;
    }
    for (double x : {0.0, -0.5, -3.0, kNaN}) EXPECT_TRUE(std::isnan(GammLn(x))) << x;
}

TEST(Distributions, ChecksInTheirOrder) {
    double r = 3;
    const struct {
        const char *name;
        int32_t got, code;
    } rows[] = {
        {"T_Dist df 0", T_Dist(1, 0, &r), kErrDegreesOfFreedom},
        {"XX_Dist df 0", XX_Dist(1, 0, &r), kErrDegreesOfFreedom},
        {"F_Dist df2 0", F_Dist(1, 4, 0, &r), kErrDegreesOfFreedom},
        {"BetaI x < 0", BetaI(2, 3, -0.1, &r), kErrBetaArgument},
        {"BetaI x > 1 before a", BetaI(-1, 3, 1.1, &r), kErrBetaArgument},
        // I_x(a, b) needs a > 0 and b > 0.
        {"BetaI a 0", BetaI(0, 3, 0.5, &r), kErrBetaArgument},
        {"BetaI b < 0", BetaI(2, -1.5, 0.5, &r), kErrBetaArgument},
        {"InvN_Dist p 0", InvN_Dist(0, &r), kErrProbability},
        {"InvN_Dist p NaN", InvN_Dist(kNaN, &r), kErrProbability},
        {"InvT_Dist df before p", InvT_Dist(1.5, 0, &r), kErrDegreesOfFreedom},
        {"InvT_Dist p 1", InvT_Dist(1, 5, &r), kErrProbability},
        {"InvT_Dist p NaN", InvT_Dist(kNaN, 5, &r), kErrProbability},
        {"InvF_Dist df1 0", InvF_Dist(2, 0, 3, &r), kErrDegreesOfFreedom},
        {"InvF_Dist p NaN", InvF_Dist(kNaN, 3, 3, &r), kErrProbability},
        {"InvXX_Dist p before df", InvXX_Dist(1, 0, &r), kErrChiSquareProbability},
        {"InvXX_Dist p < 0", InvXX_Dist(-1e-9, 3, &r), kErrChiSquareProbability},
        {"InvXX_Dist p NaN", InvXX_Dist(kNaN, 3, &r), kErrChiSquareProbability},
        {"InvXX_Dist df 0", InvXX_Dist(0.5, 0, &r), kErrDegreesOfFreedom},
    };
    for (const auto &row : rows) EXPECT_EQ(row.got, row.code) << row.name;
    EXPECT_EQ(r, 3.0) << "a failing core routine leaves its result alone";
}

TEST(Inverses, WithinBracketAndBudgetOfReferenceQuantiles) {
    // A&S 26.2.23: |error| < 4.5e-4; p = 1/2 takes the upper branch and is
    // not exactly 0.
    double x = 0;
    for (double p = 1e-12; p < 1; p = p < 0.01 ? p * 3 : p + 0.0071)
        EXPECT_NEAR((InvN_Dist(p, &x), x), static_cast<double>(ref::quantile(p, -20, 20, ref::normalCdf)), 4.5e-4) << p;
    EXPECT_NEAR((InvN_Dist(0.5, &x), x), -1.01e-7, 1e-9);
    // Bisection: within the last bracket (20000/2^28 for t, 10000/2^27 for
    // chi-square and F) plus the distribution's budget over the density.
    struct Row {
        const char *name;
        int df1, df2;
        double width, budget;
        std::function<int32_t(double, double *)> lib;
        std::function<long double(long double)> cdf;
    };
    const double tWidth = 20000 / std::ldexp(1.0, 28), wide = 10000 / std::ldexp(1.0, 27);
    std::vector<Row> rows;
    for (int df : {1, 3, 10, 40}) {
        rows.push_back({"InvT_Dist", df, 0, tWidth, ref::kBetaBudget, [df](double p, double *t) { return InvT_Dist(p, df, t); },
                        [df](long double t) { return ref::tCdf(t, df); }});
        rows.push_back({"InvXX_Dist", df, 0, wide, df % 2 ? ref::kOddChiBudget : 4 * kEps,
                        [df](double p, double *v) { return InvXX_Dist(p, df, v); }, [df](long double v) { return ref::chiSquareCdf(v, df); }});
        rows.push_back({"InvF_Dist", df, 2 * df + 1, wide, ref::kBetaBudget,
                        [df](double p, double *v) { return InvF_Dist(p, df, 2 * df + 1, v); },
                        [df](long double v) { return ref::fCdf(v, df, 2 * df + 1); }});
    }
    for (const Row &row : rows)
        for (double p : {0.001, 0.05, 0.3, 0.5, 0.77, 0.95, 0.999}) {
            const bool t = row.name[3] == 'T';
            const long double expected = ref::quantile(p, t ? -1e4L : 0, 1e4L, row.cdf);
            const long double h = 1e-6L * (1 + std::fabs(expected));
            const long double density = (row.cdf(expected + h) - row.cdf(std::fmax(expected - h, t ? -1e4L : 0))) / (expected + h - std::fmax(expected - h, t ? -1e4L : 0));
            ASSERT_EQ(row.lib(p, &x), 0);
            EXPECT_NEAR(x, static_cast<double>(expected), row.width + row.budget / static_cast<double>(density))
                << row.name << " df " << row.df1 << "," << row.df2 << " p " << p;
        }
    // The first midpoint 0 has T_Dist exactly 1/2, so the bracket closes on
    // 0 from below: -10000 / 2^27. A quantile beyond the bracket ends next to
    // its end.
    EXPECT_EQ((InvT_Dist(0.5, 10, &x), x), -10000 / std::ldexp(1.0, 27));
    EXPECT_GE((InvT_Dist(1 - 1e-9, 1, &x), x), 10000 - tWidth);
    EXPECT_EQ((InvXX_Dist(0, 3, &x), x), 0.0);
}

// ---- handle entry points ----------------------------------------------------

TEST(DistributionEntryPoints, ForwardTheCoreResultWithErrorZero) {
    const double x = 1.3, q = 0.3;
    const int32_t d1 = 4, d2 = 9;
    double want[7] = {}, got[7] = {};
    int32_t err[7] = {9, 9, 9, 9, 9, 9, 9};
    T_Dist(x, d1, want);
    TDist_head(&x, &d1, got, err);
    XX_Dist(x, d1, want + 1);
    ChiSquare_head(&x, &d1, got + 1, err + 1);
    F_Dist(x, d1, d2, want + 2);
    FDist_head(&x, &d1, &d2, got + 2, err + 2);
    InvN_Dist(q, want + 3);
    InvNdist_head(&q, got + 3, err + 3);
    InvT_Dist(q, d1, want + 4);
    InvTdist_head(&q, &d1, got + 4, err + 4);
    InvXX_Dist(q, d1, want + 5);
    InvChiSquare_head(&q, &d1, got + 5, err + 5);
    InvF_Dist(q, d1, d2, want + 6);
    InvFDist_head(&q, &d1, &d2, got + 6, err + 6);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(err[i], 0) << i;
        EXPECT_EQ(got[i], want[i]) << i;
    }
}

ORIN_CONTRACT_TABLE(Distributions) {
    static const double one = 1, half = 0.5, nan = kNaN;
    static const int32_t zero = 0, four = 4;
    const auto run = [](void (*entry)(double *, int32_t *)) {
        return [entry](orintest::Contract &c) {
            int32_t err = 0;
            entry(c.scalar(), &err);
            return err;
        };
    };
    return {
        {"TDist_head", kErrDegreesOfFreedom, run([](double *o, int32_t *e) { TDist_head(&one, &zero, o, e); })},
        {"ChiSquare_head", kErrDegreesOfFreedom, run([](double *o, int32_t *e) { ChiSquare_head(&one, &zero, o, e); })},
        {"FDist_head", kErrDegreesOfFreedom, run([](double *o, int32_t *e) { FDist_head(&one, &four, &zero, o, e); })},
        {"InvNdist_head", kErrProbability, run([](double *o, int32_t *e) { InvNdist_head(&nan, o, e); })},
        {"InvTdist_head", kErrProbability, run([](double *o, int32_t *e) { InvTdist_head(&one, &four, o, e); })},
        {"InvChiSquare_head", kErrDegreesOfFreedom, run([](double *o, int32_t *e) { InvChiSquare_head(&half, &zero, o, e); })},
        {"InvFDist_head", kErrDegreesOfFreedom, run([](double *o, int32_t *e) { InvFDist_head(&half, &zero, &four, o, e); })},
    };
}
