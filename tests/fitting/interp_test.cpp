// Interpolation: exact on the functions each scheme reproduces, the rational
// scheme against an independent long-double tableau, and the failures.
#include <orin/fitting.h>
#include <orin/host.h>

#include "support/prelude.h"

TEST(PolyInterp, ReproducesPolynomialsFromUnorderedPoints) {
    const std::vector<double> x = {0.3, -1.2, 2.0, 0.9, -0.4, 1.5};
    const auto f = [](long double t) { return 1.5L - 2 * t + 0.25L * t * t * t - 0.125L * t * t * t * t * t; };
    std::vector<double> y;
    for (double t : x) y.push_back(static_cast<double>(f(t)));
    for (double xval : {-1.0, 0.1, 1.7}) {
        double yout = 0, dy = 0;
        ASSERT_EQ(PolyInterp(x.data(), y.data(), 6, xval, &yout, &dy), 0);
        EXPECT_NEAR(yout, static_cast<double>(f(xval)), 1e3 * kEps) << xval;  // Lebesgue constant of these nodes < 1e2
    }
    const double cx[] = {0, 1, 1}, cy[] = {0, 1, 2};
    double yout = 0, dy = 0;
    EXPECT_EQ(PolyInterp(cx, cy, 3, 0.5, &yout, &dy), kErrAbscissaOrder);
}

// Worked by hand for (0,0), (1,1), (2,4) at 3: the path goes down the d
// column twice, 4 + 3 + 2 = 9.
TEST(PolyInterp, TracesEachStep) {
    const double x[] = {0, 1, 2}, y[] = {0, 1, 4};
    double yout = 0, dy = 0;
    OrinHostCaptureDebug(1);
    OrinHostClearDebugText();
    ASSERT_EQ(PolyInterp(x, y, 3, 3, &yout, &dy), 0);
    const std::string trace = OrinHostDebugText();
    OrinHostCaptureDebug(0);
    EXPECT_EQ(yout, 9.0);
    EXPECT_EQ(dy, 2.0);
    EXPECT_EQ(trace,
              "d[1]=3.000000e+00y=4.000000e+00, step_obj=3.000000e+00y=7.000000e+00"
              "d[0]=2.000000e+00y=7.000000e+00, step_obj=2.000000e+00y=9.000000e+00");
}

namespace {

// The Bulirsch–Stoer tableau entry by entry in long double (Stoer and
// Bulirsch 2.2.3): R(i..k) = R(i+1..k) + (R(i+1..k) - R(i..k-1)) /
// [u (1 - (R(i+1..k) - R(i..k-1)) / (R(i+1..k) - R(i+1..k-1))) - 1],
// u = (xval - x_i)/(xval - x_k), R of an empty run 0. Where the inner
// difference is 0 the bracket is infinite and the entry keeps R(i+1..k).
// Returns R(0..n-1) and the largest |R| met (the tableau's growth); a zero
// bracket under a non-zero difference is a pole (NaN).
std::pair<long double, long double> ratTableau(const std::vector<double> &x, const std::vector<double> &y,
                                               double xval) {
    const size_t n = x.size();
    std::vector<long double> before(n + 1, 0.0L), last(y.begin(), y.end());
    long double growth = 0;
    for (double v : y) growth = std::max(growth, std::fabs(static_cast<long double>(v)));
    for (size_t m = 1; m < n; ++m) {
        std::vector<long double> next(n - m);
        for (size_t i = 0; i + m < n; ++i) {
            const long double diff = last[i + 1] - last[i], inner = last[i + 1] - before[i + 1];
            next[i] = last[i + 1];
            if (inner == 0) continue;
            const long double u = (static_cast<long double>(xval) - x[i]) / (static_cast<long double>(xval) - x[i + m]);
            const long double bracket = u * (1 - diff / inner) - 1;
            if (bracket == 0) return {NAN, growth};
            next[i] += diff / bracket;
            growth = std::max(growth, std::fabs(next[i]));
        }
        before = std::move(last);
        last = std::move(next);
    }
    return {last[0], growth};
}

}  // namespace

// Unseeded, the scheme is the exact tableau to rounding at every scale of the
// data, runs of equal values and zeros included (a relative seed of 1e-10
// missed it by 1e-10; an absolute one gave a false pole on constant data of
// 5e7, where rounding absorbs it).
TEST(RatInterp, IsTheExactTableauAtEveryScale) {
    const std::vector<double> x = {-1.5, -0.7, 0.2, 0.9, 1.6, 2.4};
    const std::vector<std::vector<double>> tables = {
        {0.3, 1.7, -0.4, 2.2, 0.9, 1.1},  // no rational structure
        {0.2, 0.5, 1.0, 0.8, 0.4, 0.25},  // smooth bump
        {0, 0, 1, 2, 2, 2},               // zeros and a run
        {5, 5, 5, 5, 5, 5},               // constant
    };
    for (size_t t = 0; t < tables.size(); ++t)
        for (double scale : {1e-300, 1e-12, 1.0, 1e7, 1e12, 1e300})
            for (double xval : {-1.1, 0.5, 2.9}) {
                std::vector<double> y;
                for (double v : tables[t]) y.push_back(v * scale);
                const auto [want, growth] = ratTableau(x, y, xval);
                double yout = 0, dy = 0;
                ASSERT_EQ(RatInterp(x.data(), y.data(), 6, xval, &yout, &dy), 0) << t << " " << scale << " " << xval;
                // The path adds 5 corrections, each a few roundings of
                // entries the growth bounds (measured: at most 4 eps).
                EXPECT_LE(std::fabs(yout - want), 16 * kEps * growth) << t << " " << scale << " " << xval;
            }
    // At a knot: its value, with no correction.
    const double y[] = {1, 2, 3, 4, 5, 6};
    double yout = 0, dy = 0;
    ASSERT_EQ(RatInterp(x.data(), y, 6, 0.9, &yout, &dy), 0);
    EXPECT_EQ(yout, 4.0);
    EXPECT_EQ(dy, 0.0);
}

// c/(1 - x) at x = 1: the first column's denominator is exactly 0 (the
// abscissae make every ratio a power of two), at every scale of c.
TEST(RatInterp, ReportsAPoleAtXval) {
    const double x[] = {0, 0.5, 2, 3};
    for (double c : {3e-300, 3.0, 3e7, 3e300}) {
        const double y[] = {c, 2 * c, -c, -c / 2};
        double yout = 0, dy = 0;
        EXPECT_EQ(RatInterp(x, y, 4, 1, &yout, &dy), kErrInterpolationPole) << c;
    }
}

// A cubic is its own clamped spline: the second derivatives are f'' at the
// knots, and the spline reproduces f between them. The right-hand sides are
// second differences of values below 3 over steps near 0.7, a few roundings
// each; the diagonally dominant solve does not magnify them: 32 eps.
TEST(Spline, ReproducesCubicsClampedAndAKnownNaturalSpline) {
    const auto f = [](double t) { return 2 - t + 0.5 * t * t - 0.25 * t * t * t; };
    const auto df = [](double t) { return -1 + t - 0.75 * t * t; };
    std::vector<double> x = {-1, -0.2, 0.5, 1.3, 2}, y;
    for (double t : x) y.push_back(f(t));
    for (bool descending : {false, true}) {
        std::vector<double> xs = x, ys = y;
        if (descending) std::reverse(xs.begin(), xs.end()), std::reverse(ys.begin(), ys.end());
        const double yp1 = df(xs[0]), ypn = df(xs[4]);
        std::vector<double> y2(5);
        ASSERT_EQ(Spline(xs.data(), ys.data(), 5, yp1, ypn, y2.data()), 0);
        for (int i = 0; i < 5; ++i) EXPECT_NEAR(y2[i], 1 - 1.5 * xs[i], 32 * kEps) << descending << " " << i;
        for (double xval : {-0.9, 0.0, 0.5, 1.9}) {
            double yout = 0;
            ASSERT_EQ(SpInterp(xs.data(), ys.data(), y2.data(), 5, xval, &yout), 0);
            EXPECT_NEAR(yout, f(xval), 64 * kEps) << descending << " " << xval;
        }
        // The entry point gives the core's (its refused allocations: the sweep).
        orintest::DoubleHandle hx(xs), hy(ys), hy2({9});
        int32_t error = 9;
        EXPECT_EQ(Spline_head(hy, hx, &yp1, &ypn, hy2, &error) + error, 0);
        EXPECT_EQ(hy2.values(), y2) << descending;
    }
    // Natural ends: on the knots 0, 1, 2, 3 the values 0, 0, 3, 3 satisfy
    // the spline equations with second derivatives 0, 6, -6, 0.
    const double kx[] = {0, 1, 2, 3}, ky[] = {0, 0, 3, 3}, want[] = {0, 6, -6, 0};
    double m[4];
    ASSERT_EQ(Spline(kx, ky, 4, 1e30, 1e30, m), 0);
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(m[i], want[i], 32 * kEps) << "natural " << i;
}

// One point holds no slope: natural ends give zero curvature, a clamped end
// is refused, and nothing beyond the one element is read. (No point at all:
// the sweep's EmptyInputs.)
TEST(Spline, DegenerateTablesGiveCodesNotNaN) {
    const double one = 5;
    double y2[1] = {7};
    EXPECT_EQ(Spline(&one, &one, 1, 1e30, 1e30, y2), 0);
    EXPECT_EQ(y2[0], 0.0);
    EXPECT_EQ(Spline(&one, &one, 1, 0, 1e30, y2), kErrTooFewSamples);
    // One point through the entry point too: a table, not an empty one.
    const double natural = 1e30;
    orintest::DoubleHandle point({one}), second({7});
    int32_t error = 9;
    EXPECT_EQ(Spline_head(point, point, &natural, &natural, second, &error) + error, 0);
    EXPECT_EQ(second.values(), std::vector<double>{0.0});
    const double x[] = {0, 1, 1, 2}, y[] = {0, 1, 2, 3};
    double out[4];
    EXPECT_EQ(Spline(x, y, 4, 1e30, 1e30, out), kErrAbscissaOrder);
    EXPECT_EQ(Spline(x + 1, y, 2, 0, 0, out), kErrAbscissaOrder) << "clamped ends of an empty interval";
    double yout = 0;
    EXPECT_EQ(SpInterp(&one, &one, y2, 1, 5, &yout), kErrAbscissaOrder);
}

// A table, one entry per line:
// clang-format off
ORIN_CONTRACT_TABLE(InterpolationEntryPoints) {
    static const double xval = 0.5, one = 1, natural = 1e30;
    // SpInterp_head takes its handles by reference.
    const auto spInterp = [](Contract &c, std::vector<double> y, std::vector<double> x, std::vector<double> y2, int32_t *e) {
        DoubleArrayHdl hy = c.input(y), hx = c.input(x), hy2 = c.input(y2);
        return SpInterp_head(&hy, &hx, &hy2, &xval, c.scalar(), e);
    };
    return {
        ORIN_ROW(kErrArraySizeMismatch, PolyInterp_head(c.input({1, 2}), c.input({1}), &xval, c.scalar(), c.scalar(), e)),
        ORIN_ROW(kErrInterpolationPole, RatInterp_head(c.input({3, 6, -3, -1.5}), c.input({0, 0.5, 2, 3}), &one, c.scalar(), c.scalar(), e)),
        ORIN_ROW(kErrArraySizeMismatch, Spline_head(c.input({1, 2}), c.input({1, 2, 3}), &natural, &natural, c.output({1}), e)),
        ORIN_ROW(kErrArraySizeMismatch, spInterp(c, {1, 2}, {0, 1, 2}, {0, 0}, e)),
        ORIN_ROW(kErrArraySizeMismatch, spInterp(c, {1, 2}, {0, 1}, {0}, e)),  // second derivatives
        ORIN_ROW(kErrEmptyArray, SpInterp_head(nullptr, nullptr, nullptr, &xval, c.scalar(), e)),
    };
}
// clang-format on
