#include <orin/transforms.h>

#include <algorithm>

#include "convdetail.h"

namespace {

using orin::DoubleArrayView;
using orin::Outcome;

constexpr int32_t kMaxAutoCorrelationLength = 4194303;

bool isPowerOfTwo(int32_t n) { return n > 0 && (n & (n - 1)) == 0; }

}  // namespace

// Wiener–Khinchin: the inverse transform of |X|^2 is the circular
// autocorrelation; padding to at least 2n keeps the positive and negative
// lags apart.
int32_t AutoCorrelation(DoubleArrayHdl h, int32_t *error) {
    return orin::runEntry(error, {h}, [&]() -> Outcome {
        DoubleArrayView a(h);
        const int32_t n = a.size();
        if (n < 1 || n > kMaxAutoCorrelationLength) return kErrTooManySamples;
        if (!isPowerOfTwo(n)) {
            if (const MgErr s = ZeroPad(h)) return Outcome::refused(orin::HostStatus(s));
        }
        if (const MgErr s = Rxx(h)) return Outcome::refused(orin::HostStatus(s));
        Rotate(h, n - 1);  // in place, no scratch: it cannot fail
        return a.resize(2 * n - 1);
    });
}

int32_t Rxx(DoubleArrayHdl h) {
    if (const MgErr s = ZeroPad(h)) return s;
    DoubleArrayView a(h);
    const int32_t N = a.size();
    if (N < 2) return kMgNoErr;
    const int32_t m = Log2(N);
    SpReFFT(a.data(), N, m);
    MagnitudeSquared(a.data(), N);
    SpReInvFFT(a.data(), N, m);
    return kMgNoErr;
}

void MagnitudeSquared(double *X, int32_t N) {
    if (N < 1) return;
    X[0] *= X[0];
    for (int32_t k = 1; k < N / 2; ++k) {
        X[k] = X[k] * X[k] + X[N - k] * X[N - k];
        X[N - k] = 0;
    }
    if (N >= 2) X[N / 2] *= X[N / 2];
}

// A true rotation of the whole array (std::rotate, in place, no scratch): the
// last s elements come to the front in order and the rest follow. s is taken
// modulo the length, so any s is safe.
int32_t Rotate(DoubleArrayHdl h, int32_t s) {
    DoubleArrayView a(h);
    const int32_t n = a.size();
    if (n < 2) return kMgNoErr;
    int32_t shift = s % n;
    if (shift < 0) shift += n;
    double *x = a.data();
    std::rotate(x, x + (n - shift), x + n);
    return kMgNoErr;
}
