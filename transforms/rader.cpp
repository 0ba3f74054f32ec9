// DFT of a prime length p as a cyclic convolution of length p - 1 (C. M.
// Rader, "Discrete Fourier transforms when the number of data samples is
// prime", Proc. IEEE 56, 1968). With g a primitive root of p, every nonzero
// index is a power of g, and
//   X[g^m] = x[0] + sum_q x[g^-q] w^(g^(m-q)),  w = e^(-2 pi i/p),
// the cyclic convolution of a[q] = x[g^-q] with b[j] = w^(g^j); X[0] is
// x[0] plus the sum of a, which is bin 0 of DFT(a). The convolution goes by
// the fast transforms of length p - 1, so a prime whose p - 1 they take
// costs two such transforms, where the chirp-z convolution costs three of a
// power of two at least 2p - 1.
//
// The tables of p (the kernel conj(DFT(b))/(p-1) and the powers g^j) are
// made in the caller's scratch and copied whole into the shared cache by
// the first caller, up to kMaxCachedBytes a prime: cached or not, the
// transform reads the same values.
#include <cstring>

#include "detail.h"

namespace orin::tf {

namespace {

constexpr size_t kMaxCachedBytes = size_t{2} << 20;

int64_t powMod(int64_t b, int64_t e, int64_t p) {
    int64_t r = 1;
    for (b %= p; e > 0; e >>= 1) {
        if (e & 1) r = r * b % p;
        b = b * b % p;
    }
    return r;
}

// The least primitive root of the prime p, whose p - 1 has no prime factor
// but 2, 3 and 5: g generates when g^((p-1)/q) != 1 for each such q.
int64_t primitiveRoot(int32_t p) {
    const int64_t n = p - 1;
    for (int64_t g = 2;; ++g) {
        bool generates = true;
        for (int64_t q : {2, 3, 5})
            if (n % q == 0 && powMod(g, n / q, p) == 1) generates = false;
        if (generates) return g;
    }
}

}  // namespace

bool RaderTransform::applies(int32_t p) {
    const int32_t n = p - 1;
    return isPowerOfTwo(n) ? n <= kMaxSplitRadixCx : n <= kMaxSmooth && smoothLength(n);
}

// The forward DFT of the n_ interleaved values of a; the result is in a or,
// through the passes, in the array after it.
double *RaderTransform::dft(double *a) const {
    if (!smooth_) {
        SplitRadixCxFFT(a, a + 1, n_, 2);
        return a;
    }
    return smooth_->run(a, a + 2 * static_cast<ptrdiff_t>(n_));
}

// The scratch block: the array of the convolution (and, for the passes, its
// second array), then the plan of p - 1 if the cache has none, then the
// tables of p if the cache has none (kernel and powers adjacent, the bytes
// that go into the cache).
int32_t RaderTransform::prepare(int32_t p) {
    p_ = p;
    n_ = p - 1;
    const int64_t two = 2 * static_cast<int64_t>(n_);
    int64_t planDoubles = 0;
    if (!isPowerOfTwo(n_)) planDoubles = smooth_.emplace().find(n_);
    const size_t bytes = sizeof(double) * static_cast<size_t>(two) + sizeof(int32_t) * static_cast<size_t>(n_);
    const auto *cached = static_cast<const double *>(cachedEntry(-p));
    const int64_t arrays = smooth_ ? 2 * two : two;
    const int64_t tables = cached ? 0 : two + (n_ + 1) / 2;
    if (!work_.allocate(arrays + planDoubles + tables)) return kErrOutOfMemory;
    double *rest = work_.data() + arrays;
    if (planDoubles > 0) smooth_->makeLocal(rest);
    if (cached) {
        kernel_ = cached;
        index_ = reinterpret_cast<const int32_t *>(cached + two);
        return kErrNone;
    }
    double *kernel = rest + planDoubles;
    auto *index = reinterpret_cast<int32_t *>(kernel + two);
    makeTables(kernel, index);
    kernel_ = kernel;
    index_ = index;
    if (bytes <= kMaxCachedBytes) publishEntry(-p, kernel, bytes);
    return kErrNone;
}

// index[j] = g^j mod p; kernel = conj(DFT(b))/n_, b[j] = w^index[j], with
// w^r, r = 1 .. p-1, from the two-level twiddle run (about 1.5 ulp), laid
// out in the kernel's place first.
void RaderTransform::makeTables(double *kernel, int32_t *index) {
    const int64_t n = n_, g = primitiveRoot(p_);
    int64_t t = 1;
    for (int64_t j = 0; j < n; ++j, t = t * g % p_) index[j] = static_cast<int32_t>(t);
    TwiddleRun run(static_cast<extended>(kTwoPi) / p_, p_);
    constexpr int64_t kRun = 256;
    double c[kRun], s[kRun];
    for (int64_t r0 = 1; r0 <= n; r0 += kRun) {
        const int64_t r1 = std::min(n + 1, r0 + kRun);
        run.fill(r0, r1 - r0, c, s);
        for (int64_t r = r0; r < r1; ++r) kernel[2 * (r - 1)] = c[r - r0], kernel[2 * (r - 1) + 1] = -s[r - r0];
    }
    double *a = work_.data();
    for (int64_t j = 0; j < n; ++j) {
        const int64_t r = index[j] - 1;
        a[2 * j] = kernel[2 * r];
        a[2 * j + 1] = kernel[2 * r + 1];
    }
    const double *y = dft(a);
    const double f = 1.0 / static_cast<double>(n);
    for (int64_t m = 0; m < 2 * n; m += 2) {
        kernel[m] = y[m] * f;
        kernel[m + 1] = -y[m + 1] * f;
    }
}

// a = DFT(x[g^-q]); the convolution with b is IDFT(DFT(a) DFT(b)) =
// conj(DFT(conj(DFT(a)) conj(DFT(b))))/n_, the last two factors being the
// kernel. The input is read whole before anything is written.
void RaderTransform::run(const double *re, const double *im, ptrdiff_t stride, bool isReal, double *outRe,
                         double *outIm, ptrdiff_t outStride) {
    const int64_t n = n_;
    double *a = work_.data();
    const double x0r = re[0], x0i = isReal ? 0.0 : im[0];
    for (int64_t j = 0; j < n; ++j) {
        const int64_t q = j == 0 ? 0 : n - j;
        const ptrdiff_t t = index_[j] * stride;
        a[2 * q] = re[t];
        a[2 * q + 1] = isReal ? 0.0 : im[t];
    }
    const double *A = dft(a);
    const double sumRe = A[0], sumIm = A[1];
    for (int64_t m = 0; m < 2 * n; m += 2) {
        const double ar = A[m], ai = A[m + 1], kr = kernel_[m], ki = kernel_[m + 1];
        a[m] = ar * kr + ai * ki;
        a[m + 1] = ar * ki - ai * kr;
    }
    const double *y = dft(a);
    outRe[0] = x0r + sumRe;
    outIm[0] = x0i + sumIm;
    for (int64_t j = 0; j < n; ++j) {
        const ptrdiff_t t = index_[j] * outStride;
        outRe[t] = x0r + y[2 * j];
        outIm[t] = x0i - y[2 * j + 1];
    }
    // A real signal's spectrum is conjugate-symmetric: made exactly so.
    if (isReal) {
        for (int64_t k = 1; k <= n / 2; ++k) {
            outRe[(p_ - k) * outStride] = outRe[k * outStride];
            outIm[(p_ - k) * outStride] = -outIm[k * outStride];
        }
    }
}

}  // namespace orin::tf
