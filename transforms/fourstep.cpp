// Smooth lengths beyond the self-sorting passes' plans, n = n1 n2 with both
// factors through the passes: Bailey's four-step arrangement ("FFTs in
// external or hierarchical memory", J. Supercomputing 4, 1990) of one
// Cooley-Tukey step. With t = n2 t1 + t2 and k = k1 + n1 k2,
//   X[k1 + n1 k2] = sum_t2 W_n2^(t2 k2) [W_n^(t2 k1) sum_t1 x[n2 t1 + t2] W_n1^(t1 k1)],
// so the columns t2 are transformed (length n1), rotated by W_n^(t2 k1) and
// stored as rows k1 of the work array, and the rows are transformed
// (length n2) and written to the bins k1 + n1 k2. Columns and rows go in
// batches through buffers that stay in cache, so that the gather of the
// columns and the scatter of the bins move runs of consecutive elements.
#include "detail.h"

namespace orin::tf {

namespace {

// Columns (rows) in a batch: up to kBatch, their two arrays together up to
// kBatchBytes, which keeps them in the second-level cache.
constexpr int32_t kBatch = 32;
constexpr int64_t kBatchBytes = int64_t{1} << 20;
// Rows ahead whose line a strided sweep asks for before it needs it.
constexpr int64_t kAhead = 16;
// The rotation W_n^j = coarse[j >> kFineBits] fine[j & (2^kFineBits - 1)].
constexpr int32_t kFineBits = 10;

}  // namespace

int32_t FourStep::split(int32_t n) {
    if (n <= kMaxSmooth || isPowerOfTwo(n) || !smoothLength(n)) return 0;
    int32_t best = 0;
    for (int64_t d = 2; d * d <= n; ++d)
        if (n % d == 0) best = static_cast<int32_t>(d);
    return best > 1 && n / best <= kMaxSmooth ? best : 0;
}

int64_t FourStep::find(int32_t n, int32_t n1) {
    n_ = n;
    n1_ = n1;
    n2_ = n / n1;
    plan1_ = columns_.find(n1_);
    plan2_ = n2_ == n1_ ? 0 : rows_.emplace().find(n2_);
    const int64_t longer = std::max(n1_, n2_);
    batch_ = static_cast<int32_t>(std::clamp<int64_t>(kBatchBytes / (32 * longer), 1, kBatch));
    const int64_t rotations = 2 * ((int64_t{1} << kFineBits) + (n_ >> kFineBits) + 1);
    return plan1_ + plan2_ + 4 * batch_ * longer + rotations;
}

void FourStep::setScratch(double *scratch) {
    if (plan1_ > 0) columns_.makeLocal(scratch);
    scratch += plan1_;
    if (plan2_ > 0) rows_->makeLocal(scratch);
    scratch += plan2_;
    buffers_ = scratch;
    scratch += 4 * batch_ * static_cast<int64_t>(std::max(n1_, n2_));
    fine_ = scratch;
    coarse_ = scratch + 2 * (int64_t{1} << kFineBits);
    // Both levels by the extended recurrence, each rounded once.
    Rotor step(static_cast<extended>(kTwoPi) / n_);
    for (int64_t j = 0; j < (int64_t{1} << kFineBits); ++j, step.advance())
        fine_[2 * j] = step.c(), fine_[2 * j + 1] = step.s();
    Rotor big(static_cast<extended>(kTwoPi) * (int64_t{1} << kFineBits) / n_);
    for (int64_t j = 0; j <= (n_ >> kFineBits); ++j, big.advance())
        coarse_[2 * j] = big.c(), coarse_[2 * j + 1] = big.s();
}

void FourStep::run(const double *re, const double *im, ptrdiff_t stride, bool isReal, double *work, double *outRe,
                   double *outIm, ptrdiff_t outStride) {
    const int64_t n1 = n1_, n2 = n2_, longer = std::max(n1, n2);
    const SmoothTransform &rows = rows_ ? *rows_ : columns_;
    double *bufA[kBatch], *bufB[kBatch];
    for (int32_t c = 0; c < batch_; ++c) {
        bufA[c] = buffers_ + 4 * longer * c;
        bufB[c] = bufA[c] + 2 * longer;
    }
    constexpr int64_t kMask = (int64_t{1} << kFineBits) - 1;
    for (int64_t t0 = 0; t0 < n2; t0 += batch_) {
        const int32_t B = static_cast<int32_t>(std::min<int64_t>(batch_, n2 - t0));
        for (int64_t t1 = 0; t1 < n1; ++t1) {
            const ptrdiff_t at = (n2 * t1 + t0) * stride;
            if (t1 + kAhead < n1) {
                __builtin_prefetch(re + at + kAhead * n2 * stride);
                if (!isReal) __builtin_prefetch(im + at + kAhead * n2 * stride);
            }
            for (int32_t c = 0; c < B; ++c) {
                bufA[c][2 * t1] = re[at + c * stride];
                bufA[c][2 * t1 + 1] = isReal ? 0.0 : im[at + c * stride];
            }
        }
        const double *y[kBatch];
        for (int32_t c = 0; c < B; ++c) y[c] = columns_.run(bufA[c], bufB[c]);
        // Rotation of column t2 at k1 by W_n^j, j = t2 k1 mod n, stepped.
        int64_t j[kBatch] = {};
        for (int64_t k1 = 0; k1 < n1; ++k1) {
            double *row = work + 2 * (n2 * k1 + t0);
            if (k1 + kAhead < n1) __builtin_prefetch(row + 2 * kAhead * n2, 1);
            for (int32_t c = 0; c < B; ++c) {
                const double *f = fine_ + 2 * (j[c] & kMask), *g = coarse_ + 2 * (j[c] >> kFineBits);
                const double wc = g[0] * f[0] - g[1] * f[1], ws = g[1] * f[0] + g[0] * f[1];
                const double a = y[c][2 * k1], b = y[c][2 * k1 + 1];
                row[2 * c] = a * wc + b * ws;
                row[2 * c + 1] = b * wc - a * ws;
                j[c] += t0 + c;
                if (j[c] >= n_) j[c] -= n_;
            }
        }
    }
    for (int64_t k0 = 0; k0 < n1; k0 += batch_) {
        const int32_t B = static_cast<int32_t>(std::min<int64_t>(batch_, n1 - k0));
        const double *y[kBatch];
        for (int32_t c = 0; c < B; ++c) y[c] = rows.run(work + 2 * n2 * (k0 + c), bufA[c]);
        for (int64_t k2 = 0; k2 < n2; ++k2) {
            const ptrdiff_t at = (k0 + n1 * k2) * outStride;
            if (k2 + kAhead < n2) {
                __builtin_prefetch(outRe + at + kAhead * n1 * outStride, 1);
                __builtin_prefetch(outIm + at + kAhead * n1 * outStride, 1);
            }
            for (int32_t c = 0; c < B; ++c) {
                outRe[at + c * outStride] = y[c][2 * k2];
                outIm[at + c * outStride] = y[c][2 * k2 + 1];
            }
        }
    }
}

}  // namespace orin::tf
