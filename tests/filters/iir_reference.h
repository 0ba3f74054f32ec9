// Independent references for the IIR suites: cascade responses in long double
// with a coefficient-rounding bound, the band mappings, Chebyshev polynomials
// and Jacobi elliptic functions from Carlson's R_F (no AGM, unlike the library).
#ifndef ORIN_TESTS_FILTERS_IIR_REFERENCE_H
#define ORIN_TESTS_FILTERS_IIR_REFERENCE_H

#include <orin/filters.h>

#include "support/prelude.h"

namespace iirtest {

using cld = std::complex<long double>;
using orintest::kPiL;

// A designed cascade: m = 2 (low/highpass) or 4 (band) coefficients of a and
// m + 1 of b per section.
struct Cascade {
    int32_t type, order;
    std::vector<double> a, b;

    int m() const { return type <= 1 ? 2 : 4; }
    int sections() const { return (order + 1) / 2; }
    IIRFilterInfo info() {
        IIRFilterInfo i{};
        i.type = type;
        i.order = order;
        i.aCount = static_cast<int32_t>(a.size());
        i.a = a.data();
        i.bCount = static_cast<int32_t>(b.size());
        i.b = b.data();
        return i;
    }
};

// Section k of c on its own, as a cascade of one section.
inline Cascade sectionOf(const Cascade &c, int k) {
    const long m = c.m();
    return {c.type, 2, std::vector<double>(c.a.begin() + k * m, c.a.begin() + (k + 1) * m),
            std::vector<double>(c.b.begin() + k * (m + 1), c.b.begin() + (k + 1) * (m + 1))};
}

// B_k(z) and A_k(z) = 1 + a1 z^-1 + ... of every section at f (same unit as fs).
inline std::vector<std::pair<cld, cld>> sectionValues(const Cascade &c, long double f, long double fs) {
    const int m = c.m();
    const cld zinv = std::polar(1.0L, -2 * kPiL * f / fs);
    std::vector<std::pair<cld, cld>> v;
    for (int k = 0; k < c.sections(); ++k) {
        cld num = 0, den = 1, p = 1;
        for (int i = 0; i <= m; ++i, p *= zinv) {
            num += static_cast<long double>(c.b[static_cast<size_t>(k * (m + 1) + i)]) * p;
            if (i > 0) den += static_cast<long double>(c.a[static_cast<size_t>(k * m + i - 1)]) * p;
        }
        v.emplace_back(num, den);
    }
    return v;
}

inline cld response(const Cascade &c, long double f, long double fs) {
    cld h = 1;
    for (const auto &[num, den] : sectionValues(c, f, fs)) h *= num / den;
    return h;
}

// First-order bound on the change of |H(f)| when every stored coefficient c
// is off by up to 4 eps (|c| + 1): half an ulp from rounding to double, plus
// the extended-precision evaluation of section formulas whose terms, divided
// by the section's D, are of order one. A coefficient of section k moves
// |H| by at most |dc| |H| / |A_k| (feedback) or |dc| |H / B_k| (feed-forward,
// written so that it stays finite at a transmission zero).
inline long double magnitudeBound(const Cascade &c, long double f, long double fs) {
    const auto m = static_cast<size_t>(c.m());
    const long double h = std::abs(response(c, f, fs));
    const auto v = sectionValues(c, f, fs);
    long double bound = 0;
    for (size_t k = 0; k < v.size(); ++k) {
        long double sumA = 0, sumB = 0;
        for (size_t i = 0; i < m; ++i) sumA += std::fabs(c.a[k * m + i]) + 1;
        for (size_t i = 0; i <= m; ++i) sumB += std::fabs(c.b[k * (m + 1) + i]) + 1;
        cld others = 1;
        for (size_t j = 0; j < v.size(); ++j)
            if (j != k) others *= v[j].first / v[j].second;
        bound += 4 * orintest::kEps * (sumA * h + sumB * std::abs(others)) / std::abs(v[k].second);
    }
    return bound;
}

// The prototype frequency Omega that the band transform and the pre-warped
// bilinear map give to f (Omega = 1 at every band edge).
inline long double prototypeFrequency(int32_t type, long double f, long double fs, long double fl, long double fh) {
    const long double t = std::tan(kPiL * f / fs);
    const long double tl = std::tan(kPiL * fl / fs), th = std::tan(kPiL * fh / fs);
    const long double p = tl * th, w = th - tl;
    switch (type) {
        case 0: return t / tl;
        case 1: return tl / t;
        case 2: return std::fabs((t * t - p) / (w * t));
        default: return std::fabs(w * t / (p - t * t));
    }
}

// Chebyshev polynomial T_n(x) for any real x.
inline long double chebyshevT(int n, long double x) {
    if (std::fabs(x) <= 1) return std::cos(n * std::acos(x));
    const long double v = std::cosh(n * std::acosh(std::fabs(x)));
    return (x < 0 && n % 2) ? -v : v;
}

// Carlson's symmetric integral R_F(x, y, z) by the duplication theorem
// (Carlson 1995, Numer. Algorithms 10; DLMF 19.36.1).
inline long double carlsonRF(long double x, long double y, long double z) {
    for (int i = 0; i < 200; ++i) {
        const long double sx = std::sqrt(x), sy = std::sqrt(y), sz = std::sqrt(z);
        const long double lambda = sx * sy + sy * sz + sz * sx;
        x = (x + lambda) / 4;
        y = (y + lambda) / 4;
        z = (z + lambda) / 4;
        const long double mean = (x + y + z) / 3;
        const long double dx = 1 - x / mean, dy = 1 - y / mean, dz = 1 - z / mean;
        if (std::fmax(std::fabs(dx), std::fmax(std::fabs(dy), std::fabs(dz))) < 1e-6L) {
            const long double e2 = dx * dy - dz * dz, e3 = dx * dy * dz;
            return (1 - e2 / 10 + e3 / 14 + e2 * e2 / 24 - 3 * e2 * e3 / 44) / std::sqrt(mean);
        }
    }
    return NAN;
}

// K(k) for the modulus k given with its complement kc (so that neither is
// formed by cancellation): K = R_F(0, kc^2, 1) (DLMF 19.25.1).
inline long double completeK(long double kc) { return carlsonRF(0, kc * kc, 1); }

// Incomplete integral F(phi, k) = sin(phi) R_F(cos^2, 1 - k^2 sin^2, 1).
inline long double incompleteF(long double phi, long double k) {
    const long double s = std::sin(phi), c = std::cos(phi);
    return s * carlsonRF(c * c, 1 - k * k * s * s, 1);
}

// sn(u, k) = sin phi for 0 <= u <= K(k), F(phi, k) = u solved by Newton steps
// (dF/dphi = 1/sqrt(1 - k^2 sin^2 phi)) inside a bracket, bisecting when a step leaves it.
inline long double jacobiSn(long double u, long double k, long double kc) {
    long double lo = 0, hi = kPiL / 2;
    long double phi = u / completeK(kc) * kPiL / 2;
    for (int i = 0; i < 200; ++i) {
        const long double s = std::sin(phi), f = incompleteF(phi, k) - u;
        (f < 0 ? lo : hi) = phi;
        long double next = phi - f * std::sqrt((1 - k * s) * (1 + k * s));
        if (!(next > lo && next < hi)) next = (lo + hi) / 2;
        if (std::fabs(next - phi) < 1e-19L) break;
        phi = next;
    }
    return std::sin(phi);
}

// The selectivity modulus k of the degree equation K'(k)/K(k) = K'(k1)/(n K(k1)),
// by bisection (the ratio falls as k grows).
inline long double degreeModulus(long double k1, int n) {
    const long double target = completeK(k1) / (n * completeK(std::sqrt((1 - k1) * (1 + k1))));
    long double lo = 0, hi = 1;
    for (int i = 0; i < 200; ++i) {
        const long double k = (lo + hi) / 2;
        (completeK(k) / completeK(std::sqrt((1 - k) * (1 + k))) > target ? lo : hi) = k;
    }
    return (lo + hi) / 2;
}

constexpr double kFs = 1000, kCut = 120, kLow = 150, kHigh = 320;  // lowpass/highpass cut-off, band
inline const char *const kBandName[] = {"lowpass", "highpass", "bandpass", "bandstop"};
using CoreDesign = std::function<int32_t(double fs, double fl, double fh, IIRFilterInfo *)>;

inline std::string label(int32_t type, int32_t order) {
    return std::string(kBandName[type]) + " order " + std::to_string(order);
}

// A cascade designed by core at the suite's edges.
inline Cascade design(const CoreDesign &core, int32_t type, int32_t order) {
    Cascade c{type, order, {}, {}};
    c.a.assign(static_cast<size_t>(c.m() * c.sections()), 0.0);
    c.b.assign(static_cast<size_t>((c.m() + 1) * c.sections()), 0.0);
    IIRFilterInfo info = c.info();
    EXPECT_EQ(core(kFs, type <= 1 ? kCut : kLow, kHigh, &info), 0) << label(type, order);
    return c;
}

}  // namespace iirtest

#endif  // ORIN_TESTS_FILTERS_IIR_REFERENCE_H
