// Periodic waveforms against their shapes evaluated in long double at the
// exact phase, phase continuity across blocks, and phase reduction.
#include <orin/generation.h>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "support/reference.h"

using orintest::kEps;

namespace {

constexpr long double kPiL = 3.141592653589793238462643383279502884L;

long double reduced(long double p, long double period) {
    long double q = std::fmod(p, period);
    return q < 0 ? q + period : q;
}

long double squareShape(long double p, long double d) { return reduced(p, 360) < d * 360 ? 1 : -1; }
long double triangleShape(long double p) {
    const long double v = reduced(p, 360) / 180;
    return v < 0.5L ? 2 * v : (v < 1.5L ? 2 * (1 - v) : 2 * (v - 2));
}
long double sawtoothShape(long double p) {
    const long double q = reduced(p, 360);
    return q < 180 ? q / 180 : q / 180 - 2;
}

// One generator under test with its long-double model.
struct Waveform {
    const char *name;
    std::function<int32_t(int32_t, double, double, double *, double *)> generate;
    std::function<long double(long double)> shape;  // of the exact phase in degrees
    bool continuous;
};

std::vector<Waveform> waveforms() {
    return {
        {"SineWave", [](int32_t n, double a, double f, double *p, double *o) { return SineWave(n, a, f, p, o); },
         [](long double p) { return std::sin(p * kPiL / 180); }, true},
        {"SquareWave", [](int32_t n, double a, double f, double *p, double *o) { return SquareWave(n, a, f, p, 30, o); },
         [](long double p) { return squareShape(p, 0.3L); }, false},
        {"TriangleWave", [](int32_t n, double a, double f, double *p, double *o) { return TriangleWave(n, a, f, p, o); },
         triangleShape, true},
        {"SawtoothWave", [](int32_t n, double a, double f, double *p, double *o) { return SawtoothWave(n, a, f, p, o); },
         sawtoothShape, false},
    };
}

// Phase error after i steps: each accumulation rounds to half an ulp of the
// largest phase P reached, and the conversion to radians adds one more eps
// relative; the sine or the piecewise-linear shapes (slope at most 1/90 per
// degree) turn a phase error of e degrees into at most e * pi/180 or e/90.
double sampleBound(double amp, int i, double largestPhase) {
    return std::fabs(amp) * ((i + 2) * kEps * largestPhase / 90 + 4 * kEps);
}

}  // namespace

TEST(SineWave, QuarterCycleStepsAndReturnedPhase) {
    double phase = 0;
    std::vector<double> x(4);
    ASSERT_EQ(SineWave(4, 1, 0.25, &phase, x.data()), 0);
    const double expected[] = {0, 1, 0, -1};
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(x[static_cast<size_t>(i)], expected[i], 4 * kEps) << "i=" << i;
    EXPECT_EQ(phase, 0.0);
    phase = 0;
    ASSERT_EQ(SineWave(3, 1, 0.25, &phase, x.data()), 0);
    EXPECT_EQ(phase, 270.0);
}

TEST(Waveforms, MatchShapesAtExactPhase) {
    struct Run {
        double amp, f, phase;
        int n;
    };
    const Run runs[] = {{1, 0.0123457, 0, 500}, {2.5, -0.031, 17.5, 400}, {-0.7, 0.2071, -1234.5, 300},
                        {3, 0.0071, 7.2e5, 200}};
    for (const Waveform &w : waveforms()) {
        for (const Run &r : runs) {
            double phase = r.phase;
            std::vector<double> x(static_cast<size_t>(r.n));
            ASSERT_EQ(w.generate(r.n, r.amp, r.f, &phase, x.data()), 0) << w.name;
            const double largest = std::fabs(r.phase) + r.n * std::fabs(r.f) * 360;
            for (int i = 0; i < r.n; ++i) {
                const long double p = r.phase + static_cast<long double>(r.f) * 360 * i;
                EXPECT_NEAR(x[static_cast<size_t>(i)], static_cast<double>(r.amp * w.shape(p)), sampleBound(r.amp, i, largest))
                    << w.name << " f=" << r.f << " phase=" << r.phase << " i=" << i;
            }
            const long double end = reduced(r.phase + static_cast<long double>(r.f) * 360 * r.n, 360);
            EXPECT_NEAR(phase, static_cast<double>(end), (r.n + 2) * kEps * largest) << w.name << " f=" << r.f;
        }
    }
}

TEST(Waveforms, BlocksInPiecesEqualOneBlock) {
    const double amp = 1.25, f = 0.0173, start = 33;
    for (const Waveform &w : waveforms()) {
        double phase = start;
        std::vector<double> one(600);
        ASSERT_EQ(w.generate(600, amp, f, &phase, one.data()), 0);
        const double endOfOne = phase;
        phase = start;
        std::vector<double> pieces;
        for (int len : {1, 99, 7, 200, 293}) {
            std::vector<double> block(static_cast<size_t>(len));
            ASSERT_EQ(w.generate(len, amp, f, &phase, block.data()), 0) << w.name;
            pieces.insert(pieces.end(), block.begin(), block.end());
        }
        ASSERT_EQ(pieces.size(), one.size());
        // Both runs stay within the phase-accumulation bound of the exact
        // phase; the reductions between blocks only shrink the phase.
        for (size_t i = 0; i < one.size(); ++i)
            EXPECT_NEAR(pieces[i], one[i], 2 * sampleBound(amp, static_cast<int>(i), start + 600 * f * 360))
                << w.name << " i=" << i;
        EXPECT_NEAR(phase, endOfOne, 600 * kEps * 360) << w.name;
    }
}

TEST(Waveforms, ReturnedPhaseIsReducedIntoRange) {
    std::vector<double> x(3);
    struct Case {
        double phase, f;
        int n;
        double expected;
    };
    const Case cases[] = {{-30, 0, 1, 330},          {-725, 0.5, 2, 355}, {5000, 0, 1, 320},
                          {-1e-300, 0, 1, 0},        {1e6, 0.25, 3, 190}, {10, -0.25, 3, 10 - 270 + 360},
                          {-360, 0, 2, 0}};
    for (const Waveform &w : waveforms()) {
        for (const Case &c : cases) {
            double phase = c.phase;
            ASSERT_EQ(w.generate(c.n, 1, c.f, &phase, x.data()), 0);
            EXPECT_EQ(phase, c.expected) << w.name << " start " << c.phase;
            EXPECT_GE(phase, 0.0);
            EXPECT_LT(phase, 360.0);
        }
        double phase = 45;
        EXPECT_EQ(w.generate(0, 1, 0.1, &phase, x.data()), kErrEmptyArray) << w.name;
        EXPECT_EQ(phase, 45.0) << w.name;
    }
}

TEST(SquareWave, DutyCycleIsLimitedToWholePeriod) {
    std::vector<double> x(16);
    double phase = 0;
    ASSERT_EQ(SquareWave(16, 2, 0.125, &phase, 50, x.data()), 0);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(x[static_cast<size_t>(i)], (i % 8) < 4 ? 2.0 : -2.0) << "i=" << i;
    struct Case {
        double duty, level;
    };
    for (const Case &c : {Case{0, -2}, Case{-20, -2}, Case{100, 2}, Case{150, 2}}) {
        phase = 0;
        ASSERT_EQ(SquareWave(16, 2, 0.0913, &phase, c.duty, x.data()), 0);
        for (double v : x) EXPECT_EQ(v, c.level) << "duty " << c.duty;
    }
    // A start phase just below 0 reduces to 0, not to 360 (which would fall
    // outside a 100 % high part).
    phase = -1e-300;
    ASSERT_EQ(SquareWave(1, 2, 0, &phase, 100, x.data()), 0);
    EXPECT_EQ(x[0], 2.0);
}

TEST(TriangleAndSawtooth, DocumentedSamples) {
    std::vector<double> x(8);
    double phase = 0;
    ASSERT_EQ(TriangleWave(8, 1, 0.125, &phase, x.data()), 0);
    const double tri[] = {0, 0.5, 1, 0.5, 0, -0.5, -1, -0.5};
    for (int i = 0; i < 8; ++i) EXPECT_NEAR(x[static_cast<size_t>(i)], tri[i], 2 * kEps) << "i=" << i;
    phase = 0;
    ASSERT_EQ(SawtoothWave(4, 1, 0.25, &phase, x.data()), 0);
    const double saw[] = {0, 0.5, -1, -0.5};
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(x[static_cast<size_t>(i)], saw[i], 2 * kEps) << "i=" << i;
}

TEST(ArbitraryWave, TableLookupAndInterpolation) {
    const double two[] = {0, 1};
    std::vector<double> x(6);
    double phase = 0;
    ASSERT_EQ(ArbitraryWave(6, 1, 0.25, &phase, two, 2, 0, x.data()), 0);
    EXPECT_EQ(x, (std::vector<double>{0, 0, 1, 1, 0, 0}));
    EXPECT_EQ(phase, 180.0);
    phase = 0;
    ASSERT_EQ(ArbitraryWave(6, 2, 0.25, &phase, two, 2, 1, x.data()), 0);
    EXPECT_EQ(x, (std::vector<double>{0, 1, 2, 1, 0, 1}));

    // A random table, stepped at a non-commensurate frequency both ways,
    // against positions computed in long double.
    const auto table = orintest::randomDoubles(17, 3);
    for (int interp : {0, 1}) {
        for (double f : {0.0371, -0.0113}) {
            phase = 100;
            std::vector<double> y(300);
            ASSERT_EQ(ArbitraryWave(300, 1.5, f, &phase, table.data(), 17, interp, y.data()), 0);
            for (int i = 0; i < 300; ++i) {
                const long double pos = reduced(17.0L / 360 * 100 + 17.0L * f * i, 17);
                const int j = static_cast<int>(pos);
                long double v = table[static_cast<size_t>(j)];
                if (interp == 1) v += (pos - j) * (table[static_cast<size_t>((j + 1) % 17)] - v);
                // The position accumulates half an ulp of the largest
                // position L per step; interpolation slopes are below 2 per
                // table step (entries in [-1, 1)). Without interpolation the
                // entry is exact.
                const double L = 17.0 / 360 * 100 + 300 * 17 * std::fabs(f);
                const double bound = interp ? 1.5 * 2 * (i + 2) * kEps * L + 8 * kEps : 0;
                EXPECT_NEAR(y[static_cast<size_t>(i)], static_cast<double>(1.5L * v), bound)
                    << "interp " << interp << " f=" << f << " i=" << i;
            }
        }
    }
}

TEST(ArbitraryWave, EmptyTableAndPhaseJustBelowZero) {
    std::vector<double> x(5, 7.0);
    double phase = 123;
    ASSERT_EQ(ArbitraryWave(5, 1, 0.1, &phase, nullptr, 0, 1, x.data()), 0);
    EXPECT_EQ(x, std::vector<double>(5, 0.0));
    EXPECT_EQ(phase, 0.0);
    // Position -tiny reduces to 0 (entry 0), never to m, which would read
    // past the table.
    const double table[] = {4, 5, 6};
    phase = -1e-300;
    ASSERT_EQ(ArbitraryWave(1, 1, 0, &phase, table, 3, 0, x.data()), 0);
    EXPECT_EQ(x[0], 4.0);
    phase = 0;
    ASSERT_EQ(ArbitraryWave(2, 1, -1e-18, &phase, table, 3, 1, x.data()), 0);
    EXPECT_EQ(x[1], 4.0);
    phase = 0;
    EXPECT_EQ(ArbitraryWave(0, 1, 0.1, &phase, table, 3, 1, x.data()), kErrEmptyArray);
    // A NaN phase has no table position: the samples are NaN.
    phase = NAN;
    ASSERT_EQ(ArbitraryWave(2, 1, 0.1, &phase, table, 3, 1, x.data()), 0);
    EXPECT_TRUE(std::isnan(x[0]));
}
