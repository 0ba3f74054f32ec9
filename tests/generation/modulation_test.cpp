// Frequency and phase modulation against the carrier phase accumulated in
// long double, peak tracking, and blocks joined exactly.
#include <orin/generation.h>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "support/reference.h"

using orintest::kEps;

namespace {

constexpr long double kPiL = 3.141592653589793238462643383279502884L;

}  // namespace

TEST(FreqMod, UnmodulatedCarrierAndWrappedPhase) {
    std::vector<double> x(8, 0.0);
    double psi = 0, peak = 0, phaseOut = -1;
    ASSERT_EQ(FreqMod(8, 0.25, &phaseOut, 1, x.data(), &peak, &psi), 0);
    const double expected[] = {1, 0, -1, 0, 1, 0, -1, 0};
    for (int i = 0; i < 8; ++i) EXPECT_NEAR(x[static_cast<size_t>(i)], expected[i], 16 * kEps) << "i=" << i;
    // Two whole cycles: the phase is back at the start (0, or one rounding
    // short of a whole cycle).
    EXPECT_NEAR(std::fmod(phaseOut + 1, 360.0) - 1, 0.0, 1e-12);
    EXPECT_GE(psi, 0.0);
    EXPECT_LT(psi, 2 * M_PI / 0.25);
    EXPECT_EQ(peak, 0.0);
    // fc = 0 and no modulation: the carrier stands still.
    std::vector<double> z(5, 0.0);
    psi = 1.25;
    ASSERT_EQ(FreqMod(5, 0.5, &phaseOut, 0, z.data(), &peak, &psi), 0);
    EXPECT_EQ(psi, 1.25);
    for (double v : z) EXPECT_EQ(v, std::sin(1.25 * 0.5));
}

TEST(FreqMod, ConstantDeviationMatchesAccumulatedPhase) {
    const int n = 2000;
    const double dt = 0.001, fc = 50, dev = 7.5;
    std::vector<double> x(n, dev);
    double psi = 0, peak = 0, phaseOut = 0;
    ASSERT_EQ(FreqMod(n, dt, &phaseOut, fc, x.data(), &peak, &psi), 0);
    const long double cycle = 2 * kPiL / dt;
    for (int i = 0; i < n; ++i) {
        const long double ref = std::sin(std::fmod(2 * kPiL * (dev + fc) * (i + 1), cycle) * dt);
        // psi is rounded to double each step: half an ulp of the cycle
        // (6283) per step, times dt, plus the double 2 pi.
        EXPECT_NEAR(x[static_cast<size_t>(i)], static_cast<double>(ref), (i + 2) * kEps * 6283 * dt + 8 * kEps) << "i=" << i;
    }
    EXPECT_EQ(peak, 7.5);
}

TEST(PhasMod, DeviationShiftsCarrierAndPhaseOut) {
    std::vector<double> x(6, 90.0);
    double psi = 0, peak = 0, phaseOut = 0;
    ASSERT_EQ(PhasMod(6, 0.1, &phaseOut, 0, x.data(), &peak, &psi), 0);
    for (double v : x) EXPECT_EQ(v, 1.0);
    EXPECT_EQ(phaseOut, 90.0);
    EXPECT_EQ(peak, 90.0);
    // Carrier plus deviation against the closed form.
    const int n = 300;
    const double dt = 0.01, fc = 3.3;
    const auto dev = orintest::randomDoubles(n, 12, -180, 180);
    auto y = dev;
    psi = 0;
    peak = 0;
    ASSERT_EQ(PhasMod(n, dt, &phaseOut, fc, y.data(), &peak, &psi), 0);
    for (int i = 0; i < n; ++i) {
        const long double carrier = std::fmod(2 * kPiL * fc * (i + 1) * dt, 2 * kPiL);
        const long double ref = std::sin(dev[static_cast<size_t>(i)] * kPiL / 180 + carrier);
        EXPECT_NEAR(y[static_cast<size_t>(i)], static_cast<double>(ref), (i + 2) * kEps * 628 * dt + 16 * kEps) << "i=" << i;
    }
    const long double lastCarrier = std::fmod(2 * kPiL * fc * n * dt, 2 * kPiL) * 180 / kPiL;
    EXPECT_NEAR(phaseOut, static_cast<double>(lastCarrier + dev.back()), 1e-9);
}

TEST(Modulation, PeakComparesTruncatedMagnitudes) {
    std::vector<double> x = {-1.5, 1.9, 0.3, -2.2, 2.9};
    double peak = 0.9, psi = 0, phaseOut = 0;
    std::vector<double> y = x;
    ASSERT_EQ(FreqMod(2, 0.5, &phaseOut, 0, y.data(), &peak, &psi), 0);
    EXPECT_EQ(peak, -1.5) << "1.9 truncates to the same magnitude as -1.5";
    y = x;
    ASSERT_EQ(PhasMod(5, 0.5, &phaseOut, 0, y.data(), &peak, &psi), 0);
    EXPECT_EQ(peak, -2.2);
    // Magnitudes beyond the int32 range and NaN are handled: the larger one
    // wins, NaN never replaces the peak.
    std::vector<double> big = {NAN, 3e9, -5e12, 1e10};
    peak = 0;
    ASSERT_EQ(FreqMod(4, 0.5, &phaseOut, 0, big.data(), &peak, &psi), 0);
    EXPECT_EQ(peak, -5e12);
}

TEST(Modulation, BlocksOfAnySizeJoinExactly) {
    const int n = 257;
    const auto signal = orintest::randomDoubles(n, 99, -3, 3);
    for (int which : {0, 1}) {
        auto run = [&](double *x, int len, double *peak, double *psi, double *phaseOut) {
            return which == 0 ? FreqMod(len, 0.01, phaseOut, -2.5, x, peak, psi)
                              : PhasMod(len, 0.01, phaseOut, -2.5, x, peak, psi);
        };
        auto one = signal;
        double psi = 0, peak = 0, phaseOut = 0;
        ASSERT_EQ(run(one.data(), n, &peak, &psi, &phaseOut), 0);
        auto pieces = signal;
        double psi2 = 0, peak2 = 0, phaseOut2 = 0;
        int at = 0;
        for (int len : {0, 1, 17, 100, 3, 136}) {
            ASSERT_EQ(run(pieces.data() + at, len, &peak2, &psi2, &phaseOut2), 0);
            at += len;
            // A negative carrier frequency drives psi down; it stays in range.
            EXPECT_GE(psi2, 0.0);
            EXPECT_LT(psi2, 2 * M_PI / 0.01);
        }
        ASSERT_EQ(at, n);
        EXPECT_EQ(pieces, one) << (which ? "PhasMod" : "FreqMod");
        EXPECT_EQ(psi2, psi);
        EXPECT_EQ(peak2, peak);
        EXPECT_EQ(phaseOut2, phaseOut);
    }
}

TEST(Modulation, EmptyBlockReportsCarrierPhaseOnly) {
    double psi = 2.0, peak = 1.0, phaseOut = 0;
    ASSERT_EQ(PhasMod(0, 0.5, &phaseOut, 1, nullptr, &peak, &psi), 0);
    EXPECT_NEAR(phaseOut, 2.0 * 0.5 * 180 / M_PI, 1e-13);
    EXPECT_EQ(psi, 2.0);
    ASSERT_EQ(FreqMod(-3, 0.5, &phaseOut, 1, nullptr, &peak, &psi), 0);
    EXPECT_NEAR(phaseOut, 2.0 * 0.5 * 180 / M_PI, 1e-13);
    EXPECT_EQ(peak, 1.0);
}
