#include "detail.h"

// The library's equal-spaced-pole design: every pole on the unit circle, the
// pair j with imaginary part x_j = 1 - (2j + 1)/n (from the one nearest the
// imaginary axis downwards in steps of 2/n), so alpha_j = 2 sqrt(1 - x_j^2),
// beta_j = 1, and the real pole -1 for odd n. It differs from Butterworth
// only in the pairs' damping.
int32_t Bessel_Coef(double fs, double fl, double fh, IIRFilterInfo *info) {
    using namespace orin::iir;
    if (const int32_t code = checkDesign(fs, fl, fh, *info, noCheck, noCheck)) return code;
    const int32_t n = info->order;
    writeCascade(
        fs, fl, fh, *info, 1,
        [n](int32_t j) {
            const orin::extended x = 1 - static_cast<orin::extended>(2 * j + 1) / n;
            return PolePair{2 * std::sqrt((1 - x) * (1 + x)), 1, 0};
        },
        1, -1);
    return kErrNone;
}
