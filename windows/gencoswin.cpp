#include <orin/windows.h>

#include <cmath>

#include "detail.h"

namespace {

// The generalized cosine window, w[i] = sum_k (-1)^k a[k] cos(2 pi k i / n).
// Each harmonic k is a phasor (b[k], s[k]) = c[k] (cos k theta i, sin k theta i),
// theta = 2 pi / n, advanced one sample by the rotation recurrence
//   b' = b - (alpha b + beta s),  s' = s - (alpha s - beta b)
// with alpha = 1 - cos(k theta) = 2 sin^2(k theta / 2) and beta = sin(k theta)
// (Singleton's form, which keeps the small alpha instead of cos close to 1).
// Only w[0..n/2] is generated; w[n-i] = w[i].
template <class Sample>
int32_t GenCosWinT(Sample *x, int32_t n, const double *a, int32_t K, int32_t scaled) {
    if (n < 1) return kErrTooFewSamples;
    if (a == nullptr || K < 1) return kErrEmptyArray;
    if (K == 1 && a[0] == 1.0) return kErrNone;

    orin::Scratch<double> scratch(4 * static_cast<int64_t>(K));
    if (!scratch) return kErrOutOfMemory;
    double *b = scratch.data(), *s = b + K, *alpha = s + K, *beta = alpha + K;
    for (int32_t k = 0; k < K; ++k) {
        const double c = scaled ? a[k] / a[0] : a[k];
        b[k] = (k % 2) ? -c : c;
        s[k] = 0;
        if (k > 0) {
            const double half = std::sin(k * orin::kPi / n);
            alpha[k] = 2 * half * half;
            beta[k] = std::sin(k * orin::kTwoPi / n);
        }
    }

    auto weight = [&] {
        orin::extended w = 0;
        for (int32_t k = 0; k < K; ++k) w += b[k];
        return w;
    };
    auto rotate = [&] {
        for (int32_t k = 1; k < K; ++k) {
            const orin::extended bk = b[k], sk = s[k];
            b[k] = static_cast<double>(bk - (alpha[k] * bk + beta[k] * sk));
            s[k] = static_cast<double>(sk - (alpha[k] * sk - beta[k] * bk));
        }
    };

    orin::windows::scale(x[0], weight());
    for (int32_t i = 1; i <= (n - 1) / 2; ++i) {
        rotate();
        const orin::extended w = weight();
        orin::windows::scale(x[i], w);
        orin::windows::scale(x[n - i], w);
    }
    if (n % 2 == 0 && n > 1) {
        rotate();
        orin::windows::scale(x[n / 2], weight());
    }
    return kErrNone;
}

}  // namespace

int32_t GenCosWin(double *x, int32_t n, const double *a, int32_t K, int32_t scaled) {
    return GenCosWinT(x, n, a, K, scaled);
}

int32_t CxGenCosWin(complexnum *c, int32_t n, const double *a, int32_t K, int32_t scaled) {
    return GenCosWinT(c, n, a, K, scaled);
}
