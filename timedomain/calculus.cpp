#include <orin/timedomain.h>

#include "../frame/kit.h"

using orin::extended;

// Running integral by Simpson's rule on each sample's neighbourhood: the
// sample's share of the area is (x[k-1] + 4 x[k] + x[k+1]) dt / 6, with the
// caller's boundary values standing for x[-1] and x[n]. The running sum is
// kept in extended precision; each input is read before its slot is written,
// so out may be x.
void Integrate(const double *x, int32_t n, double dt, double initial, double final, double *out) {
    if (n < 1) return;
    extended sum = 0;
    const extended scale = static_cast<extended>(dt) / 6;
    double prev = initial;
    double cur = x[0];
    for (int32_t i = 0; i < n; ++i) {
        const double next = i + 1 < n ? x[i + 1] : final;
        sum += static_cast<extended>(prev) + 4.0L * cur + next;
        out[i] = static_cast<double>(sum * scale);
        prev = cur;
        cur = next;
    }
}

// Central difference (x[i+1] - x[i-1]) / (2 dt), with the boundary values
// standing for x[-1] and x[n]; x[i-1] is kept aside before its slot is
// overwritten, so out may be x.
void Difference(const double *x, int32_t n, double dt, double initial, double final, double *out, int32_t *error) {
    *error = kErrNone;
    const double scale = 0.5 / dt;
    double prev = initial;
    for (int32_t i = 0; i < n; ++i) {
        const double cur = x[i];
        const double next = i + 1 < n ? x[i + 1] : final;
        out[i] = (next - prev) * scale;
        prev = cur;
    }
}

namespace {

// Closed Newton-Cotes rules for the intervals left over after the whole
// panels (A&S 25.4.1, 25.4.5 and 25.4.13), over the last samples.
extended trapezoidTail(const double *x, int32_t n) { return (static_cast<extended>(x[n - 2]) + x[n - 1]) / 2; }
extended simpsonTail(const double *x, int32_t n) {
    return (static_cast<extended>(x[n - 3]) + 4.0L * x[n - 2] + x[n - 1]) / 3;
}
extended threeEighthsTail(const double *x, int32_t n) {
    return (3.0L * (static_cast<extended>(x[n - 4]) + x[n - 1]) + 9.0L * (static_cast<extended>(x[n - 3]) + x[n - 2])) /
           8;
}

}  // namespace

// Integral of the whole record by a composite closed Newton-Cotes rule
// (A&S 25.4.2 trapezoidal, 25.4.6 Simpson, 25.4.13 Simpson's 3/8, 25.4.14
// Boole), whole panels first and the left-over intervals by the next lower
// rule. Sums are kept in extended precision.
int32_t NumerIntegration(const double *x, int32_t n, double dt, double *value, int32_t method) {
    static constexpr int32_t kMinSamples[] = {2, 3, 4, 5};
    if (static_cast<uint32_t>(method) > 3) return kErrInvalidSelector;
    if (n < kMinSamples[method]) return kErrBadArraySize;
    const extended h = dt < 0 ? -static_cast<extended>(dt) : static_cast<extended>(dt);
    extended area = 0;
    switch (method) {
        case 0: {
            extended s = (static_cast<extended>(x[0]) + x[n - 1]) * 0.5L;
            for (int32_t i = 1; i < n - 1; ++i) s += x[i];
            area = s * h;
            break;
        }
        case 1: {
            extended s = 0;
            const int32_t panels = (n - 1) / 2;
            for (int32_t k = 0; k < panels; ++k) {
                const double *p = x + 2 * k;
                s += static_cast<extended>(p[0]) + 4.0L * p[1] + p[2];
            }
            area = s * h / 3;
            if (n % 2 == 0) area += trapezoidTail(x, n) * h;
            break;
        }
        case 2: {
            extended s = 0;
            const int32_t panels = (n - 1) / 3;
            for (int32_t k = 0; k < panels; ++k) {
                const double *p = x + 3 * k;
                s += 3.0L * p[0] + 9.0L * p[1] + 9.0L * p[2] + 3.0L * p[3];
            }
            area = s * h / 8;
            const int32_t rest = (n - 1) % 3;
            if (rest == 1) area += trapezoidTail(x, n) * h;
            else if (rest == 2) area += simpsonTail(x, n) * h;
            break;
        }
        default: {
            extended s = 0;
            const int32_t panels = (n - 1) / 4;
            for (int32_t k = 0; k < panels; ++k) {
                const double *p = x + 4 * k;
                s += 14.0L * p[0] + 64.0L * p[1] + 24.0L * p[2] + 64.0L * p[3] + 14.0L * p[4];
            }
            area = s * h / 45;
            const int32_t rest = (n - 1) % 4;
            if (rest == 1) area += trapezoidTail(x, n) * h;
            else if (rest == 2) area += simpsonTail(x, n) * h;
            else if (rest == 3) area += threeEighthsTail(x, n) * h;
            break;
        }
    }
    *value = static_cast<double>(area);
    return kErrNone;
}
