#include <orin/transforms.h>

#include <cmath>

#include "convdetail.h"

namespace {

using orin::DoubleArrayView;
using orin::Outcome;

constexpr int32_t kMaxDeconvolutionLength = 8388607;

bool isPowerOfTwo(int32_t n) { return n > 0 && (n & (n - 1)) == 0; }

// A working copy of a host handle, disposed of on every path.
class HandleCopy {
public:
    explicit HandleCopy(DoubleArrayHdl h) : h_(reinterpret_cast<UHandle>(h)) {
        status_ = DSHandToHand(&h_);
        if (status_ != kMgNoErr) h_ = nullptr;
    }
    HandleCopy(const HandleCopy &) = delete;
    HandleCopy &operator=(const HandleCopy &) = delete;
    ~HandleCopy() {
        if (h_) DSDisposeHandle(h_);
    }
    MgErr status() const { return status_; }
    DoubleArrayHdl get() const { return reinterpret_cast<DoubleArrayHdl>(h_); }

private:
    UHandle h_;
    MgErr status_;
};

}  // namespace

// Deconvolution by spectral division: with y = x * h (linear, length
// nx + nh - 1 <= N) the circular convolution of length N has no wrap-around,
// so Y/H bin by bin is the spectrum of x padded with zeros.
int32_t Deconvolution(DoubleArrayHdl y, DoubleArrayHdl h, int32_t *error) {
    return orin::runEntry(error, {y}, [&]() -> Outcome {
        DoubleArrayView a(y);
        const DoubleArrayView b(h);
        const int32_t ny = a.size(), nh = b.size();
        const int64_t L = int64_t{ny} - nh + 1;
        if (ny < 1 || ny > kMaxDeconvolutionLength || nh < 1 || nh > kMaxDeconvolutionLength || L < 1)
            return L < 0 ? kErrBadArraySize : kErrTooManySamples;
        const HandleCopy kernel(h);
        if (kernel.status() != kMgNoErr) return Outcome::refused(orin::HostStatus(kernel.status()));
        if (const MgErr s = Deconvolve(y, kernel.get())) return Outcome::refused(orin::HostStatus(s));
        return a.resize(static_cast<int32_t>(L));
    });
}

// Brings both handles to one power-of-two length (the longer one's, padded to
// a power of two; ZeroPad only ever lengthens) and divides their spectra.
int32_t Deconvolve(DoubleArrayHdl a, DoubleArrayHdl b) {
    const DoubleArrayView va(a), vb(b);
    for (;;) {
        const int32_t na = va.size(), nb = vb.size();
        if (na < 1 || nb < 1) return kMgArgErr;
        if (na == nb && isPowerOfTwo(na)) return Dxy(va.data(), vb.data(), na, Log2(na));
        MgErr s;
        if (!isPowerOfTwo(na)) s = ZeroPad(a);
        else if (!isPowerOfTwo(nb)) s = ZeroPad(b);
        else s = ZeroPad(na < nb ? a : b);
        if (s != kMgNoErr) return s;
    }
}

int32_t Dxy(double *a, double *b, int32_t N, int32_t m) {
    SpReFFT(a, N, m);
    SpReFFT(b, N, m);
    Divide(a, b, N);
    return SpReInvFFT(a, N, m);
}

// A zero bin of b gives an infinite or NaN value there: the kernel has no
// inverse at that frequency.
void Divide(double *a, const double *b, int32_t N) {
    if (N < 1) return;
    a[0] /= b[0];
    for (int32_t k = 1; k < N / 2; ++k) {
        // Smith's method: no overflow or underflow of |b|^2 on the way.
        const double ar = a[k], ai = a[N - k], br = b[k], bi = b[N - k];
        if (std::fabs(br) >= std::fabs(bi)) {
            const double r = bi / br, den = br + bi * r;
            a[k] = (ar + ai * r) / den;
            a[N - k] = (ai - ar * r) / den;
        } else {
            const double r = br / bi, den = br * r + bi;
            a[k] = (ar * r + ai) / den;
            a[N - k] = (ai * r - ar) / den;
        }
    }
    if (N >= 2) a[N / 2] /= b[N / 2];
}
