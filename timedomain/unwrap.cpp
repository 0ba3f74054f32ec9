#include <orin/timedomain.h>

#include <cmath>

#include "../frame/kit.h"

// Each phase loses the whole turns that separate it from its already
// unwrapped predecessor, rounded to the nearest turn (half a turn rounds up).
int32_t UnWrap1D(double *p, int32_t n) {
    if (n < 1) return kErrEmptyArray;
    for (int32_t i = 1; i < n; ++i) {
        const double turns = std::floor((p[i] - p[i - 1]) / orin::kTwoPi + 0.5);
        p[i] -= orin::kTwoPi * turns;
    }
    return kErrNone;
}
