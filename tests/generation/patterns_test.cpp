// Patterns and chirp against closed forms evaluated in long double, with
// their argument checks.
#include <orin/generation.h>

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <vector>

#include "support/reference.h"

using orintest::kEps;

namespace {

constexpr long double kPiL = 3.141592653589793238462643383279502884L;

}  // namespace

TEST(Impulse, PlacesAmplitudeAtDelayWithinRange) {
    std::vector<double> x(5, 9.0);
    ASSERT_EQ(Impulse(5, 2.5, 4, x.data()), 0);
    EXPECT_EQ(x, (std::vector<double>{0, 0, 0, 0, 2.5}));
    ASSERT_EQ(Impulse(5, -1, 0, x.data()), 0);
    EXPECT_EQ(x, (std::vector<double>{-1, 0, 0, 0, 0}));
    EXPECT_EQ(Impulse(5, 1, 5, x.data()), kErrIndexOutOfRange);
    EXPECT_EQ(Impulse(5, 1, -1, x.data()), kErrIndexOutOfRange);
    EXPECT_EQ(Impulse(0, 1, 0, x.data()), kErrEmptyArray);
}

TEST(Pulse, SpansDelayToDelayPlusWidth) {
    std::vector<double> x(6, 9.0);
    ASSERT_EQ(Pulse(6, 3, 2, 3, x.data()), 0);
    EXPECT_EQ(x, (std::vector<double>{0, 0, 3, 3, 3, 0}));
    ASSERT_EQ(Pulse(6, 3, 2, 0, x.data()), 0);
    EXPECT_EQ(x, std::vector<double>(6, 0.0));
    ASSERT_EQ(Pulse(6, 3, 4, 2, x.data()), 0);
    EXPECT_EQ(x, (std::vector<double>{0, 0, 0, 0, 3, 3}));
    EXPECT_EQ(Pulse(6, 3, 4, 3, x.data()), kErrPulseDelayWidth);
    EXPECT_EQ(Pulse(6, 3, -1, 2, x.data()), kErrPulseDelayWidth);
    EXPECT_EQ(Pulse(6, 3, 1, -2, x.data()), kErrPulseDelayWidth);
    // delay + width beyond INT32_MAX must not wrap into an accepted range.
    EXPECT_EQ(Pulse(6, 3, 5, INT32_MAX, x.data()), kErrPulseDelayWidth);
    EXPECT_EQ(Pulse(0, 3, 0, 0, x.data()), kErrEmptyArray);
}

TEST(Ramp, AccumulatesStepFromFirstTowardsLast) {
    std::vector<double> x(2);
    ASSERT_EQ(Ramp(2, -1.5, 4, x.data()), 0);
    EXPECT_EQ(x, (std::vector<double>{-1.5, 4}));
    std::vector<double> y(1001);
    ASSERT_EQ(Ramp(1001, 0.1, 7.3, y.data()), 0);
    for (int i = 0; i <= 1000; ++i) {
        const long double ref = 0.1L + (7.3L - 0.1L) * i / 1000;
        // Extended accumulation: far below one double rounding of |y| <= 7.3.
        EXPECT_NEAR(y[static_cast<size_t>(i)], static_cast<double>(ref), 2 * kEps * 7.3) << "i=" << i;
    }
    EXPECT_EQ(Ramp(1, 0, 1, x.data()), kErrTooFewSamples);
    EXPECT_EQ(Ramp(0, 0, 1, x.data()), kErrTooFewSamples);
}

TEST(Sinc, MatchesSinOverArgument) {
    std::vector<double> x(64);
    ASSERT_EQ(Sinc(64, 2, 0, 1, x.data()), 0);
    EXPECT_EQ(x[0], 2.0);
    for (int i = 1; i < 64; ++i) EXPECT_NEAR(x[static_cast<size_t>(i)], 0.0, 2 * 2 * kEps) << "i=" << i;
    for (double delay : {0.5, 3.37, -2.0}) {
        for (double dt : {1.0, 0.1}) {
            ASSERT_EQ(Sinc(64, 1.5, delay, dt, x.data()), 0);
            for (int i = 0; i < 64; ++i) {
                const long double a = (static_cast<long double>(dt) * i - delay) * kPiL;
                const long double ref = a == 0 ? 1.5L : 1.5L * std::sin(a) / a;
                // pi carried as a double (error 1.2e-16 relative) moves a by
                // about |a| * 4e-17; sin(a)/a has slope below 1/|a| + 1/|a|^2.
                EXPECT_NEAR(x[static_cast<size_t>(i)], static_cast<double>(ref), 1.5 * 8 * kEps)
                    << "delay=" << delay << " dt=" << dt << " i=" << i;
            }
        }
    }
    EXPECT_EQ(Sinc(4, 1, 0, 0, x.data()), kErrSamplingInterval);
    EXPECT_EQ(Sinc(4, 1, 0, -1, x.data()), kErrSamplingInterval);
    EXPECT_EQ(Sinc(4, 1, 0, NAN, x.data()), kErrSamplingInterval);
    EXPECT_EQ(Sinc(0, 1, 0, 0, x.data()), kErrEmptyArray);
}

TEST(SinePattern, WholeAndFractionalCycles) {
    std::vector<double> x(8);
    ASSERT_EQ(SinePattern(8, 1, 90, 1, x.data()), 0);
    for (int i = 0; i < 8; ++i)
        EXPECT_NEAR(x[static_cast<size_t>(i)], std::cos(2 * M_PI * i / 8), 4 * kEps) << "i=" << i;
    std::vector<double> y(500);
    for (double cycles : {2.5, -3.25, 500.0}) {
        ASSERT_EQ(SinePattern(500, 2, -30, cycles, y.data()), 0);
        for (int i = 0; i < 500; ++i) {
            const long double ref = 2 * std::sin(-30 * kPiL / 180 + 2 * kPiL * cycles * i / 500);
            // The angle is accumulated in extended precision from a double
            // 2 pi; its error grows as i * |step| * 1e-16 at most.
            EXPECT_NEAR(y[static_cast<size_t>(i)], static_cast<double>(ref), 2 * (8 * kEps + i * std::fabs(cycles) * 0.013 * kEps))
                << "cycles=" << cycles << " i=" << i;
        }
    }
    EXPECT_EQ(SinePattern(8, 1, 0, 8.5, x.data()), kErrCyclesOutOfRange);
    EXPECT_EQ(SinePattern(8, 1, 0, NAN, x.data()), kErrCyclesOutOfRange);
    EXPECT_EQ(SinePattern(0, 1, 0, 1, x.data()), kErrEmptyArray);
}

TEST(GenSquareWave, PeriodsOfTruncatedLength) {
    std::vector<double> x(10, 9.0);
    int32_t err = 7;
    ASSERT_EQ(GenSquareWave(10, 50, 2, 3, x.data(), &err), 0);
    EXPECT_EQ(err, 0);
    EXPECT_EQ(x, (std::vector<double>{3, 3, 0, 0, 0, 3, 3, 0, 0, 0}));
    ASSERT_EQ(GenSquareWave(10, 100, 2, 3, x.data(), &err), 0);
    EXPECT_EQ(x, std::vector<double>(10, 3.0));
    // Duty 29 of a 100-sample period keeps 29 samples: the product is formed
    // in extended precision (double gives 28.999999999999996).
    std::vector<double> y(200);
    ASSERT_EQ(GenSquareWave(200, 29, 2, 1, y.data(), &err), 0);
    for (int k = 0; k < 200; ++k) EXPECT_EQ(y[static_cast<size_t>(k)], (k % 100) < 29 ? 1.0 : 0.0) << "k=" << k;
    // Three cycles on 10 samples: P = 3, and the last sample starts a fourth.
    ASSERT_EQ(GenSquareWave(10, 34, 3, 1, x.data(), &err), 0);
    EXPECT_EQ(x, (std::vector<double>{1, 0, 0, 1, 0, 0, 1, 0, 0, 1}));
    // Cycles that leave no whole sample per period are refused, not divided by.
    for (double cycles : {0.0, -1.0, 10.5, double(NAN)}) {
        err = 0;
        EXPECT_EQ(GenSquareWave(10, 50, cycles, 1, x.data(), &err), kErrCyclesOutOfRange) << cycles;
        EXPECT_EQ(err, kErrCyclesOutOfRange) << cycles;
    }
    // Duty 100 needs no period.
    ASSERT_EQ(GenSquareWave(10, 100, 0, -2, x.data(), &err), 0);
    EXPECT_EQ(x, std::vector<double>(10, -2.0));
    EXPECT_EQ(GenSquareWave(0, 50, 1, 1, x.data(), &err), kErrEmptyArray);
    EXPECT_EQ(err, kErrEmptyArray);
}

TEST(Chirp, SweepsLinearlyFromFirstFrequency) {
    std::vector<double> x(16);
    ASSERT_EQ(Chirp(16, 1, 0.25, 0.25, x.data()), 0);
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(x[static_cast<size_t>(i)], std::sin(M_PI / 2 * i), 4 * kEps * (1 + i)) << "i=" << i;
    std::vector<double> y(1000);
    ASSERT_EQ(Chirp(1000, 0.5, 0.01, 0.4, y.data()), 0);
    for (int i = 0; i < 1000; ++i) {
        const long double ref = 0.5L * std::sin(i * ((0.4L - 0.01L) * kPiL / 1000 * i + 2 * kPiL * 0.01L));
        // The angle reaches 1000 * (0.39 pi + 0.0628) = 1288 rad; pi and 2 pi
        // f1 carried as doubles are off by a relative 1e-16 or so.
        EXPECT_NEAR(y[static_cast<size_t>(i)], static_cast<double>(ref), 0.5 * 4 * kEps * (1 + i * (1.3 + 0.07)))
            << "i=" << i;
    }
    EXPECT_EQ(Chirp(0, 1, 0, 1, x.data()), kErrEmptyArray);
}
