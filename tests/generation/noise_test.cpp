// The random source, the noise generators and periodic noise against a
// Wichmann-Hill generator written from its definition, and the Gaussian
// deviates' moments on a long stream.
#include <orin/generation.h>
#include <orin/host.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "support/allocation_failure.h"
#include "support/handles.h"
#include "support/reference.h"

using orintest::DoubleHandle;
using orintest::kEps;

namespace {

using orintest::kPiL;

// Wichmann-Hill from its definition: 64-bit products brought back into the
// int32 range modulo 2^32, then C's truncating remainder.
struct ReferenceGenerator {
    int32_t s1 = 0, s2 = 0, s3 = 0;

    static int32_t wrap32(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v))); }
    void seed(int32_t seed) {
        if (seed == 0) return;
        s1 = seed;
        s2 = wrap32(int64_t{seed} * 8191) & 16383;
        s3 = wrap32(int64_t{s2} * 8191) & 16383;
    }
    long double sum() {
        s1 = wrap32(int64_t{171} * s1) % 30269;
        s2 = wrap32(int64_t{172} * s2) % 30307;
        s3 = wrap32(int64_t{170} * s3) % 30323;
        return s3 * static_cast<long double>(3.297826732183491e-05) + s1 * static_cast<long double>(3.3037100664045725e-05) +
               s2 * static_cast<long double>(3.2995677566238825e-05);
    }
    double uniform() { const long double u = sum(); return static_cast<double>(u - std::floor(u)); }
    int32_t integer() { return static_cast<int32_t>(std::fmod(sum(), 1.0L) * 32768); }
};

// The whole caller-held state of a noise stream.
struct State {
    int32_t s1 = 0, s2 = 0, s3 = 0, have = 0;
    double spare = 0;
    int32_t gauss(int32_t n, double sd, int32_t seed, double *out) {
        return GaussNoise(n, sd, seed, out, &s1, &s2, &s3, &have, &spare);
    }
    int32_t white(int32_t n, double amp, int32_t seed, double *out) { return WhiteNoise(n, amp, seed, out, &s1, &s2, &s3); }
};

int32_t harmonics(int32_t n) { return n % 2 == 0 ? n / 2 - 1 : (n - 1) / 2; }

struct Noise {
    int32_t s1 = 0, s2 = 0, s3 = 0, error = 0, ret = 0;
    std::vector<double> x;
    bool emptied = false;
};

Noise periodNoise(int32_t n, double amp, int32_t seed, Noise state = {}) {
    DoubleHandle out({5, 5});
    state.ret = PeriodNoise(&n, &amp, &seed, out, &state.error, &state.s1, &state.s2, &state.s3);
    state.x = out.values();
    state.emptied = out.emptied();
    return state;
}

// s * a^k mod m, for a seed already in 0..m-1 (no wrap-around can occur).
int32_t advanced(int32_t s, int64_t a, int64_t k, int64_t m) {
    int64_t result = s, base = a % m;
    for (; k > 0; k >>= 1, base = base * base % m)
        if (k & 1) result = result * base % m;
    return static_cast<int32_t>(result);
}

}  // namespace

TEST(Random, StreamsMatchReferenceIncludingWrappedAndNegativeSeeds) {
    // 1 << 30 and INT32_MAX: 171 * s1 wraps to a negative int32; -5 and
    // INT32_MIN are negative seeds given to srandnum directly.
    for (int32_t seed : {1, 1 << 30, INT32_MAX, -5, INT32_MIN}) {
        State s;
        ReferenceGenerator ref;
        srandnum(seed, &s.s1, &s.s2, &s.s3);
        ref.seed(seed);
        bool sawNegative = false;
        for (int i = 0; i < 1000; ++i) {
            if (i % 2) {
                const int32_t v = randnum(&s.s1, &s.s2, &s.s3);
                EXPECT_EQ(v, ref.integer()) << "seed " << seed << " step " << i;
                sawNegative = sawNegative || v < 0;
            } else {
                const double u = frandnum(&s.s1, &s.s2, &s.s3);
                EXPECT_NEAR(u, ref.uniform(), 2 * kEps) << "seed " << seed << " step " << i;
                EXPECT_TRUE(u >= 0 && u < 1) << "seed " << seed << " step " << i;
            }
            ASSERT_TRUE(s.s1 == ref.s1 && s.s2 == ref.s2 && s.s3 == ref.s3) << "seed " << seed << " step " << i;
        }
        // randnum truncates toward zero: once s1 is negative, values below 0.
        if (seed != INT32_MAX) {
            EXPECT_EQ(sawNegative, seed != 1) << "seed " << seed;
        }
    }
    // The first value from seed 1, exactly: a few roundings of the rational sum.
    int32_t s1 = 5, s2 = 6, s3 = 7;
    srandnum(1, &s1, &s2, &s3);
    EXPECT_NEAR(frandnum(&s1, &s2, &s3), static_cast<double>(171.0L / 30269 + 14730.0L / 30307 + 170.0L / 30323), 4 * kEps);
    srandnum(0, &s1, &s2, &s3);
    EXPECT_TRUE(s1 == 171 && s2 == 14730 && s3 == 170) << "seed 0 leaves the state alone";
}

TEST(WhiteNoise, ScalesUniformStreamAndAppliesSeedRule) {
    State s;
    std::vector<double> out(500);
    ASSERT_EQ(s.white(500, 2.5, 77, out.data()), 0);
    ReferenceGenerator ref;
    ref.seed(77);
    for (size_t i = 0; i < out.size(); ++i) EXPECT_NEAR(out[i], (ref.uniform() - 0.5) * 5.0, 8 * kEps) << "i=" << i;
    // Seed 0 and a negative seed both continue the state; a positive seed restarts.
    State a = s, b = s;
    std::vector<double> x(40), y(40), again(500);
    ASSERT_EQ(a.white(40, 1, 0, x.data()), 0);
    ASSERT_EQ(b.white(40, 1, -3, y.data()), 0);
    EXPECT_EQ(x, y);
    ASSERT_EQ(a.white(500, 2.5, 77, again.data()), 0);
    EXPECT_EQ(again, out);
}

TEST(GaussNoise, MatchesPolarMethodOnReferenceStreamAndSplitsLikeOneCall) {
    State s{0, 0, 0, 1, 123};  // a seed >= 0 clears the spare left behind
    std::vector<double> out(301);
    ASSERT_EQ(s.gauss(301, 1.5, 31, out.data()), 0);
    ReferenceGenerator ref;
    ref.seed(31);
    std::vector<long double> expected;
    while (expected.size() <= out.size()) {
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
    // A few roundings of values of magnitude |x|, plus the conditioning of
    // sqrt(-2 ln r / r) near r = 1, which these draws stay away from.
    for (size_t i = 0; i < out.size(); ++i)
        EXPECT_NEAR(out[i], static_cast<double>(1.5L * expected[i]), 64 * kEps * (1 + std::fabs(out[i]))) << "i=" << i;
    EXPECT_EQ(s.have, 1) << "an odd count leaves a spare";
    EXPECT_NEAR(s.spare, static_cast<double>(expected[301]), 64 * kEps * (1 + std::fabs(s.spare)));
    // The same stream in blocks (the second of two single samples is the
    // first pair's spare) equals the one call.
    State t;
    std::vector<double> pieces;
    int32_t seed = 31;
    for (int len : {1, 1, 3, 7, 2, 50, 237}) {
        std::vector<double> block(static_cast<size_t>(len));
        ASSERT_EQ(t.gauss(len, 1.5, seed, block.data()), 0);
        pieces.insert(pieces.end(), block.begin(), block.end());
        seed = -1;
    }
    EXPECT_EQ(pieces, out);
    EXPECT_TRUE(t.s1 == s.s1 && t.have == s.have && t.spare == s.spare);
}

TEST(GaussNoise, GeneratorStuckAtZeroIsReportedNotLoopedOn) {
    // A never-seeded state continued with seed 0 or -1, and the seed
    // 47333376 (171 * seed wraps to a multiple of 30269), all leave the
    // generator at its fixed point (0, 0, 0), where no point of the unit
    // disc is ever drawn.
    // The caller's state comes back as it was, even after a reseed.
    for (int32_t seed : {0, -1, 47333376}) {
        State s;
        std::vector<double> x(4);
        EXPECT_EQ(s.gauss(4, 1, seed, x.data()), kErrNoConvergence) << "seed " << seed;
        EXPECT_EQ(s.s1, 0) << "seed " << seed;
    }
    State seeded{5, 7, 11, 1, 0.25};
    double y[4] = {};
    EXPECT_EQ(seeded.gauss(4, 1, 47333376, y), kErrNoConvergence);
    EXPECT_TRUE(seeded.s1 == 5 && seeded.s2 == 7 && seeded.s3 == 11 && seeded.have == 1 && seeded.spare == 0.25);
    // The spare of an earlier pair is still handed out before the draw, and
    // is the caller's again after the failure.
    State s{0, 0, 0, 1, 0.5};
    double x[2] = {0, 0};
    EXPECT_EQ(s.gauss(2, 2, -1, x), kErrNoConvergence);
    EXPECT_EQ(x[0], 1.0);
    EXPECT_TRUE(s.have == 1 && s.spare == 0.5);
    DoubleHandle out({1});
    int32_t err = 0, n = 3, seed = -1;
    const double sd = 1;
    ASSERT_EQ(Gauss(out, &n, &sd, &seed, &err, &s.s1, &s.s2, &s.s3, &s.have, &s.spare), 0);
    EXPECT_EQ(err, kErrNoConvergence);
    EXPECT_TRUE(out.emptied());
}

// ---- periodic noise --------------------------------------------------------

TEST(PeriodNoise, IsTheSumOfCosinesAtDrawnPhases) {
    // Mixed-radix, prime and power-of-two lengths, odd and even.
    for (int32_t n : {3, 4, 15, 127, 128, 1000, 1001}) {
        const double amp = 0.75;
        const Noise r = periodNoise(n, amp, 321);
        ASSERT_EQ(r.error, 0) << "n=" << n;
        ASSERT_EQ(r.x.size(), static_cast<size_t>(n));
        ReferenceGenerator ref;
        ref.seed(321);
        const int32_t K = harmonics(n);
        std::vector<long double> phi;
        for (int32_t k = 1; k <= K; ++k) phi.push_back(ref.integer());
        EXPECT_EQ(r.s1, ref.s1) << "exactly K draws, n=" << n;
        // The inverse FFT rounds about log2(n) times relative to the rms
        // amp sqrt(K/2); butterfly constants held to 14 digits add up to
        // 2e-14 per stage.
        const double bound = amp * std::sqrt(K + 1.0) * (std::log2(static_cast<double>(n)) + 1) * (4 * kEps + 2e-14);
        for (int32_t t = 0; t < n; ++t) {
            long double v = 0;
            for (int32_t k = 1; k <= K; ++k) v += amp * std::cos(2 * kPiL * (static_cast<int64_t>(k) * t % n) / n + phi[static_cast<size_t>(k - 1)]);
            EXPECT_NEAR(r.x[static_cast<size_t>(t)], static_cast<double>(v), bound) << "n=" << n << " t=" << t;
        }
    }
}

TEST(PeriodNoise, SeedRuleAndLengthChecksInOrder) {
    // Same positive seed, same block; a negative seed continues the stream.
    const Noise a = periodNoise(50, 1, 9), b = periodNoise(50, 1, 9);
    EXPECT_EQ(a.x, b.x);
    const Noise c = periodNoise(50, 1, -1, a);
    EXPECT_NE(c.x, a.x);
    ReferenceGenerator ref{a.s1, a.s2, a.s3};
    for (int32_t k = 0; k < harmonics(50); ++k) ref.integer();
    EXPECT_TRUE(c.s1 == ref.s1 && c.s2 == ref.s2 && c.s3 == ref.s3);
    // n = 2: K = 0 and the Nyquist bin is 0, so zeros.
    const Noise two = periodNoise(2, 5, 4);
    EXPECT_EQ(two.error, 0);
    EXPECT_EQ(two.x, (std::vector<double>{0, 0}));
    // n = 1: refused after seeding (nothing drawn), output emptied.
    const Noise one = periodNoise(1, 5, 4);
    EXPECT_TRUE(one.error == kErrTooFewSamples && one.emptied && one.ret == 0);
    ReferenceGenerator seeded;
    seeded.seed(4);
    EXPECT_TRUE(one.s1 == seeded.s1 && one.s2 == seeded.s2 && one.s3 == seeded.s3);
    // n < 1: refused first, the state untouched.
    Noise untouched;
    untouched.s1 = 7;
    const Noise zero = periodNoise(0, 5, 4, untouched);
    EXPECT_TRUE(zero.error == kErrEmptyArray && zero.emptied && zero.s1 == 7 && zero.s2 == 0);
    // 2^22 + 1 is neither a power of two nor at most 2^22 - 1: the K = 2^21
    // phases are drawn (each generator advanced to s a^K mod m) before the
    // length is refused.
    const int32_t n = 4194305;
    const Noise r = periodNoise(n, 1, 3);
    EXPECT_TRUE(r.error == kErrNotPowerOfTwo && r.emptied);
    seeded.seed(3);
    EXPECT_EQ(r.s1, advanced(seeded.s1, 171, harmonics(n), 30269));
    EXPECT_EQ(r.s2, advanced(seeded.s2, 172, harmonics(n), 30307));
    EXPECT_EQ(r.s3, advanced(seeded.s3, 170, harmonics(n), 30323));
}

// The output resize and the two scratch arrays from the host; the inverse
// transform of a power of two allocates nothing.
ORIN_ALLOCATION_CASE(PeriodNoise, 3) {
    DoubleHandle out({1, 2, 3});
    int32_t n = 64, seed = 5, err = 0, s1 = 0, s2 = 0, s3 = 0;
    double amp = 1;
    const int32_t ret = inj.call([&] { return PeriodNoise(&n, &amp, &seed, out, &err, &s1, &s2, &s3); });
    if (inj.failing()) {
        EXPECT_EQ(err, kErrOutOfMemory);
        EXPECT_TRUE(out.emptied());
        EXPECT_EQ(ret != 0, inj.site() == 1) << "only a refused resize returns the host's status";
        EXPECT_EQ(s1, 0) << "nothing drawn";
    } else {
        EXPECT_EQ(err, 0);
        EXPECT_EQ(out.size(), 64);
    }
}
