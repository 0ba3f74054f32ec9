// Periodic random noise against its definition: the sum of cosines at the
// phases the reference generator draws, a flat magnitude spectrum measured
// by a direct DFT in long double, and the order of its checks.
#include <orin/generation.h>
#include <orin/host.h>

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

#include "support/allocation_failure.h"
#include "support/handles.h"
#include "support/reference.h"
#include "wichmann_hill.h"

using orintest::DoubleHandle;
using orintest::kEps;
using orintest::ReferenceGenerator;

namespace {

constexpr long double kPiL = 3.141592653589793238462643383279502884L;

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

// Error of each output sample: the inverse FFT rounds about log2(n) times,
// each time relative to the signal's rms amp sqrt(K/2); the mixed-radix
// stages of 3, 5, 8 and 10 also use butterfly constants held to 14
// significant digits (relative error up to 5e-15 each, a few per butterfly),
// which the 2e-14 per stage accounts for.
double sampleBound(int32_t n, double amp) {
    const double stages = std::log2(static_cast<double>(n)) + 1;
    return amp * std::sqrt(harmonics(n) + 1.0) * stages * (4 * kEps + 2e-14);
}

}  // namespace

TEST(PeriodNoise, IsTheSumOfCosinesAtDrawnPhases) {
    for (int32_t n : {3, 4, 15, 64, 100, 127, 128}) {
        const double amp = 0.75;
        const Noise r = periodNoise(n, amp, 321);
        ASSERT_EQ(r.error, 0) << "n=" << n;
        ASSERT_EQ(r.x.size(), static_cast<size_t>(n));
        ReferenceGenerator ref{0, 0, 0};
        ref.seed(321);
        std::vector<long double> phi;
        for (int32_t k = 1; k <= harmonics(n); ++k) phi.push_back(ref.integer());
        EXPECT_EQ(r.s1, ref.s1) << "exactly K draws, n=" << n;
        for (int32_t t = 0; t < n; ++t) {
            long double v = 0;
            for (int32_t k = 1; k <= harmonics(n); ++k)
                v += amp * std::cos(2 * kPiL * k * t / n + phi[static_cast<size_t>(k - 1)]);
            EXPECT_NEAR(r.x[static_cast<size_t>(t)], static_cast<double>(v), sampleBound(n, amp)) << "n=" << n << " t=" << t;
        }
    }
}

TEST(PeriodNoise, HasFlatMagnitudeSpectrumWithoutDcOrNyquist) {
    for (int32_t n : {64, 1000, 1001}) {
        const double amp = 2.0;
        const Noise r = periodNoise(n, amp, 77);
        ASSERT_EQ(r.error, 0);
        // A direct DFT gathers at most n sample errors into one bin.
        const double bound = n * sampleBound(n, amp);
        std::vector<std::complex<long double>> twiddle(static_cast<size_t>(n));
        for (int32_t j = 0; j < n; ++j) twiddle[static_cast<size_t>(j)] = std::polar(1.0L, -2 * kPiL * j / n);
        for (int32_t k = 0; k <= n / 2; ++k) {
            std::complex<long double> X = 0;
            for (int32_t t = 0; t < n; ++t)
                X += static_cast<long double>(r.x[static_cast<size_t>(t)]) * twiddle[static_cast<size_t>((static_cast<int64_t>(k) * t) % n)];
            const bool carried = k >= 1 && k <= harmonics(n);
            const double expected = carried ? amp * n / 2 : 0.0;
            EXPECT_NEAR(static_cast<double>(std::abs(X)), expected, bound) << "n=" << n << " k=" << k;
        }
    }
}

TEST(PeriodNoise, SeedRuleAndSmallLengths) {
    // Same positive seed, same block; a negative seed continues the stream.
    const Noise a = periodNoise(50, 1, 9), b = periodNoise(50, 1, 9);
    EXPECT_EQ(a.x, b.x);
    const Noise c = periodNoise(50, 1, -1, a);
    EXPECT_NE(c.x, a.x);
    ReferenceGenerator ref{a.s1, a.s2, a.s3};
    for (int32_t k = 0; k < harmonics(50); ++k) ref.integer();
    EXPECT_EQ(c.s1, ref.s1);
    EXPECT_EQ(c.s3, ref.s3);
    // n = 2: K = 0 and the Nyquist bin is 0, so zeros.
    const Noise two = periodNoise(2, 5, 4);
    EXPECT_EQ(two.error, 0);
    EXPECT_EQ(two.x, (std::vector<double>{0, 0}));
    // n = 1: refused after seeding (nothing drawn), output emptied.
    const Noise one = periodNoise(1, 5, 4);
    EXPECT_EQ(one.error, kErrTooFewSamples);
    EXPECT_TRUE(one.emptied);
    EXPECT_EQ(one.ret, 0);
    ReferenceGenerator seeded{0, 0, 0};
    seeded.seed(4);
    EXPECT_EQ(one.s2, seeded.s2);
    // n < 1: refused first, the state untouched.
    Noise untouched;
    untouched.s1 = 7;
    untouched.s2 = 8;
    untouched.s3 = 9;
    const Noise zero = periodNoise(0, 5, 4, untouched);
    EXPECT_EQ(zero.error, kErrEmptyArray);
    EXPECT_TRUE(zero.emptied);
    EXPECT_EQ(zero.s1, 7);
    EXPECT_EQ(zero.s2, 8);
}

namespace {

// s * a^k mod m, for a seed already in 0..m-1 (no wrap-around can occur).
int32_t advanced(int32_t s, int64_t a, int64_t k, int64_t m) {
    int64_t result = s, base = a % m;
    for (; k > 0; k >>= 1, base = base * base % m)
        if (k & 1) result = result * base % m;
    return static_cast<int32_t>(result);
}

}  // namespace

TEST(PeriodNoise, LengthBeyondTransformLimitIsRefusedAfterTheDraws) {
    // 2^22 + 1 is neither a power of two nor at most 2^22 - 1: the phases are
    // drawn (the state advances by K = 2^21 steps, each generator to
    // s a^K mod m) before the length is refused.
    const int32_t n = 4194305;
    const Noise r = periodNoise(n, 1, 3);
    EXPECT_EQ(r.error, kErrNotPowerOfTwo);
    EXPECT_TRUE(r.emptied);
    ReferenceGenerator seeded{0, 0, 0};
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
