// The IIR designs judged by their magnitude response, evaluated from the
// coefficients in long double, against each prototype's closed form at the
// pre-warped prototype frequency of every band type; the elliptic-function
// routines beneath them against identities and Carlson's R_F.
#include "support/prelude.h"

#include <orin/filters.h>

#include "iir_reference.h"

using namespace iirtest;

namespace {

using Ideal = std::function<long double(long double)>;

// Bessel prototype pair j: s^2 + alpha s + 1, alpha = 2 sqrt(1 - x_j^2), x_j = 1 - (2j + 1)/n.
long double besselAlpha(int n, int j) {
    const long double x = 1 - static_cast<long double>(2 * j + 1) / n;
    return 2 * std::sqrt(1 - x * x);
}

// |H| of the ideal elliptic prototype: R_n has zeros x_i = sn(i K/n, k)
// (i odd for even n; 0 and even i for odd n), poles 1/(k x_i), R_n(1) = 1.
struct IdealElliptic {
    long double eps, k;
    std::vector<long double> zeros;
    int n;
    IdealElliptic(double ap, double as, int order) : n(order) {
        eps = std::sqrt(std::expm1(ap * std::log(10.0L) / 10));
        k = degreeModulus(eps / std::sqrt(std::expm1(as * std::log(10.0L) / 10)), order);
        const long double kc = std::sqrt((1 - k) * (1 + k)), K = completeK(kc);
        for (int i = order % 2 ? 2 : 1; i < order; i += 2) zeros.push_back(jacobiSn(i * K / order, k, kc));
    }
    long double operator()(long double w) const {
        long double r = n % 2 ? w : 1;
        for (long double x : zeros)
            r *= (w * w - x * x) / (w * w - 1 / (k * k * x * x)) * (1 - 1 / (k * k * x * x)) / (1 - x * x);
        return 1 / std::sqrt(1 + eps * eps * r * r);
    }
};

}  // namespace

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

TEST(EllipticFunctions, CompleteIntegralAndThetaModulus) {
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
}

TEST(EllipticFunctions, ParamsPlacesTheOrderOneRealPoleAtOneOverEps) {
    double eps, k1, k1c, K1, K1c, k, kc, K, Kc, u0, sn0, cn0, dn0;
    // Order 1: k = k1 and sc(u0; k1') = 1/eps = 2.863 for Ap = 0.5 dB (the
    // inverse sc for the modulus k1 would give 1.573); u0 carries arcsc's 1.2e-7.
    Params(0.5, 40, 1, &eps, &k1, &k1c, &K1, &K1c, &k, &kc, &K, &Kc, &u0, &sn0, &cn0, &dn0);
    EXPECT_NEAR(eps, std::sqrt(std::pow(10.0, 0.05) - 1), 4 * kEps);
    EXPECT_NEAR(k, k1, 1e-13 * k1);
    EXPECT_NEAR(sn0 / cn0 * eps, 1.0, 1.2e-7);
    EXPECT_NEAR(sn0 * sn0 + cn0 * cn0, 1.0, 4 * kEps);
}

TEST(IIRDesign, ResponseMatchesTheIdealOneAndTheEdgeGainInEveryBand) {
    using Alpha = std::function<long double(int n, int j)>;
    struct Row {
        std::string name;
        CoreDesign core;
        std::function<Ideal(int)> ideal;
        long double extra;  // allowance beyond the rounding bound
        Alpha alpha;        // all-pole designs: pair j is s^2 + alpha s + 1, in section j after the real pole
    };
    const Alpha butterworth = [](int n, int j) { return 2 * std::sin((2 * j + 1) * kPiL / (2 * n)); };
    const auto perOrder = [](std::function<long double(int, long double)> f) {
        return std::function<Ideal(int)>([f](int n) { return Ideal([f, n](long double w) { return f(n, w); }); });
    };
    // Chebyshev 3 dB; inverse Chebyshev 80 dB, |H|^2 = e^2 T_n^2(1/Omega) / (1 + e^2 T_n^2(1/Omega)); elliptic
    // 0.5/40 dB, whose functions stop at 1.2e-7 relative (arcsc), hence the allowance 1e-7.
    const long double ch2 = std::expm1(0.3L * std::log(10.0L)), inv2 = 1 / std::expm1(8 * std::log(10.0L));
    const std::vector<Row> rows = {
        {"Butterworth", Bw_Coef,
         perOrder([](int n, long double w) { return 1 / std::sqrt(1 + std::pow(w, 2.0L * n)); }), 1e-16L, butterworth},
        {"Bessel", Bessel_Coef, perOrder([](int n, long double w) {
             long double h = n % 2 ? 1 / std::sqrt(1 + w * w) : 1;
             for (int j = 0; j < n / 2; ++j) h /= std::abs(cld(1 - w * w, besselAlpha(n, j) * w));
             return h;
         }),
         1e-16L, besselAlpha},
        {"Chebyshev", [](double fs, double l, double h, IIRFilterInfo *i) { return Ch_Coef(fs, l, h, 3, i); },
         perOrder([ch2](int n, long double w) { return 1 / std::sqrt(1 + ch2 * std::pow(chebyshevT(n, w), 2.0L)); }),
         1e-16L, nullptr},
        {"inverse Chebyshev",
         [](double fs, double l, double h, IIRFilterInfo *i) { return InvCh_Coef(fs, l, h, 80, i); },
         perOrder([inv2](int n, long double w) {
             const long double t2 = w == 0 ? 0 : std::pow(chebyshevT(n, 1 / w), 2.0L);
             return w == 0 ? 1.0L : std::sqrt(inv2 * t2 / (1 + inv2 * t2));
         }),
         1e-16L, nullptr},
        {"elliptic", [](double fs, double l, double h, IIRFilterInfo *i) { return Elp_Coef(fs, l, h, 0.5, 40, i); },
         [](int n) { return Ideal(IdealElliptic(0.5, 40, n)); }, 1e-7L, nullptr},
    };
    // |H| of c against ideal(Omega) over (0, fs/2) and at the band edges, where
    // Omega = 1 and the ideal is the edge gain (-3 dB, the ripple, the attenuation).
    const auto expectIdeal = [](const Cascade &c, const Ideal &ideal, long double extra, const std::string &what) {
        const double fl = c.type <= 1 ? kCut : kLow;
        for (int i = 0; i <= 250; ++i) {
            const double f = i == 0 ? fl : i == 250 ? kHigh : kFs / 2 * i / 250.0;
            ASSERT_NEAR(static_cast<double>(std::abs(response(c, f, kFs))),
                        static_cast<double>(ideal(prototypeFrequency(c.type, f, kFs, fl, kHigh))),
                        static_cast<double>(magnitudeBound(c, f, kFs) + extra))
                << what << " at f = " << f;
        }
    };
    for (const Row &row : rows) {
        for (int32_t type = 0; type < 4; ++type) {
            for (int32_t n : {1, 2, 5}) {
                const std::string what = row.name + " " + label(type, n);
                const Cascade c = design(row.core, type, n);
                // First-order Chebyshev band designs keep the Butterworth pole.
                if (n == 1 && type >= 2 && row.name == "Chebyshev") {
                    const Cascade bw = design(Bw_Coef, type, 1);
                    EXPECT_TRUE(c.a == bw.a && c.b == bw.b) << what;
                    continue;
                }
                expectIdeal(c, row.ideal(n), row.extra, what);
                // All-pole designs: each section one prototype factor, the pairs from the highest Q outwards.
                for (int k = 0; row.alpha && k < c.sections(); ++k) {
                    const int j = k - n % 2;
                    const Alpha alpha = row.alpha;
                    expectIdeal(
                        sectionOf(c, k),
                        j < 0 ? Ideal([](long double w) { return 1 / std::sqrt(1 + w * w); })
                              : Ideal([=](long double w) { return 1 / std::abs(cld(1 - w * w, alpha(n, j) * w)); }),
                        1e-16L, what + " section " + std::to_string(k));
                }
            }
        }
    }
}

TEST(IIRDesign, ChecksInDocumentedOrderAndNothingWrittenOnFailure) {
    struct Case {
        const char *name;
        int32_t type, order;
        double fs, fl, fh, param, as;     // param: Ch ripple, InvCh attenuation, elliptic Ap
        int32_t bw, ch, inv, elp;         // Bw_Coef and Bessel_Coef, Ch_Coef, InvCh_Coef, Elp_Coef
        int32_t aCount = 8, bCount = 10;  // room for any order up to 4
    };
    const int32_t kOrd = kErrOrderNotPositive, kCutoff = kErrCutoffFrequency, kNyq = kErrNyquist,
                  kSel = kErrInvalidSelector, kCap = kErrFilterStructure;
    const Case cases[] = {
        {"order before everything", 9, 0, -1, -1, -1, -1, -1, kOrd, kOrd, kOrd, kOrd},
        {"fl <= 0", 2, 2, 1000, 0, 100, 1, 40, kCutoff, kCutoff, kCutoff, kCutoff},
        {"fl >= fh", 3, 2, 1000, 200, 200, 1, 40, kCutoff, kCutoff, kCutoff, kCutoff},
        {"fs <= 0 before Nyquist", 2, 2, 0, 600, 700, 1, 40, kCutoff, kCutoff, kCutoff, kCutoff},
        {"NaN edge", 2, 2, 1000, NAN, 100, 1, 40, kCutoff, kCutoff, kCutoff, kCutoff},
        {"infinite rate", 0, 2, INFINITY, 100, 0, 1, 40, kCutoff, kCutoff, kCutoff, kCutoff},
        {"lowpass cut-off at fs/2", 0, 2, 1000, 500, 0, 1, 40, kCutoff, kCutoff, kCutoff, kCutoff},
        {"band edge above fs/2", 2, 2, 1000, 100, 500.5, 1, 40, kNyq, kNyq, kNyq, kNyq},
        {"Nyquist before ripple, after attenuation", 2, 2, 1000, 100, 600, 0, -1, kNyq, kNyq, kErrAttenuation, kNyq},
        {"bad parameters alone", 2, 2, 1000, 100, 400, -2, -1, 0, kErrRipple, kErrAttenuation, kErrRipple},
        {"NaN parameter", 1, 2, 1000, 100, 0, NAN, 40, 0, kErrRipple, kErrAttenuation, kErrRipple},
        {"infinite attenuation", 1, 2, 1000, 100, 0, 1, INFINITY, 0, 0, 0, kErrAttenuation},
        {"attenuation equal to ripple", 0, 2, 1000, 100, 0, 3, 3, 0, 0, 0, kErrAttenuationBelowRipple},
        {"capacity after the frequencies", 2, 1, 1000, 100, 200, 1, 40, kCap, kCap, kCap, kCap, 3, 5},
        {"parameters before capacity", 2, 1, 1000, 100, 200, 0, -1, kCap, kErrRipple, kErrAttenuation, kErrRipple, 4,
         4},
        {"band edge at fs/2 accepted", 2, 2, 1000, 100, 500, 1, 40, 0, 0, 0, 0},
        {"type outside 0..3", 4, 2, 1000, 100, 400, 1, 40, kSel, kSel, kSel, kSel},
        {"negative type", -1, 2, 1000, 100, 400, 1, 40, kSel, kSel, kSel, kSel},
    };
    for (const Case &c : cases) {
        const auto run = [&](const char *routine, int32_t expected, auto call) {
            const std::string what = std::string(routine) + ": " + c.name;
            Cascade k{c.type, c.order, std::vector<double>(8, 9.0), std::vector<double>(10, 9.0)};
            IIRFilterInfo info = k.info();
            info.aCount = c.aCount;
            info.bCount = c.bCount;
            EXPECT_EQ(call(&info), expected) << what;
            EXPECT_TRUE(expected == 0 || (k.a == std::vector<double>(8, 9.0) && k.b == std::vector<double>(10, 9.0)))
                << what;
        };
        run("Bw_Coef", c.bw, [&](IIRFilterInfo *i) { return Bw_Coef(c.fs, c.fl, c.fh, i); });
        run("Bessel_Coef", c.bw, [&](IIRFilterInfo *i) { return Bessel_Coef(c.fs, c.fl, c.fh, i); });
        run("Ch_Coef", c.ch, [&](IIRFilterInfo *i) { return Ch_Coef(c.fs, c.fl, c.fh, c.param, i); });
        run("InvCh_Coef", c.inv, [&](IIRFilterInfo *i) { return InvCh_Coef(c.fs, c.fl, c.fh, c.param, i); });
        run("Elp_Coef", c.elp, [&](IIRFilterInfo *i) { return Elp_Coef(c.fs, c.fl, c.fh, c.param, c.as, i); });
    }
}

TEST(IIRDesign, EntryPointsSizeAndMatchTheCoreDesignOrEmptyBothArrays) {
    const double fs = kFs, fh = kHigh, ripple = 0.5, att = 40, ap = 0.5, as = 50;
    using Entry = std::function<int32_t(const double *, const int32_t *, const int32_t *, DoubleArrayHdl,
                                        DoubleArrayHdl, int32_t *)>;
    const CoreDesign ch = [&](double s, double l, double h, IIRFilterInfo *i) { return Ch_Coef(s, l, h, ripple, i); },
                     inv = [&](double s, double l, double h, IIRFilterInfo *i) { return InvCh_Coef(s, l, h, att, i); },
                     elp = [&](double s, double l, double h, IIRFilterInfo *i) { return Elp_Coef(s, l, h, ap, as, i); };
#define ENTRY(call) [&](auto fl, auto n, auto t, auto a, auto b, auto e) { return call; }
    const std::tuple<const char *, Entry, CoreDesign> routines[] = {
        {"BWCoefs", ENTRY(BWCoefs(&fs, fl, &fh, n, t, a, b, e)), Bw_Coef},
        {"BesselCoefs", ENTRY(BesselCoefs(&fs, fl, &fh, n, t, a, b, e)), Bessel_Coef},
        {"ChebyshevCoefs", ENTRY(ChebyshevCoefs(&fs, fl, &fh, &ripple, n, t, a, b, e)), ch},
        {"InvChebyshevCoefs", ENTRY(InvChebyshevCoefs(&fs, fl, &fh, &att, n, t, a, b, e)), inv},
        {"EllipticCoefs", ENTRY(EllipticCoefs(&fs, fl, &fh, &ap, &as, n, t, a, b, e)), elp},
    };
#undef ENTRY
    for (const auto &[name, entry, core] : routines) {
        // Valid designs, order 0, the type 4 that is sized but refused, and
        // arrays too long to count (5 (2^31 - 1)/2 b values) refused as memory.
        for (const auto &[type, order, code] : {std::tuple{1, 4, 0},
                                                {2, 5, 0},
                                                {0, 0, kErrOrderNotPositive},
                                                {4, 3, kErrInvalidSelector},
                                                {2, INT32_MAX, kErrOutOfMemory}}) {
            const std::string what =
                std::string(name) + " type " + std::to_string(type) + " order " + std::to_string(order);
            const double fl = type <= 1 ? kCut : kLow;
            DoubleHandle a({1, 2, 3}), b({4});
            int32_t err = 77;
            EXPECT_EQ(entry(&fl, &order, &type, a, b, &err), code == kErrOutOfMemory ? kMgFullErr : 0) << what;
            EXPECT_EQ(err, code) << what;
            if (code == 0) {
                const Cascade want = design(core, type, order);
                EXPECT_EQ(a.values(), want.a) << what;
                EXPECT_EQ(b.values(), want.b) << what;
            } else {
                EXPECT_TRUE(a.emptied() && b.emptied()) << what;
            }
        }
    }
}
