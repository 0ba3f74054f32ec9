#include <cmath>

#include "detail.h"

namespace {

using orin::extended;
using orin::kPiL;
using orin::iir::positiveFinite;

// Taps of the ideal response sampled at t = k - (N-1)/2 and truncated to N
// taps (a rectangular window): for a band [w1, w2] (radians per sample) the
// ideal impulse response is (sin(w2 t) - sin(w1 t))/(pi t), with the limit
// (w2 - w1)/pi at t = 0. Lowpass is the band [0, w1]; highpass and bandstop
// are a unit impulse minus the complementary band. Each tap is evaluated
// directly in extended precision (no recurrence, so no drift along long
// filters).
void design(int32_t type, extended w1, extended w2, int32_t N, double *h) {
    const extended half = (static_cast<extended>(N) - 1) / 2;
    for (int32_t k = 0; k < N / 2; ++k) {
        const extended t = k - half, pt = kPiL * t;
        extended v = 0;
        switch (type) {
            case 0: v = std::sin(w1 * t) / pt; break;
            case 1: v = -std::sin(w1 * t) / pt; break;
            case 2: v = (std::sin(w2 * t) - std::sin(w1 * t)) / pt; break;
            default: v = (std::sin(w1 * t) - std::sin(w2 * t)) / pt; break;
        }
        h[k] = h[N - 1 - k] = static_cast<double>(v);
    }
    if (N % 2) {
        extended c = 0;
        switch (type) {
            case 0: c = w1 / kPiL; break;
            case 1: c = 1 - w1 / kPiL; break;
            case 2: c = (w2 - w1) / kPiL; break;
            default: c = 1 - (w2 - w1) / kPiL; break;
        }
        h[N / 2] = static_cast<double>(c);
    }
}

}  // namespace

int32_t FIR_Coef(int32_t type, double fs, double fl, double fh, int32_t N, double *h) {
    if (type < 0 || type > 3) return kErrInvalidSelector;
    if (type <= 1) fh = (fs / 2 + fl) / 2;
    if (N < 1) return kErrOrderNotPositive;
    if (fl > fs / 2 || fh > fs / 2) return kErrNyquist;
    // NaN and infinite frequencies are refused here too, not turned into taps.
    if (!positiveFinite(fs) || !positiveFinite(fl)) return kErrCutoffFrequency;
    if (type >= 2 && (!positiveFinite(fh) || fh <= fl)) return kErrCutoffFrequency;
    if ((type == 1 || type == 3) && N % 2 == 0) return kErrEvenTaps;
    const extended w1 = 2 * kPiL * fl / fs, w2 = 2 * kPiL * static_cast<extended>(fh) / fs;
    design(type, w1, w2, N, h);
    return kErrNone;
}
