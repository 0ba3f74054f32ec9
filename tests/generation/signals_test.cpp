// Waveforms, patterns, chirp and modulation against closed forms evaluated
// in long double at the exact phase, phase continuity across blocks, phase
// reduction, and the argument checks.
#include <orin/generation.h>

#include "support/prelude.h"

#include <climits>

using Values = std::vector<double>;

namespace {

long double reduced(long double p, long double period) {
    const long double q = std::fmod(p, period);
    return q < 0 ? q + period : q;
}

// One generator under test with its long-double shape of the exact phase in degrees.
struct Waveform {
    const char *name;
    std::function<int32_t(int32_t, double, double, double *, double *)> generate;
    std::function<long double(long double)> shape;
};

}  // namespace

TEST(Waveforms, MatchShapesAtExactPhaseInOneBlockOrManyAndReduceThePhase) {
    const Waveform waveforms[] = {
        {"SineWave", SineWave, [](long double p) { return std::sin(p * kPiL / 180); }},
        {"SquareWave",
         [](int32_t n, double a, double f, double *p, double *o) { return SquareWave(n, a, f, p, 30, o); },
         [](long double p) { return reduced(p, 360) < 108 ? 1.0L : -1.0L; }},
        {"TriangleWave", TriangleWave,
         [](long double p) {
             const long double v = reduced(p, 360) / 180;
             return v < 0.5L ? 2 * v : (v < 1.5L ? 2 * (1 - v) : 2 * (v - 2));
         }},
        {"SawtoothWave", SawtoothWave,
         [](long double p) { return reduced(p, 360) / 180 - (reduced(p, 360) < 180 ? 0 : 2); }},
    };
    const struct {
        double amp, f, phase;
        int n;
    } runs[] = {{-0.7, -0.2071, -1234.5, 300}, {3, 0.0071, 7.2e5, 200}};
    for (const Waveform &w : waveforms) {
        for (const auto &r : runs) {
            // One block, then the same samples in blocks continued from the
            // phase each leaves behind.
            double phase = r.phase, phase2 = r.phase;
            Values x(static_cast<size_t>(r.n)), y(x.size());
            ASSERT_EQ(w.generate(r.n, r.amp, r.f, &phase, x.data()), 0) << w.name;
            for (int at = 0, len = 1; at < r.n; at += len, len = 2 * len + 5) {
                len = std::min(len, r.n - at);
                ASSERT_EQ(w.generate(len, r.amp, r.f, &phase2, y.data() + at), 0) << w.name;
            }
            // Each phase step rounds to half an ulp of the largest phase
            // reached; the shapes (slope at most 1/90 per degree) turn e
            // degrees into e/90.
            const double largest = std::fabs(r.phase) + r.n * std::fabs(r.f) * 360;
            for (int i = 0; i < r.n; ++i) {
                const double ref =
                    static_cast<double>(r.amp * w.shape(r.phase + static_cast<long double>(r.f) * 360 * i));
                const double bound = std::fabs(r.amp) * ((i + 2) * kEps * largest / 90 + 4 * kEps);
                EXPECT_NEAR(x[static_cast<size_t>(i)], ref, bound) << w.name << " f=" << r.f << " i=" << i;
                EXPECT_NEAR(y[static_cast<size_t>(i)], ref, bound) << w.name << " in blocks, f=" << r.f << " i=" << i;
            }
            const double end = static_cast<double>(reduced(r.phase + static_cast<long double>(r.f) * 360 * r.n, 360));
            EXPECT_NEAR(phase, end, (r.n + 2) * kEps * largest) << w.name << " f=" << r.f;
            EXPECT_NEAR(phase2, end, (r.n + 2) * kEps * largest) << w.name << " in blocks, f=" << r.f;
        }
        // The returned phase lies in [0, 360): -1e-300 reduces to 0, never to 360.
        double buf[3];
        const double cases[][4] = {{-725, 0.5, 2, 355}, {-1e-300, 0, 1, 0}, {-360, 0, 2, 0}};
        for (const auto &c : cases) {
            double phase = c[0];
            ASSERT_EQ(w.generate(static_cast<int32_t>(c[2]), 1, c[1], &phase, buf), 0);
            EXPECT_EQ(phase, c[3]) << w.name << " start " << c[0];
        }
    }
}

TEST(SquareWave, DutyCycleIsLimitedToWholePeriod) {
    Values x(16);
    for (double duty : {0.0, -20.0, 100.0, 150.0}) {
        double phase = 0;
        ASSERT_EQ(SquareWave(16, 2, 0.0913, &phase, duty, x.data()), 0);
        EXPECT_EQ(x, Values(16, duty < 50 ? -2.0 : 2.0)) << "duty " << duty;
    }
}

TEST(ArbitraryWave, TableLookupInterpolationAndPositionsJustBelowZero) {
    // A random table stepped at a non-commensurate frequency both ways,
    // against positions computed in long double.
    const auto table = orintest::randomDoubles(17, 3);
    for (int interp : {0, 1}) {
        for (double f : {0.0371, -0.0113}) {
            double phase = 100;
            Values y(300);
            ASSERT_EQ(ArbitraryWave(300, 1.5, f, &phase, table.data(), 17, interp, y.data()), 0);
            // The position accumulates half an ulp of the largest position L
            // per step; slopes are below 2 per entry. A plain lookup is exact.
            const double L = 17.0 / 360 * 100 + 300 * 17 * std::fabs(f);
            for (int i = 0; i < 300; ++i) {
                const long double pos = reduced(17.0L / 360 * 100 + 17.0L * f * i, 17);
                const int j = static_cast<int>(pos);
                long double v = table[static_cast<size_t>(j)];
                if (interp == 1) v += (pos - j) * (table[static_cast<size_t>((j + 1) % 17)] - v);
                EXPECT_NEAR(y[static_cast<size_t>(i)], static_cast<double>(1.5L * v),
                            interp ? 3 * (i + 2) * kEps * L + 8 * kEps : 0)
                    << "interp " << interp << " f=" << f << " i=" << i;
            }
            EXPECT_NEAR(phase, static_cast<double>(reduced(100 + 360.0L * f * 300, 360)), 1e-10)
                << "interp " << interp << " f=" << f;
        }
    }
    // Position -tiny is entry 0, never m past the table; one entry gives its value, not 0.
    const double small[] = {4, 5, 6};
    double x[2], phase = -1e-300;
    ASSERT_EQ(ArbitraryWave(1, 1, 0, &phase, small, 1, 0, x), 0);
    EXPECT_EQ(x[0], 4.0);
    phase = 0;
    ASSERT_EQ(ArbitraryWave(2, 1, -1e-18, &phase, small, 3, 1, x), 0);
    EXPECT_EQ(x[1], 4.0);
    phase = NAN;  // no table position: NaN samples
    ASSERT_EQ(ArbitraryWave(2, 1, 0.1, &phase, small, 3, 1, x), 0);
    EXPECT_TRUE(std::isnan(x[0]));
}

// ---- patterns and chirp ----------------------------------------------------

TEST(Patterns, ClosedFormsAndRefusals) {
    Values x(6, 9.0);
    ASSERT_EQ(Impulse(6, 2.5, 5, x.data()), 0);
    EXPECT_EQ(x, (Values{0, 0, 0, 0, 0, 2.5}));
    ASSERT_EQ(Pulse(6, 3, 4, 2, x.data()), 0);
    EXPECT_EQ(x, (Values{0, 0, 0, 0, 3, 3}));
    // Extended accumulation: far below one double rounding of |y| <= 7.3.
    Values y(1001);
    ASSERT_EQ(Ramp(1001, 0.1, 7.3, y.data()), 0);
    for (int i = 0; i <= 1000; ++i)
        EXPECT_NEAR(y[static_cast<size_t>(i)], static_cast<double>(0.1L + (7.3L - 0.1L) * i / 1000), 2 * kEps * 7.3)
            << "i=" << i;
    EXPECT_EQ(y[1000], 7.3);
    // Three cycles on 10 samples: P = 3, and the last sample starts a fourth.
    int32_t err = 7;
    ASSERT_EQ(GenSquareWave(10, 34, 3, 1, y.data(), &err), 0);
    EXPECT_EQ(Values(y.begin(), y.begin() + 10), (Values{1, 0, 0, 1, 0, 0, 1, 0, 0, 1}));
    // Duty 29 of a 100-sample period keeps 29 samples: the product is formed
    // in extended precision (double gives 28.999999999999996).
    ASSERT_EQ(GenSquareWave(200, 29, 2, 1, y.data(), &err), 0);
    EXPECT_EQ(std::count(y.begin(), y.begin() + 200, 1.0), 58);
    EXPECT_EQ(y[28] - y[29] + y[128] - y[129], 2.0);
    // Duty 100 needs no period.
    ASSERT_EQ(GenSquareWave(10, 100, 0, -2, y.data(), &err), 0);
    EXPECT_EQ(Values(y.begin(), y.begin() + 10), Values(10, -2.0));
    // A period longer than the block keeps every sample in its first part,
    // with H from the true period even where it fits no integer: 8 samples
    // at 2^-1000 cycles have P = 2^1003, of which 4.5 are high.
    ASSERT_EQ(GenSquareWave(8, std::ldexp(450, -1003), std::ldexp(1, -1000), 1, y.data(), &err), 0);
    EXPECT_EQ(Values(y.begin(), y.begin() + 8), (Values{1, 1, 1, 1, 0, 0, 0, 0}));
    // delay + width is formed in 64 bits: beyond INT32_MAX it must not wrap
    // into an accepted range. Cycles leaving no whole sample per period are
    // refused, not divided by. (n = 0: the sweep's EmptyInputs.)
    const int32_t codes[][2] = {{Impulse(6, 1, -1, x.data()), kErrIndexOutOfRange},
                                {Pulse(6, 3, 1, -2, x.data()), kErrPulseDelayWidth},
                                {Pulse(6, 3, 5, INT32_MAX, x.data()), kErrPulseDelayWidth},
                                {Ramp(1, 0, 1, y.data()), kErrTooFewSamples},
                                {Sinc(4, 1, 0, NAN, x.data()), kErrSamplingInterval},
                                {SinePattern(8, 1, 0, NAN, y.data()), kErrCyclesOutOfRange},
                                {GenSquareWave(10, 50, 0, 1, y.data(), &err), kErrCyclesOutOfRange},
                                {GenSquareWave(10, 50, 10.5, 1, y.data(), &err), kErrCyclesOutOfRange},
                                {GenSquareWave(10, 50, NAN, 1, y.data(), &err), kErrCyclesOutOfRange}};
    for (size_t i = 0; i < std::size(codes); ++i) EXPECT_EQ(codes[i][0], codes[i][1]) << "row " << i;
    EXPECT_EQ(err, kErrCyclesOutOfRange) << "GenSquareWave stores its code too";
}

TEST(Patterns, SincSinePatternAndChirpAgainstClosedForms) {
    Values x(1000);
    for (double delay : {0.0, 3.37}) {
        ASSERT_EQ(Sinc(64, 1.5, delay, 0.1, x.data()), 0);
        for (int i = 0; i < 64; ++i) {
            // pi as a double moves a by about |a| 4e-17; sin(a)/a has slope
            // below 1/|a| + 1/|a|^2.
            const long double a = (0.1L * i - delay) * kPiL;
            EXPECT_NEAR(x[static_cast<size_t>(i)], static_cast<double>(a == 0 ? 1.5L : 1.5L * std::sin(a) / a),
                        12 * kEps)
                << delay << " " << i;
        }
    }
    for (double cycles : {2.5, -3.25, 500.0}) {
        ASSERT_EQ(SinePattern(500, 2, -30, cycles, x.data()), 0);
        for (int i = 0; i < 500; ++i) {
            // The angle is accumulated in extended precision from a double
            // 2 pi; its error grows as i |step| 1e-16 at most.
            const long double ref = 2 * std::sin(-30 * kPiL / 180 + 2 * kPiL * cycles * i / 500);
            EXPECT_NEAR(x[static_cast<size_t>(i)], static_cast<double>(ref),
                        2 * (8 * kEps + i * std::fabs(cycles) * 0.013 * kEps))
                << cycles << " " << i;
        }
    }
    ASSERT_EQ(Chirp(1000, 0.5, 0.01, 0.4, x.data()), 0);
    for (int i = 0; i < 1000; ++i) {
        // The angle reaches 1288 rad; pi and 2 pi f1 carried as doubles are
        // off by a relative 1e-16 or so.
        const long double ref = 0.5L * std::sin(i * ((0.4L - 0.01L) * kPiL / 1000 * i + 2 * kPiL * 0.01L));
        EXPECT_NEAR(x[static_cast<size_t>(i)], static_cast<double>(ref), 0.5 * 4 * kEps * (1 + i * 1.37)) << "i=" << i;
    }
}

// ---- modulation ------------------------------------------------------------

TEST(Modulation, MatchesAccumulatedCarrierInOneBlockOrManyAndTracksThePeak) {
    // A negative carrier frequency drives psi down through 0 many times.
    const int n = 257;
    const double dt = 0.01, fc = -2.5, cycle = 2 * M_PI / dt;
    for (int which : {0, 1}) {
        const char *name = which ? "PhasMod" : "FreqMod";
        const auto signal = orintest::randomDoubles(n, 99, which ? -180 : -3, which ? 180 : 3);
        auto run = [&](double *x, int len, double *peak, double *psi, double *phaseOut) {
            return which ? PhasMod(len, dt, phaseOut, fc, x, peak, psi) : FreqMod(len, dt, phaseOut, fc, x, peak, psi);
        };
        auto one = signal, pieces = signal;
        double psi = 0, peak = 0, phaseOut = 0, psi2 = 0, peak2 = 0, phaseOut2 = 0;
        ASSERT_EQ(run(one.data(), n, &peak, &psi, &phaseOut), 0);
        // psi (psi dt radians) = the sum of 2 pi (x + fc) for FreqMod, of 2 pi
        // fc for PhasMod, which adds x degrees. psi is rounded to double each
        // step: half an ulp of 2 pi / dt, times dt, per sample.
        long double acc = 0;
        for (int i = 0; i < n; ++i) {
            const long double x = signal[static_cast<size_t>(i)];
            acc += 2 * kPiL * ((which ? 0 : x) + fc);
            const long double ref = std::sin((which ? x * kPiL / 180 : 0) + reduced(acc, 2 * kPiL / dt) * dt);
            EXPECT_NEAR(one[static_cast<size_t>(i)], static_cast<double>(ref), (i + 2) * 8 * kEps + 16 * kEps)
                << name << " i=" << i;
        }
        const long double lastDegrees = reduced(acc, 2 * kPiL / dt) * dt * 180 / kPiL + (which ? signal.back() : 0);
        EXPECT_NEAR(phaseOut, static_cast<double>(lastDegrees), 1e-9) << name;
        int at = 0;
        for (int len : {0, 1, 17, 100, 3, 136}) {
            ASSERT_EQ(run(pieces.data() + at, len, &peak2, &psi2, &phaseOut2), 0);
            at += len;
            EXPECT_TRUE(psi2 >= 0 && psi2 < cycle) << name << " psi " << psi2;
        }
        EXPECT_EQ(pieces, one) << name;
        EXPECT_TRUE(psi2 == psi && peak2 == peak && phaseOut2 == phaseOut) << name;
    }
    // Magnitudes beyond the int32 range: the larger wins; NaN never replaces
    // the peak; 1.9 truncates to the magnitude of -1.5 and does not replace it.
    double x[] = {NAN, 3e9, -5e12, 1e10, -1.5, 1.9}, peak = 0, psi = 2, phaseOut = 0;
    ASSERT_EQ(PhasMod(4, 0.5, &phaseOut, 0, x, &peak, &psi), 0);
    EXPECT_EQ(peak, -5e12);
    peak = 0.9;
    ASSERT_EQ(FreqMod(2, 0.5, &phaseOut, 0, x + 4, &peak, &psi), 0);
    EXPECT_EQ(peak, -1.5);
    // An empty block reports the carrier phase alone and changes nothing.
    psi = 2, peak = 1;
    ASSERT_EQ(
        PhasMod(0, 0.5, &phaseOut, 1, nullptr, &peak, &psi) | FreqMod(-3, 0.5, &phaseOut, 1, nullptr, &peak, &psi), 0);
    EXPECT_NEAR(phaseOut, 2.0 * 0.5 * 180 / M_PI, 1e-13);
    EXPECT_TRUE(psi == 2.0 && peak == 1.0);
}
