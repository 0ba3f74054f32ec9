// Elliptic (Cauer) design from complete elliptic integrals and Jacobi
// elliptic functions, all evaluated by arithmetic-geometric-mean iterations
// (Abramowitz and Stegun 17.6 and 16.4; Antoniou, "Digital Filters", 5.5).
#include "detail.h"

namespace {

constexpr int kMaxSteps = 25;
using orin::kPi;

}  // namespace

// K(k) = pi / (2 AGM(1, k')) (A&S 17.6.1); the first mean is taken at once.
double cei(double x) {
    double a = (1 + x) / 2, b = std::sqrt(x);
    for (int step = 0; (a - b) / a >= 1e-15 && step < kMaxSteps; ++step) {
        const double mean = (a + b) / 2;
        b = std::sqrt(a * b);
        a = mean;
    }
    return kPi / (2 * a);
}

// Descending Gauss transformation (A&S 16.4; Bulirsch's form, Numer. Math. 7,
// 1965): run the AGM of (1, k') to its limit a_N, start from
// r = a_N cot(u a_N), and carry r and dn back through every stored level i by
//   t = r^2 / a_(i+1),  r <- r dn,  dn <- (t + b_i)/(t + a_i);
// then sn = 1/sqrt(1 + r^2), cn = r sn, with sn taking the sign of
// sin(u a_N) so that the functions hold over the whole period 4K, negative
// arguments included.
void elp(double u, double x, double *sn, double *cn, double *dn) {
    if (u == 0) {
        *sn = 0;
        *cn = 1;
        *dn = 1;
        return;
    }
    double as[kMaxSteps], bs[kMaxSteps];
    int levels = 0;
    double a = 1, b = x;
    while (levels < kMaxSteps) {
        as[levels] = a;
        bs[levels] = b;
        ++levels;
        const double mean = (a + b) / 2;
        b = std::sqrt(a * b);
        a = mean;
        if ((a - b) / a < 1e-15) break;
    }
    const double phase = u * a;
    double r = a * std::cos(phase) / std::sin(phase), d = 1;
    for (int i = levels - 1; i >= 0; --i) {
        const double t = r * r / a;
        r *= d;
        a = as[i];
        d = (t + bs[i]) / (t + as[i]);
    }
    *sn = std::copysign(1 / std::sqrt(r * r + 1), std::sin(phase));
    *cn = *sn * r;
    *dn = d;
}

// Inverse sc by the AGM with the cotangent carried along (the Landen form of
// Antoniou's arcsc): a and b are twice the means of the previous level, y the
// cotangent of the transformed amplitude; L counts the half turns the
// amplitude makes so that the arctangent stays on its principal branch.
double arcsc(double u, double x) {
    double a = 1, b = x, y = 1 / u, turns = 0;
    for (int step = 0; step < kMaxSteps; ++step) {
        const double t = a * b;
        a += b;
        b = 2 * std::sqrt(t);
        y -= t / y;
        if (y == 0) y = std::sqrt(t) * 1e-15;
        if (std::fabs(a - b) < 1.2e-7 * a) {
            if (y < 0) ++turns;
            break;
        }
        turns = 2 * turns + (y < 0 ? 1 : 0);
    }
    return (kPi * turns + std::atan(a / y)) / a;
}

// k = theta_2^2(q)/theta_3^2(q) with the nome q = exp(-pi K'/K) (A&S 16.38.5,
// 16.38.7): theta_2 = 2 q^(1/4) sum q^(m(m+1)), theta_3 = 1 + 2 sum q^(m^2).
double fk(double x) {
    const double q = std::exp(-kPi * x);
    double num = 0, den = 1;
    for (int m = 0; m < kMaxSteps; ++m) {
        const double term = std::pow(q, static_cast<double>(m) * (m + 1));
        num += term;
        if (term < 1e-15) break;
    }
    for (int m = 1; m <= kMaxSteps; ++m) {
        const double term = std::pow(q, static_cast<double>(m) * m);
        den += 2 * term;
        if (term < 1e-15) break;
    }
    const double k = 4 * std::sqrt(q) * num * num / (den * den);
    return k >= 1 ? 1 : k;
}

// Daniels, "Approximation Methods for Electronic Filter Design", ch. 5: the
// degree equation K'(k)/K(k) = K'(k1)/(n K(k1)) fixes the selectivity
// modulus k, and the poles are offset from the imaginary axis by
// u0 = sc^-1(1/eps; k1') K/(n K1), evaluated with the complementary modulus.
void Params(double Ap, double As, int32_t n, double *eps, double *k1, double *k1c, double *K1, double *K1c, double *k,
            double *kc, double *K, double *Kc, double *u0, double *sn0, double *cn0, double *dn0) {
    *eps = std::sqrt(std::pow(10.0, Ap / 10) - 1);
    *k1 = *eps / std::sqrt(std::pow(10.0, As / 10) - 1);
    *k1c = std::sqrt(1 - *k1 * *k1);
    *K1 = cei(*k1c);
    *K1c = cei(*k1);
    *k = fk(*K1c / (n * *K1));
    *kc = std::sqrt(1 - *k * *k);
    *K = cei(*kc);
    *Kc = cei(*k);
    // The inverse sc is taken for the modulus k1', whose complement is k1.
    // With n = 1 (k = k1, K = K1) the real pole sc(u0; k1') is then 1/eps,
    // as a first-order filter with ripple Ap must have it.
    *u0 = arcsc(1 / *eps, *k1) * (*K / n) / *K1;
    elp(*u0, *k, sn0, cn0, dn0);
}

int32_t Elp_Coef(double fs, double fl, double fh, double Ap, double As, IIRFilterInfo *info) {
    using namespace orin::iir;
    const int32_t code = checkDesign(fs, fl, fh, *info, noCheck, [Ap, As] {
        if (!positiveFinite(Ap)) return kErrRipple;
        if (!positiveFinite(As)) return kErrAttenuation;
        return As <= Ap ? kErrAttenuationBelowRipple : kErrNone;
    });
    if (code) return code;

    const int32_t n = info->order;
    double eps, k1, k1c, K1, K1c, k, kc, K, Kc, u0, sn0, cn0, dn0;
    Params(Ap, As, n, &eps, &k1, &k1c, &K1, &K1c, &k, &kc, &K, &Kc, &u0, &sn0, &cn0, &dn0);

    // Pole pair at u = i K/n (i = 2, 4, ... for odd n, 1, 3, ... for even n):
    // -re +- j im with re = cn dn sn0 cn0/den, im = sn dn0/den,
    // den = 1 - dn^2 sn0^2; the zero pair at +-j/(k sn(u)).
    const int32_t firstIndex = n % 2 ? 2 : 1;
    const auto pairAt = [&](int32_t j) {
        double su, cu, du;
        elp((firstIndex + 2 * j) * K / n, kc, &su, &cu, &du);
        const orin::extended den = 1 - static_cast<orin::extended>(du) * du * sn0 * sn0;
        const orin::extended re = cu * du * sn0 * cn0 / den, im = su * dn0 / den, ks = k * su;
        return PolePair{2 * re, re * re + im * im, ks * ks};
    };
    // Real pole at u = 0: sn0 cn0/(1 - sn0^2). Even orders start from the
    // pass-band trough: the first pair's numerator carries 1/sqrt(1 + eps^2).
    const orin::extended sigma = sn0 * cn0 / (1 - static_cast<orin::extended>(sn0) * sn0);
    const orin::extended gain = n % 2 ? 1 : 1 / std::sqrt(1 + static_cast<orin::extended>(eps) * eps);
    writeCascade(fs, fl, fh, *info, sigma, pairAt, gain, 0);
    return kErrNone;
}
