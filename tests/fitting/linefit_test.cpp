// Straight-line and exponential fits against centred least-squares sums and
// closed forms.
#include <orin/fitting.h>

#include "support/prelude.h"

TEST(LinFitCoef, AgreesWithCentredLeastSquares) {
    const std::vector<double> x = orintest::randomDoubles(200, 21, 0, 10), noise = orintest::randomDoubles(200, 22);
    std::vector<double> y(200);
    for (int i = 0; i < 200; ++i) y[i] = 3 - 0.7 * x[i] + 0.1 * noise[i];
    // The centred form (another formula than the raw sums the routine uses).
    long double mx = 0, my = 0, sxx = 0, sxy = 0;
    for (int i = 0; i < 200; ++i) mx += x[i] / 200.0L, my += y[i] / 200.0L;
    for (int i = 0; i < 200; ++i) sxx += (x[i] - mx) * (x[i] - mx), sxy += (x[i] - mx) * (y[i] - my);
    double slope = 0, intercept = 0;
    ASSERT_EQ(LinFitCoef(x.data(), y.data(), 200, &slope, &intercept), 0);
    EXPECT_NEAR(slope, static_cast<double>(sxy / sxx), 1e3 * kEps);
    EXPECT_NEAR(intercept, static_cast<double>(my - sxy / sxx * mx), 1e4 * kEps);
    const double lx[] = {0, 1, 2}, ly[] = {1, 3, 5};
    ASSERT_EQ(LinFitCoef(lx, ly, 3, &slope, &intercept), 0);
    EXPECT_EQ(slope, 2.0);
    EXPECT_EQ(intercept, 1.0);
    const double same[] = {4, 4, 4};
    ASSERT_EQ(LinFitCoef(same, ly, 3, &slope, &intercept), 0) << "no line is determined, and none is claimed";
    EXPECT_FALSE(std::isfinite(slope));
    EXPECT_EQ(LinFitCoef(lx, ly, 1, &slope, &intercept), kErrTooFewSamples);
}

TEST(ExpFitCoef, RecoversExponentialsOfEitherSign) {
    std::vector<double> x, y;
    for (int i = 0; i < 9; ++i) x.push_back(0.25 * i), y.push_back(-2 * std::exp(0.5 * 0.25 * i));
    double amplitude = 0, damping = 0;
    ASSERT_EQ(ExpFitCoef(x.data(), y.data(), 9, &amplitude, &damping), 0);
    EXPECT_NEAR(amplitude, -2.0, 64 * kEps);
    EXPECT_NEAR(damping, 0.5, 64 * kEps);
}

// A zero or a change of sign has no logarithm: -20036 with both outputs 0,
// never NaN coefficients with code 0.
TEST(ExpFitCoef, DataNotStrictlyOfOneSignAreRefused) {
    const double x[] = {0, 1, 2};
    for (const std::vector<double> &y : {std::vector<double>{1, -1, 2}, {0, 1, 2}, {-1, 0, -2}, {2, 1, 0}}) {
        double amplitude = 7, damping = 7;
        EXPECT_EQ(ExpFitCoef(x, y.data(), 3, &amplitude, &damping), kErrMixedSigns) << y[0] << " " << y[1];
        EXPECT_EQ(amplitude, 0.0);
        EXPECT_EQ(damping, 0.0);
    }
}

ORIN_CONTRACT_TABLE(LineFitEntryPoints) {
    const auto fit = [](const char *name, int32_t code, auto entry, std::vector<double> y, std::vector<double> x) {
        return orintest::errorRow(name, code, [=](Contract &c, int32_t *error) {
            return entry(c.input<DoubleArray>(y), c.input<DoubleArray>(x), c.scalar(), c.scalar(), error);
        });
    };
    return {
        fit("LinFitCoef_head lengths", kErrArraySizeMismatch, LinFitCoef_head, {1, 2, 3}, {1, 2}),
        fit("LinFitCoef_head one point", kErrTooFewSamples, LinFitCoef_head, {1}, {1}),
        fit("ExpFitCoef_head lengths", kErrArraySizeMismatch, ExpFitCoef_head, {1}, {1, 2}),
        fit("ExpFitCoef_head signs", kErrMixedSigns, ExpFitCoef_head, {1, -1}, {1, 2}),
        fit("ExpFitCoef_head one point", kErrTooFewSamples, ExpFitCoef_head, {1}, {1}),
    };
}
