#include "detail.h"

namespace {

using orin::extended;
using orin::kPiL;
using orin::iir::PolePair;

// 10^(dB/10) - 1 without the cancellation of a small level.
extended powerRatioMinusOne(double dB) { return std::expm1(static_cast<extended>(dB) * std::log(10.0L) / 10); }

// Chebyshev poles for ripple factor eps (Daniels, "Approximation Methods for
// Electronic Filter Design", ch. 4): with v = asinh(1/eps)/n, sh = sinh v,
// ch = cosh v, the pole pair j lies at -sh sin(phi_j) +- j ch cos(phi_j),
// phi_j = (2j + 1) pi/(2n); the real pole of an odd order at -sh.
struct ChebyshevPoles {
    int32_t n;
    extended sh, ch;

    ChebyshevPoles(int32_t order, extended eps) : n(order) {
        const extended v = std::asinh(1 / eps) / order;
        sh = std::sinh(v);
        ch = std::cosh(v);
    }
    extended re(int32_t j) const { return -sh * std::sin((2 * j + 1) * kPiL / (2 * n)); }
    extended im(int32_t j) const { return ch * std::cos((2 * j + 1) * kPiL / (2 * n)); }
};

}  // namespace

int32_t Ch_Coef(double fs, double fl, double fh, double ripple, IIRFilterInfo *info) {
    using namespace orin::iir;
    const int32_t code =
        checkDesign(fs, fl, fh, *info, noCheck, [ripple] { return positiveFinite(ripple) ? kErrNone : kErrRipple; });
    if (code) return code;
    const int32_t n = info->order;
    const ChebyshevPoles poles(n, std::sqrt(powerRatioMinusOne(ripple)));
    // |H|^2 = 1/(1 + eps^2 T_n^2): even orders start from the trough, so the
    // unit-DC-gain sections are scaled by 1/sqrt(1 + eps^2) = 10^(-ripple/20),
    // in section 0 for lowpass and highpass and in the last section for the
    // band designs.
    const extended gain = n % 2 ? 1 : std::pow(10.0L, -static_cast<extended>(ripple) / 20);
    const int32_t gainSection = info->type <= kHighpass ? 0 : sectionCount(n) - 1;
    // A first-order band design keeps its real pole at 1, the Butterworth
    // placement, so its band edges lie at -3 dB whatever the ripple; callers
    // of this design rely on that documented placement.
    const extended sigma = n == 1 && info->type >= kBandpass ? 1 : poles.sh;
    writeCascade(
        fs, fl, fh, *info, sigma,
        [&poles](int32_t j) {
            const extended re = poles.re(j), im = poles.im(j);
            return PolePair{-2 * re, re * re + im * im, 0};
        },
        gain, gainSection);
    return kErrNone;
}

int32_t InvCh_Coef(double fs, double fl, double fh, double attenuation, IIRFilterInfo *info) {
    using namespace orin::iir;
    const int32_t code = checkDesign(
        fs, fl, fh, *info, [attenuation] { return positiveFinite(attenuation) ? kErrNone : kErrAttenuation; }, noCheck);
    if (code) return code;
    const int32_t n = info->order;
    // The inverse Chebyshev poles are the reciprocals of the Chebyshev poles
    // for eps = 1/sqrt(10^(A/10) - 1); the zeros lie at j/cos((2i - 1) pi/(2n)),
    // written here as j/sin(i_j pi/(2n)) with i_j = 1, 3, 5, ... (even n) or
    // 2, 4, 6, ... (odd n) paired with the poles in order. Each section has
    // unit DC gain, and so has the whole: no gain correction.
    const ChebyshevPoles poles(n, 1 / std::sqrt(powerRatioMinusOne(attenuation)));
    const int32_t firstZero = n % 2 ? 2 : 1;
    writeCascade(
        fs, fl, fh, *info, 1 / poles.sh,
        [&poles, n, firstZero](int32_t j) {
            const extended re = poles.re(j), im = poles.im(j), mu = re * re + im * im;
            const extended s = std::sin((firstZero + 2 * j) * kPiL / (2 * n));
            return PolePair{-2 * re / mu, 1 / mu, s * s};
        },
        1, -1);
    return kErrNone;
}
