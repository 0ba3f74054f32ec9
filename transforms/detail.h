// Helpers shared by the transforms: constants, the twiddle recurrence, the
// internal forms of the kernels, and the mixed-radix transform's scratch.
#ifndef ORIN_TRANSFORMS_DETAIL_H
#define ORIN_TRANSFORMS_DETAIL_H

#include <orin/transforms.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <new>
#include <optional>
#include <type_traits>

#include "../frame/carve.h"
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

// f(k, cos 2 pi k/n, sin 2 pi k/n) for k = 1 .. n/4 (n even), from one
// two-level run: the twiddles that join or separate a real transform of
// length n and the complex transform of its n/2 sample pairs.
template <class F>
void forEvenTwiddles(int32_t n, F &&f) {
    const int64_t top = n / 4;
    TwiddleRun run(static_cast<extended>(kTwoPi) / n, top + 1);
    constexpr int64_t kRun = 256;
    double c[kRun], sn[kRun];
    for (int64_t k0 = 1; k0 <= top; k0 += kRun) {
        const int64_t k1 = std::min(top + 1, k0 + kRun);
        run.fill(k0, k1 - k0, c, sn);
        for (int64_t k = k0; k < k1; ++k) f(k, c[k - k0], sn[k - k0]);
    }
}

// Storage for a twiddle generator that a path may or may not need, built
// only on demand: std::optional may clear its whole storage on
// construction, 16 KB per stage for a TwiddleRun. T must be trivially
// destructible.
template <class T>
class Deferred {
    static_assert(std::is_trivially_destructible_v<T>);

public:
    Deferred() {}
    Deferred(const Deferred &) = delete;
    Deferred &operator=(const Deferred &) = delete;
    template <class... Args>
    T &emplace(Args &&...args) {
        return *::new (static_cast<void *>(storage_)) T(static_cast<Args &&>(args)...);
    }
    T *operator->() { return std::launder(reinterpret_cast<T *>(storage_)); }
    const T *operator->() const { return std::launder(reinterpret_cast<const T *>(storage_)); }

private:
    alignas(T) unsigned char storage_[sizeof(T)];
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
inline uint32_t nextReversed(uint32_t j, uint32_t i, uint32_t n) { return j ^ (n - (n >> (__builtin_ctz(i + 1) + 1))); }

// Bit-reversal permutation of the n = 2^m elements x[i * stride] (T: a
// double, or a complex element moved as one). Large n go tile by tile: with
// i = (a, b, c), a and c of t bits each, reverse(i) = (rev c, rev b, rev a),
// so the 2^2t elements with middle part b (2^t runs of 2^t) trade places
// with those of middle part rev b. Both tiles are read into buffers first,
// so every run is read and written whole and the scattered side of the
// exchange moves runs of 2^t elements rather than single ones (Carter and
// Gatlin, "Towards an optimal bit-reversal permutation program", FOCS 1998).
template <class T>
void bitReverseArray(T *x, int32_t n, ptrdiff_t stride) {
    const int32_t m = n > 0 ? __builtin_ctz(static_cast<uint32_t>(n)) : 0;
    if (m < 8) {
        uint32_t j = 0;
        for (uint32_t i = 1; i < static_cast<uint32_t>(n); ++i) {
            j = nextReversed(j, i - 1, n);
            if (j > i) std::swap(x[i * stride], x[j * stride]);
        }
        return;
    }
    // Runs of 16 elements from 2^12 on, of 8 below: both tiles stay in L1.
    const int32_t t = m >= 12 ? 4 : 3;
    const uint32_t side = uint32_t{1} << t;
    static constexpr uint8_t kRev4[16] = {0, 8, 4, 12, 2, 10, 6, 14, 1, 9, 5, 13, 3, 11, 7, 15};
    const int32_t down = 4 - t;  // reverse t bits: the 4-bit reversal shifted down
    const int32_t hi = m - t;
    const uint32_t middle = uint32_t{1} << (m - 2 * t);
    T t1[16][16], t2[16][16];
    auto at = [&](uint32_t a, uint32_t mid, uint32_t c) -> T & {
        return x[static_cast<ptrdiff_t>((a << hi) | (mid << t) | c) * stride];
    };
    uint32_t rb = 0;
    for (uint32_t b = 0; b < middle; ++b) {
        if (b > 0) rb = nextReversed(rb, b - 1, middle);
        if (rb < b) continue;  // this pair of tiles was done from the other end
        for (uint32_t a = 0; a < side; ++a)
            for (uint32_t c = 0; c < side; ++c) {
                t1[a][c] = at(a, b, c);
                t2[a][c] = at(a, rb, c);
            }
        for (uint32_t a = 0; a < side; ++a) {
            const uint32_t ra = kRev4[a] >> down;
            for (uint32_t c = 0; c < side; ++c) {
                const uint32_t rc = kRev4[c] >> down;
                at(a, b, c) = t2[rc][ra];
                at(a, rb, c) = t1[rc][ra];
            }
        }
    }
}

// Correctly rounded twiddles of the power-of-two stages L = 8 .. 2^kTableBits
// (twiddles.cpp): c1[j] = cos t, s1[j] = sin t, c3[j] = cos 3t, s3[j] = sin 3t
// for t = 2 pi j / L, j < L/4. stageTwiddles gives false when the stage is
// outside the tables or the tables could not be allocated; the caller then
// makes its twiddles by the recurrences.
constexpr int32_t kTableBits = 16;
struct StageTwiddles {
    const double *c1, *s1, *c3, *s3;
};
bool stageTwiddles(int64_t L, StageTwiddles *out);

// The bit-reversal permutation over a real array.
void bitReverseReal(double *x, int32_t n);

// SplitRadixReFFT on n complexnum whose re fields hold the signal: c[k] = X[k]
// for every k. n must be a power of two (ReMixFFTCx picks it only then).
void splitRadixReFFT(complexnum *c, int32_t n);

// One pair (k, h-k), h = n/2, of the separation of a real transform of
// even length n from the complex transform Z of its n/2 sample pairs
// x[2t] + i x[2t+1] (z: Z interleaved): with E = (Z[k] + conj Z[h-k])/2,
// O = (Z[k] - conj Z[h-k])/2i and w^k = c - i s = e^(-2 pi i k/n),
// X[k] = E + w^k O and X[h-k] = conj(E - w^k O), written in the packed
// layout (Re X[k] at k, Im X[k] at n-k).
template <class T>
struct BinPairOf {
    T re0, im0, re1, im1;  // the bins k and h-k
};
using BinPair = BinPairOf<double>;
// The arithmetic on Z[k] = (ar, ai) and Z[h-k] = (br, bi), for doubles or,
// lane by lane, for two pairs at a time in SSE2 registers.
template <class T>
inline BinPairOf<T> separateValues(T ar, T ai, T br, T bi, T c, T sn) {
    const T er = (ar + br) * 0.5, ei = (ai - bi) * 0.5, or_ = (ar - br) * 0.5, oi = (ai + bi) * 0.5;
    const T pr = c * or_ + sn * oi, pi = c * oi - sn * or_;
    return {er + pi, ei - pr, er - pi, -(ei + pr)};
}
inline BinPair separateBins(const double *z, int64_t h, int64_t k, double c, double sn) {
    return separateValues(z[2 * k], z[2 * k + 1], z[2 * (h - k)], z[2 * (h - k) + 1], c, sn);
}
inline void separatePair(const double *z, double *packed, int64_t n, int64_t k, double c, double sn) {
    const int64_t h = n / 2;
    const BinPair b = separateBins(z, h, k, c, sn);
    packed[k] = b.re0;
    packed[n - k] = b.im0;
    if (k != h - k) {
        packed[h - k] = b.re1;
        packed[h + k] = b.im1;
    }
}

// One pair (k, h-k), 1 <= k <= h/2, of the inverse of separatePair: from
// X[k] = (xr, xi) and X[h-k] = (yr, yi), already scaled by 1/n, the values
// Z[k] = A + i w^-k B and Z[h-k] = conj A + i conj(w^-k B) whose inverse
// DFT of length h is x[2t] + i x[2t+1], where A = X[k] + conj X[h-k],
// B = X[k] - conj X[h-k] and w^-k = c + i s. Written split: Re Z[j] at z[j],
// Im Z[j] at z[h+j]. joinValues is its arithmetic, giving Z[k] as
// (re0, im0) and Z[h-k] as (re1, im1), for doubles or two pairs at a time
// as separateValues.
template <class T>
inline BinPairOf<T> joinValues(T xr, T xi, T yr, T yi, T c, T s) {
    const T ar = xr + yr, ai = xi - yi, br = xr - yr, bi = xi + yi;
    const T pr = c * br - s * bi, pi = c * bi + s * br;
    return {ar - pi, ai + pr, ar + pi, pr - ai};
}
inline void joinPair(double *z, int64_t n, int64_t k, double xr, double xi, double yr, double yi, double c, double s) {
    const int64_t h = n / 2;
    const BinPair b = joinValues(xr, xi, yr, yi, c, s);
    z[k] = b.re0;
    z[h + k] = b.im0;
    if (k != h - k) {
        z[h - k] = b.re1;
        z[n - k] = b.im1;
    }
}

// Pairs of the real inverse of a conjugate-symmetric spectrum X of even
// length n = 2h, given by re[k] = Re X[k] (k <= h) and im[n-k] = -Im X[k]
// (0 < k < h), scaled by f: joinValues' Z[k] and Z[h-k] stored swapped and
// interleaved in a (a[2j] = Im Z[j], a[2j+1] = Re Z[j]), so that a forward
// DFT of a gives the samples with their parts swapped, since
// IDFT(Z) = swap(DFT(swap Z)), swap(z) = i conj(z). joinSwapped takes the
// pair k (1 <= k <= h/2) with (c, s) = (cos, sin) 2 pi k/n, joinSwappedTwo
// the pairs k and k+1 (k + 1 < h/2) in the two lanes of SSE2 registers.
inline void joinSwapped(const double *re, const double *im, int64_t n, double f, double *a, int64_t k, double c,
                        double s) {
    const int64_t h = n / 2;
    const BinPair b = joinValues(f * re[k], -f * im[n - k], f * re[h - k], -f * im[h + k], c, s);
    a[2 * k] = b.im0, a[2 * k + 1] = b.re0;
    if (k != h - k) a[2 * (h - k)] = b.im1, a[2 * (h - k) + 1] = b.re1;
}
inline void joinSwappedTwo(const double *re, const double *im, int64_t n, double f, double *a, int64_t k, v2d c,
                           v2d s) {
    const int64_t h = n / 2;
    const auto swapped = [](v2d v) { return v2d{v[1], v[0]}; };
    const v2d xr = f * load2(re + k), xi = -f * swapped(load2(im + n - k - 1));
    const v2d yr = f * swapped(load2(re + h - k - 1)), yi = -f * load2(im + h + k);
    const auto [zr, zi, wr, wi] = joinValues(xr, xi, yr, yi, c, s);
    store2(a + 2 * k, v2d{zi[0], zr[0]});
    store2(a + 2 * k + 2, v2d{zi[1], zr[1]});
    store2(a + 2 * (h - k), v2d{wi[0], wr[0]});
    store2(a + 2 * (h - k - 1), v2d{wi[1], wr[1]});
}
// Z[0] of the same (its pair with itself, from X[0] and X[h]).
inline void joinSwappedZero(const double *re, int64_t n, double f, double *a) {
    const double x0 = f * re[0], xh = f * re[n / 2];
    a[0] = x0 - xh;
    a[1] = x0 + xh;
}

// The packed spectrum of n real values at the front of c (as n doubles)
// expanded in place to the n bins of c.
void expandPacked(complexnum *c, int32_t n);

// Real inverse of the spectrum re[0..n/2], im[n/2+1..n-1] (n a power of
// two, >= 2; im is only read): SplitRadixReInvFFT without the checks, used
// by ReInvFFTCx.
int32_t splitRadixReInv(double *re, const double *im, int32_t n);

// Lengths above 1 whose prime factors are all 2, 3 or 5 (stockham.cpp);
// MixedRadix takes them by the self-sorting passes up to kMaxSmooth.
constexpr int32_t kMaxSmooth = 1 << 18;
bool smoothLength(int32_t n);

// The passes of such a length and their rotations (stockham.cpp). A cached
// plan's doubles follow it in the block: the alignment keeps them aligned
// in both builds.
struct alignas(16) SmoothPlan {
    explicit SmoothPlan(int32_t length);
    int32_t n = 0, count = 0;
    int32_t factors[32] = {};
    const double *twiddles[32] = {};  // per pass: (p-1)(ido-1) complex values
    const double *even = nullptr;     // forEvenTwiddles(2n) as (c, s) pairs
};

// The passes of plan over the n interleaved values of a, with b (as long)
// as the other array; returns a or b, whichever holds the DFT. With in,
// the first pass reads the values from there instead of a (which may then
// hold anything).
double *runPasses(const SmoothPlan &plan, double *a, double *b, const double *in = nullptr);

// The DFT of the 8 interleaved values of in, into out (which may be in),
// in registers.
void dft8(const double *in, double *out);

// The cached plan of n, waiting for one that another thread is filling;
// null when the cache has none for n, which then stays so.
const SmoothPlan *sharedPlan(int32_t n);

// Other tables of the shared cache, under keys below 0, copied in whole by
// whoever claims the key first: cachedEntry gives the entry once it is
// complete (null before, and for good when the cache had no room), and
// publishEntry copies bytes of data in when this thread claims the key.
const void *cachedEntry(int32_t key);
void publishEntry(int32_t key, const void *data, size_t bytes);

// The forward DFT of a smooth length in self-sorting passes, with its plan
// from the shared cache or, failing that, made in the caller's scratch.
class SmoothTransform {
public:
    // Looks up the plan of n; returns the doubles of scratch that makeLocal
    // then needs (0: the cached plan is in hand).
    int64_t find(int32_t n);
    void makeLocal(double *scratch);
    // Transforms the n interleaved values of a, using b (as long) for the
    // passes; returns a or b, whichever holds the result.
    double *run(double *a, double *b) const;
    // The twiddles of the real transforms of length 2n: (c, s) of k at
    // 2(k-1), as forEvenTwiddles(2n) makes them.
    const double *evenTwiddles() const { return plan_->even; }

private:
    const SmoothPlan *plan_ = nullptr;
    std::optional<SmoothPlan> local_;
};

// The DFT of a prime length p by Rader's cyclic convolution of length
// p - 1 (rader.cpp), for the primes whose p - 1 the fast transforms take:
// a power of two, or 2, 3, 5-smooth up to kMaxSmooth.
class RaderTransform {
public:
    static bool applies(int32_t p);
    // Takes all scratch and finds or makes the tables of p; 0 or -20001.
    int32_t prepare(int32_t p);
    // The DFT of re[i*stride], im[i*stride] (im read as zeros when isReal)
    // into outRe[k*outStride], outIm[k*outStride], which may be the input.
    void run(const double *re, const double *im, ptrdiff_t stride, bool isReal, double *outRe, double *outIm,
             ptrdiff_t outStride);

private:
    double *dft(double *a) const;
    void makeTables(double *kernel, int32_t *index);

    int32_t p_ = 0, n_ = 0;           // n_ = p - 1
    const double *kernel_ = nullptr;  // conj(DFT(b))/n_, interleaved
    const int32_t *index_ = nullptr;  // g^j mod p
    Scratch<double> work_;
    std::optional<SmoothTransform> smooth_;  // n_ not a power of two
};

// Smooth lengths above kMaxSmooth (not powers of two) as n1 x n2 transforms
// through the passes with rotations between them (fourstep.cpp).
class FourStep {
public:
    // The factor n1 (the divisor of n nearest below its root, with n/n1 up
    // to kMaxSmooth), or 0 when n does not go this way.
    static int32_t split(int32_t n);
    // Looks up the plans; returns the doubles of scratch setScratch needs.
    int64_t find(int32_t n, int32_t n1);
    void setScratch(double *scratch);
    // The DFT of re[i*stride], im[i*stride] (im read as zeros when isReal)
    // into outRe[k*outStride], outIm[k*outStride], which may overlap the
    // input; work: 2n doubles apart from both.
    void run(const double *re, const double *im, ptrdiff_t stride, bool isReal, double *work, double *outRe,
             double *outIm, ptrdiff_t outStride);

private:
    int32_t n_ = 0, n1_ = 0, n2_ = 0, batch_ = 1;
    int64_t plan1_ = 0, plan2_ = 0;
    SmoothTransform columns_;
    std::optional<SmoothTransform> rows_;  // when n2 differs from n1
    double *buffers_ = nullptr, *fine_ = nullptr, *coarse_ = nullptr;
};

// The parts of the mixed-radix transform's table block (mixfft.cpp).
struct StageTableParts {
    StageTableParts(int64_t maxF, int64_t M);
    ScratchLayout layout;
    Part<double> twRe, twIm, z, trigRe, trigIm, vr, vi, wr, wi, a, W;
};

// The mixed-radix transform in two steps, so that a caller can get every
// piece of scratch before it touches the data (InvFFT scales and conjugates
// only after prepare succeeded).
class MixedRadix {
public:
    // Factorizes n and takes all scratch. Returns 0 or -20001. re, im: the
    // arrays run will be given (only their places are looked at here);
    // external: 2n doubles the caller lends for the work array (not touched
    // before run), or null to allocate it when it is needed.
    int32_t prepare(int32_t n, int32_t isReal, int32_t stride, const double *re, const double *im,
                    double *external = nullptr);
    // Transforms in place; prepare must have succeeded for the same arrays.
    void run(double *re, double *im);
    // The same with the spectrum written to outRe[i*outStride],
    // outIm[i*outStride], which may overlap the input: for complex input of
    // any length but a single prime of the chirp-z path.
    void runInto(double *re, double *im, double *outRe, double *outIm, ptrdiff_t outStride);
    static bool smoothPasses(int32_t n) { return !isPowerOfTwo(n) && n <= kMaxSmooth && smoothLength(n); }
    // SmoothTransform::evenTwiddles for those lengths, null for others.
    const double *evenTwiddles() const { return smooth_ ? smooth_->evenTwiddles() : nullptr; }

private:
    void stage(int32_t i, double *yr, double *yi);
    int32_t prepareSmooth(const double *re, const double *im, double *external);
    void runSmooth(double *re, double *im, double *outRe, double *outIm, ptrdiff_t outStride);

    int32_t n_ = 0, isReal_ = 0, stride_ = 1;
    int32_t count_ = 0, maxF_ = 0, M_ = 0;
    int32_t factors_[33] = {}, span_[33] = {}, groups_[34] = {};
    void runSplit(double *re, double *im, double *outRe, double *outIm, ptrdiff_t outStride);
    bool takeWork(int32_t n, double *external);
    double *work() const { return external_ ? external_ : work_.data(); }

    bool singlePrime_ = false, halfChirp_ = false;
    int32_t splitP_ = 0;                     // n = P 2^k run as P power-of-two transforms (0: not)
    Scratch<double> work_;                   // 2n: the contiguous copy, or the chirp-z input copy
    double *external_ = nullptr;             // the caller's array in place of work_
    std::optional<SmoothTransform> smooth_;  // 2, 3, 5-smooth lengths
    std::optional<RaderTransform> rader_;    // primes with smooth p - 1
    std::optional<FourStep> four_;           // smooth lengths above kMaxSmooth
    bool interleaved_ = false;               // im == re + 1: the passes start in place
    std::optional<StageTableParts> parts_;
    std::optional<CarvedScratch> tables_;  // the stage tables
    Scratch<double> chirpWork_;            // or the chirp-z work block of a whole prime
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

// A chirp-z work block of a long prime spans tens of megabytes that are
// fresh on every call: asking for large pages where the system grants them
// on request turns some ten thousand page faults into a few dozen. Blocks
// under 8 MB are left alone.
void adviseLargePages(void *p, size_t bytes);

// SinglePrimeUsingChirpZ's choice of the half-length real path.
inline bool chirpHalf(int32_t n, int32_t M, int32_t isReal) {
    return isReal && static_cast<int64_t>(n) + n / 2 <= M / 2;
}

}  // namespace orin::tf

#endif  // ORIN_TRANSFORMS_DETAIL_H
