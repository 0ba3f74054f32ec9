#include "detail.h"

namespace {

using orin::extended;
using orin::iir::PolePair;

// The Butterworth prototype: poles on the unit circle at angles
// theta_j = pi/2 + (2j + 1) pi/(2n), so alpha_j = -2 cos theta_j =
// 2 sin((2j + 1) pi/(2n)), beta_j = 1, and the real pole -1 for odd n.
PolePair butterworthPair(int32_t n, int32_t j) { return {2 * std::sin((2 * j + 1) * orin::kPiL / (2 * n)), 1, 0}; }

}  // namespace

int32_t Bw_Coef(double fs, double fl, double fh, IIRFilterInfo *info) {
    using namespace orin::iir;
    if (const int32_t code = checkDesign(fs, fl, fh, *info, noCheck, noCheck)) return code;
    const int32_t n = info->order;
    writeCascade(
        fs, fl, fh, *info, 1, [n](int32_t j) { return butterworthPair(n, j); }, 1, -1);
    return kErrNone;
}
