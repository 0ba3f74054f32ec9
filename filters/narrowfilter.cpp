#include <orin/timedomain.h>

#include <algorithm>

#include "detail.h"

namespace {

constexpr int32_t kMaxKind = 5;

// Output length of the cascade, or -1 when the counts do not describe one.
int64_t cascadeLength(int32_t n, int32_t kind, int32_t M, int32_t modelCount, int32_t imageCount) {
    if (kind < 0 || kind > kMaxKind || M < 1 || modelCount < 1 || (M > 1 && imageCount < 1)) return -1;
    const int64_t L = int64_t{n} + int64_t{modelCount - 1} * M + (M > 1 ? imageCount - 1 : 0);
    return L > INT32_MAX ? -1 : L;
}

}  // namespace

int32_t modelFilter(const double *x, int32_t n, const double *h, int32_t m, int32_t M, double *y) {
    if (n < 1 || m < 1) return kErrEmptyArray;
    if (M < 1) return kErrBadArraySize;
    const int64_t L = int64_t{m - 1} * M + n;
    if (L > INT32_MAX) return kErrBadArraySize;
    // y[k] = sum_j h[j] x[k - jM] over the j with 0 <= k - jM < n, each
    // output accumulated in extended precision.
    for (int64_t k = 0; k < L; ++k) {
        const int64_t jlo = k >= n ? (k - n) / M + 1 : 0, jhi = std::min<int64_t>(m - 1, k / M);
        orin::extended acc = 0;
        for (int64_t j = jlo; j <= jhi; ++j) acc += static_cast<orin::extended>(h[j]) * x[k - j * M];
        y[k] = static_cast<double>(acc);
    }
    return kErrNone;
}

int32_t FIRNarrowBandFilter(const double *x, int32_t n, int32_t kind, int32_t M, int32_t modelCount,
                            const double *model, int32_t imageCount, const double *image, double *y) {
    if (n < 1) return kErrEmptyArray;
    if (cascadeLength(n, kind, M, modelCount, imageCount) < 0) return kErrBadArraySize;
    if (M == 1) {
        if (const int32_t code = Convolve(x, n, model, modelCount, y)) return code;
    } else {
        orin::Scratch<double> imaged(int64_t{n} + imageCount - 1);
        if (!imaged) return kErrOutOfMemory;
        if (const int32_t code = Convolve(x, n, image, imageCount, imaged.data())) return code;
        // Cannot fail: cascadeLength has checked these counts and bounded this output length.
        modelFilter(imaged.data(), n + imageCount - 1, model, modelCount, M, y);
    }
    // The complemented kinds: the input delayed to the cascade's centre.
    if (kind >= 3) {
        const int64_t d = M == 1 ? (modelCount - 1) / 2 : (int64_t{imageCount} - 1 + int64_t{modelCount - 1} * M) / 2;
        for (int32_t i = 0; i < n; ++i) y[d + i] += x[i];
    }
    return kErrNone;
}

int32_t FIRnarrowFilter_head(DoubleArrayHdl xHandle, const FIRNarrowCluster *cluster, DoubleArrayHdl yHandle,
                             int32_t *error) {
    return orin::runEntry(error, {yHandle}, [&]() -> orin::Outcome {
        const orin::DoubleArrayView x(xHandle), model(cluster->model), image(cluster->image);
        orin::DoubleArrayView y(yHandle);
        const int32_t n = x.size();
        if (n < 1) return kErrEmptyArray;
        const int64_t L = cascadeLength(n, cluster->kind, cluster->M, model.size(), image.size());
        if (L < 0) return kErrBadArraySize;
        ORIN_TRY(y.resize(static_cast<int32_t>(L)));
        return FIRNarrowBandFilter(x.data(), n, cluster->kind, cluster->M, model.size(), model.data(), image.size(),
                                   image.data(), y.data());
    });
}
