// Helpers shared by the transforms: constants, the twiddle recurrence, the
// internal forms of the kernels, and the mixed-radix transform's scratch.
#ifndef ORIN_TRANSFORMS_DETAIL_H
#define ORIN_TRANSFORMS_DETAIL_H

#include <orin/transforms.h>

#include <cmath>
#include <cstddef>

#include "../frame/kit.h"

namespace orin::tf {

// kPi, kTwoPi and kHalfPi come from the kit (the doubles 3.141592653589793,
// 6.283185307179586, 1.5707963267948966).
constexpr double kSqrtHalf = 0.7071067811865476;

// Longest power of two that the complex split-radix kernel takes from the
// entry points; longer ones go through MixFFT in radix-8 stages.
constexpr int32_t kMaxSplitRadixCx = 10000000;

// n & (n - 1) == 0: zero counts as a power of two (and is then refused by
// the kernel with -20003).
inline bool isPowerOfTwo(int32_t n) { return (n & (n - 1)) == 0; }

// Singleton's trigonometric recurrence for the rotation by -e per step:
//   c' = c - (alpha c + beta s),  s' = s - (alpha s - beta c),
// alpha = 2 sin^2(e/2), beta = sin e. The differences alpha c, beta s stay
// small, which keeps the recurrence stable; it is carried in extended
// precision so that the rounding of 2^20 steps stays below one double ulp.
class Rotor {
public:
    explicit Rotor(extended e) {
        const extended h = std::sin(e / 2);
        alpha_ = 2 * h * h;
        beta_ = std::sin(e);
    }
    void advance() {
        const extended c = c_, s = s_;
        c_ = c - (alpha_ * c + beta_ * s);
        s_ = s - (alpha_ * s - beta_ * c);
    }
    double c() const { return static_cast<double>(c_); }
    double s() const { return static_cast<double>(s_); }
    // Triple angle, derived rather than iterated:
    // cos 3t = c (1 - 4 s^2), sin 3t = s (4 c^2 - 1).
    double c3() const { return static_cast<double>(c_ * (1 - 4 * s_ * s_)); }
    double s3() const { return static_cast<double>(s_ * (4 * c_ * c_ - 1)); }

private:
    extended alpha_, beta_;
    extended c_ = 1, s_ = 0;
};

// The bit-reversed counter over a real array.
void bitReverseReal(double *x, int32_t n);

// SplitRadixReFFT on n complexnum whose re fields hold the signal: c[k] = X[k]
// for every k. Codes as SplitRadixReFFT.
int32_t splitRadixReFFT(complexnum *c, int32_t n);

// Plain inverse of the packed real transform for re[0..n/2], im[n/2+1..n-1]
// (SplitRadixReInvFFT without the checks), used by ReInvFFTCx.
int32_t splitRadixReInv(double *re, double *im, int32_t n);

// The mixed-radix transform in two steps, so that a caller can get every
// piece of scratch before it touches the data (InvFFT scales and conjugates
// only after prepare succeeded).
class MixedRadix {
public:
    // Factorizes n and takes all scratch. Returns 0 or -20001.
    int32_t prepare(int32_t n, int32_t isReal, int32_t stride);
    // Transforms in place; prepare must have succeeded for the same shape.
    void run(double *re, double *im);

private:
    void stage(int32_t i, double *yr, double *yi);

    int32_t n_ = 0, isReal_ = 0, stride_ = 1;
    int32_t count_ = 0, maxF_ = 0, M_ = 0;
    int32_t factors_[33] = {}, span_[33] = {}, groups_[34] = {};
    bool singlePrime_ = false, halfChirp_ = false;
    Scratch<double> work_;    // 2n: the contiguous copy, or the chirp-z input copy
    Scratch<double> tables_;  // the stage tables, or the chirp-z work block
};

// The chirp-z transform of one whole sequence with its scratch already in
// hand: work holds 4M doubles, copy 2n doubles when stride is 2.
void chirpZ(double *re, double *im, int32_t n, int32_t M, bool half, int32_t isReal, int32_t stride, double *work,
            double *copy);

// SinglePrimeUsingChirpZ's choice of the half-length real path.
inline bool chirpHalf(int32_t n, int32_t M, int32_t isReal) {
    return isReal && static_cast<int64_t>(n) + n / 2 <= M / 2;
}

}  // namespace orin::tf

#endif  // ORIN_TRANSFORMS_DETAIL_H
