// The elliptic-function routines against identities and Carlson's R_F.
#include "support/prelude.h"

#include <orin/filters.h>

#include "iir_reference.h"

using namespace iirtest;

TEST(EllipticFunctions, ElpSatisfiesIdentitiesAndAgreesWithCarlsonOverTheWholePeriod) {
    double sn, cn, dn;
    elp(0, 0.3, &sn, &cn, &dn);
    EXPECT_TRUE(sn == 0 && cn == 1 && dn == 1);
    for (double x : {1e-6, 0.05, 0.3, 0.99, 1.0}) {
        const long double k = std::sqrt((1.0L - x) * (1.0L + x)), K = completeK(x);
        for (int i = -80; i <= 80; ++i) {
            const double u = static_cast<double>(K * i / 20.0L + 0.0123L);
            elp(u, x, &sn, &cn, &dn);
            // sn, cn from one r and dn from the last Gauss step: a few roundings.
            EXPECT_NEAR(sn * sn + cn * cn, 1.0, 4 * kEps) << "x " << x << " u " << u;
            EXPECT_NEAR(static_cast<double>(dn * dn + k * k * sn * sn), 1.0, 8 * kEps) << "x " << x << " u " << u;
            // The reference over (0, K], extended by sn(-u) = -sn(u), sn(2K - u) = sn(u),
            // sn(u + 2K) = -sn(u); the AGM loses a rounding per level (<= 25) and u's ulp enters the phase.
            long double r = std::fmod(static_cast<long double>(u), 4 * K), sign = 1;
            if (r < 0) r += 4 * K;
            if (r > 2 * K) {
                r -= 2 * K;
                sign = -1;
            }
            if (r > K) r = 2 * K - r;
            EXPECT_NEAR(sn, static_cast<double>(sign * jacobiSn(r, k, x)), (32 + std::fabs(u)) * kEps)
                << "x " << x << " u " << u;
        }
    }
}

TEST(EllipticFunctions, CompleteIntegralThetaModulusAndInverseSc) {
    EXPECT_NEAR(cei(1), M_PI / 2, 2 * kEps);
    for (double x : {1e-8, 0.2, 0.8, 0.999}) {
        const long double want = completeK(x);  // the AGM converges to a few roundings
        EXPECT_NEAR(cei(x), static_cast<double>(want), static_cast<double>(8 * kEps * want)) << "x " << x;
    }
    // fk inverts K'/K (theta series to 1e-15; k' loses eps/k'^2, which K takes
    // only logarithmically). Where the series overshoot 1 it is held at 1.
    for (double ratio : {0.4, 1.0, 4.0}) {
        const long double k = fk(ratio), kc = std::sqrt((1 - k) * (1 + k));
        EXPECT_NEAR(static_cast<double>(completeK(k) / completeK(kc)), ratio, 1e-13 * ratio) << "ratio " << ratio;
    }
    EXPECT_EQ(fk(0.05), 1.0);
    for (double ratio = 0.001; ratio < 0.5; ratio += 0.001) EXPECT_LE(fk(ratio), 1.0) << "ratio " << ratio;
    // arcsc against w = F(arctan u, k); it stops when its means agree to 1.2e-7.
    for (double x : {0.01, 0.3, 0.8}) {
        const long double k = std::sqrt((1.0L - x) * (1.0L + x));
        for (double u : {0.05, 1.0, 40.0}) {
            const long double want = incompleteF(std::atan(static_cast<long double>(u)), k);
            EXPECT_NEAR(arcsc(u, x), static_cast<double>(want), static_cast<double>(1.2e-7L * want))
                << "x " << x << " u " << u;
        }
    }
}

TEST(EllipticFunctions, ParamsSolvesTheDegreeEquationAndPlacesTheOrderOneRealPoleAtOneOverEps) {
    double eps, k1, k1c, K1, K1c, k, kc, K, Kc, u0, sn0, cn0, dn0;
    // Order 1: k = k1 and sc(u0; k1') = 1/eps = 2.863 for Ap = 0.5 dB (the
    // inverse sc for the modulus k1 would give 1.573); u0 carries arcsc's 1.2e-7.
    Params(0.5, 40, 1, &eps, &k1, &k1c, &K1, &K1c, &k, &kc, &K, &Kc, &u0, &sn0, &cn0, &dn0);
    EXPECT_NEAR(eps, std::sqrt(std::pow(10.0, 0.05) - 1), 4 * kEps);
    EXPECT_NEAR(k, k1, 1e-13 * k1);
    EXPECT_NEAR(sn0 / cn0 * eps, 1.0, 1.2e-7);
    EXPECT_NEAR(sn0 * sn0 + cn0 * cn0, 1.0, 4 * kEps);
    for (int n : {2, 3, 8}) {
        Params(0.2, 60, n, &eps, &k1, &k1c, &K1, &K1c, &k, &kc, &K, &Kc, &u0, &sn0, &cn0, &dn0);
        const std::string what = "order " + std::to_string(n);
        EXPECT_NEAR(k, static_cast<double>(degreeModulus(k1, n)), 1e-13) << what;
        EXPECT_NEAR(K, static_cast<double>(completeK(kc)), 8 * kEps * K) << what;
        EXPECT_NEAR(Kc, static_cast<double>(completeK(k)), 8 * kEps * Kc) << what;
        EXPECT_NEAR(K1c / K1, n * Kc / K, 1e-12 * n * Kc / K) << what;
        // sc(u0 K1 n / K; k1') = 1/eps.
        const long double s = jacobiSn(static_cast<long double>(u0) * K1 * n / K, k1c, k1);
        EXPECT_NEAR(static_cast<double>(s / std::sqrt(1 - s * s) * eps), 1.0, 1.2e-7) << what;
    }
}
