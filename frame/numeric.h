// Numeric conventions shared by every routine of the library.
#ifndef ORIN_FRAME_NUMERIC_H
#define ORIN_FRAME_NUMERIC_H

#include <orin/common.h>

#include <cstring>
#include <numbers>

namespace orin {

// Sums and products that are kept in the processor's extended precision and
// rounded to double only when a result is stored. On x86 this is the 80-bit
// x87 format in both builds (the 32-bit build does its double arithmetic in
// SSE2, so double results round alike in both).
using extended = long double;

// Angles: pi and its doubling and halving are exact in binary, so these are
// the correctly rounded values of 2*pi and pi/2.
inline constexpr double kPi = std::numbers::pi;
inline constexpr double kTwoPi = 2 * std::numbers::pi;
inline constexpr double kHalfPi = std::numbers::pi / 2;

// Writes the library's failure NaN bit for bit (a plain assignment could
// quieten or re-sign a NaN on some paths).
inline void writeNaN(double *out) {
    if (out) std::memcpy(out, &iDNaN, sizeof(double));
}

}  // namespace orin

#endif  // ORIN_FRAME_NUMERIC_H
