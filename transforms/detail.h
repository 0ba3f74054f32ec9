// Helpers shared by the transforms: constants, the twiddle recurrence, the
// internal forms of the kernels, and the mixed-radix transform's scratch.
#ifndef ORIN_TRANSFORMS_DETAIL_H
#define ORIN_TRANSFORMS_DETAIL_H

#include <orin/transforms.h>

#include <cmath>
#include <cstddef>

#include "../frame/kit.h"

namespace orin::tf {

// kPi, kTwoPi, kHalfPi and kSqrtHalf come from the kit (the doubles
// 3.141592653589793, 6.283185307179586, 1.5707963267948966,
// 0.7071067811865476).

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
    explicit Rotor(extended e) : Rotor(std::sin(e / 2), std::sin(e)) {}
    // From h = sin(e/2) and sin e.
    Rotor(extended h, extended sinE) : alpha_(2 * h * h), beta_(sinE) {}
    // The step 2 pi / 2^k, from sines computed once per process.
    static Rotor twoPiOver(int32_t k);
    void advance() {
        const extended c = c_, s = s_;
        c_ = c - (alpha_ * c + beta_ * s);
        s_ = s - (alpha_ * s - beta_ * c);
    }
    double c() const { return static_cast<double>(c_); }
    extended cExtended() const { return c_; }
    extended sExtended() const { return s_; }
    double s() const { return static_cast<double>(s_); }
    // Triple angle, derived rather than iterated:
    // cos 3t = c (1 - 4 s^2), sin 3t = s (4 c^2 - 1).
    double c3() const { return static_cast<double>(c_ * (1 - 4 * s_ * s_)); }
    double s3() const { return static_cast<double>(s_ * (4 * c_ * c_ - 1)); }

private:
    extended alpha_, beta_;
    extended c_ = 1, s_ = 0;
};

// Twiddles (cos j e, sin j e) for j = 0, 1, 2, ... in increasing order, a
// run at a time. The recurrence above runs in extended precision for the
// first B angles (w_r) and, with step B e, for the coarse angles W_m;
// twiddle j = m B + r is then W_m w_r by the angle-addition formulas in
// double: about 1.5 ulp, where one extended recurrence per twiddle would
// cost a latency-bound chain of x87 operations per index.
class TwiddleRun {
public:
    // Step 2 pi / 2^k; count: how many twiddles the run will be asked for
    // (j < count). The base length is about sqrt(count), so that both
    // recurrences are short.
    TwiddleRun(int32_t k, int64_t count) {
        const int32_t b = baseBits(count);
        start(Rotor::twoPiOver(k), Rotor::twoPiOver(k - b), b);
    }
    // Any step e (two sines of each step from the library).
    TwiddleRun(extended e, int64_t count) {
        const int32_t b = baseBits(count);
        start(Rotor(e), Rotor(e * (int64_t{1} << b)), b);
    }

    // c[i], s[i] for j = j0 + i, i < count; j0 must not decrease between calls.
    void fill(int64_t j0, int64_t count, double *c, double *s) {
        int64_t m = j0 / base_, r = j0 % base_;
        for (int64_t i = 0; i < count; ++i) {
            while (m_ < m) {
                coarse_.advance();
                ++m_;
            }
            if (m == 0) {
                c[i] = cr_[r];
                s[i] = sr_[r];
            } else {
                const double cm = coarse_.c(), sm = coarse_.s();
                c[i] = cm * cr_[r] - sm * sr_[r];
                s[i] = sm * cr_[r] + cm * sr_[r];
            }
            if (++r == base_) {
                r = 0;
                ++m;
            }
        }
    }

private:
    static constexpr int64_t kMaxBase = 1024;  // 16 KB of stack for the base angles

    static int32_t baseBits(int64_t count) {
        int32_t b = 0;
        while ((int64_t{1} << (2 * b)) < count && (int64_t{1} << b) < kMaxBase) ++b;
        return b;
    }
    void start(Rotor fine, Rotor coarse, int32_t b) {
        base_ = int64_t{1} << b;
        coarse_ = coarse;
        for (int64_t r = 0; r < base_; ++r) {
            cr_[r] = fine.c();
            sr_[r] = fine.s();
            fine.advance();
        }
    }

    int64_t base_ = 1;
    Rotor coarse_{0};
    int64_t m_ = 0;
    double cr_[kMaxBase], sr_[kMaxBase];
};

// Triple angles derived rather than iterated: cos 3t = c (1 - 4 s^2),
// sin 3t = s (4 c^2 - 1).
inline void tripleAngles(int64_t count, const double *c, const double *s, double *c3, double *s3) {
    for (int64_t i = 0; i < count; ++i) {
        c3[i] = c[i] * (1 - 4 * s[i] * s[i]);
        s3[i] = s[i] * (4 * c[i] * c[i] - 1);
    }
}

// The bit-reversed counter j of i, stepped without branches: going from i
// to i + 1 flips the trailing ones of i and the zero above them, so the
// reversed counter flips as many bits from the top: j ^= n - (n >> (t + 1)),
// t = ctz(i + 1).
inline uint32_t nextReversed(uint32_t j, uint32_t i, uint32_t n) {
    return j ^ (n - (n >> (__builtin_ctz(i + 1) + 1)));
}

// Bit-reversal permutation of the n = 2^m elements x[i * stride] (T: a
// double, or a complex element moved as one). Large n go tile by tile: with
// i = (a, b, c), a and c of 2 bits each, reverse(i) = (rev c, rev b, rev a),
// so the 16 elements with middle part b (4 runs of 4) trade places with the
// 16 of middle part rev b. Both tiles are read into buffers first; four rows
// a side keep the runs, whose power-of-two distances put them all in one
// cache set, within the cache's associativity (Carter and Gatlin, "Towards
// an optimal bit-reversal permutation program", FOCS 1998).
template <class T>
void bitReverseArray(T *x, int32_t n, ptrdiff_t stride) {
    const int32_t m = __builtin_ctz(static_cast<uint32_t>(n | 1));
    if (m < 8) {
        uint32_t j = 0;
        for (uint32_t i = 1; i < static_cast<uint32_t>(n); ++i) {
            j = nextReversed(j, i - 1, n);
            if (j > i) std::swap(x[i * stride], x[j * stride]);
        }
        return;
    }
    static constexpr uint32_t kRev2[4] = {0, 2, 1, 3};
    const int32_t hi = m - 2;
    const uint32_t middle = uint32_t{1} << (m - 4);
    T t1[4][4], t2[4][4];
    auto at = [&](uint32_t a, uint32_t mid, uint32_t c) -> T & {
        return x[static_cast<ptrdiff_t>((a << hi) | (mid << 2) | c) * stride];
    };
    uint32_t rb = 0;
    for (uint32_t b = 0; b < middle; ++b) {
        if (b > 0) rb = nextReversed(rb, b - 1, middle);
        if (rb < b) continue;  // this pair of tiles was done from the other end
        for (uint32_t a = 0; a < 4; ++a)
            for (uint32_t c = 0; c < 4; ++c) {
                t1[a][c] = at(a, b, c);
                t2[a][c] = at(a, rb, c);
            }
        for (uint32_t a = 0; a < 4; ++a)
            for (uint32_t c = 0; c < 4; ++c) {
                at(a, b, c) = t2[kRev2[c]][kRev2[a]];
                at(a, rb, c) = t1[kRev2[c]][kRev2[a]];
            }
    }
}

// The bit-reversal permutation over a real array.
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

// initChirp with the filter written at stride ws (2: interleaved, with
// wIm = wRe + 1).
void fillChirp(int32_t p, int32_t M, double *cRe, double *cIm, double *wRe, double *wIm, ptrdiff_t ws);

// The circular convolution of the M interleaved values a with the filter
// whose transform W (interleaved) fillChirp made: a = IDFT(DFT(a) W).
void chirpConvolve(double *a, const double *W, int32_t M);

// SinglePrimeUsingChirpZ's choice of the half-length real path.
inline bool chirpHalf(int32_t n, int32_t M, int32_t isReal) {
    return isReal && static_cast<int64_t>(n) + n / 2 <= M / 2;
}

}  // namespace orin::tf

#endif  // ORIN_TRANSFORMS_DETAIL_H
