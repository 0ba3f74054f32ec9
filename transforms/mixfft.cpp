// Mixed-radix FFT of any length.
//
// Temperton's self-sorting scheme in its digit-reversal form (C. Temperton,
// "Self-sorting mixed-radix fast Fourier transforms", J. Comput. Phys. 52,
// 1983; the stage structure follows Singleton, "An algorithm for computing
// the mixed radix fast Fourier transform", IEEE Trans. AU-17, 1969): the
// input is permuted into digit-reversed order, then one in-place stage per
// factor applies the twiddles and a butterfly of the factor's size.
// Butterflies of 2, 3, 4, 5, 8 and 10 are hand-written (the 5-point one is
// Winograd's, 1978, with five multiplications), odd primes up to 199 use the
// general odd-length butterfly that pairs x[j] with x[p-j], and larger primes
// use Bluestein's chirp-z convolution on power-of-two kernels, except a
// whole prime length whose p - 1 the fast transforms take (Rader, rader.cpp).
#include <cstring>

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include "detail.h"

namespace {

// Butterfly constants, kept at 14 significant digits: they bound the
// accuracy of stages of 3, 5, 8 and 10 near 1e-14.
constexpr double c3_1 = -1.5;               // cos(2 pi/3) - 1
constexpr double c3_2 = 0.86602540378444;   // sin(2 pi/3)
constexpr double c5_1 = -1.25;              // (cos u + cos 2u)/2 - 1, u = 2 pi/5
constexpr double c5_2 = 0.55901699437495;   // (cos u - cos 2u)/2
constexpr double c5_3 = -0.95105651629515;  // -sin u
constexpr double c5_4 = -1.5388417685876;   // -(sin u + sin 2u)
constexpr double c5_5 = 0.36327126400268;   // sin u - sin 2u
constexpr double c8 = 0.70710678118655;     // sqrt(1/2)

constexpr int32_t kChirpPrime = 200;  // odd primes from here on go by chirp-z

// A complex value whose parts are doubles, or SSE2 pairs of doubles that
// carry two butterflies side by side (the same IEEE operations per lane).
template <class T>
struct CxT {
    T re, im;
};
using Cx = CxT<double>;
using orin::v2d, orin::load2, orin::store2;
template <class T>
inline CxT<T> operator+(CxT<T> a, CxT<T> b) {
    return {a.re + b.re, a.im + b.im};
}
template <class T>
inline CxT<T> operator-(CxT<T> a, CxT<T> b) {
    return {a.re - b.re, a.im - b.im};
}
template <class T>
inline CxT<T> scale(double f, CxT<T> a) {
    return {f * a.re, f * a.im};
}

template <class T>
inline void butterfly4(CxT<T> &z0, CxT<T> &z1, CxT<T> &z2, CxT<T> &z3) {
    const CxT<T> t1 = z0 + z2, t2 = z1 + z3, d1 = z0 - z2, d2 = z1 - z3;
    z0 = t1 + t2;
    z2 = t1 - t2;
    z1 = {d1.re + d2.im, d1.im - d2.re};
    z3 = {d1.re - d2.im, d1.im + d2.re};
}

template <class T>
inline void butterfly5(CxT<T> &z0, CxT<T> &z1, CxT<T> &z2, CxT<T> &z3, CxT<T> &z4) {
    using C = CxT<T>;
    const C t1 = z1 + z4, t2 = z2 + z3, t3 = z1 - z4, t4 = z3 - z2, t5 = t1 + t2;
    z0 = z0 + t5;
    const C m1 = scale(c5_1, t5);
    const C m2 = scale(c5_2, t1 - t2);
    const C m3 = {-c5_3 * (t3.im + t4.im), c5_3 * (t3.re + t4.re)};
    const C m4 = {-c5_4 * t4.im, c5_4 * t4.re};
    const C m5 = {-c5_5 * t3.im, c5_5 * t3.re};
    const C s3 = m3 - m4, s5 = m3 + m5;
    const C s1 = z0 + m1, s2 = s1 + m2, s4 = s1 - m2;
    z1 = s2 + s3;
    z2 = s4 + s5;
    z3 = s4 - s5;
    z4 = s2 - s3;
}

// The fixed-size butterflies on z[0..P-1].
template <int P, class T = double>
inline void fixedButterfly(CxT<T> *z) {
    using C = CxT<T>;
    switch (P) {
        case 2: {
            const C a = z[0], b = z[1];
            z[0] = a + b;
            z[1] = a - b;
            return;
        }
        case 3: {
            const C t = z[1] + z[2];
            z[0] = z[0] + t;
            const C s1 = z[0] + scale(c3_1, t);
            const C m = {c3_2 * (z[1].im - z[2].im), c3_2 * (z[2].re - z[1].re)};
            z[1] = s1 + m;
            z[2] = s1 - m;
            return;
        }
        case 4: butterfly4(z[0], z[1], z[2], z[3]); return;
        case 5: butterfly5(z[0], z[1], z[2], z[3], z[4]); return;
        case 8: {
            C a0 = z[0], a1 = z[2], a2 = z[4], a3 = z[6];
            C b0 = z[1], b1 = z[3], b2 = z[5], b3 = z[7];
            butterfly4(a0, a1, a2, a3);
            butterfly4(b0, b1, b2, b3);
            b1 = {c8 * (b1.re + b1.im), c8 * (b1.im - b1.re)};
            b2 = {b2.im, -b2.re};
            b3 = {c8 * (b3.im - b3.re), -c8 * (b3.re + b3.im)};
            z[0] = a0 + b0, z[4] = a0 - b0;
            z[1] = a1 + b1, z[5] = a1 - b1;
            z[2] = a2 + b2, z[6] = a2 - b2;
            z[3] = a3 + b3, z[7] = a3 - b3;
            return;
        }
        case 10: {
            // Prime-factor split 10 = 2 * 5 (Good-Thomas): no twiddles
            // between the two 5-point transforms.
            C a0 = z[0], a1 = z[2], a2 = z[4], a3 = z[6], a4 = z[8];
            C b0 = z[5], b1 = z[7], b2 = z[9], b3 = z[1], b4 = z[3];
            butterfly5(a0, a1, a2, a3, a4);
            butterfly5(b0, b1, b2, b3, b4);
            z[0] = a0 + b0, z[5] = a0 - b0;
            z[6] = a1 + b1, z[1] = a1 - b1;
            z[2] = a2 + b2, z[7] = a2 - b2;
            z[8] = a3 + b3, z[3] = a3 - b3;
            z[4] = a4 + b4, z[9] = a4 - b4;
            return;
        }
        default: return;
    }
}

// General odd butterfly: the DFT of z[0..p-1] from the sums and differences
// of the pairs (j, p-j) and the table trig[k] = e^(-2 pi i k/p).
void oddButterfly(int32_t p, Cx *z, const double *trigRe, const double *trigIm, double *vr, double *vi, double *wr,
                  double *wi) {
    const int32_t h = (p + 1) / 2;
    for (int32_t j = 1; j < h; ++j) {
        vr[j] = z[j].re + z[p - j].re;
        vi[j] = z[j].im - z[p - j].im;
        wr[j] = z[j].re - z[p - j].re;
        wi[j] = z[j].im + z[p - j].im;
    }
    for (int32_t j = 1; j < h; ++j) {
        double ar = z[0].re, ai = z[0].im, br = z[0].re, bi = z[0].im;
        int32_t k = j;
        for (int32_t l = 1; l < h; ++l) {
            const double rr = trigRe[k] * vr[l], ii = trigIm[k] * vi[l];
            const double ri = trigRe[k] * wi[l], ir = trigIm[k] * wr[l];
            br += rr + ii;
            bi += ri - ir;
            ar += rr - ii;
            ai += ri + ir;
            k += j;
            if (k >= p) k -= p;
        }
        z[j] = {ar, ai};
        z[p - j] = {br, bi};
    }
    for (int32_t j = 1; j < h; ++j) {
        z[0].re += vr[j];
        z[0].im += wi[j];
    }
}

// Digit-reversed order of a strided sequence into a contiguous one, for one
// array or two with the same index sequence (a mixed-radix counter whose
// lowest digit runs in radix factors[1] with input weight groups[1]).
template <bool kBoth>
void permute(int32_t n, const int32_t *factors, const int32_t *groups, const double *x, const double *xi, double *y,
             double *yi, ptrdiff_t stride) {
    int32_t cnt[34] = {};
    int64_t k = 0;
    for (int32_t i = 0; i < n - 1; ++i) {
        y[i] = x[k * stride];
        if constexpr (kBoth) yi[i] = xi[k * stride];
        k += groups[1];
        ++cnt[1];
        int32_t j = 1;
        while (cnt[j] >= factors[j]) {
            cnt[j] = 0;
            k = k - groups[j - 1] + groups[j + 1];
            ++j;
            ++cnt[j];
        }
    }
    y[n - 1] = x[static_cast<ptrdiff_t>(n - 1) * stride];
    if constexpr (kBoth) yi[n - 1] = xi[static_cast<ptrdiff_t>(n - 1) * stride];
}

}  // namespace

using namespace orin;
using namespace orin::tf;

int32_t factorize(int32_t n, int32_t *count, int32_t *factors) {
    if (n < 1) {
        *count = 0;
        return kErrNone;
    }
    if (n == 1) {
        *count = 1;
        factors[1] = 1;
        return kErrNone;
    }
    static constexpr int32_t kRadices[] = {10, 8, 5, 4, 3, 2};
    int32_t list[32];
    int32_t c = 0;
    int32_t rest = n;
    for (int32_t r = 0; rest > 1 && r < 6;) {
        if (rest % kRadices[r] == 0) {
            list[c++] = kRadices[r];
            rest /= kRadices[r];
        } else {
            ++r;
        }
    }
    // 2 * 8 costs more than 4 * 4.
    if (c > 0 && list[c - 1] == 2) {
        for (int32_t j = c - 2; j >= 0; --j) {
            if (list[j] == 8) {
                list[j] = 4;
                list[c - 1] = 4;
                break;
            }
        }
    }
    if (rest > 1) {
        for (int32_t k = 2; k < std::sqrt(static_cast<double>(rest)) + 1;) {
            if (rest % k == 0) {
                list[c++] = k;
                rest /= k;
            } else {
                ++k;
            }
        }
        if (rest > 1) list[c++] = rest;
    }
    for (int32_t i = 0; i < c; ++i) factors[i + 1] = list[c - 1 - i];
    *count = c;
    return kErrNone;
}

int32_t transTableSetup(int32_t *span, int32_t *factors, int32_t *groups, int32_t *count, int32_t *n) {
    if (*count < 0) factorize(*n, count, factors);
    groups[0] = *n;
    span[1] = 1;
    for (int32_t i = 1; i <= *count; ++i) {
        if (i > 1) span[i] = span[i - 1] * factors[i - 1];
        groups[i] = groups[i - 1] / factors[i];
    }
    return kErrNone;
}

void Repermute(int32_t n, int32_t count, int32_t *factors, int32_t *groups, double *x, double *y, int32_t stride) {
    (void)count;  // the counter stops by itself before its top digit overflows
    if (n < 1) return;
    permute<false>(n, factors, groups, x, nullptr, y, nullptr, stride);
}

void initTrig(int32_t p, double *trigRe, double *trigIm) {
    if (p < 1) return;
    trigRe[0] = 1;
    trigIm[0] = 0;
    Rotor rot(static_cast<extended>(kTwoPi) / p);
    for (int32_t k = 1; k < p; ++k) {
        rot.advance();
        trigRe[k] = rot.c();
        trigIm[k] = -rot.s();
    }
}

namespace orin::tf {

void fillChirp(int32_t p, int32_t M, double *cRe, double *cIm, double *wRe, double *wIm, ptrdiff_t ws) {
    // Bluestein: tk = (t^2 + k^2 - (k-t)^2)/2, so the DFT is c[k] times the
    // convolution of x[t] c[t] with conj(c). The phase k^2 is reduced modulo
    // 2p exactly (in 64 bits) before it meets pi/p.
    const double piOverP = kPi / p;
    cRe[0] = 1;
    cIm[0] = 0;
    wRe[0] = 1;
    wIm[0] = 0;
    const int64_t twoP = 2 * static_cast<int64_t>(p);
    for (int32_t k = 1; k < p; ++k) {
        const double theta = piOverP * static_cast<double>(static_cast<int64_t>(k) * k % twoP);
        const double c = std::cos(theta), s = std::sin(theta);
        cRe[k] = c;
        cIm[k] = -s;
        wRe[(M - k) * ws] = c;
        wIm[(M - k) * ws] = s;
    }
    const int32_t lower = std::min<int64_t>(p, static_cast<int64_t>(M) - p + 1);
    for (int32_t k = 1; k < lower; ++k) {
        wRe[k * ws] = cRe[k];
        wIm[k * ws] = -cIm[k];
    }
    for (int32_t k = std::max(lower, 1); k <= M - p; ++k) wRe[k * ws] = wIm[k * ws] = 0;
    SplitRadixCxFFT(wRe, wIm, M, static_cast<int32_t>(ws));
}

}  // namespace orin::tf

void initChirp(int32_t p, int32_t M, double *cRe, double *cIm, double *wRe, double *wIm) {
    if (p < 1) return;
    fillChirp(p, M, cRe, cIm, wRe, wIm, 1);
}

int32_t shouldUpdateTrigTable(int32_t *factors, int32_t i) {
    const int32_t p = factors[i];
    return (p % 2 == 1 && p >= 7 && p < kChirpPrime && (i == 1 || p != factors[i - 1])) ? 1 : 0;
}

int32_t shouldUpdateChirpTable(int32_t *factors, int32_t i) {
    const int32_t p = factors[i];
    return (p % 2 == 1 && p >= kChirpPrime && (i == 1 || p != factors[i - 1])) ? 1 : 0;
}

namespace orin::tf {

namespace {

// The twiddle rows of a tile of consecutive twiddle indices take
// kTwiddleRows values each (at least maxF, so one row always fits).
constexpr int64_t kTwiddleRows = 2048;

// Where the parts of the table block lie, as pointers.
struct Tables {
    double *twRe, *twIm, *z, *trigRe, *trigIm, *vr, *vi, *wr, *wi, *a, *W;

    static int64_t twiddles(int64_t maxF) { return std::max(maxF, kTwiddleRows); }

    Tables(const CarvedScratch &block, const StageTableParts &p)
        : twRe(block.get(p.twRe)),
          twIm(block.get(p.twIm)),
          z(block.get(p.z)),
          trigRe(block.get(p.trigRe)),
          trigIm(block.get(p.trigIm)),
          vr(block.get(p.vr)),
          vi(block.get(p.vi)),
          wr(block.get(p.wr)),
          wi(block.get(p.wi)),
          a(block.get(p.a)),
          W(block.get(p.W)) {}
};

}  // namespace

// The table block, for the largest factor maxF and the starting chirp
// length M (a later stage's shorter chirp uses the front of its parts):
// twiddle rows, butterfly values (maxF complex), trig or chirp table (maxF
// each, real and imaginary), the odd butterfly's four temporaries, and the
// chirp-z sequence and filter (M interleaved complex values each).
StageTableParts::StageTableParts(int64_t maxF, int64_t M)
    : twRe(layout.add<double>(Tables::twiddles(maxF))),
      twIm(layout.add<double>(Tables::twiddles(maxF))),
      z(layout.add<double>(2 * maxF)),
      trigRe(layout.add<double>(maxF)),
      trigIm(layout.add<double>(maxF)),
      vr(layout.add<double>((maxF + 1) / 2)),
      vi(layout.add<double>((maxF + 1) / 2)),
      wr(layout.add<double>((maxF + 1) / 2)),
      wi(layout.add<double>((maxF + 1) / 2)),
      a(layout.add<double>(2 * M)),
      W(layout.add<double>(2 * M)) {}

namespace {}  // namespace

void adviseLargePages(void *p, size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr uintptr_t kLarge = uintptr_t{1} << 21;
    if (bytes < 4 * kLarge) return;
    const uintptr_t from = (reinterpret_cast<uintptr_t>(p) + kLarge - 1) & ~(kLarge - 1);
    const uintptr_t to = (reinterpret_cast<uintptr_t>(p) + bytes) & ~(kLarge - 1);
    if (to > from) madvise(reinterpret_cast<void *>(from), to - from, MADV_HUGEPAGE);
#else
    (void)p;
    (void)bytes;
#endif
}

bool MixedRadix::takeWork(int32_t n, double *external) {
    if (external) {
        external_ = external;
        return true;
    }
    return work_.allocate(2 * static_cast<int64_t>(n));
}

// Smooth lengths other than powers of two go by the self-sorting passes
// (stockham.cpp) up to kMaxSmooth. Beyond it every pass would stream the
// whole array through memory and the rotations alone would take 32n bytes,
// more than the plan cache holds: such lengths go as rows and columns of
// the passes (FourStep), except 3 2^k and 5 2^k, which split into power-of-
// two rows (runSplit).
// The scratch is one block: the second array of the passes (unless lent),
// the first (unless the data are interleaved already), and the plan's
// rotations when the cache has none for n.
int32_t MixedRadix::prepareSmooth(const double *re, const double *im, double *external) {
    smooth_.emplace();
    const int64_t planDoubles = smooth_->find(n_);
    interleaved_ = stride_ == 2 && im == re + 1;
    const int64_t two = 2 * static_cast<int64_t>(n_);
    const int64_t b = external ? 0 : two, a = interleaved_ ? 0 : two;
    if (b + a + planDoubles > 0 && !work_.allocate(b + a + planDoubles)) return kErrOutOfMemory;
    external_ = external;
    if (planDoubles > 0) smooth_->makeLocal(work_.data() + b + a);
    return kErrNone;
}

void MixedRadix::runSmooth(double *re, double *im, double *outRe, double *outIm, ptrdiff_t outStride) {
    const int64_t n = n_;
    const ptrdiff_t st = stride_;
    double *b = work(), *a = re;
    if (interleaved_) {
        if (isReal_)
            for (int64_t i = 0; i < n; ++i) re[2 * i + 1] = 0;
    } else {
        a = work_.data() + (external_ ? 0 : 2 * n);
        if (isReal_) {
            for (int64_t i = 0; i < n; ++i) a[2 * i] = re[i * st], a[2 * i + 1] = 0;
        } else if (st == 1) {
            for (int64_t i = 0; i < n; ++i) a[2 * i] = re[i], a[2 * i + 1] = im[i];
        } else {
            for (int64_t i = 0; i < n; ++i) a[2 * i] = re[i * st], a[2 * i + 1] = im[i * st];
        }
    }
    const double *y = smooth_->run(a, b);
    if (outRe == re && interleaved_) {
        if (y != re) std::memcpy(re, y, sizeof(double) * 2 * n);
    } else if (outStride == 1) {
        for (int64_t i = 0; i < n; ++i) outRe[i] = y[2 * i], outIm[i] = y[2 * i + 1];
    } else {
        for (int64_t i = 0; i < n; ++i) outRe[i * outStride] = y[2 * i], outIm[i * outStride] = y[2 * i + 1];
    }
}

int32_t MixedRadix::prepare(int32_t n, int32_t isReal, int32_t stride, const double *re, const double *im,
                            double *external) {
    n_ = n;
    isReal_ = isReal;
    stride_ = stride;
    if (smoothPasses(n)) return prepareSmooth(re, im, external);
    const int32_t Q = n & -n, P = n / Q;
    const bool splitLength = (P == 3 || P == 5) && Q >= 64 && Q <= kMaxSplitRadixCx;
    if (const int32_t n1 = splitLength ? 0 : FourStep::split(n)) {
        const int64_t own = (external ? 0 : 2 * static_cast<int64_t>(n)) + four_.emplace().find(n, n1);
        if (!work_.allocate(own)) return kErrOutOfMemory;
        external_ = external;
        four_->setScratch(work_.data() + (external ? 0 : 2 * static_cast<int64_t>(n)));
        return kErrNone;
    }
    factorize(n, &count_, factors_);
    if (count_ == 1 && n >= kChirpPrime && RaderTransform::applies(n)) return rader_.emplace().prepare(n);
    int64_t maxF = factors_[1] + int64_t{1};
    if (maxF <= 10) maxF = 12;
    int64_t pow2 = 1;
    while (pow2 < maxF) pow2 *= 2;
    const int64_t M = 2 * pow2;
    // A chirp length beyond int32 (a prime above 2^29) cannot be allocated.
    if (M > (int64_t{1} << 30)) return kErrOutOfMemory;
    maxF_ = static_cast<int32_t>(maxF);
    M_ = static_cast<int32_t>(M);

    singlePrime_ = count_ == 1 && factors_[1] >= kChirpPrime;
    if (singlePrime_) {
        halfChirp_ = chirpHalf(n, M_, isReal);
        if (halfChirp_) M_ /= 2;
        if (!chirpWork_.allocate(4 * static_cast<int64_t>(M_))) return kErrOutOfMemory;
        adviseLargePages(chirpWork_.data(), chirpWork_.size() * sizeof(double));
        if (stride == 2 && !takeWork(n, external)) return kErrOutOfMemory;
        return kErrNone;
    }
    if ((stride == 2 || !isReal) && !takeWork(n, external)) return kErrOutOfMemory;
    parts_.emplace(maxF_, M_);
    tables_.emplace(parts_->layout);
    if (!*tables_) return kErrOutOfMemory;
    adviseLargePages(tables_->get(parts_->a), parts_->layout.bytes() - parts_->a.offset);
    transTableSetup(span_, factors_, groups_, &count_, &n_);
    // 3 2^k and 5 2^k: the power of two carries nearly all the work, and
    // the power-of-two kernels do it several times faster than the stages.
    // The work array holds the intermediate rows.
    splitP_ = splitLength && work() ? P : 0;
    return kErrNone;
}

void MixedRadix::run(double *re, double *im) { runInto(re, im, re, im, stride_); }

void MixedRadix::runInto(double *re, double *im, double *outRe, double *outIm, ptrdiff_t outStride) {
    if (smooth_) {
        runSmooth(re, im, outRe, outIm, outStride);
        return;
    }
    if (four_) {
        four_->run(re, im, stride_, isReal_, work(), outRe, outIm, outStride);
        return;
    }
    if (rader_) {
        rader_->run(re, im, stride_, isReal_, outRe, outIm, outStride);
        return;
    }
    if (singlePrime_) {
        chirpZ(re, im, n_, M_, halfChirp_, isReal_, stride_, chirpWork_.data(), work());
        return;
    }
    if (splitP_) {
        runSplit(re, im, outRe, outIm, outStride);
        return;
    }
    const int32_t n = n_;
    const ptrdiff_t st = stride_;
    double *yr = re, *yi = im;
    if (work()) {
        yr = work();
        yi = yr + n;
    }
    if (!isReal_) {
        permute<true>(n, factors_, groups_, re, im, yr, yi, st);
    } else if (!work()) {
        // Real input, separate arrays: the imaginary array is free to take
        // the permuted reals.
        Repermute(n, count_, factors_, groups_, re, im, 1);
        std::memcpy(re, im, sizeof(double) * n);
        std::memset(im, 0, sizeof(double) * n);
    } else {
        Repermute(n, count_, factors_, groups_, re, yr, stride_);
        std::memset(yi, 0, sizeof(double) * n);
    }

    for (int32_t i = 1; i <= count_; ++i) stage(i, yr, yi);

    if (work()) {
        for (int32_t i = 0; i < n; ++i) {
            outRe[i * outStride] = yr[i];
            outIm[i * outStride] = yi[i];
        }
    }
}

namespace {

// Full-precision constants of the 3- and 5-point butterflies of the split
// path (sin(2 pi/3) = sqrt 3/2; the 5-point ones as in Winograd's form).
constexpr double k3 = 0.8660254037844386;
constexpr double k5_2 = 0.5590169943749475;   // sqrt 5 / 4
constexpr double k5_3 = -0.9510565162951535;  // -sin u
constexpr double k5_4 = -1.5388417685876268;  // -(sin u + sin 2u)
constexpr double k5_5 = 0.36327126400268045;  // sin u - sin 2u

inline void exact3(Cx *z) {
    const Cx t = z[1] + z[2];
    const Cx s1 = z[0] + scale(-0.5, t);
    z[0] = z[0] + t;
    const Cx m = {k3 * (z[1].im - z[2].im), k3 * (z[2].re - z[1].re)};
    z[1] = s1 + m;
    z[2] = s1 - m;
}

inline void exact5(Cx *z) {
    const Cx t1 = z[1] + z[4], t2 = z[2] + z[3], t3 = z[1] - z[4], t4 = z[3] - z[2], t5 = t1 + t2;
    const Cx s1 = z[0] + scale(-0.25, t5);
    z[0] = z[0] + t5;
    const Cx m2 = scale(k5_2, t1 - t2);
    const Cx m3 = {-k5_3 * (t3.im + t4.im), k5_3 * (t3.re + t4.re)};
    const Cx m4 = {-k5_4 * t4.im, k5_4 * t4.re};
    const Cx m5 = {-k5_5 * t3.im, k5_5 * t3.re};
    const Cx s3 = m3 - m4, s5 = m3 + m5, s2 = s1 + m2, s4 = s1 - m2;
    z[1] = s2 + s3;
    z[2] = s4 + s5;
    z[3] = s4 - s5;
    z[4] = s2 - s3;
}

}  // namespace

// n = P Q, Q = 2^k, by one Cooley-Tukey step (Cooley and Tukey 1965; the
// "four-step" arrangement of Bailey, J. Supercomputing 4, 1990):
// t = t1 + P t2, k = Q k1 + k2,
//   X[Q k1 + k2] = sum_t1 W_P^(t1 k1) [W_n^(t1 k2) sum_t2 x[t1 + P t2] W_Q^(t2 k2)].
// Each row t1 is gathered into the work array and transformed by the
// power-of-two kernel, rotated by W_n^(t1 k2), and the P-point butterflies
// over the rows write X in place.
void MixedRadix::runSplit(double *re, double *im, double *outRe, double *outIm, ptrdiff_t outStride) {
    const int32_t n = n_, P = splitP_, Q = n / P;
    const ptrdiff_t st = stride_;
    double *rows = work();  // P rows of Q interleaved values
    for (int32_t t1 = 0; t1 < P; ++t1) {
        double *row = rows + 2 * static_cast<ptrdiff_t>(t1) * Q;
        for (int32_t t2 = 0; t2 < Q; ++t2) {
            const ptrdiff_t i = (t1 + static_cast<ptrdiff_t>(P) * t2) * st;
            row[2 * t2] = re[i];
            row[2 * t2 + 1] = isReal_ ? 0.0 : im[i];
        }
        SplitRadixCxFFT(row, row + 1, Q, 2);
        if (t1 == 0) continue;
        TwiddleRun run(static_cast<extended>(kTwoPi) * t1 / n, Q);
        constexpr int32_t kRun = 512;
        double c[kRun], sn[kRun];
        for (int32_t k0 = 0; k0 < Q; k0 += kRun) {
            const int32_t k1 = std::min<int32_t>(Q, k0 + kRun);
            run.fill(k0, k1 - k0, c, sn);
            for (int32_t k = k0; k < k1; ++k) {
                const double a = row[2 * k], b = row[2 * k + 1], wc = c[k - k0], ws = sn[k - k0];
                row[2 * k] = a * wc + b * ws;
                row[2 * k + 1] = b * wc - a * ws;
            }
        }
    }
    Cx z[5];
    for (int32_t k2 = 0; k2 < Q; ++k2) {
        for (int32_t t1 = 0; t1 < P; ++t1) {
            const double *v = rows + 2 * (static_cast<ptrdiff_t>(t1) * Q + k2);
            z[t1] = {v[0], v[1]};
        }
        if (P == 3) exact3(z);
        else exact5(z);
        for (int32_t k1 = 0; k1 < P; ++k1) {
            const ptrdiff_t i = (static_cast<ptrdiff_t>(Q) * k1 + k2) * outStride;
            outRe[i] = z[k1].re;
            outIm[i] = z[k1].im;
        }
    }
}

namespace {

// One stage of factor p (P when known at compile time, else 0): for each
// twiddle index d and group q, gather the p values y[d + q s p + k s],
// multiply by the twiddles (d > 0), transform, scatter back. The twiddle
// indices are taken in tiles of D whose twiddle rows are made first (by the
// recurrence, in the order of d), and each group is swept over a tile: the
// butterflies are independent, so the results are those of the d-by-d
// order while each cache line is loaded once per tile.
constexpr int64_t kTileD = 512;

// One butterfly of sweep: twiddle index d (tile from d0), group q.
template <class Butterfly>
inline void sweepOne(int32_t p, int64_t d, int64_t d0, int64_t q, int32_t s, int64_t sp, double *yr, double *yi,
                     const Tables &t, Cx *z, Butterfly &butterfly) {
    const double *wr = t.twRe + (d - d0) * p, *wi = t.twIm + (d - d0) * p;
    double *br = yr + d + q * sp, *bi = yi + d + q * sp;
    z[0] = {br[0], bi[0]};
    if (s > 1 && d > 0) {
        for (int32_t k = 1; k < p; ++k) {
            const double xr = br[static_cast<int64_t>(k) * s], xi = bi[static_cast<int64_t>(k) * s];
            z[k] = {xr * wr[k] - xi * wi[k], xr * wi[k] + xi * wr[k]};
        }
    } else {
        for (int32_t k = 1; k < p; ++k) z[k] = {br[static_cast<int64_t>(k) * s], bi[static_cast<int64_t>(k) * s]};
    }
    butterfly(z);
    for (int32_t k = 0; k < p; ++k) {
        br[static_cast<int64_t>(k) * s] = z[k].re;
        bi[static_cast<int64_t>(k) * s] = z[k].im;
    }
}

template <int P, class Butterfly>
void sweep(int32_t pRuntime, int32_t s, int32_t g, double *yr, double *yi, const Tables &t, Cx *zTable,
           Butterfly &&butterfly) {
    const int32_t p = P ? P : pRuntime;
    // A butterfly of known size works on a local array, which the compiler
    // keeps in registers: the table slot, reachable through the data
    // pointers as far as it can tell, would be stored and reloaded around
    // every access to the data.
    Cx zLocal[P ? P : 1];
    Cx *const z = P ? zLocal : zTable;
    const int64_t sp = static_cast<int64_t>(s) * p;
    const int64_t D = std::min<int64_t>(kTileD, std::max<int64_t>(1, Tables::twiddles(0) / p));
    // The twiddles t = e^(-i omega d) of the hand-written radices from a
    // two-level run (about 1.5 ulp; their powers are short); for the odd
    // primes, whose powers go up to t^198, from the extended recurrence.
    TwiddleRun run(static_cast<extended>(kTwoPi) / sp, P ? s : 1);
    Rotor rot(static_cast<extended>(kTwoPi) / sp);
    double tc[kTileD], ts[kTileD];
    for (int64_t d0 = 0; d0 < s; d0 += D) {
        const int64_t d1 = std::min<int64_t>(s, d0 + D);
        if (P) run.fill(d0, d1 - d0, tc, ts);
        for (int64_t d = d0; d < d1; ++d) {
            double *wr = t.twRe + (d - d0) * p, *wi = t.twIm + (d - d0) * p;
            extended tr, ti;
            if (P) {
                tr = tc[d - d0];
                ti = -ts[d - d0];
            } else {
                tr = rot.cExtended();
                ti = -rot.sExtended();
                rot.advance();
            }
            wr[1 % p] = static_cast<double>(tr);
            wi[1 % p] = static_cast<double>(ti);
            if (P == 8 || P == 10) {
                // A double chain: the 14-digit butterfly constants of these
                // radices bound their accuracy more tightly than 9 steps.
                for (int32_t k = 2; k < p; ++k) {
                    wr[k] = wr[1] * wr[k - 1] - wi[1] * wi[k - 1];
                    wi[k] = wr[1] * wi[k - 1] + wi[1] * wr[k - 1];
                }
            } else {
                extended pr = tr, pi = ti;
                for (int32_t k = 2; k < p; ++k) {
                    const extended nr = tr * pr - ti * pi, ni = tr * pi + ti * pr;
                    pr = nr;
                    pi = ni;
                    wr[k] = static_cast<double>(pr);
                    wi[k] = static_cast<double>(pi);
                }
            }
        }
        for (int64_t q = 0; q < g; ++q) {
            int64_t d = d0;
            if constexpr (P != 0) {
                // Twiddle indices d and d+1 side by side: their values are
                // adjacent in memory, and each lane computes what the scalar
                // loop below would. d = 0 (no twiddles) stays scalar.
                if (s > 1) {
                    if (d == 0) d = 1, sweepOne(p, 0, d0, q, s, sp, yr, yi, t, z, butterfly);
                    for (; d + 1 < d1; d += 2) {
                        const double *wr0 = t.twRe + (d - d0) * p, *wi0 = t.twIm + (d - d0) * p;
                        const double *wr1 = wr0 + p, *wi1 = wi0 + p;
                        double *br = yr + d + q * sp, *bi = yi + d + q * sp;
                        CxT<v2d> zv[P ? P : 1];
                        zv[0] = {load2(br), load2(bi)};
                        for (int32_t k = 1; k < P; ++k) {
                            const v2d xr = load2(br + static_cast<int64_t>(k) * s),
                                      xi = load2(bi + static_cast<int64_t>(k) * s);
                            const v2d wr = {wr0[k], wr1[k]}, wi = {wi0[k], wi1[k]};
                            zv[k] = {xr * wr - xi * wi, xr * wi + xi * wr};
                        }
                        fixedButterfly<P, v2d>(zv);
                        for (int32_t k = 0; k < P; ++k) {
                            store2(br + static_cast<int64_t>(k) * s, zv[k].re);
                            store2(bi + static_cast<int64_t>(k) * s, zv[k].im);
                        }
                    }
                }
            }
            for (; d < d1; ++d) sweepOne(p, d, d0, q, s, sp, yr, yi, t, z, butterfly);
        }
    }
}

}  // namespace

void MixedRadix::stage(int32_t i, double *yr, double *yi) {
    const int32_t p = factors_[i], s = span_[i], g = groups_[i];
    const Tables t(*tables_, *parts_);
    if (shouldUpdateTrigTable(factors_, i)) initTrig(p, t.trigRe, t.trigIm);
    if (shouldUpdateChirpTable(factors_, i)) {
        // The smallest power of two above 2p that the starting length allows.
        while (p < M_ / 4) M_ /= 2;
        // The filter W interleaved in the slots of W.re and W.im.
        fillChirp(p, M_, t.trigRe, t.trigIm, t.W, t.W + 1, 2);
    }
    const int32_t M = M_;
    Cx *z = reinterpret_cast<Cx *>(t.z);  // maxF complex values
    switch (p) {
        case 2: sweep<2>(p, s, g, yr, yi, t, z, [](Cx *v) { fixedButterfly<2>(v); }); return;
        case 3: sweep<3>(p, s, g, yr, yi, t, z, [](Cx *v) { fixedButterfly<3>(v); }); return;
        case 4: sweep<4>(p, s, g, yr, yi, t, z, [](Cx *v) { fixedButterfly<4>(v); }); return;
        case 5: sweep<5>(p, s, g, yr, yi, t, z, [](Cx *v) { fixedButterfly<5>(v); }); return;
        case 8: sweep<8>(p, s, g, yr, yi, t, z, [](Cx *v) { fixedButterfly<8>(v); }); return;
        case 10: sweep<10>(p, s, g, yr, yi, t, z, [](Cx *v) { fixedButterfly<10>(v); }); return;
        default: break;
    }
    if (p < kChirpPrime) {
        sweep<0>(p, s, g, yr, yi, t, z, [&](Cx *v) { oddButterfly(p, v, t.trigRe, t.trigIm, t.vr, t.vi, t.wr, t.wi); });
        return;
    }
    // Bluestein on the p values: u = z c, padded to M, convolved with the
    // chirp filter, then multiplied by c.
    sweep<0>(p, s, g, yr, yi, t, z, [&](Cx *v) {
        double *a = t.a;  // M interleaved values
        for (int32_t k = 0; k < p; ++k) {
            a[2 * k] = v[k].re * t.trigRe[k] - v[k].im * t.trigIm[k];
            a[2 * k + 1] = v[k].re * t.trigIm[k] + v[k].im * t.trigRe[k];
        }
        std::memset(a + 2 * p, 0, sizeof(double) * 2 * (M - p));
        chirpConvolve(a, t.W, M);
        for (int32_t k = 0; k < p; ++k) {
            v[k] = {t.trigRe[k] * a[2 * k] - t.trigIm[k] * a[2 * k + 1],
                    t.trigRe[k] * a[2 * k + 1] + t.trigIm[k] * a[2 * k]};
        }
    });
}

}  // namespace orin::tf

int32_t MixFFT(double *re, double *im, int32_t n, int32_t isReal, int32_t stride) {
    if (n < 1) return kErrNone;
    MixedRadix mix;
    if (const int32_t code = mix.prepare(n, isReal, stride, re, im)) return code;
    mix.run(re, im);
    return kErrNone;
}
