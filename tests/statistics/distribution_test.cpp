// Distribution functions and inverses against the independent long-double
// references of distribution_reference.h, at the accuracy each method
// promises; closed forms; and the checks in their documented order.
#include <dlfcn.h>
#include <orin/statistics.h>

#include "support/prelude.h"

#include <cstdio>
#include <fstream>
#include <numbers>

#include "distribution_reference.h"

namespace ref = orintest::ref;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct Row {
    std::string name;
    double budget;
    std::function<int32_t(double, double *)> lib;
    std::function<long double(long double)> ref;
};

// The t, chi-square and F rows at df degrees of freedom (F over df2) for the
// routines given, the distributions or their inverses, each with its
// reference distribution and budget.
void addFamily(std::vector<Row> &rows, int32_t df, int32_t df2, int32_t (*t)(double, int32_t, double *),
               int32_t (*chi)(double, int32_t, double *), int32_t (*f)(double, int32_t, int32_t, double *)) {
    const std::string at = " df " + std::to_string(df);
    rows.push_back({"T" + at, ref::kBetaBudget, [=](double v, double *r) { return t(v, df, r); },
                    [=](long double v) { return ref::tCdf(v, df); }});
    rows.push_back({"XX" + at, df % 2 ? ref::kOddChiBudget : 4 * kEps,
                    [=](double v, double *r) { return chi(v, df, r); },
                    [=](long double v) { return ref::chiSquareCdf(v, df); }});
    rows.push_back({"F" + at + "/" + std::to_string(df2), ref::kBetaBudget,
                    [=](double v, double *r) { return f(v, df, df2, r); },
                    [=](long double v) { return ref::fCdf(v, df, df2); }});
}

}  // namespace

TEST(Erf, SeriesWithinItsStoppingToleranceAndBoundToTheLibrary) {
    // The library's own erf, looked up in the library: a plain call here
    // could be folded by the compiler or bound to another erf.
    void *lib = dlopen(ORIN_LIBRARY_PATH, RTLD_NOW | RTLD_NOLOAD);
    const auto libErf = lib ? reinterpret_cast<double (*)(double)>(dlsym(lib, "erf")) : nullptr;
    if (lib) dlclose(lib);
    ASSERT_NE(libErf, nullptr);
    // The series stops once a term changes the sum by at most 1e-15; the
    // term ratio 2x^2/j is below 1/2 by then, so the tail is below 1e-15.
    for (double x = 0; x < 5.74; x += 0.0173) {
        EXPECT_NEAR(libErf(x), static_cast<double>(std::erf(static_cast<long double>(x))), 1e-15 + kEps / 2) << x;
        EXPECT_EQ(libErf(-x), -libErf(x)) << x;
    }
    // From 5.7355 the library's erf is exactly 1 where the correctly rounded
    // one is still below 1: the entry point gives the library's value.
    double x = 5.7355, out = 0;
    ASSERT_EQ(Erf_h(&x, &out), 0);
    EXPECT_EQ(out, 1.0);
    // A NaN comes back bit for bit.
    const uint64_t bits = 0xFFF800000000ABCDull;
    std::memcpy(&x, &bits, sizeof x);
    ASSERT_EQ(Erf_h(&x, &out), 0);
    EXPECT_EQ(std::memcmp(&out, &bits, sizeof out), 0);
}

TEST(Distributions, AgainstReferencesWithinTheirBudgets) {
    // Budgets: A&S 26.2.16 for the normal; kBetaBudget for t and F (BetaI's:
    // its 45-digit table); even chi-square degrees sum exactly (one rounding).
    std::vector<Row> rows{{"N_Dist", ref::kNormalBudget, N_Dist, ref::normalCdf}};
    for (int df : {1, 2, 3, 10, 1000}) addFamily(rows, df, 41 - df / 30, T_Dist, XX_Dist, F_Dist);
    for (const Row &row : rows)
        for (double x = row.name[0] == 'T' || row.name[0] == 'N' ? -9 : 0.01; x < 250; x += 0.37) {
            double p = -1;
            ASSERT_EQ(row.lib(x, &p), 0) << row.name << " " << x;
            EXPECT_NEAR(p, static_cast<double>(row.ref(x)), row.budget) << row.name << " at " << x;
        }
}

TEST(Distributions, ClosedFormsLimitsAndLargeDegrees) {
    double p = 0, q = 0;
    // A&S 26.2.16 at 0 is 1 - 0.3989422 (0.4361836 - 0.1201676 + 0.937298).
    EXPECT_NEAR((N_Dist(0, &p), p), 0.5000001555, 5e-11);
    // The closed forms would multiply e^-inf = 0 by an infinite sum.
    EXPECT_EQ((XX_Dist(kInf, 7, &p), p), 1.0);
    EXPECT_EQ((F_Dist(kInf, 7, 3, &p), p), 1.0);
    // With equal degrees F and 1/F share one distribution, also where the
    // continued fraction needs far more than 100 rounds (both df large).
    for (int df : {1000, 10000000}) {
        EXPECT_NEAR((F_Dist(1, df, df, &p), p), 0.5, ref::kBetaBudget) << df;
        EXPECT_NEAR((F_Dist(1.01, df, df, &p), p) + (F_Dist(1 / 1.01, df, df, &q), q), 1, 2 * ref::kBetaBudget) << df;
    }
    // I_x(a, 1) = x^a with a B(a, 1) = 1: the fraction is 1 / (1 - x).
    EXPECT_NEAR(BetaCF(3.5, 1, 0.3), 1 / 0.7, ref::kBetaBudget / 0.7);
    // x and df both large: the Poisson sum leaves the extended range before
    // e^(-x/2) brings it back; its rounding grows like df * 2^-64.
    EXPECT_NEAR((XX_Dist(201000, 200000, &p), p), static_cast<double>(ref::chiSquareCdf(201000, 200000)), 1e-12);
    for (auto f : {+[](double *r) { return T_Dist(kNaN, 3, r); }, +[](double *r) { return XX_Dist(kNaN, 3, r); },
                   +[](double *r) { return F_Dist(kNaN, 3, 3, r); }, +[](double *r) { return BetaI(2, 2, kNaN, r); }}) {
        EXPECT_EQ(f(&p), 0);
        EXPECT_TRUE(std::isnan(p));
    }
}

// The closed forms sum df/2 terms: with the largest df the series must stop
// where its terms no longer count, the tail far above the mean is below
// double resolution, and the odd form may not fall below 0.
TEST(Distributions, ChiSquareWithHugeDegreesOfFreedomIsQuickAndInRange) {
    const int32_t kMaxDf = std::numeric_limits<int32_t>::max();
    double p = -1;
    for (int32_t df : {kMaxDf, kMaxDf - 1}) {
        for (double x : {0.5, 300.0}) {
            ASSERT_EQ(XX_Dist(x, df, &p), 0) << x << " " << df;
            EXPECT_GE(p, 0.0) << x << " " << df;
            EXPECT_LE(p, df % 2 ? 1e-5 : 1e-15) << x << " " << df;
        }
        // Chernoff's bound puts the tail below 2^-60.
        EXPECT_EQ((XX_Dist(3.0 * df + 1000, df, &p), p), 1.0) << df;
    }
    // Near the mean the series runs to its last term, with terms past e^890:
    // the even form still agrees with the direct long-double series.
    for (double x : {1800.0, 2200.0})
        EXPECT_NEAR((XX_Dist(x, 2000, &p), p), static_cast<double>(ref::chiSquareCdf(x, 2000)), 1e-13) << x;
}

// I_x(a, b) against a table made once at 45 digits by
// reference/betai_table.py (quadrature of the smaller tail, checked there
// against mpmath's series where that converges), a and b from 1e-3 to 1e20,
// equal and far apart, x near 0, near 1 and about the mean. Each row
// carries kappa, the relative condition number of I in a, b and x. The
// routine combines its exact double inputs in extended precision (unit
// 2^-64): the roundings of x b - (1 - x) a, of the logarithms and of the
// exponential, a few units each, reach the result magnified by at most
// kappa. Hence 8 kappa units, and 1e-9 where kappa is small.
TEST(BetaI, HighPrecisionTableFromTinyToHugeParameters) {
    std::ifstream in(ORIN_SOURCE_DIR "/tests/statistics/reference/betai_table.txt");
    ASSERT_TRUE(in.is_open());
    std::string line;
    int rows = 0;
    while (std::getline(in, line)) {
        double a = 0, b = 0, x = 0;
        long double expected = 0, kappa = 0;
        if (line[0] == '#' || std::sscanf(line.c_str(), "%la %la %la %Lg %Lg", &a, &b, &x, &expected, &kappa) != 5)
            continue;
        double v = kNaN;
        ASSERT_EQ(BetaI(a, b, x, &v), 0) << line;
        EXPECT_LE(std::fabs(v - expected), expected * (1e-9L + 8 * 0x1p-64L * kappa)) << line << " gives " << v;
        ++rows;
    }
    EXPECT_GE(rows, 250);
}

// The review's measurement, I_x(a, 1) = x^a, was 5e-4 off at a = 1e15, 0.45
// for 0.5 at a = b = 1e16 and NaN from 1e20 on. x^a here has the condition
// a |ln x|, the reference is the C library's long-double pow. Symmetry gives
// I = 1/2 at x = 1/2 for a = b: there d is exactly 0, and only the
// fraction's roundings (some sqrt(a) of them, up to a = 1e7) are left.
// Every positive a and b, denormal to the largest double, gives code 0 and
// a value in [0, 1]; an infinite parameter its limit.
TEST(BetaI, ClosedFormsAndNoNaNAtAnyScale) {
    double v = kNaN;
    for (double a : {1e3, 1e6, 1e9, 1e12, 1e15, 1e16, 1e18, 1e20}) {
        for (double x : {0.5, 0.9, 1 - 0x1p-20, 1 - 0x1p-40, 1 - 0x1p-53}) {
            const long double expected = std::pow(static_cast<long double>(x), static_cast<long double>(a));
            if (expected < 1e-300L) continue;
            ASSERT_EQ(BetaI(a, 1, x, &v), 0) << a << " " << x;
            EXPECT_LE(std::fabs(v - expected),
                      expected * (1e-9L + 8 * 0x1p-64L * a * -std::log(static_cast<long double>(x))))
                << "a " << a << " x " << x << " gives " << v;
        }
    }
    for (double a = 1e-300; a < 1e300; a *= 1e15) EXPECT_NEAR((BetaI(a, a, 0.5, &v), v), 0.5, 1e-14) << a;
    const double denormal = std::numeric_limits<double>::denorm_min(), largest = std::numeric_limits<double>::max();
    for (double a : {denormal, 1e-300, 1e-3, 1.0, 1e7, 1e16, 1e20, 1e300, largest})
        for (double b : {denormal, 1e-300, 1e-3, 1.0, 1e7, 1e16, 1e20, 1e300, largest})
            for (double x : {denormal, 1e-300, 0.3, 0.5, 1 - 0x1p-53}) {
                v = kNaN;
                EXPECT_EQ(BetaI(a, b, x, &v), 0) << a << " " << b << " " << x;
                EXPECT_TRUE(v >= 0 && v <= 1) << a << " " << b << " " << x << " gives " << v;
            }
    EXPECT_EQ((BetaI(kInf, 2, 0.3, &v), v), 0.0);
    EXPECT_EQ((BetaI(2, kInf, 0.3, &v), v), 1.0);
}

// The far lower tails of t and F keep their digits: t with one degree is
// Cauchy, P = atan(-1/t)/pi for t < 0; F(2, n) has P = 1 - (1 + 2x/n)^(-n/2).
// The F tail was formed as 1 - I_z with z near 1, so it lost them. One final
// rounding (2^-53) and at most 8 units of 2^-64 times a |ln w| < 700.
TEST(Distributions, FarLowerTailsOfTAndF) {
    double p = kNaN;
    for (double t : {-1e3, -1e10, -1e100, -1e300}) {
        const long double expected = std::atan(-1 / static_cast<long double>(t)) / std::numbers::pi_v<long double>;
        EXPECT_NEAR((T_Dist(t, 1, &p), p), static_cast<double>(expected), 1e-15 * static_cast<double>(expected)) << t;
    }
    for (int32_t n : {2, 7, 1000000000})
        for (double x : {1e-3, 1e-10, 1e-20, 1e-100, 1e-300}) {
            const long double expected = -std::expm1(-n / 2.0L * std::log1p(2 * static_cast<long double>(x) / n));
            EXPECT_NEAR((F_Dist(x, 2, n, &p), p), static_cast<double>(expected), 1e-15 * static_cast<double>(expected))
                << n << " " << x;
        }
}

TEST(GammLn, LanczosWithinItsBoundAndUndefinedOutsideXPositive) {
    // Press et al.: |error| < 2e-10, the 12-digit constants add about 1e-11.
    // Up to the largest double: past x = 2.6e305 ln Gamma exceeds it.
    for (double x = 1e-300; x < 1.7e308; x *= (x < 1e-3 ? 1e10 : x < 1e7 ? 1.3 : 7e8)) {
        const double expected = static_cast<double>(std::lgamma(static_cast<long double>(x)));
        if (std::isinf(expected)) EXPECT_EQ(GammLn(x), expected) << x;
        else EXPECT_NEAR(GammLn(x), expected, 2.2e-10 + 4 * kEps * std::fabs(expected)) << x;
    }
    for (double x : {0.0, -3.0, kNaN}) EXPECT_TRUE(std::isnan(GammLn(x))) << x;
}

TEST(Distributions, ChecksInTheirOrder) {
    double r = 3;
    const struct {
        const char *name;
        int32_t got, code;
    } rows[] = {
        {"BetaI x < 0", BetaI(2, 3, -0.1, &r), kErrBetaArgument},
        {"BetaI x > 1 before a", BetaI(-1, 3, 1.1, &r), kErrBetaArgument},
        {"BetaI b < 0", BetaI(2, -1.5, 0.5, &r), kErrBetaArgument},
        {"BetaI a and b infinite", BetaI(kInf, kInf, 0.5, &r), kErrBetaArgument},
        {"InvN_Dist p 0", InvN_Dist(0, &r), kErrProbability},
        {"InvT_Dist df before p", InvT_Dist(1.5, 0, &r), kErrDegreesOfFreedom},
        {"InvT_Dist p NaN", InvT_Dist(kNaN, 5, &r), kErrProbability},
        {"InvF_Dist df1 0", InvF_Dist(2, 0, 3, &r), kErrDegreesOfFreedom},
        {"InvF_Dist p NaN", InvF_Dist(kNaN, 3, 3, &r), kErrProbability},
        {"InvXX_Dist p before df", InvXX_Dist(1, 0, &r), kErrChiSquareProbability},
        {"InvXX_Dist p NaN", InvXX_Dist(kNaN, 3, &r), kErrChiSquareProbability},
    };
    // The degrees of freedom of T, F and chi-square (and its inverse) and
    // InvN's NaN are the contract table's rows, through the entry points.
    for (const auto &row : rows) EXPECT_EQ(row.got, row.code) << row.name;
    EXPECT_EQ(r, 3.0) << "a failing core routine leaves its result alone";
}

TEST(Inverses, WithinBracketAndBudgetOfReferenceQuantiles) {
    // A&S 26.2.23: |error| < 4.5e-4.
    double x = 0;
    for (double p = 1e-12; p < 1; p = p < 0.01 ? p * 3 : p + 0.0071)
        EXPECT_NEAR((InvN_Dist(p, &x), x), static_cast<double>(ref::quantile(p, -20, 20, ref::normalCdf)), 4.5e-4) << p;
    // Bisection: within the last bracket (20000/2^28 for t, 10000/2^27 for
    // chi-square and F) plus the distribution's budget over the density.
    const double tWidth = 20000 / std::ldexp(1.0, 28), wide = 10000 / std::ldexp(1.0, 27);
    std::vector<Row> rows;
    for (int df : {1, 10}) addFamily(rows, df, 2 * df + 1, InvT_Dist, InvXX_Dist, InvF_Dist);
    for (const Row &row : rows)
        for (double p : {0.001, 0.3, 0.77, 0.999}) {
            const bool t = row.name[0] == 'T';
            const long double lo = t ? -1e4L : 0, expected = ref::quantile(p, lo, 1e4L, row.ref);
            const long double h = 1e-6L * (1 + std::fabs(expected)), below = std::fmax(expected - h, lo);
            const long double density = (row.ref(expected + h) - row.ref(below)) / (expected + h - below);
            ASSERT_EQ(row.lib(p, &x), 0);
            EXPECT_NEAR(x, static_cast<double>(expected),
                        (t ? tWidth : wide) + row.budget / static_cast<double>(density))
                << row.name << " p " << p;
        }
    // The first midpoint 0 has T_Dist exactly 1/2, so the bracket closes on
    // 0 from below.
    EXPECT_EQ((InvT_Dist(0.5, 10, &x), x), -10000 / std::ldexp(1.0, 27));
    EXPECT_EQ((InvXX_Dist(0, 3, &x), x), 0.0);
}

// ---- handle entry points ----------------------------------------------------

TEST(DistributionEntryPoints, ForwardTheCoreResultWithErrorZero) {
    const double x = 1.3, q = 0.3;
    const int32_t d1 = 4, d2 = 9;
    double want[8] = {}, got[8] = {};
    int32_t err[8] = {9, 9, 9, 9, 9, 9, 9, 9};
    T_Dist(x, d1, want), TDist_head(&x, &d1, got, err);
    XX_Dist(x, d1, want + 1), ChiSquare_head(&x, &d1, got + 1, err + 1);
    F_Dist(x, d1, d2, want + 2), FDist_head(&x, &d1, &d2, got + 2, err + 2);
    InvN_Dist(q, want + 3), InvNdist_head(&q, got + 3, err + 3);
    InvT_Dist(q, d1, want + 4), InvTdist_head(&q, &d1, got + 4, err + 4);
    InvXX_Dist(q, d1, want + 5), InvChiSquare_head(&q, &d1, got + 5, err + 5);
    InvF_Dist(q, d1, d2, want + 6), InvFDist_head(&q, &d1, &d2, got + 6, err + 6);
    N_Dist(x, want + 7), err[7] = NormDist_head(&x, got + 7);  // its code is its return value
    for (int i = 0; i < 8; ++i) EXPECT_TRUE(err[i] == 0 && got[i] == want[i] && want[i] != 0) << i;
}

// A table, one entry per line:
// clang-format off
ORIN_CONTRACT_TABLE(Distributions) {
    static const double one = 1, half = 0.5, nan = kNaN;
    static const int32_t zero = 0, four = 4;
    return {
        ORIN_ROW(kErrDegreesOfFreedom, TDist_head(&one, &zero, c.scalar(), e)),
        ORIN_ROW(kErrDegreesOfFreedom, ChiSquare_head(&one, &zero, c.scalar(), e)),
        ORIN_ROW(kErrDegreesOfFreedom, FDist_head(&one, &four, &zero, c.scalar(), e)),
        ORIN_ROW(kErrProbability, InvNdist_head(&nan, c.scalar(), e)),
        ORIN_ROW(kErrProbability, InvTdist_head(&one, &four, c.scalar(), e)),
        ORIN_ROW(kErrDegreesOfFreedom, InvChiSquare_head(&half, &zero, c.scalar(), e)),
        ORIN_ROW(kErrDegreesOfFreedom, InvFDist_head(&half, &zero, &four, c.scalar(), e)),
    };
}
// clang-format on
