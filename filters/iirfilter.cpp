// Direct-form and cascade IIR filtering with caller-held state.
#include "detail.h"

namespace {

using orin::extended;

// One direct-form I step over the input history (oldest first): returns
// sum_{k<nb} b[k] x[i-k] in extended precision and pushes x[i]. The oldest
// terms are added first.
extended feedForward(const double *b, double *hist, int32_t nb, double x) {
    extended acc = 0;
    for (int32_t j = 0; j + 2 < nb; ++j) {
        acc += static_cast<extended>(b[nb - 1 - j]) * hist[j];
        hist[j] = hist[j + 1];
    }
    if (nb > 1) {
        acc += static_cast<extended>(b[1]) * hist[nb - 2];
        hist[nb - 2] = x;
    }
    return acc + static_cast<extended>(b[0]) * x;
}

// The recursive part of the same step: subtracts sum_{1<=k<na} a[k] y[i-k]
// from acc (oldest first), divides by a[0] and pushes the rounded output, so
// that what is fed back is exactly what the caller receives.
double feedBack(const double *a, double *hist, int32_t na, extended acc) {
    for (int32_t j = 0; j + 2 < na; ++j) {
        acc -= static_cast<extended>(a[na - 1 - j]) * hist[j];
        hist[j] = hist[j + 1];
    }
    if (na < 2) return static_cast<double>(acc / a[0]);
    const double y = static_cast<double>((acc - static_cast<extended>(a[1]) * hist[na - 2]) / a[0]);
    hist[na - 2] = y;
    return y;
}

// G sections of order M run sample by sample with their state in locals,
// which the compiler keeps in registers: the sections' recurrences then
// overlap in the processor instead of waiting on stores to the state array.
// Each section is direct form II with the operations in index order:
//   w = v - a1 s0 - ... - aM s(M-1),   v = b0 w + b1 s0 + ... + bM s(M-1).
template <int M, int G>
void cascadeGroup(const double *x, double *y, int32_t n, const double *a, const double *b, double *state) {
    double s[G][M];
    for (int g = 0; g < G; ++g)
        for (int j = 0; j < M; ++j) s[g][j] = state[g * M + j];
    for (int32_t i = 0; i < n; ++i) {
        double v = x[i];
        for (int g = 0; g < G; ++g) {
            const double *ag = a + g * M, *bg = b + g * (M + 1);
            double w = v;
            for (int j = 0; j < M; ++j) w -= ag[j] * s[g][j];
            double out = bg[0] * w;
            for (int j = 0; j < M; ++j) out += bg[j + 1] * s[g][j];
            for (int j = M - 1; j > 0; --j) s[g][j] = s[g][j - 1];
            s[g][0] = w;
            v = out;
        }
        y[i] = v;
    }
    for (int g = 0; g < G; ++g)
        for (int j = 0; j < M; ++j) state[g * M + j] = s[g][j];
}

// The whole cascade in passes of two sections, each pass reading the
// previous pass's output. Every section sees the same input sequence as in a
// sample-by-sample sweep of all sections, so the result is the same. (Pairs
// measured fastest: one section per pass leaves the processor waiting on a
// single recurrence, while four per pass ran slower than two on the
// benchmark machine.)
template <int M>
void cascade(const double *x, double *y, int32_t n, int32_t sections, const double *a, const double *b, double *state) {
    const double *in = x;
    for (int32_t k = 0; k < sections; k += 2) {
        const double *ak = a + static_cast<int64_t>(k) * M, *bk = b + static_cast<int64_t>(k) * (M + 1);
        double *sk = state + static_cast<int64_t>(k) * M;
        if (sections - k >= 2) cascadeGroup<M, 2>(in, y, n, ak, bk, sk);
        else cascadeGroup<M, 1>(in, y, n, ak, bk, sk);
        in = y;
    }
}

}  // namespace

int32_t IIR_Filtering(const double *x, int32_t n, const double *a, double *aState, int32_t na, const double *b,
                      double *bState, int32_t nb, double *y) {
    const bool recursive = na > 0 && a && aState;
    if (nb < 1) return kErrFilterStructure;
    if (n < 1) return kErrEmptyArray;
    for (int32_t i = 0; i < n; ++i) {
        // x[i] is read before y[i] is written: y may be x.
        const extended acc = feedForward(b, bState, nb, x[i]);
        y[i] = recursive ? feedBack(a, aState, na, acc) : static_cast<double>(acc);
    }
    return kErrNone;
}

int32_t IIR_Filtering2(const double *x, int32_t n, IIRFilterInfo *info, double *y) {
    const int32_t sections = info->order < 1 ? 0 : orin::iir::sectionCount(info->order);
    if (sections < 1) return kErrFilterStructure;
    const int32_t m = info->aCount / sections;
    if ((m != 2 && m != 4) || info->aCount != static_cast<int64_t>(m) * sections ||
        info->bCount != static_cast<int64_t>(m + 1) * sections || info->stateCount != info->aCount)
        return kErrFilterStructure;
    if (info->init != 0) {
        for (int32_t i = 0; i < info->stateCount; ++i) info->state[i] = 0;
        info->init = 0;
    }
    if (n < 1) return kErrEmptyArray;
    if (m == 2) cascade<2>(x, y, n, sections, info->a, info->b, info->state);
    else cascade<4>(x, y, n, sections, info->a, info->b, info->state);
    return kErrNone;
}
