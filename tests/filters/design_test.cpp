// Classic IIR designs judged by what they must achieve: the magnitude response
// of the coefficients, evaluated section by section on the unit circle in long
// double, against the closed forms |H|^2 = 1/(1 + Omega^2n) (Butterworth),
// 1/(1 + eps^2 T_n^2(Omega)) (Chebyshev) and its inverse, with Omega the
// pre-warped prototype frequency of each band type; the prototype poles
// recovered from the sections by inverting the bilinear map.
#include <gtest/gtest.h>
#include <orin/filters.h>

#include <cmath>
#include <functional>
#include <string>

#include "design_support.h"
#include "support/allocation_failure.h"
#include "support/handles.h"

using iirtest::Cascade;
using orintest::DoubleHandle;
using orintest::kEps;

namespace {

using namespace iirtest;

// The prototype pair s^2 + alpha s + beta behind a lowpass section
// (1 + a1 z^-1 + a2 z^-2): the bilinear map gives 1 + a1 + a2 = 4 beta T^2/D,
// 1 - a1 + a2 = 4/D and 1 - a2 = 2 alpha T/D.
struct RecoveredPair {
    long double alpha, beta, bound;
};
RecoveredPair recoverPair(const Cascade &c, int k, long double t) {
    const long double a1 = c.a[static_cast<size_t>(2 * k)], a2 = c.a[static_cast<size_t>(2 * k + 1)];
    const long double plus = 1 + a1 + a2, minus = 1 - a1 + a2;
    // Each a is off by up to 4 eps (|a| + 1); the quotients magnify that by
    // the sums of magnitudes over the (possibly small) results.
    const long double da = 4 * kEps * (std::fabs(a1) + std::fabs(a2) + 2);
    const long double rel = 2 * da / std::fabs(plus) + 2 * da / std::fabs(minus) + 2 * da / std::fabs(1 - a2);
    return {2 * (1 - a2) / minus / t, plus / minus / (t * t), rel};
}

// True when B_k(z) is exactly 0 at z = zinv = +-1 for every section k.
bool numeratorsVanish(const Cascade &c, int zinv) {
    const int m = c.m();
    for (int k = 0; k < c.sections(); ++k) {
        double sum = 0, p = 1;
        for (int i = 0; i <= m; ++i, p *= zinv) sum += c.b[static_cast<size_t>(k * (m + 1) + i)] * p;
        if (sum != 0) return false;
    }
    return true;
}

}  // namespace

TEST(Butterworth, HalfPowerAtEveryEdgeAndFlatResponseAllBandsOrders1To10) {
    for (int32_t type = 0; type < 4; ++type) {
        for (int32_t n = 1; n <= 10; ++n) {
            const double fl = type <= 1 ? kCut : kLow, fh = kHigh;
            const Cascade c = design(Bw_Coef, type, n);
            expectGainAtEdges(c, fl, fh, std::sqrt(0.5L), label(type, n));
            expectMatchesIdeal(
                c, fl, fh, [n](long double w) { return 1 / std::sqrt(1 + std::pow(w, 2.0L * n)); }, label(type, n));
        }
    }
}

TEST(Butterworth, LowpassPassBandIsMonotone) {
    for (int32_t n : {1, 2, 5, 8}) {
        const Cascade lp = design(Bw_Coef, 0, n);
        long double previous = 2;
        for (int i = 0; i <= 400; ++i) {
            const double f = kCut * i / 400.0;
            const long double g = std::abs(response(lp, f, kFs));
            EXPECT_LE(g, previous + magnitudeBound(lp, f, kFs)) << "order " << n << " f " << f;
            previous = g;
        }
    }
}

TEST(AllPoleDesigns, DcAndNyquistGainsAsTheBandTypeRequires) {
    for (const auto &[name, core] :
         {std::pair{"Butterworth", CoreDesign(Bw_Coef)}, {"Bessel", CoreDesign(Bessel_Coef)}}) {
        for (int32_t n : {1, 2, 5, 8}) {
            const std::string what = std::string(name) + " order " + std::to_string(n);
            const Cascade lp = design(core, 0, n), hp = design(core, 1, n), bp = design(core, 2, n),
                          bs = design(core, 3, n);
            // Zeros at z = -1 (lowpass), z = 1 (highpass), both (bandpass):
            // every stored numerator vanishes there exactly, because its
            // middle coefficients are exact doublings or negations of the
            // outer ones.
            EXPECT_TRUE(numeratorsVanish(lp, -1)) << what;
            EXPECT_TRUE(numeratorsVanish(hp, 1)) << what;
            EXPECT_TRUE(numeratorsVanish(bp, 1)) << what;
            EXPECT_TRUE(numeratorsVanish(bp, -1)) << what;
            for (const auto &[c, f] : {std::pair{&lp, 0.0}, {&hp, kFs / 2}, {&bs, 0.0}, {&bs, kFs / 2}})
                EXPECT_NEAR(static_cast<double>(std::abs(response(*c, f, kFs))), 1.0,
                            static_cast<double>(magnitudeBound(*c, f, kFs)))
                    << what << " unit gain at f " << f;
        }
    }
}

TEST(AllPoleDesigns, PolesOnTheUnitCircleInTheDocumentedOrder) {
    // Pair j of the prototype, in section j (even n) or j + 1 (odd n, after
    // the real pole -1): Butterworth alpha = 2 sin((2j + 1) pi/(2n)), from the
    // highest Q outwards; Bessel alpha = 2 sqrt(1 - x_j^2) with imaginary
    // parts x_j = 1 - (2j + 1)/n; beta = 1 for both.
    const auto butterworth = [](int n, int j) { return 2 * std::sin((2 * j + 1) * kPiL / (2 * n)); };
    const auto bessel = [](int n, int j) {
        const long double x = 1 - static_cast<long double>(2 * j + 1) / n;
        return 2 * std::sqrt(1 - x * x);
    };
    const long double t = std::tan(kPiL * kCut / kFs);
    for (const auto &[core, alphaOf] :
         {std::pair{CoreDesign(Bw_Coef), std::function<long double(int, int)>(butterworth)},
          {CoreDesign(Bessel_Coef), std::function<long double(int, int)>(bessel)}}) {
        for (int32_t n = 1; n <= 9; ++n) {
            const Cascade c = design(core, 0, n);
            const int first = n % 2;
            if (first) {
                // sigma T = (1 + a1)/(1 - a1) for the real pole.
                const long double a1 = c.a[0], da = 4 * kEps * (std::fabs(a1) + 1);
                EXPECT_NEAR(static_cast<double>((1 + a1) / (1 - a1) / t), 1.0,
                            static_cast<double>(da / std::fabs(1 + a1) + da / std::fabs(1 - a1)))
                    << "order " << n;
            }
            for (int j = 0; j + first < c.sections(); ++j) {
                const RecoveredPair p = recoverPair(c, j + first, t);
                const long double alpha = alphaOf(n, j);
                EXPECT_NEAR(static_cast<double>(p.alpha), static_cast<double>(alpha),
                            static_cast<double>(p.bound * alpha))
                    << "order " << n << " pair " << j;
                EXPECT_NEAR(static_cast<double>(p.beta), 1.0, static_cast<double>(p.bound))
                    << "order " << n << " pair " << j;
            }
        }
    }
}

TEST(Chebyshev, RippleAtEdgesAndEquirippleResponseAllBands) {
    for (double ripple : {0.1, 1.0, 3.0}) {
        const long double eps2 = std::expm1(ripple * std::log(10.0L) / 10);
        const CoreDesign core = [ripple](double fs, double l, double h, IIRFilterInfo *i) {
            return Ch_Coef(fs, l, h, ripple, i);
        };
        forBandsAndOrders(
            core, 9, "ripple " + std::to_string(ripple),
            [&](const Cascade &c, int32_t type, int32_t n, double fl, double fh, const std::string &what) {
                // First-order band designs keep the Butterworth pole
                // (ChebyshevFirstOrder covers them).
                if (n == 1 && type >= 2) return;
                expectMatchesIdeal(
                    c, fl, fh,
                    [n, eps2](long double w) {
                        const long double tn = iirtest::chebyshevT(n, w);
                        return 1 / std::sqrt(1 + eps2 * tn * tn);
                    },
                    what);
                // The edges sit exactly at -ripple dB, and the pass band never
                // rises above unity.
                const long double edgeGain = std::pow(10.0L, -ripple / 20);
                expectGainAtEdges(c, fl, fh, edgeGain, what);
                for (int i = 0; i <= 200; ++i) {
                    const double f = type == 0   ? kCut * i / 200.0
                                     : type == 1 ? kCut + (kFs / 2 - kCut) * i / 200.0
                                     : type == 2 ? kLow + (kHigh - kLow) * i / 200.0
                                                 : kHigh + (kFs / 2 - kHigh) * i / 200.0;
                    const long double g = std::abs(iirtest::response(c, f, kFs));
                    const long double tol = iirtest::magnitudeBound(c, f, kFs) + 1e-16L;
                    EXPECT_LE(g, 1 + tol) << what << " f " << f;
                    EXPECT_GE(g, edgeGain - tol) << what << " f " << f;
                }
            });
    }
}

TEST(InverseChebyshev, AttenuationMetFromEveryStopEdgeAndFlatPassBand) {
    for (double att : {20.0, 45.0, 80.0}) {
        const long double e2 = 1 / std::expm1(att * std::log(10.0L) / 10);
        const CoreDesign core = [att](double fs, double l, double h, IIRFilterInfo *i) {
            return InvCh_Coef(fs, l, h, att, i);
        };
        forBandsAndOrders(
            core, 9, "attenuation " + std::to_string(att),
            [&](const Cascade &c, int32_t type, int32_t n, double fl, double fh, const std::string &what) {
                // |H|^2 = e^2 T_n^2(1/Omega)/(1 + e^2 T_n^2(1/Omega)).
                expectMatchesIdeal(
                    c, fl, fh,
                    [n, e2](long double w) {
                        if (w == 0) return 1.0L;
                        const long double tn2 = std::pow(iirtest::chebyshevT(n, 1 / w), 2.0L);
                        return std::sqrt(e2 * tn2 / (1 + e2 * tn2));
                    },
                    what);
                const long double stopGain = std::pow(10.0L, -att / 20);
                expectGainAtEdges(c, fl, fh, stopGain, what);
                // Beyond the edge (towards the stop band) the attenuation holds.
                for (int i = 0; i <= 200; ++i) {
                    const double f = type == 0   ? kCut + (kFs / 2 - kCut) * i / 200.0
                                     : type == 1 ? kCut * i / 200.0
                                     : type == 2
                                         ? (i <= 100 ? kLow * i / 100.0 : kHigh + (kFs / 2 - kHigh) * (i - 100) / 100.0)
                                         : kLow + (kHigh - kLow) * i / 200.0;
                    EXPECT_LE(std::abs(iirtest::response(c, f, kFs)),
                              stopGain + iirtest::magnitudeBound(c, f, kFs) + 1e-16L)
                        << what << " f " << f;
                }
            });
    }
}

TEST(ChebyshevFirstOrder, LowAndHighPassMeetTheRippleBandDesignsKeepTheButterworthPole) {
    // Order 1 has no ripple inside the band. Lowpass and highpass put the real
    // pole at sh = 1/eps, so their edge lies at -ripple dB; the band-pass and
    // band-stop designs keep the pole at 1 and equal the Butterworth design.
    const double ripple = 0.5;
    const long double edgeGain = std::pow(10.0L, -ripple / 20);
    for (int32_t type = 0; type < 4; ++type) {
        const Cascade c =
            design([ripple](double fs, double l, double h, IIRFilterInfo *i) { return Ch_Coef(fs, l, h, ripple, i); },
                   type, 1);
        if (type <= 1) {
            expectGainAtEdges(c, kCut, kHigh, edgeGain, kBandName[type]);
        } else {
            const Cascade bw = design(Bw_Coef, type, 1);
            EXPECT_EQ(c.a, bw.a) << kBandName[type];
            EXPECT_EQ(c.b, bw.b) << kBandName[type];
        }
    }
}

TEST(IIRDesignLayout, SectionsPaddedForOddOrdersAndCountsAsDocumented) {
    // Odd band designs: section 0 is second order inside a fourth-order slot.
    for (const CoreDesign &core : {CoreDesign(Bw_Coef), CoreDesign(Bessel_Coef)}) {
        const Cascade bp = design(core, 2, 5);
        ASSERT_EQ(bp.a.size(), 12u);
        ASSERT_EQ(bp.b.size(), 15u);
        EXPECT_EQ(bp.a[2], 0.0);
        EXPECT_EQ(bp.a[3], 0.0);
        EXPECT_EQ(bp.b[3], 0.0);
        EXPECT_EQ(bp.b[4], 0.0);
        const Cascade lp = design(core, 0, 1);
        EXPECT_EQ(lp.a[1], 0.0);
        EXPECT_EQ(lp.b[2], 0.0);
        EXPECT_EQ(lp.b[0], lp.b[1]);
    }
}

TEST(IIRDesignChecks, CodesInDocumentedOrderAndNothingWrittenOnFailure) {
    struct Case {
        const char *name;
        int32_t type, order;
        double fs, fl, fh, param;
        int32_t bw, ch, inv;  // codes of Bw_Coef (and Bessel_Coef), Ch_Coef, InvCh_Coef
    };
    const Case cases[] = {
        {"order 0 before everything", 0, 0, -1, -1, -1, -1, kErrOrderNotPositive, kErrOrderNotPositive,
         kErrOrderNotPositive},
        {"fl <= 0", 2, 2, 1000, 0, 100, 1, kErrCutoffFrequency, kErrCutoffFrequency, kErrCutoffFrequency},
        {"fh <= 0", 2, 2, 1000, 10, -1, 1, kErrCutoffFrequency, kErrCutoffFrequency, kErrCutoffFrequency},
        {"fl >= fh", 3, 2, 1000, 200, 200, 1, kErrCutoffFrequency, kErrCutoffFrequency, kErrCutoffFrequency},
        {"fs <= 0 before Nyquist", 2, 2, 0, 600, 700, 1, kErrCutoffFrequency, kErrCutoffFrequency, kErrCutoffFrequency},
        {"NaN edge", 2, 2, 1000, NAN, 100, 1, kErrCutoffFrequency, kErrCutoffFrequency, kErrCutoffFrequency},
        {"infinite rate", 0, 2, INFINITY, 100, 0, 1, kErrCutoffFrequency, kErrCutoffFrequency, kErrCutoffFrequency},
        {"lowpass cut-off at fs/2 is a cut-off error", 0, 2, 1000, 500, 0, 1, kErrCutoffFrequency, kErrCutoffFrequency,
         kErrCutoffFrequency},
        {"band edge above fs/2", 2, 2, 1000, 100, 500.5, 1, kErrNyquist, kErrNyquist, kErrNyquist},
        {"bad parameter and Nyquist", 2, 2, 1000, 100, 600, 0, kErrNyquist, kErrNyquist, kErrAttenuation},
        {"bad parameter alone", 2, 2, 1000, 100, 400, -2, 0, kErrRipple, kErrAttenuation},
        {"NaN parameter", 1, 2, 1000, 100, 0, NAN, 0, kErrRipple, kErrAttenuation},
        {"band edge at fs/2 accepted", 2, 2, 1000, 100, 500, 1, 0, 0, 0},
        {"type outside 0..3", 4, 2, 1000, 100, 400, 1, kErrInvalidSelector, kErrInvalidSelector, kErrInvalidSelector},
        {"negative type", -1, 2, 1000, 100, 400, 1, kErrInvalidSelector, kErrInvalidSelector, kErrInvalidSelector},
    };
    for (const Case &c : cases) {
        const auto run = [&](const char *routine, int32_t expected, auto call) {
            expectDesignCode(std::string(routine) + ": " + c.name, c.type, c.order, expected, call);
        };
        run("Bw_Coef", c.bw, [&](IIRFilterInfo *i) { return Bw_Coef(c.fs, c.fl, c.fh, i); });
        run("Bessel_Coef", c.bw, [&](IIRFilterInfo *i) { return Bessel_Coef(c.fs, c.fl, c.fh, i); });
        run("Ch_Coef", c.ch, [&](IIRFilterInfo *i) { return Ch_Coef(c.fs, c.fl, c.fh, c.param, i); });
        run("InvCh_Coef", c.inv, [&](IIRFilterInfo *i) { return InvCh_Coef(c.fs, c.fl, c.fh, c.param, i); });
    }
    // Capacity is checked after the frequencies and the parameter.
    std::vector<double> a(3), b(5);
    IIRFilterInfo info{};
    info.type = 2;
    info.order = 1;
    info.aCount = 3;
    info.a = a.data();
    info.bCount = 5;
    info.b = b.data();
    EXPECT_EQ(Bw_Coef(1000, 100, 200, &info), kErrFilterStructure);
    EXPECT_EQ(Ch_Coef(1000, 100, 200, 0, &info), kErrRipple);
    info.aCount = 4;
    info.bCount = 4;
    EXPECT_EQ(InvCh_Coef(1000, 100, 200, 10, &info), kErrFilterStructure);
}

// ---- handle entry points ----------------------------------------------------

TEST(IIRDesignEntryPoints, SizeBothArraysAndMatchTheCoreDesign) {
    const double fs = kFs, fh = kHigh, ripple = 0.5, att = 40;
    using Entry = std::function<int32_t(const double *fl, const int32_t *order, const int32_t *type, DoubleArrayHdl,
                                        DoubleArrayHdl, int32_t *)>;
    const std::pair<Entry, CoreDesign> routines[] = {
        {[&](auto fl, auto n, auto t, auto a, auto b, auto e) { return BWCoefs(&fs, fl, &fh, n, t, a, b, e); },
         Bw_Coef},
        {[&](auto fl, auto n, auto t, auto a, auto b, auto e) { return BesselCoefs(&fs, fl, &fh, n, t, a, b, e); },
         Bessel_Coef},
        {[&](auto fl, auto n, auto t, auto a, auto b, auto e) {
             return ChebyshevCoefs(&fs, fl, &fh, &ripple, n, t, a, b, e);
         },
         [&](double s, double l, double h, IIRFilterInfo *i) { return Ch_Coef(s, l, h, ripple, i); }},
        {[&](auto fl, auto n, auto t, auto a, auto b, auto e) {
             return InvChebyshevCoefs(&fs, fl, &fh, &att, n, t, a, b, e);
         },
         [&](double s, double l, double h, IIRFilterInfo *i) { return InvCh_Coef(s, l, h, att, i); }},
    };
    for (const auto &[entry, core] : routines) {
        for (const auto &[type, order] : {std::pair{0, 3}, {1, 4}, {2, 5}, {3, 2}}) {
            const Cascade want = design(core, type, order);
            const double fl = type <= 1 ? kCut : kLow;
            DoubleHandle a({1, 2, 3}), b;
            int32_t err = 77;
            EXPECT_EQ(entry(&fl, &order, &type, a, b, &err), 0) << label(type, order);
            EXPECT_EQ(err, 0) << label(type, order);
            EXPECT_EQ(a.values(), want.a) << label(type, order);
            EXPECT_EQ(b.values(), want.b) << label(type, order);
        }
    }
}

TEST(IIRDesignEntryPoints, FailuresEmptyBothArrays) {
    const double fs = 1000, fl = 100, fh = 200, bad = 700, ripple = 1;
    struct Case {
        const char *name;
        int32_t order, type;
        const double *fh;
        int32_t code;
    };
    const Case cases[] = {
        {"order 0", 0, 0, &fh, kErrOrderNotPositive},
        {"negative order", -3, 2, &fh, kErrOrderNotPositive},
        {"edge above Nyquist", 2, 2, &bad, kErrNyquist},
        {"type 4 sized but refused", 3, 4, &fh, kErrInvalidSelector},
    };
    for (const Case &c : cases) {
        DoubleHandle a({1, 2}), b({3});
        int32_t err = 0;
        EXPECT_EQ(ChebyshevCoefs(&fs, &fl, c.fh, &ripple, &c.order, &c.type, a, b, &err), 0) << c.name;
        EXPECT_EQ(err, c.code) << c.name;
        EXPECT_TRUE(a.emptied()) << c.name;
        EXPECT_TRUE(b.emptied()) << c.name;
    }
}

ORIN_ALLOCATION_CASE(BWCoefs, 2) {
    const double fs = 1000, fl = 100, fh = 0;
    const int32_t order = 5, type = 0;
    expectDesignEntryUnderInjection(inj, 6, 9, [&](DoubleArrayHdl a, DoubleArrayHdl b, int32_t *err) {
        return BWCoefs(&fs, &fl, &fh, &order, &type, a, b, err);
    });
}

ORIN_ALLOCATION_CASE(InvChebyshevCoefs, 2) {
    const double fs = 1000, fl = 100, fh = 300, att = 30;
    const int32_t order = 4, type = 3;
    expectDesignEntryUnderInjection(inj, 8, 10, [&](DoubleArrayHdl a, DoubleArrayHdl b, int32_t *err) {
        return InvChebyshevCoefs(&fs, &fl, &fh, &att, &order, &type, a, b, err);
    });
}
