// The elliptic-function routines against identities and Carlson's integral,
// and the elliptic designs against the ideal response 1/(1 + eps^2 R_n^2),
// R_n the elliptic rational function built from independently computed
// elliptic functions (Carlson R_F, Newton inversion of F, bisection of the
// degree equation).
#include <gtest/gtest.h>
#include <orin/filters.h>

#include <cmath>
#include <string>

#include "design_support.h"
#include "support/allocation_failure.h"
#include "support/handles.h"

using namespace iirtest;
using orintest::DoubleHandle;
using orintest::kEps;

namespace {

// The selectivity modulus of the degree equation K'(k)/K(k) = K'(k1)/(n K(k1)),
// by bisection on k (the ratio falls as k grows).
long double degreeModulus(long double k1, int n) {
    const long double k1c = std::sqrt((1 - k1) * (1 + k1));
    const long double target = completeK(k1) / (n * completeK(k1c));
    long double lo = 0, hi = 1;
    for (int i = 0; i < 200; ++i) {
        const long double k = (lo + hi) / 2, kc = std::sqrt((1 - k) * (1 + k));
        (completeK(k) / completeK(kc) > target ? lo : hi) = k;
    }
    return (lo + hi) / 2;
}

// |H| of the ideal elliptic lowpass prototype of order n at Omega:
// R_n has zeros x_i = sn(i K/n, k) (i = 1, 3, ... for even n; 0 and
// i = 2, 4, ... for odd n) and poles 1/(k x_i), and R_n(1) = 1.
struct IdealElliptic {
    long double eps, k;
    std::vector<long double> zeros;
    int n;

    IdealElliptic(double ap, double as, int order) : n(order) {
        eps = std::sqrt(std::expm1(ap * std::log(10.0L) / 10));
        const long double k1 = eps / std::sqrt(std::expm1(as * std::log(10.0L) / 10));
        k = degreeModulus(k1, order);
        const long double kc = std::sqrt((1 - k) * (1 + k)), K = completeK(kc);
        for (int i = order % 2 ? 2 : 1; i < order; i += 2) zeros.push_back(jacobiSn(i * K / order, k, kc));
    }
    long double rational(long double w) const {
        long double r = n % 2 ? w : 1;
        for (long double x : zeros)
            r *= (w * w - x * x) / (w * w - 1 / (k * k * x * x)) * (1 - 1 / (k * k * x * x)) / (1 - x * x);
        return r;
    }
    long double magnitude(long double w) const {
        const long double r = rational(w);
        return 1 / std::sqrt(1 + eps * eps * r * r);
    }
};

Cascade ellipticDesign(int32_t type, int32_t order, double ap, double as) {
    return design([ap, as](double fs, double l, double h, IIRFilterInfo *i) { return Elp_Coef(fs, l, h, ap, as, i); },
                  type, order);
}

}  // namespace

TEST(EllipticFunctions, ElpSatisfiesIdentitiesAndAgreesWithCarlsonOverTheWholePeriod) {
    double sn, cn, dn;
    elp(0, 0.3, &sn, &cn, &dn);
    EXPECT_EQ(sn, 0.0);
    EXPECT_EQ(cn, 1.0);
    EXPECT_EQ(dn, 1.0);
    for (double x : {1e-6, 0.05, 0.3, 0.7, 0.99, 1.0}) {
        const long double k = std::sqrt((1.0L - x) * (1.0L + x)), K = completeK(x);
        for (int i = -80; i <= 80; ++i) {
            const double u = static_cast<double>(K * i / 20.0L + 0.0123L);
            elp(u, x, &sn, &cn, &dn);
            // sn and cn come from one r (sn = 1/sqrt(1 + r^2), cn = r sn),
            // dn from the last Gauss step: each identity holds to a few
            // roundings.
            EXPECT_NEAR(sn * sn + cn * cn, 1.0, 4 * kEps) << "x " << x << " u " << u;
            EXPECT_NEAR(static_cast<double>(dn * dn + k * k * sn * sn), 1.0, 8 * kEps) << "x " << x << " u " << u;
            // Against the independent reference over (0, K], extended to the
            // whole period by sn(-u) = -sn(u), sn(2K - u) = sn(u),
            // sn(u + 2K) = -sn(u). The reference has its own error of a few
            // 1e-19; the AGM loses about one rounding per level (at most 25)
            // and the argument u a_N carries u's ulp into the phase.
            long double r = std::fmod(static_cast<long double>(u), 4 * K);
            if (r < 0) r += 4 * K;
            long double sign = 1;
            if (r > 2 * K) {
                r -= 2 * K;
                sign = -1;
            }
            if (r > K) r = 2 * K - r;
            const long double want = sign * jacobiSn(r, k, x);
            EXPECT_NEAR(sn, static_cast<double>(want), (32 + std::fabs(u)) * kEps) << "x " << x << " u " << u;
        }
    }
}

TEST(EllipticFunctions, CompleteIntegralThetaModulusAndInverseSc) {
    EXPECT_NEAR(cei(1), M_PI / 2, 2 * kEps);
    for (double x : {1e-8, 0.01, 0.2, 0.5, 0.8, 0.999}) {
        // The AGM converges to a few roundings of K.
        const long double want = completeK(x);
        EXPECT_NEAR(cei(x), static_cast<double>(want), static_cast<double>(8 * kEps * want)) << "x " << x;
    }
    // fk inverts K'/K: k is checked through the ratio it gives. The theta
    // series are summed to 1e-15; k' = sqrt(1 - k^2) then loses eps/k'^2,
    // which K(k) takes only logarithmically.
    for (double ratio : {0.4, 0.7, 1.0, 2.0, 4.0}) {
        const long double k = fk(ratio), kc = std::sqrt((1 - k) * (1 + k));
        EXPECT_NEAR(static_cast<double>(completeK(k) / completeK(kc)), ratio, 1e-13 * ratio) << "ratio " << ratio;
    }
    // Where the truncated series overshoot 1 (ratios near 0.05), the modulus
    // is held at 1; it never exceeds it.
    EXPECT_EQ(fk(0.05), 1.0);
    for (double ratio = 0.001; ratio < 0.5; ratio += 0.001) EXPECT_LE(fk(ratio), 1.0) << "ratio " << ratio;
    // arcsc inverts sc = tan(am w): the reference is w = F(arctan u, k). The
    // iteration stops once its two means agree to 1.2e-7 and divides by the
    // larger; the limit lies between them, so w is good to 1.2e-7 relative
    // (the gap at the stop is usually far smaller: 1e-11 is typical here).
    for (double x : {0.01, 0.3, 0.8}) {
        const long double k = std::sqrt((1.0L - x) * (1.0L + x));
        for (double u : {0.05, 0.5, 1.0, 3.0, 40.0}) {
            const long double want = incompleteF(std::atan(static_cast<long double>(u)), k);
            const double got = arcsc(u, x);
            EXPECT_NEAR(got, static_cast<double>(want), static_cast<double>(1.2e-7L * want)) << "x " << x << " u " << u;
        }
    }
}

TEST(EllipticFunctions, ParamsSolvesTheDegreeEquationAndPlacesTheRealPoleOfOrderOneAtOneOverEps) {
    double eps, k1, k1c, K1, K1c, k, kc, K, Kc, u0, sn0, cn0, dn0;
    // Order 1: k = k1, and the real pole sc(u0; k1') must be 1/eps = 2.863 for
    // Ap = 0.5 dB (taking the inverse sc for the modulus k1 instead would put
    // it at 1.573). u0 inherits arcsc's 1.2e-7 (about 4e-9 here).
    Params(0.5, 40, 1, &eps, &k1, &k1c, &K1, &K1c, &k, &kc, &K, &Kc, &u0, &sn0, &cn0, &dn0);
    EXPECT_NEAR(eps, std::sqrt(std::pow(10.0, 0.05) - 1), 4 * kEps);
    EXPECT_NEAR(k, k1, 1e-13 * k1);
    EXPECT_NEAR(sn0 / cn0 * eps, 1.0, 1.2e-7);
    EXPECT_NEAR(sn0 * sn0 + cn0 * cn0, 1.0, 4 * kEps);
    for (int n : {2, 3, 5, 8}) {
        Params(0.2, 60, n, &eps, &k1, &k1c, &K1, &K1c, &k, &kc, &K, &Kc, &u0, &sn0, &cn0, &dn0);
        const std::string what = "order " + std::to_string(n);
        EXPECT_NEAR(k, static_cast<double>(degreeModulus(k1, n)), 1e-13) << what;
        EXPECT_NEAR(K, static_cast<double>(completeK(kc)), 8 * kEps * K) << what;
        EXPECT_NEAR(Kc, static_cast<double>(completeK(k)), 8 * kEps * Kc) << what;
        EXPECT_NEAR(K1c / K1, n * Kc / K, 1e-12 * n * Kc / K) << what;
        // u0 K1 n / K is the argument whose sc for the modulus k1' is 1/eps.
        const long double w = static_cast<long double>(u0) * K1 * n / K;
        const long double s = jacobiSn(w, k1c, k1), c = std::sqrt(1 - s * s);
        EXPECT_NEAR(static_cast<double>(s / c * eps), 1.0, 1.2e-7) << what;
    }
}

TEST(Elliptic, ResponseIsTheIdealEllipticOneInEveryBand) {
    // The designs follow the ideal response to what the elliptic routines
    // deliver. arcsc stops once its means agree to 1.2e-7, which bounds the
    // error of u0 (and so of the poles' offset from the axis) by 1.2e-7
    // relative; the response is allowed 1e-7 absolute. (The gap at the stop
    // is usually far smaller: these cases agree to 1.4e-10.)
    for (const auto &[ap, as] : {std::pair{0.5, 40.0}, {0.1, 60.0}, {1.0, 25.0}}) {
        for (int32_t type = 0; type < 4; ++type) {
            for (int32_t n = 1; n <= 8; ++n) {
                const Cascade c = ellipticDesign(type, n, ap, as);
                const IdealElliptic ideal(ap, as, n);
                const double fl = type <= 1 ? kCut : kLow, fh = kHigh;
                const std::string what = label(type, n) + " Ap " + std::to_string(ap) + " As " + std::to_string(as);
                expectMatchesIdeal(
                    c, fl, fh, [&ideal](long double w) { return ideal.magnitude(w); }, what, 1e-7L);
                // Ripple at the pass-band edges, and both bands met.
                const long double passFloor = 1 / std::sqrt(1 + ideal.eps * ideal.eps);
                const long double stopCeiling = std::pow(10.0L, -as / 20);
                expectGainAtEdges(c, fl, fh, passFloor, what, 1e-7L);
                for (int i = 1; i < 500; ++i) {
                    const double f = kFs / 2 * i / 500.0;
                    const long double w = prototypeFrequency(type, f, kFs, fl, fh);
                    const long double g = std::abs(response(c, f, kFs));
                    if (w <= 1) {
                        EXPECT_LE(g, 1 + 1e-7L) << what << " f " << f;
                        EXPECT_GE(g, passFloor - 1e-7L) << what << " f " << f;
                    } else if (w >= 1 / ideal.k) {
                        EXPECT_LE(g, stopCeiling + 1e-7L) << what << " f " << f;
                    }
                }
            }
        }
    }
}

TEST(Elliptic, EvenOrdersScaleOnlyTheFirstNumeratorAndOddOrderOneIsTheRealPole) {
    const double ap = 0.5, as = 40;
    const long double g = 1 / std::sqrt(1 + std::expm1(ap * std::log(10.0L) / 10));
    // At the prototype's DC (f = 0 for lowpass and bandstop, Nyquist for
    // highpass, the band centre for bandpass) every unscaled section has unit
    // gain, and the first carries 1/sqrt(1 + eps^2).
    const double centre = std::atan(std::sqrt(std::tan(M_PI * kLow / kFs) * std::tan(M_PI * kHigh / kFs))) * kFs / M_PI;
    const double dc[] = {0, kFs / 2, centre, 0};
    for (int32_t type = 0; type < 4; ++type) {
        const Cascade c = ellipticDesign(type, 4, ap, as);
        for (int k = 0; k < c.sections(); ++k) {
            const Cascade one = sectionOf(c, k);
            EXPECT_NEAR(static_cast<double>(std::abs(response(one, dc[type], kFs))), static_cast<double>(k ? 1 : g),
                        static_cast<double>(magnitudeBound(one, dc[type], kFs) + 1e-15L))
                << kBandName[type] << " section " << k;
        }
    }
    // Order 1 lowpass: sigma/(s + sigma) with sigma = sn0 cn0/(1 - sn0^2) =
    // 1/eps, bilinear-mapped: a1 = -(1 - sigma T)/(1 + sigma T).
    const Cascade one = ellipticDesign(0, 1, ap, as);
    const long double sigma = 1 / std::sqrt(std::expm1(ap * std::log(10.0L) / 10));
    const long double t = std::tan(kPiL * kCut / kFs);
    EXPECT_NEAR(one.a[0], static_cast<double>(-(1 - sigma * t) / (1 + sigma * t)), 1e-9);
    EXPECT_NEAR(one.b[0], static_cast<double>(sigma * t / (1 + sigma * t)), 1e-9);
    EXPECT_EQ(one.b[0], one.b[1]);
    EXPECT_EQ(one.a[1], 0.0);
    EXPECT_EQ(one.b[2], 0.0);
}

TEST(Elliptic, ChecksInDocumentedOrder) {
    struct Case {
        const char *name;
        int32_t type, order;
        double fs, fl, fh, ap, as;
        int32_t code;
    };
    const Case cases[] = {
        {"order first", 9, 0, -1, -1, -1, -1, -1, kErrOrderNotPositive},
        {"frequencies before Nyquist", 2, 2, 1000, 300, 200, -1, -1, kErrCutoffFrequency},
        {"Nyquist before ripple", 2, 2, 1000, 100, 600, -1, -1, kErrNyquist},
        {"ripple", 2, 2, 1000, 100, 400, 0, -1, kErrRipple},
        {"attenuation", 0, 2, 1000, 100, 0, 1, 0, kErrAttenuation},
        {"attenuation equal to ripple", 0, 2, 1000, 100, 0, 3, 3, kErrAttenuationBelowRipple},
        {"attenuation below ripple", 1, 2, 1000, 100, 0, 3, 2, kErrAttenuationBelowRipple},
        {"type outside 0..3", 5, 2, 1000, 100, 400, 1, 40, kErrInvalidSelector},
    };
    for (const Case &c : cases) {
        expectDesignCode(c.name, c.type, c.order, c.code,
                         [&](IIRFilterInfo *info) { return Elp_Coef(c.fs, c.fl, c.fh, c.ap, c.as, info); });
    }
}

TEST(Elliptic, EntryPointSizesFillsAndEmptiesOnFailure) {
    const double fs = kFs, fl = kLow, fh = kHigh, ap = 0.5, as = 50, bad = 0.4;
    const int32_t order = 5, type = 3;
    DoubleHandle a, b;
    int32_t err = 5;
    ASSERT_EQ(EllipticCoefs(&fs, &fl, &fh, &ap, &as, &order, &type, a, b, &err), 0);
    EXPECT_EQ(err, 0);
    const Cascade want = ellipticDesign(type, order, ap, as);
    EXPECT_EQ(a.values(), want.a);
    EXPECT_EQ(b.values(), want.b);
    ASSERT_EQ(EllipticCoefs(&fs, &fl, &fh, &ap, &bad, &order, &type, a, b, &err), 0);
    EXPECT_EQ(err, kErrAttenuationBelowRipple);
    EXPECT_TRUE(a.emptied());
    EXPECT_TRUE(b.emptied());
}

ORIN_ALLOCATION_CASE(EllipticCoefs, 2) {
    const double fs = 1000, fl = 100, fh = 0, ap = 1, as = 60;
    const int32_t order = 6, type = 1;
    expectDesignEntryUnderInjection(inj, 6, 9, [&](DoubleArrayHdl a, DoubleArrayHdl b, int32_t *err) {
        return EllipticCoefs(&fs, &fl, &fh, &ap, &as, &order, &type, a, b, err);
    });
}
