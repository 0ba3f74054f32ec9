// The FFT entry points: each picks a power-of-two kernel or the mixed-radix
// transform by length. Inverses come from the forward transforms by
// conjugation, x = conj(FFT(conj(X)))/n; the scaling is applied on the way
// in, so that a length that suits the kernels stays exact in its powers of
// two.
#include <algorithm>
#include <cstring>

#include "detail.h"

using namespace orin;
using namespace orin::tf;

namespace {

bool splitRadixCx(int32_t n) { return isPowerOfTwo(n) && n <= kMaxSplitRadixCx; }

// Powers of two from 16 to 2048 go by the self-sorting passes where the
// shared plan cache holds their plans (otherwise, for good, by the split-
// radix kernel): faster there than the tree and its bit reversal. The
// arrays the passes need besides the caller's (32 KB at most) are on the
// stack, so these lengths, like the kernel, need no scratch and cannot
// fail, and both layouts give the same bits:
//  - interleaved data start the passes in place, with one stack array;
//  - separate arrays up to kMaxPassesCx are copied into two stack arrays
//    and back;
//  - separate arrays of 2048 take the plan's first pass, a radix-2 step
//    into the two halves u and v, by hand into two stack arrays; each half
//    goes through the plan of 1024 with re or im as its other array, which
//    is the rest of the plan's passes on the same values; X[2k] = U[k] and
//    X[2k+1] = V[k] then lie at re[2k], re[2k+1] and im[2k], im[2k+1].
constexpr int32_t kMinPassesCx = 16, kMaxPassesCx = 1024, kMaxPassesHalves = 2048;

__attribute__((noinline)) void interleavedPasses(const SmoothPlan &plan, double *c) {
    double b[2 * kMaxPassesHalves];
    if (const double *y = runPasses(plan, c, b); y != c) std::memcpy(c, y, sizeof(double) * 2 * plan.n);
}

__attribute__((noinline)) void copiedPasses(const SmoothPlan &plan, double *re, double *im, int32_t stride) {
    const int32_t n = plan.n;
    double a[2 * kMaxPassesCx], b[2 * kMaxPassesCx];
    const auto through = [&](ptrdiff_t st) {
        for (int32_t i = 0; i < n; ++i) a[2 * i] = re[i * st], a[2 * i + 1] = im[i * st];
        const double *y = runPasses(plan, a, b);
        for (int32_t i = 0; i < n; ++i) re[i * st] = y[2 * i], im[i * st] = y[2 * i + 1];
    };
    if (stride == 1) through(1);  // separate arrays, as a loop the compiler vectorizes
    else through(stride);
}

__attribute__((noinline)) void halvesPasses(const SmoothPlan &plan, const SmoothPlan &half, double *re, double *im) {
    const int32_t h = half.n;
    double u[2 * kMaxPassesCx], v[2 * kMaxPassesCx];
    const double *w = plan.twiddles[0];  // (c, c, s, -s) of i at 4 (i - 1)
    for (int32_t i = 0; i < h; ++i) {
        const v2d a = {re[i], im[i]}, b = {re[i + h], im[i + h]}, d = a - b;
        store2(u + 2 * i, a + b);
        store2(v + 2 * i, i == 0 ? d : d * load2(w + 4 * (i - 1)) + v2d{d[1], d[0]} * load2(w + 4 * (i - 1) + 2));
    }
    runPasses(half, u, re);
    runPasses(half, v, im);
    for (int32_t k = 0; k < h; ++k) std::swap(re[2 * k + 1], im[2 * k]);
}

void powerOfTwoCx(double *re, double *im, int32_t n, int32_t stride) {
    const bool interleaved = stride == 2 && im == re + 1;
    const SmoothPlan *plan = nullptr, *half = nullptr;
    if (n >= kMinPassesCx && n <= kMaxPassesCx) {
        plan = sharedPlan(n);
    } else if (n > kMaxPassesCx && n <= kMaxPassesHalves && (interleaved || stride == 1)) {
        // Both layouts need both plans: the split one takes the halves.
        plan = sharedPlan(n);
        half = sharedPlan(n / 2);
        if (!plan || !half || plan->factors[0] != 2 || half->count % 2 == 0) plan = nullptr;
    }
    if (!plan) SplitRadixCxFFT(re, im, n, stride);
    else if (interleaved) interleavedPasses(*plan, re);
    else if (half) halvesPasses(*plan, *half, re, im);
    else copiedPasses(*plan, re, im, stride);
}

// In place over n elements re[i*stride], im[i*stride]: re *= f, im *= g.
void scale(double *re, double *im, int32_t n, ptrdiff_t stride, double f, double g) {
    for (int32_t i = 0; i < n; ++i) {
        re[i * stride] *= f;
        im[i * stride] *= g;
    }
}

// Inverse complex DFT. The mixed-radix scratch is taken before the data are
// scaled, so a refused allocation leaves them as they were.
int32_t inverseComplex(double *re, double *im, int32_t n, int32_t stride, bool conjugateResult) {
    if (n < 1) return kErrBadArraySize;
    MixedRadix mix;
    const bool pow2 = splitRadixCx(n);
    if (!pow2) {
        if (const int32_t code = mix.prepare(n, 0, stride, re, im)) return code;
    }
    const double f = 1.0 / n;
    scale(re, im, n, stride, f, -f);
    if (pow2) powerOfTwoCx(re, im, n, stride);
    else mix.run(re, im);
    if (conjugateResult) {
        for (int32_t i = 0; i < n; ++i)
            im[i * static_cast<ptrdiff_t>(stride)] = -im[i * static_cast<ptrdiff_t>(stride)];
    }
    return kErrNone;
}

// pair(k, cos 2 pi k/n, sin 2 pi k/n) for k = 1 .. h/2, h = n/2 (k = h/2
// pairs with itself): from the plan of h where it has them (cs), else made
// by the same run.
template <class Pair>
void evenPairs(int32_t n, const double *cs, Pair &&pair) {
    if (!cs) {
        forEvenTwiddles(n, pair);
        return;
    }
    for (int64_t k = 1; k <= n / 4; ++k) pair(k, cs[2 * k - 2], cs[2 * k - 1]);
}

// The packed spectrum of n real values (n even, not a power of two) from
// the complex transform z of their n/2 sample pairs, by separatePair with
// twiddles from the two-level run (about 1.5 ulp).
void separateEven(const double *z, double *packed, int32_t n, const double *cs) {
    const int64_t h = n / 2;
    packed[0] = z[0] + z[1];
    packed[h] = z[0] - z[1];
    evenPairs(n, cs, [&](int64_t k, double c, double s) { separatePair(z, packed, n, k, c, s); });
}

// Even real lengths through the complex transform of half the length, as
// for the powers of two, when that half has no prime factor above 5: the
// general odd butterflies and the chirp-z convolution already spend most
// of the rounding budget of a transform, and the separation would add to
// it. The scratch is taken before anything is touched.
bool halfIsSmooth(int32_t n) {
    if (n % 2 != 0) return false;
    int32_t m = n / 2;
    for (int32_t p : {2, 3, 5})
        while (m % p == 0) m /= p;
    return m == 1;
}

// The real inverse of an even length whose half is smooth (see halfIsSmooth)
// for a conjugate-symmetric spectrum, as splitRadixReInv does for the
// powers of two: the spectrum joined into Z, the DFT of the sample pairs
// x[2t] + i x[2t+1], swapped and interleaved in a scratch array (joinSwapped),
// the forward transform run on it with im lent as the other array, and the
// samples written out with their parts swapped back. The imaginary part of
// the inverse is zero. All scratch is taken before anything is touched.
int32_t realInverseEven(double *re, double *im, int32_t n) {
    const int64_t h = n / 2, q = h / 2;
    Scratch<double> z(n);
    if (!z) return kErrOutOfMemory;
    double *a = z.data();
    MixedRadix mix;
    if (const int32_t code = mix.prepare(static_cast<int32_t>(h), 0, 2, a, a + 1, im)) return code;
    const double f = 1.0 / n;
    joinSwappedZero(re, n, f, a);
    if (const double *cs = mix.evenTwiddles()) {
        // (c, s) of k at cs[2k-2], cs[2k-1].
        int64_t k = 1;
        for (; k + 1 < q; k += 2) {
            const v2d u = load2(cs + 2 * k - 2), v = load2(cs + 2 * k);
            joinSwappedTwo(re, im, n, f, a, k, v2d{u[0], v[0]}, v2d{u[1], v[1]});
        }
        for (; k <= q; ++k) joinSwapped(re, im, n, f, a, k, cs[2 * k - 2], cs[2 * k - 1]);
    } else {
        forEvenTwiddles(n, [&](int64_t k, double c, double s) { joinSwapped(re, im, n, f, a, k, c, s); });
    }
    mix.runInto(a, a + 1, re + 1, re, 2);
    std::memset(im, 0, sizeof(double) * n);
    return kErrNone;
}

// X[k] = conj X[n-k] for every k, exactly (a NaN anywhere answers false):
// the spectrum of a real signal, whose inverse has no imaginary part.
// Compared a block at a time without branches, which the compiler
// vectorizes.
bool conjugateSymmetric(const double *re, const double *im, int32_t n) {
    if (im[0] != 0) return false;
    constexpr int64_t kBlock = 64;
    const int64_t h = n / 2;
    for (int64_t k0 = 1; k0 <= h; k0 += kBlock) {
        const int64_t k1 = std::min(h + 1, k0 + kBlock);
        bool same = true;
        for (int64_t k = k0; k < k1; ++k) same &= (re[k] == re[n - k]) & (im[k] == -im[n - k]);
        if (!same) return false;
    }
    return true;
}

int32_t realEvenSplit(double *x, double *im, int32_t n) {
    MixedRadix mix;
    // x is free once copied into im, and lends itself as the work array.
    if (const int32_t code = mix.prepare(n / 2, 0, 2, im, im + 1, x)) return code;
    std::memcpy(im, x, sizeof(double) * n);
    mix.run(im, im + 1);
    separateEven(im, x, n, mix.evenTwiddles());
    const int32_t h = n / 2;
    im[0] = 0;
    for (int32_t k = 1; k < h; ++k) {
        im[k] = x[n - k];
        im[n - k] = -x[n - k];
        x[n - k] = x[k];
    }
    im[h] = 0;
    return kErrNone;
}

int32_t realEvenInterleaved(complexnum *c, int32_t n) {
    MixedRadix mix;
    double *x = &c[0].re;
    if (const int32_t code = mix.prepare(n / 2, 0, 2, x, x + 1)) return code;
    for (int32_t i = 1; i < n; ++i) x[i] = c[i].re;  // reads stay ahead of writes
    mix.run(x, x + 1);
    separateEven(x, x + n, n, mix.evenTwiddles());
    std::memcpy(x, x + n, sizeof(double) * n);
    expandPacked(c, n);
    return kErrNone;
}

}  // namespace

int32_t CxMixFFTRe(double *re, double *im, int32_t n) {
    if (n < 1) return kErrEmptyArray;
    if (splitRadixCx(n)) {
        powerOfTwoCx(re, im, n, 1);
        return kErrNone;
    }
    return MixFFT(re, im, n, 0, 1);
}

int32_t CxMixFFTCx(complexnum *c, int32_t n) {
    if (n < 1) return kErrEmptyArray;
    if (splitRadixCx(n)) {
        powerOfTwoCx(&c[0].re, &c[0].im, n, 2);
        return kErrNone;
    }
    return MixFFT(&c[0].re, &c[0].im, n, 0, 2);
}

int32_t ReMixFFTRe(double *x, double *im, int32_t n) {
    if (n < 1) return kErrEmptyArray;
    if (isPowerOfTwo(n)) return SplitRadixReFFT(x, im, n);
    if (halfIsSmooth(n)) return realEvenSplit(x, im, n);
    return MixFFT(x, im, n, 1, 1);
}

int32_t ReMixFFTCx(complexnum *c, int32_t n) {
    if (n < 1) return kErrEmptyArray;
    if (isPowerOfTwo(n)) {
        splitRadixReFFT(c, n);
        return kErrNone;
    }
    if (halfIsSmooth(n)) return realEvenInterleaved(c, n);
    return MixFFT(&c[0].re, &c[0].im, n, 1, 2);
}

int32_t FFT(double *re, double *im, int32_t n) { return CxMixFFTRe(re, im, n); }
int32_t FFTCx(complexnum *c, int32_t n) { return CxMixFFTCx(c, n); }
int32_t ReFFT(double *x, double *im, int32_t n) { return ReMixFFTRe(x, im, n); }
int32_t ReFFTCx(complexnum *c, int32_t n) { return ReMixFFTCx(c, n); }

int32_t InvFFT(double *re, double *im, int32_t n) { return inverseComplex(re, im, n, 1, true); }

int32_t InvFFTCx(complexnum *c, int32_t n) { return inverseComplex(&c[0].re, &c[0].im, n, 2, true); }

int32_t ReInvFFT(double *re, double *im, int32_t n) {
    if (n < 1) return kErrBadArraySize;
    if (isPowerOfTwo(n)) return SplitRadixReInvFFT(re, im, n);
    // Half the work for the symmetric spectra real signals have; any other
    // spectrum keeps the full inverse, whose imaginary part im must receive.
    if (halfIsSmooth(n) && conjugateSymmetric(re, im, n)) return realInverseEven(re, im, n);
    // The real part of the inverse needs no final conjugation; im keeps the
    // negated imaginary part, zero up to rounding for a symmetric spectrum.
    return inverseComplex(re, im, n, 1, false);
}

int32_t ReInvFFTCx(complexnum *c, int32_t n) {
    if (n < 1) return kErrBadArraySize;
    if (!isPowerOfTwo(n)) return InvFFTCx(c, n);
    if (n == 1) return kErrNone;
    Scratch<double> copy(2 * static_cast<int64_t>(n));
    if (!copy) return kErrOutOfMemory;
    double *re = copy.data(), *im = re + n;
    for (int32_t i = 0; i < n; ++i) {
        re[i] = c[i].re;
        im[i] = c[i].im;
    }
    splitRadixReInv(re, im, n);
    for (int32_t i = 0; i < n; ++i) c[i].re = re[i];
    return kErrNone;
}
