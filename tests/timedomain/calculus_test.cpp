// Calculus, decimation and unwrapping against long-double direct formulas,
// polynomial exactness of the Newton-Cotes rules, and closed forms.
#include <orin/timedomain.h>

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "support/allocation_failure.h"
#include "support/handles.h"
#include "support/reference.h"

using orintest::DoubleHandle;
using orintest::isIDNaN;
using orintest::kEps;
using orintest::randomDoubles;

namespace {

using LD = long double;

// x[k] for k in -1..n, the boundary values standing for x[-1] and x[n].
LD at(const std::vector<double> &x, long k, double initial, double final) {
    return k < 0 ? initial : k >= static_cast<long>(x.size()) ? final : x[static_cast<size_t>(k)];
}

}  // namespace

TEST(Integral, RunningSumMatchesDirectEvaluationInPlace) {
    for (int n : {1, 2, 7, 500}) {
        const auto x = randomDoubles(static_cast<size_t>(n), 10u + n, -3, 3);
        const double dt = 0.125, a = 0.75, b = -1.5;
        DoubleHandle h(x);
        int32_t error = 1;
        ASSERT_EQ(Integral(h, &a, &b, &dt, &error), 0);
        ASSERT_EQ(error, 0);
        LD sum = 0, magnitude = 0;
        for (int i = 0; i < n; ++i) {
            const LD term = at(x, i - 1, a, b) + 4 * at(x, i, a, b) + at(x, i + 1, a, b);
            sum += term;
            magnitude += std::fabs(at(x, i - 1, a, b)) + 4 * std::fabs(at(x, i, a, b)) + std::fabs(at(x, i + 1, a, b));
            // One rounding to double of an extended sum of i + 1 terms.
            EXPECT_NEAR(h.values()[i], static_cast<double>(sum * dt / 6), 2 * kEps * static_cast<double>(magnitude * dt / 6))
                << "n=" << n << " i=" << i;
        }
    }
    DoubleHandle ones({1, 1, 1, 1});
    const double one = 1;
    int32_t error = 0;
    Integral(ones, &one, &one, &one, &error);
    EXPECT_EQ(ones.values(), (std::vector<double>{1, 2, 3, 4}));
}

TEST(Derivative, CentralDifferenceMatchesDirectEvaluation) {
    const auto x = randomDoubles(300, 21, -5, 5);
    const double dt = 0.01, a = 2, b = -2;
    DoubleHandle h(x);
    int32_t error = 1;
    ASSERT_EQ(Derivative(h, &a, &b, &dt, &error), 0);
    ASSERT_EQ(error, 0);
    for (int i = 0; i < 300; ++i) {
        const LD expected = (at(x, i + 1, a, b) - at(x, i - 1, a, b)) / (2 * static_cast<LD>(dt));
        EXPECT_NEAR(h.values()[i], static_cast<double>(expected), 4 * kEps * std::fabs(static_cast<double>(expected)))
            << i;
    }
    DoubleHandle squares({0, 1, 4, 9});
    const double one = 1, sixteen = 16;
    Derivative(squares, &one, &sixteen, &one, &error);
    EXPECT_EQ(squares.values(), (std::vector<double>{0, 2, 4, 6}));
}

TEST(Calculus, CheckOrderAndEmptiedHandles) {
    const double zero = 0, one = 1, nan = std::nan("");
    int32_t error = 0;
    // Empty and dt = 0: the integral reports the empty record, the
    // derivative the interval.
    DoubleHandle empty;
    Integral(empty, &one, &one, &zero, &error);
    EXPECT_EQ(error, kErrEmptyArray);
    Derivative(empty, &one, &one, &zero, &error);
    EXPECT_EQ(error, kErrSamplingInterval);
    for (double dt : {zero, -1.0, nan}) {
        DoubleHandle a({1, 2, 3}), b({1, 2, 3});
        Integral(a, &one, &one, &dt, &error);
        EXPECT_EQ(error, kErrSamplingInterval) << dt;
        EXPECT_TRUE(a.emptied());
        Derivative(b, &one, &one, &dt, &error);
        EXPECT_EQ(error, kErrSamplingInterval) << dt;
        EXPECT_TRUE(b.emptied());
    }
}

TEST(NumerIntegration, RulesAreExactOnPolynomialsOfTheirDegree) {
    // Degree of exactness of each composite rule with whole panels only,
    // and the panel length in intervals.
    struct Rule {
        int32_t method, degree, panel;
    };
    const Rule rules[] = {{0, 1, 1}, {1, 3, 2}, {2, 3, 3}, {3, 5, 4}};
    const double coef[] = {0.5, -1.25, 0.75, 2.0, -0.5, 0.3};
    for (const Rule &r : rules) {
        for (int32_t panels : {1, 2, 5}) {
            const int32_t n = panels * r.panel + 1;
            for (double dt : {0.25, -0.25}) {
                std::vector<double> x(static_cast<size_t>(n));
                LD exact = 0, scale = 0;
                for (int d = 0; d <= r.degree; ++d) {
                    const LD end = std::fabs(dt) * (n - 1);
                    exact += coef[d] * std::pow(end, d + 1) / (d + 1);
                    scale += std::fabs(coef[d]) * std::pow(end, d + 1);
                }
                for (int32_t i = 0; i < n; ++i) {
                    LD v = 0;
                    for (int d = r.degree; d >= 0; --d) v = v * (std::fabs(dt) * i) + coef[d];
                    x[static_cast<size_t>(i)] = static_cast<double>(v);
                }
                double value = 0;
                ASSERT_EQ(NumerIntegration(x.data(), n, dt, &value, r.method), 0);
                // Rounding of the samples and of the weighted sum only.
                EXPECT_NEAR(value, static_cast<double>(exact), 64 * kEps * static_cast<double>(scale))
                    << "method=" << r.method << " n=" << n << " dt=" << dt;
            }
        }
        // Any n: the left-over intervals use rules exact on straight lines.
        for (int32_t n = r.panel + 1; n < r.panel + 9; ++n) {
            std::vector<double> x(static_cast<size_t>(n));
            for (int32_t i = 0; i < n; ++i) x[static_cast<size_t>(i)] = 3.0 - 0.5 * i;
            double value = 0;
            ASSERT_EQ(NumerIntegration(x.data(), n, 1.0, &value, r.method), 0);
            const double end = n - 1.0;
            EXPECT_NEAR(value, 3.0 * end - 0.25 * end * end, 32 * kEps * end * end) << r.method << " n=" << n;
        }
    }
    const double squares[] = {0, 1, 4, 9, 16};
    double v = 0;
    NumerIntegration(squares, 5, 1, &v, 0);
    EXPECT_EQ(v, 22.0);
    NumerIntegration(squares, 5, 1, &v, 1);
    EXPECT_NEAR(v, 64.0 / 3, 4 * kEps * 22);
    NumerIntegration(squares, 5, 1, &v, 3);
    EXPECT_NEAR(v, 64.0 / 3, 4 * kEps * 22);
    // n = 4 with Simpson: one panel (0..2) and a trapezoid (2..3).
    NumerIntegration(squares, 4, 1, &v, 1);
    EXPECT_NEAR(v, 8.0 / 3 + 6.5, 4 * kEps * 10);
}

TEST(NumerIntegration, Codes) {
    const double x[] = {1, 2, 3, 4, 5};
    double v = 0;
    EXPECT_EQ(NumerIntegration(x, 5, 1, &v, -1), kErrInvalidSelector);
    EXPECT_EQ(NumerIntegration(x, 0, 1, &v, 4), kErrInvalidSelector);
    for (int32_t method = 0; method < 4; ++method)
        EXPECT_EQ(NumerIntegration(x, method + 1, 1, &v, method), kErrBadArraySize) << method;
    DoubleHandle empty, two({1, 2});
    const double dt = 1;
    const int32_t simpson = 1;
    int32_t error = 0;
    NumerIntegration_head(empty, &dt, &simpson, &v, &error);
    EXPECT_EQ(error, kErrEmptyArray);
    EXPECT_TRUE(isIDNaN(v));
    NumerIntegration_head(two, &dt, &simpson, &v, &error);
    EXPECT_EQ(error, kErrBadArraySize);
    EXPECT_TRUE(isIDNaN(v));
}

TEST(Decimate, MatchesDirectGroupingInPlace) {
    const auto x = randomDoubles(103, 5);
    for (int32_t f : {1, 2, 7, 51, 103}) {
        for (int32_t average : {0, 1}) {
            auto y = x;
            ASSERT_EQ(Decimate(y.data(), 103, f, average, y.data()), 0);
            for (int32_t j = 0; j < 103 / f; ++j) {
                LD s = 0;
                for (int32_t i = 0; i < f; ++i) s += x[static_cast<size_t>(j * f + i)];
                const double expected = average ? static_cast<double>(s / f) : x[static_cast<size_t>(j * f)];
                EXPECT_NEAR(y[static_cast<size_t>(j)], expected, 2 * kEps) << "f=" << f << " j=" << j;
            }
        }
    }
    DoubleHandle h({1, 2, 3, 4, 5, 6, 7});
    const int32_t three = 3;
    const uint8_t yes = 1;
    int32_t error = 1;
    ASSERT_EQ(DecimateCIN(h, &three, &yes, &error), 0);
    EXPECT_EQ(error, 0);
    EXPECT_EQ(h.values(), (std::vector<double>{2, 5}));
    double out[7];
    EXPECT_EQ(Decimate(x.data(), 7, 8, 0, out), kErrDecimatingFactor);
    EXPECT_EQ(Decimate(x.data(), 7, 0, 0, out), kErrDecimatingFactor);
    EXPECT_EQ(Decimate(x.data(), 0, 0, 0, out), kErrEmptyArray);
    DoubleHandle bad({1, 2});
    DecimateCIN(bad, &three, &yes, &error);
    EXPECT_EQ(error, kErrDecimatingFactor);
    EXPECT_TRUE(bad.emptied());
}

TEST(UnWrap, RecoversASmoothPhaseFromItsWrappedValues) {
    // Steps below half a turn: unwrapping the wrapped phase gives back the
    // phase less the whole turns of its first sample.
    std::mt19937_64 gen(77);
    std::uniform_real_distribution<double> step(-3.0, 3.0);
    std::vector<LD> phase(400);
    phase[0] = 10.0;
    for (size_t i = 1; i < phase.size(); ++i) phase[i] = phase[i - 1] + step(gen);
    const LD twoPi = 2 * std::numbers::pi_v<LD>;
    std::vector<double> p(phase.size());
    for (size_t i = 0; i < p.size(); ++i) p[i] = static_cast<double>(std::remainder(phase[i], twoPi));
    DoubleHandle h(p);
    int32_t error = 1;
    ASSERT_EQ(UnWrap(h, &error), 0);
    ASSERT_EQ(error, 0);
    const LD offset = phase[0] - p[0];
    for (size_t i = 0; i < p.size(); ++i)
        EXPECT_NEAR(h.values()[i], static_cast<double>(phase[i] - offset), 1e-12 * (1 + i)) << i;

    double q[] = {0, 3, -3};
    ASSERT_EQ(UnWrap1D(q, 3), 0);
    EXPECT_EQ(q[2], -3 + 2 * std::numbers::pi);
    // Exactly half a turn rounds upward: pi becomes -pi.
    double tie[] = {0, std::numbers::pi};
    UnWrap1D(tie, 2);
    EXPECT_EQ(tie[1], -std::numbers::pi);
    DoubleHandle empty;
    UnWrap(empty, &error);
    EXPECT_EQ(error, kErrEmptyArray);
}

ORIN_ALLOCATION_CASE(DecimateCIN, 1) {
    DoubleHandle h({1, 2, 3, 4, 5, 6, 7, 8});
    const int32_t two = 2;
    const uint8_t no = 0;
    int32_t error = 0;
    const MgErr status = inj.call([&] { return DecimateCIN(h, &two, &no, &error); });
    if (inj.failing()) {
        EXPECT_NE(status, 0);
        EXPECT_EQ(error, kErrOutOfMemory);
        EXPECT_TRUE(h.emptied());
    } else {
        EXPECT_EQ(h.values(), (std::vector<double>{1, 3, 5, 7}));
    }
}
