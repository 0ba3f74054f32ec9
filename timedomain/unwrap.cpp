#include <orin/timedomain.h>

#include <cfloat>
#include <cmath>

#include "../frame/kit.h"

// Each phase loses the whole turns that separate it from its already
// unwrapped predecessor, rounded to the nearest turn (half a turn rounds up):
//   k[i] = floor((p[i] - u[i-1]) / 2 pi + 1/2),  u[i] = p[i] - 2 pi k[i].
// Taken literally, every k waits for the previous division and floor. The
// count of turns almost always moves by the rounded step of the raw input,
// so that is taken as the guess, and the rule only confirms it: with the
// reciprocal of 2 pi the quotient is within 3 eps (|q| + 1) of the divided
// one (two roundings of the reciprocal product against one of the
// quotient, and one of each sum), so a product at least 8 eps (|q| + 1)
// inside (k, k + 1) proves floor = k. The confirmations do not wait on one
// another; anything closer to a whole turn (a step within rounding of half
// a turn, NaN, infinity) is decided by the rule itself. The results are the
// rule's, bit for bit.
int32_t UnWrap1D(double *p, int32_t n) {
    if (n < 1) return kErrEmptyArray;
    constexpr double kInverse = 1.0 / orin::kTwoPi;
    double turns = 0;  // k[i-1]
    double prevRaw = p[0];
    double prevOut = p[0];
    for (int32_t i = 1; i < n; ++i) {
        const double raw = p[i];
        double k = turns + std::floor((raw - prevRaw) * kInverse + 0.5);
        const double q = (raw - prevOut) * kInverse + 0.5;
        const double margin = 8 * DBL_EPSILON * (std::fabs(q) + 1);
        if (!(q >= k + margin && q < k + 1 - margin)) k = std::floor((raw - prevOut) / orin::kTwoPi + 0.5);
        prevOut = raw - orin::kTwoPi * k;
        p[i] = prevOut;
        prevRaw = raw;
        turns = k;
    }
    return kErrNone;
}
