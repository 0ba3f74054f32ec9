// Calculus, decimation and unwrapping against long-double direct formulas
// and the polynomial exactness of the Newton-Cotes rules.
#include <orin/timedomain.h>

#include "support/prelude.h"

#include <numbers>

using LD = long double;

TEST(Calculus, RunningIntegralAndDerivativeMatchDirectSums) {
    for (int n : {1, 2, 500}) {
        const auto x = orintest::randomDoubles(static_cast<size_t>(n), 10u + n, -3, 3);
        const double dt = 0.125, a = 0.75, b = -1.5;
        auto at = [&](long k) -> LD { return k < 0 ? a : k >= n ? b : x[static_cast<size_t>(k)]; };
        DoubleHandle integral(x), derivative(x);
        int32_t e1 = 1, e2 = 1;
        ASSERT_EQ(Integral(integral, &a, &b, &dt, &e1) + Derivative(derivative, &a, &b, &dt, &e2), 0);
        ASSERT_EQ(e1 + e2, 0);
        LD sum = 0, magnitude = 0;
        for (long i = 0; i < n; ++i) {
            sum += at(i - 1) + 4 * at(i) + at(i + 1);
            magnitude += std::fabs(at(i - 1)) + 4 * std::fabs(at(i)) + std::fabs(at(i + 1));
            // Both keep the running sum in extended precision: one rounding.
            EXPECT_NEAR(integral.values()[i], static_cast<double>(sum * dt / 6),
                        2 * kEps * static_cast<double>(magnitude * dt / 6));
            const LD slope = (at(i + 1) - at(i - 1)) / (2 * static_cast<LD>(dt));
            EXPECT_NEAR(derivative.values()[i], static_cast<double>(slope),
                        4 * kEps * std::fabs(static_cast<double>(slope)));
        }
    }
}

TEST(NumerIntegration, RulesAreExactOnPolynomialsOfTheirDegree) {
    struct Rule {
        int32_t method, degree, panel;  // degree of exactness, intervals per panel
    };
    const double coef[] = {0.5, -1.25, 0.75, 2.0, -0.5, 0.3};
    for (const Rule &r : {Rule{0, 1, 1}, Rule{1, 3, 2}, Rule{2, 3, 3}, Rule{3, 5, 4}}) {
        for (int32_t panels : {1, 5}) {
            const int32_t n = panels * r.panel + 1;
            const double h = 0.25, end = h * (n - 1);
            std::vector<double> x(static_cast<size_t>(n));
            LD exact = 0, scale = 0;
            for (int d = 0; d <= r.degree; ++d) {
                exact += coef[d] * std::pow(static_cast<LD>(end), d + 1) / (d + 1);
                scale += std::fabs(coef[d]) * std::pow(static_cast<LD>(end), d + 1);
            }
            for (int32_t i = 0; i < n; ++i)
                for (int d = r.degree; d >= 0; --d)
                    x[static_cast<size_t>(i)] = x[static_cast<size_t>(i)] * (h * i) + coef[d];
            for (double dt : {h, -h}) {  // the sign of dt is ignored
                double value = 0;
                ASSERT_EQ(NumerIntegration(x.data(), n, dt, &value, r.method), 0);
                EXPECT_NEAR(value, static_cast<double>(exact), 64 * kEps * static_cast<double>(scale))
                    << "method " << r.method << " n " << n;
            }
        }
        // Any n: the intervals left over use rules exact on straight lines.
        for (int32_t n = r.panel + 1; n < r.panel + 9; ++n) {
            std::vector<double> x(static_cast<size_t>(n));
            for (int32_t i = 0; i < n; ++i) x[static_cast<size_t>(i)] = 3.0 - 0.5 * i;
            double value = 0;
            ASSERT_EQ(NumerIntegration(x.data(), n, 1.0, &value, r.method), 0);
            const double end = n - 1.0;
            EXPECT_NEAR(value, 3.0 * end - 0.25 * end * end, 32 * kEps * end * end) << r.method << " n " << n;
        }
    }
}

TEST(Decimate, MatchesDirectGroupingInPlace) {
    const auto x = orintest::randomDoubles(103, 5);
    for (int32_t f : {1, 7, 103}) {
        for (int32_t average : {0, 1}) {
            auto y = x;
            ASSERT_EQ(Decimate(y.data(), 103, f, average, y.data()), 0);
            for (int32_t j = 0; j < 103 / f; ++j) {
                LD s = 0;
                for (int32_t i = 0; i < f; ++i) s += x[static_cast<size_t>(j * f + i)];
                EXPECT_NEAR(y[static_cast<size_t>(j)],
                            average ? static_cast<double>(s / f) : x[static_cast<size_t>(j * f)], 2 * kEps)
                    << "f " << f << " j " << j;
            }
        }
    }
    // The entry point, in place on its handle (its refused resize: the sweep).
    DoubleHandle h({1, 2, 3, 4, 5, 6, 7, 8});
    const int32_t two = 2;
    const uint8_t yes = 1;
    int32_t error = 9;
    EXPECT_EQ(DecimateCIN(h, &two, &yes, &error) + error, 0);
    EXPECT_EQ(h.values(), (std::vector<double>{1.5, 3.5, 5.5, 7.5}));
}

TEST(UnWrap, FollowsTheTurnRuleBitForBit) {
    // The rule literally, sample by sample; steps drawn from whole and half
    // turns and their neighbours (ties, where half a turn must round up, and
    // near-ties), plus noise.
    const double twoPi = 2 * std::numbers::pi;
    std::mt19937_64 gen(91);
    std::vector<double> p(20000);
    for (size_t i = 0; i < p.size(); ++i) {
        const double half = static_cast<double>(static_cast<int64_t>(gen() % 21) - 10) * std::numbers::pi;
        const int nudge = static_cast<int>(gen() % 5) - 2;
        double v = i % 3 ? half : orintest::randomDoubles(1, i)[0] * 20;
        for (int k = 0; k < std::abs(nudge); ++k) v = std::nextafter(v, nudge > 0 ? 1e300 : -1e300);
        p[i] = (i > 0 && i % 3 == 1 ? p[i - 1] : 0.0) + v;
    }
    auto expected = p;
    for (size_t i = 1; i < expected.size(); ++i)
        expected[i] -= twoPi * std::floor((expected[i] - expected[i - 1]) / twoPi + 0.5);
    ASSERT_EQ(UnWrap1D(p.data(), static_cast<int32_t>(p.size())), 0);
    for (size_t i = 0; i < p.size(); ++i) ASSERT_EQ(p[i], expected[i]) << i;
}
