// Arithmetic on the library's complex element (real part first, then
// imaginary), shared by the transforms, complex linear algebra and polynomial
// roots. complexnum stays the plain C struct of the interface; these operators
// give it value semantics inside the library without changing its layout.
#ifndef ORIN_FRAME_COMPLEX_H
#define ORIN_FRAME_COMPLEX_H

#include <orin/common.h>

#include <cmath>

constexpr complexnum operator+(complexnum a, complexnum b) { return {a.re + b.re, a.im + b.im}; }
constexpr complexnum operator-(complexnum a, complexnum b) { return {a.re - b.re, a.im - b.im}; }
constexpr complexnum operator-(complexnum a) { return {-a.re, -a.im}; }
constexpr complexnum operator*(complexnum a, complexnum b) {
    return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re};
}
constexpr complexnum operator*(double s, complexnum a) { return {s * a.re, s * a.im}; }
constexpr complexnum operator*(complexnum a, double s) { return {a.re * s, a.im * s}; }
constexpr complexnum operator/(complexnum a, double s) { return {a.re / s, a.im / s}; }
// Smith's algorithm (Smith, CACM 5, 1962): scales by the larger part of the
// divisor so that neither the squares nor the products overflow or underflow
// before the quotient does.
inline complexnum operator/(complexnum a, complexnum b) {
    if (std::fabs(b.re) >= std::fabs(b.im)) {
        const double r = b.im / b.re, d = b.re + b.im * r;
        return {(a.re + a.im * r) / d, (a.im - a.re * r) / d};
    }
    const double r = b.re / b.im, d = b.re * r + b.im;
    return {(a.re * r + a.im) / d, (a.im * r - a.re) / d};
}
inline complexnum &operator+=(complexnum &a, complexnum b) { return a = a + b; }
inline complexnum &operator-=(complexnum &a, complexnum b) { return a = a - b; }
inline complexnum &operator*=(complexnum &a, complexnum b) { return a = a * b; }
inline complexnum &operator*=(complexnum &a, double s) { return a = a * s; }
inline complexnum &operator/=(complexnum &a, complexnum b) { return a = a / b; }
constexpr bool operator==(complexnum a, complexnum b) { return a.re == b.re && a.im == b.im; }

namespace orin {

constexpr complexnum conj(complexnum a) { return {a.re, -a.im}; }
// |a| without overflow or underflow of the squares.
inline double abs(complexnum a) { return std::hypot(a.re, a.im); }
// |a|^2 (may overflow where abs does not).
constexpr double norm(complexnum a) { return a.re * a.re + a.im * a.im; }
// The 1-norm |re| + |im|, the cheap magnitude pivoting compares.
inline double abs1(complexnum a) { return std::fabs(a.re) + std::fabs(a.im); }
inline bool isFinite(complexnum a) { return std::isfinite(a.re) && std::isfinite(a.im); }
inline complexnum polar(double r, double theta) { return {r * std::cos(theta), r * std::sin(theta)}; }
// The principal square root (non-negative real part), formed from |a| so
// that neither part cancels (Kahan, "Branch cuts for complex elementary
// functions", 1987).
inline complexnum sqrt(complexnum a) {
    if (a.re == 0 && a.im == 0) return {0, a.im};
    const double t = std::sqrt((std::fabs(a.re) + abs(a)) / 2);
    if (a.re >= 0) return {t, a.im / (2 * t)};
    return {std::fabs(a.im) / (2 * t), std::copysign(t, a.im)};
}

}  // namespace orin

#endif  // ORIN_FRAME_COMPLEX_H
