#include <orin/generation.h>
#include <orin/transforms.h>

#include <cmath>

#include "detail.h"

namespace {

// Longest transforms the inverse FFT is used for here: 2^23 for a power of
// two, 2^22 - 1 for any other length.
constexpr int32_t kMaxPowerOfTwo = 8388608;
constexpr int32_t kMaxOther = 4194303;

bool isPowerOfTwo(int32_t n) { return n > 0 && (n & (n - 1)) == 0; }

}  // namespace

// Periodic random noise: a spectrum of flat magnitude amp*n/2 in bins
// 1..K with uniformly drawn phases, conjugate-symmetric so that its inverse
// FFT is real, x[t] = sum_k amp cos(2 pi k t / n + phi_k). The K phases are
// drawn before the length is checked, so a refused length still advances
// the caller's generator like an accepted one.
int32_t PeriodNoise(const int32_t *n, const double *amp, const int32_t *seed, DoubleArrayHdl out, int32_t *error,
                    int32_t *s1, int32_t *s2, int32_t *s3) {
    const int32_t count = *n;
    return orin::runEntry(error, {out}, [&]() -> orin::Outcome {
        if (count < 1) return kErrEmptyArray;
        orin::DoubleArrayView x(out);
        ORIN_TRY(x.resize(count));
        orin::HostScratch<double> re(count), im(count);
        if (!re || !im) return kErrOutOfMemory;

        orin::gen::applySeed(*seed, s1, s2, s3);
        const int32_t K = (count % 2 == 0) ? count / 2 - 1 : (count - 1) / 2;
        re[0] = im[0] = 0;
        if (count % 2 == 0) re[count / 2] = im[count / 2] = 0;
        const orin::extended mag = static_cast<orin::extended>(*amp) * count * 0.5;
        for (int32_t k = 1; k <= K; ++k) {
            const double phi = randnum(s1, s2, s3);
            re[k] = re[count - k] = static_cast<double>(mag * std::cos(phi));
            im[k] = static_cast<double>(mag * std::sin(phi));
            im[count - k] = -im[k];
        }

        if (count < 2) return kErrTooFewSamples;
        if (count > (isPowerOfTwo(count) ? kMaxPowerOfTwo : kMaxOther)) return kErrNotPowerOfTwo;
        ORIN_TRY(InvFFT(re.data(), im.data(), count));
        double *o = x.data();
        for (int32_t t = 0; t < count; ++t) o[t] = re[t];
        return kErrNone;
    });
}
