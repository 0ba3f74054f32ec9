// The random source and the noise generators against a reference generator
// written from the definition (three congruential generators with 32-bit
// wrap-around, summed modulo 1), and statistical sanity on long streams.
#include <orin/generation.h>
#include <orin/host.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "support/handles.h"
#include "support/reference.h"
#include "wichmann_hill.h"

using orintest::DoubleHandle;
using orintest::kEps;
using orintest::ReferenceGenerator;

namespace {

struct State {
    int32_t s1 = 0, s2 = 0, s3 = 0;
};

// The whole caller-held state of a Gaussian stream.
struct GaussState : State {
    int32_t have = 0;
    double spare = 0;
    int32_t draw(int32_t n, double sd, int32_t seed, double *out) {
        return GaussNoise(n, sd, seed, out, &s1, &s2, &s3, &have, &spare);
    }
};

}  // namespace

TEST(Random, SeedingAndFirstValueFollowTheDefinition) {
    State s{5, 6, 7};
    srandnum(1, &s.s1, &s.s2, &s.s3);
    EXPECT_EQ(s.s1, 1);
    EXPECT_EQ(s.s2, 8191);
    EXPECT_EQ(s.s3, 1);
    const double u = frandnum(&s.s1, &s.s2, &s.s3);
    EXPECT_EQ(s.s1, 171);
    EXPECT_EQ(s.s2, 14730);
    EXPECT_EQ(s.s3, 170);
    // The exact rational value; the rounded reciprocals and the final
    // rounding move it by a few eps at most.
    const long double exact = 171.0L / 30269 + 14730.0L / 30307 + 170.0L / 30323;
    EXPECT_NEAR(u, static_cast<double>(exact), 4 * kEps);
    EXPECT_NEAR(u, 0.4972, 1e-4);
    // Seed 0 leaves the state exactly as it is.
    const State before = s;
    srandnum(0, &s.s1, &s.s2, &s.s3);
    EXPECT_EQ(s.s1, before.s1);
    EXPECT_EQ(s.s2, before.s2);
    EXPECT_EQ(s.s3, before.s3);
}

TEST(Random, StreamsMatchReferenceIncludingWrappedAndNegativeSeeds) {
    // 1 << 30: 171 * s1 wraps to a negative int32 and the stream continues
    // with a negative s1; INT32_MAX wraps too; -5 and INT32_MIN are negative
    // seeds given to srandnum directly.
    for (int32_t seed : {1, 12345, 30268, 30269, 1 << 30, INT32_MAX, -5, INT32_MIN}) {
        State s;
        ReferenceGenerator ref{0, 0, 0};
        srandnum(seed, &s.s1, &s.s2, &s.s3);
        ref.seed(seed);
        bool sawNegative = false;
        for (int i = 0; i < 3000; ++i) {
            if (i % 2) {
                const int32_t v = randnum(&s.s1, &s.s2, &s.s3);
                EXPECT_EQ(v, ref.integer()) << "seed " << seed << " step " << i;
                EXPECT_GT(v, -32768);
                EXPECT_LT(v, 32768);
                sawNegative = sawNegative || v < 0;
            } else {
                const double u = frandnum(&s.s1, &s.s2, &s.s3);
                EXPECT_NEAR(u, ref.uniform(), 2 * kEps) << "seed " << seed << " step " << i;
                EXPECT_GE(u, 0.0);
                EXPECT_LT(u, 1.0);
            }
            ASSERT_EQ(s.s1, ref.s1) << "seed " << seed << " step " << i;
            ASSERT_EQ(s.s2, ref.s2) << "seed " << seed << " step " << i;
            ASSERT_EQ(s.s3, ref.s3) << "seed " << seed << " step " << i;
        }
        // randnum truncates toward zero: once s1 is negative, values below 0
        // appear.
        if (seed == (1 << 30) || seed < 0) {
            EXPECT_TRUE(sawNegative) << "seed " << seed;
        }
        if (seed == 1) {
            EXPECT_FALSE(sawNegative);
        }
    }
}

TEST(WhiteNoise, ScalesUniformStreamAndAppliesSeedRule) {
    State s;
    std::vector<double> out(500);
    ASSERT_EQ(WhiteNoise(500, 2.5, 77, out.data(), &s.s1, &s.s2, &s.s3), 0);
    ReferenceGenerator ref{0, 0, 0};
    ref.seed(77);
    for (size_t i = 0; i < out.size(); ++i) {
        const double expected = (ref.uniform() - 0.5) * 5.0;
        EXPECT_NEAR(out[i], expected, 8 * kEps) << "i=" << i;
        EXPECT_GE(out[i], -2.5);
        EXPECT_LT(out[i], 2.5);
    }
    // Seed 0 and a negative seed both continue the state.
    State a = s, b = s;
    std::vector<double> x(40), y(40);
    ASSERT_EQ(WhiteNoise(40, 1, 0, x.data(), &a.s1, &a.s2, &a.s3), 0);
    ASSERT_EQ(WhiteNoise(40, 1, -3, y.data(), &b.s1, &b.s2, &b.s3), 0);
    EXPECT_EQ(x, y);
    EXPECT_EQ(a.s1, b.s1);
    // A positive seed restarts: the first block again.
    std::vector<double> again(500);
    ASSERT_EQ(WhiteNoise(500, 2.5, 77, again.data(), &a.s1, &a.s2, &a.s3), 0);
    EXPECT_EQ(again, out);
    // Amplitude 0: zeros, but the state still advances by n steps.
    State z;
    srandnum(9, &z.s1, &z.s2, &z.s3);
    ReferenceGenerator zr{z.s1, z.s2, z.s3};
    std::vector<double> zeros(33, 1.0);
    ASSERT_EQ(WhiteNoise(33, 0, -1, zeros.data(), &z.s1, &z.s2, &z.s3), 0);
    for (double v : zeros) EXPECT_EQ(std::fabs(v), 0.0);
    for (int i = 0; i < 33; ++i) zr.sum();
    EXPECT_EQ(z.s1, zr.s1);
    EXPECT_EQ(z.s3, zr.s3);
    EXPECT_EQ(WhiteNoise(0, 1, 5, zeros.data(), &z.s1, &z.s2, &z.s3), kErrEmptyArray);
    EXPECT_EQ(z.s1, zr.s1) << "a refused call does not reseed";
}

TEST(WhiteNoise, LongStreamHasUniformMoments) {
    // One million draws of U[-1, 1): mean 0 and variance 1/3 with standard
    // errors sqrt(1/3 / N) = 5.8e-4 and sqrt((1/5 - 1/9) / N) = 3.0e-4; a
    // correct generator leaves six standard errors with probability 2e-9.
    const int N = 1000000;
    State s;
    std::vector<double> x(N);
    ASSERT_EQ(WhiteNoise(N, 1, 4242, x.data(), &s.s1, &s.s2, &s.s3), 0);
    long double m = 0, q = 0;
    int lowQuarter = 0;
    for (double v : x) {
        m += v;
        q += static_cast<long double>(v) * v;
        lowQuarter += v < -0.5;
    }
    m /= N;
    q = q / N - m * m;
    EXPECT_NEAR(static_cast<double>(m), 0.0, 6 * 5.8e-4);
    EXPECT_NEAR(static_cast<double>(q), 1.0 / 3, 6 * 3.0e-4);
    // Fraction below -0.5: 1/4 with standard error sqrt(3/16 / N) = 4.3e-4.
    EXPECT_NEAR(lowQuarter / static_cast<double>(N), 0.25, 6 * 4.3e-4);
}

TEST(GaussNoise, MatchesPolarMethodOnReferenceStream) {
    GaussState s;
    s.have = 1;
    s.spare = 123;
    std::vector<double> out(301);
    ASSERT_EQ(s.draw(301, 1.5, 31, out.data()), 0);
    ReferenceGenerator ref{0, 0, 0};
    ref.seed(31);
    std::vector<long double> expected;
    while (expected.size() < out.size()) {
        long double a, b, r;
        do {
            a = 2.0L * ref.uniform() - 1;
            b = 2.0L * ref.uniform() - 1;
            r = a * a + b * b;
        } while (!(r > 0 && r < 1));
        const long double fac = std::sqrt(-2 * std::log(r) / r);
        expected.push_back(b * fac);
        expected.push_back(a * fac);
    }
    // The deviate is a few roundings of values of magnitude |x|, plus the
    // conditioning of sqrt(-2 ln r / r) as r -> 1 (relative error of r
    // times 1/(2 ln r)); the draws are far from r = 1 in 301 samples.
    for (size_t i = 0; i < out.size(); ++i)
        EXPECT_NEAR(out[i], static_cast<double>(1.5L * expected[i]), 64 * kEps * (1 + std::fabs(out[i])))
            << "i=" << i;
    EXPECT_EQ(s.have, 1) << "an odd count leaves a spare";
    EXPECT_NEAR(s.spare, static_cast<double>(expected[301]), 64 * kEps * (1 + std::fabs(s.spare)));
}

TEST(GaussNoise, StreamSplitAcrossCallsEqualsOneCall) {
    GaussState whole;
    std::vector<double> one(100);
    ASSERT_EQ(whole.draw(100, 2, 8, one.data()), 0);
    GaussState s;
    std::vector<double> pieces;
    int seed = 8;
    for (int len : {1, 1, 3, 7, 2, 50, 36}) {
        std::vector<double> block(static_cast<size_t>(len));
        ASSERT_EQ(s.draw(len, 2, seed, block.data()), 0);
        pieces.insert(pieces.end(), block.begin(), block.end());
        seed = -1;
    }
    EXPECT_EQ(pieces, one);
    EXPECT_EQ(s.s1, whole.s1);
    EXPECT_EQ(s.have, whole.have);
    // n = 1 twice: the second sample is the first pair's spare, with no draw.
    GaussState t;
    double first = 0, second = 0;
    ASSERT_EQ(t.draw(1, 1, 3, &first), 0);
    const GaussState afterFirst = t;
    EXPECT_EQ(t.have, 1);
    ASSERT_EQ(t.draw(1, 1, -1, &second), 0);
    EXPECT_EQ(second, afterFirst.spare);
    EXPECT_EQ(t.have, 0);
    EXPECT_EQ(t.s1, afterFirst.s1);
    EXPECT_EQ(t.s2, afterFirst.s2);
    // A seed >= 0 clears the spare: seed 0 continues the state but draws a
    // fresh pair instead of using the spare left behind.
    t.have = 1;
    t.spare = 99;
    double fresh = 0;
    ASSERT_EQ(t.draw(1, 1, 0, &fresh), 0);
    EXPECT_NE(fresh, 99.0);
    EXPECT_EQ(t.have, 1);
    EXPECT_NE(t.spare, 99.0);
    EXPECT_EQ(t.draw(0, 1, 3, &fresh), kErrEmptyArray);
}

TEST(GaussNoise, GeneratorStuckAtZeroIsReportedNotLoopedOn) {
    // A never-seeded state continued with seed 0 or a negative seed, and the
    // seed 47333376 (= 16384 * 2889, with 171 * seed wrapping to a multiple
    // of 30269), all leave the generator at (0, 0, 0), where every uniform
    // value is 0 and no point of the unit disc is ever drawn.
    for (int32_t seed : {0, -1, 47333376}) {
        GaussState s;
        std::vector<double> x(4);
        EXPECT_EQ(s.draw(4, 1, seed, x.data()), kErrNoConvergence) << "seed " << seed;
        EXPECT_EQ(s.s1, 0) << "seed " << seed;
    }
    // The spare of an earlier pair is still handed out before the draw.
    GaussState s;
    s.have = 1;
    s.spare = 0.5;
    double x[2] = {0, 0};
    EXPECT_EQ(s.draw(2, 2, -1, x), kErrNoConvergence);
    EXPECT_EQ(x[0], 1.0);
    // The same seed is harmless to the uniform stream: it turns constant.
    State w;
    std::vector<double> u(3);
    ASSERT_EQ(WhiteNoise(3, 1, 47333376, u.data(), &w.s1, &w.s2, &w.s3), 0);
    EXPECT_EQ(u, std::vector<double>(3, -1.0));
    DoubleHandle out({1});
    int32_t err = 0, n = 3, seed = -1, s1 = 0, s2 = 0, s3 = 0, have = 0;
    double sd = 1, spare = 0;
    ASSERT_EQ(Gauss(out, &n, &sd, &seed, &err, &s1, &s2, &s3, &have, &spare), 0);
    EXPECT_EQ(err, kErrNoConvergence);
    EXPECT_TRUE(out.emptied());
}

TEST(GaussNoise, LongStreamHasNormalMomentsAndTails) {
    // One million N(0, 1) deviates: standard errors of the mean 1e-3, of the
    // variance sqrt(2/N) = 1.4e-3, of P(|x| > 2) = 0.0455 sqrt(p(1-p)/N) =
    // 2.1e-4 and of P(|x| > 3) = 0.0027 5.2e-5; six standard errors each.
    const int N = 1000000;
    GaussState s;
    std::vector<double> x(N);
    ASSERT_EQ(s.draw(N, 1, 2024, x.data()), 0);
    long double m = 0, q = 0;
    int beyond2 = 0, beyond3 = 0;
    for (double v : x) {
        m += v;
        q += static_cast<long double>(v) * v;
        beyond2 += std::fabs(v) > 2;
        beyond3 += std::fabs(v) > 3;
    }
    m /= N;
    q = q / N - m * m;
    EXPECT_NEAR(static_cast<double>(m), 0.0, 6e-3);
    EXPECT_NEAR(static_cast<double>(q), 1.0, 6 * 1.4e-3);
    EXPECT_NEAR(beyond2 / static_cast<double>(N), 0.0455003, 6 * 2.1e-4);
    EXPECT_NEAR(beyond3 / static_cast<double>(N), 0.0026998, 6 * 5.2e-5);
}

TEST(NoiseEntryPoints, RefusedCountLeavesStateAlone) {
    // Values and emptied outputs of White and Gauss are checked with the
    // other generators' entry points; here the caller's state.
    GaussState s{{1, 2, 3}, 1, 0.25};
    DoubleHandle out({1, 2});
    int32_t err = 0;
    const int32_t zero = 0, seed = 11;
    const double amp = 3;
    ASSERT_EQ(White(out, &zero, &amp, &seed, &err, &s.s1, &s.s2, &s.s3), 0);
    EXPECT_EQ(err, kErrEmptyArray);
    ASSERT_EQ(Gauss(out, &zero, &amp, &seed, &err, &s.s1, &s.s2, &s.s3, &s.have, &s.spare), 0);
    EXPECT_EQ(err, kErrEmptyArray);
    EXPECT_EQ(s.s1, 1);
    EXPECT_EQ(s.s3, 3);
    EXPECT_EQ(s.have, 1);
    EXPECT_EQ(s.spare, 0.25);
}
