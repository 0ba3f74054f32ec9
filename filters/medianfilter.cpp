#include <algorithm>
#include <cmath>
#include <cstring>

#include "detail.h"

namespace {

// A total order on doubles: NaN above everything and equal to itself, so a
// window holding NaNs stays sorted and every departing value is found.
bool before(double a, double b) { return a < b || (!std::isnan(a) && std::isnan(b)); }

// The running window of 2r + 1 values kept sorted: one departing value is
// replaced by one arriving value by moving only the values between their two
// places (binary searches for both places), instead of sorting each window.
class SortedWindow {
public:
    SortedWindow(double *w, int64_t size) : w_(w), size_(size) {}

    void sort() { std::sort(w_, w_ + size_, before); }
    double operator[](int64_t i) const { return w_[i]; }

    void replace(double departing, double arriving) {
        double *end = w_ + size_;
        double *p = std::lower_bound(w_, end, departing, before);
        if (before(arriving, *p)) {
            double *q = std::upper_bound(w_, p, arriving, before);
            std::copy_backward(q, p, p + 1);
            *q = arriving;
        } else {
            double *q = std::lower_bound(p + 1, end, arriving, before);
            std::copy(p + 1, q, p);
            *(q - 1) = arriving;
        }
    }

private:
    double *w_;
    int64_t size_;
};

}  // namespace

int32_t MedianFilter(const double *x, int32_t n, int32_t r, double *y) {
    if (n == 0 && r >= 0) return kErrNone;
    if (r < 0) return kErrMedianRank;
    if (n <= r) return kErrBadArraySize;
    if (r == 0) {
        // The window is the sample itself; a separate output gets the copy.
        if (y != x) std::memmove(y, x, sizeof(double) * static_cast<size_t>(n));
        return kErrNone;
    }
    // One block: the window (2r + 1) and the ring of departing inputs (r).
    const int64_t width = 2 * int64_t{r} + 1;
    orin::Scratch<double> scratch(width + r, orin::Fill::kZeroed);
    if (!scratch) return kErrOutOfMemory;
    double *ring = scratch.data() + width;
    int64_t slot = 0;
    // Saves an input before its place is overwritten (in-place use) and gives
    // back the one saved r samples earlier: the value that leaves the window
    // at the next step.
    auto shiftOld = [&](double v) {
        const double out = ring[slot];
        ring[slot] = v;
        slot = slot + 1 == r ? 0 : slot + 1;
        return out;
    };

    SortedWindow window(scratch.data(), width);
    // First window: r zeros (outside the signal) and x[0..r].
    std::copy(x, x + r + 1, scratch.data() + r);
    window.sort();
    double departing = shiftOld(x[0]);
    y[0] = window[r];
    for (int32_t i = 1; i < n; ++i) {
        const double arriving = int64_t{i} + r < n ? x[i + r] : 0.0;
        window.replace(departing, arriving);
        departing = shiftOld(x[i]);
        y[i] = window[r];
    }
    return kErrNone;
}
