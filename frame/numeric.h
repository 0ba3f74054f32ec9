// Numeric conventions shared by every routine of the library.
#ifndef ORIN_FRAME_NUMERIC_H
#define ORIN_FRAME_NUMERIC_H

#include <orin/common.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <numbers>

namespace orin {

// Sums and products that are kept in the processor's extended precision and
// rounded to double only when a result is stored. On x86 this is the 80-bit
// x87 format in both builds (the 32-bit build does its double arithmetic in
// SSE2, so double results round alike in both).
using extended = long double;

// Angles: pi and its doubling and halving are exact in binary, so these are
// the correctly rounded values of 2*pi and pi/2. The extended twins carry the
// 64-bit significand for sums and recurrences kept in extended precision.
// (The 14-digit butterfly constants of the mixed-radix FFT are deliberately
// not these: they are part of its documented rounding.)
inline constexpr double kPi = std::numbers::pi;
inline constexpr double kTwoPi = 2 * std::numbers::pi;
inline constexpr double kHalfPi = std::numbers::pi / 2;
inline constexpr double kSqrtHalf = 0.70710678118654752440;
inline constexpr extended kPiL = std::numbers::pi_v<extended>;
inline constexpr extended kTwoPiL = 2 * std::numbers::pi_v<extended>;

// The spacing of doubles at 1, 2^-52: the relative size of one rounding step
// that the iterative decompositions use in their deflation and convergence
// tests (LAPACK's dlamch('P')).
inline constexpr double kEpsilon = std::numeric_limits<double>::epsilon();

// 2^-63, the unit of one rounding step of the x87 extended format: the
// relative size below which the QR and SVD measures treat a pivot or a
// column norm as lost to rounding.
inline constexpr double kTwoPowMinus63 = 0x1p-63;

// Sum of x[0..n-1] in index order, in extended precision.
inline extended sumExtended(const double *x, int32_t n) {
    extended s = 0;
    for (int32_t i = 0; i < n; ++i) s += x[i];
    return s;
}

// Sum of squares of x[0..n-1] in index order, in extended precision.
inline extended sumOfSquaresExtended(const double *x, int32_t n) {
    extended s = 0;
    for (int32_t i = 0; i < n; ++i) s += static_cast<extended>(x[i]) * x[i];
    return s;
}

// Dot product of x[0..n-1] and y[0..n-1] in index order, in extended
// precision; the strides let a row meet a column of a row-major matrix.
inline extended dotExtended(const double *x, const double *y, int32_t n, int32_t xStride = 1, int32_t yStride = 1) {
    extended s = 0;
    for (int32_t i = 0; i < n; ++i)
        s += static_cast<extended>(x[static_cast<ptrdiff_t>(i) * xStride]) * y[static_cast<ptrdiff_t>(i) * yStride];
    return s;
}

// Writes the library's failure NaN bit for bit (a plain assignment could
// quieten or re-sign a NaN on some paths).
inline void writeNaN(double *out) {
    if (out) std::memcpy(out, &iDNaN, sizeof(double));
}

// Two doubles in one SSE2 register (GCC/Clang vector extension). Every
// operation on it is the IEEE operation of the scalar code, lane by lane, so
// loops over pairs give bit for bit the results of the scalar loops; the
// pairs only halve the instructions.
using v2d = double __attribute__((vector_size(16)));
inline v2d load2(const double *p) {
    v2d v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline void store2(double *p, v2d v) { std::memcpy(p, &v, sizeof v); }

}  // namespace orin

#endif  // ORIN_FRAME_NUMERIC_H
