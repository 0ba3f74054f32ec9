#include <orin/generation.h>

#include <algorithm>
#include <cmath>

#include "detail.h"

using orin::extended;

int32_t Impulse(int32_t n, double amp, int32_t delay, double *out) {
    if (n < 1) return kErrEmptyArray;
    if (delay < 0 || delay >= n) return kErrIndexOutOfRange;
    for (int32_t i = 0; i < n; ++i) out[i] = 0;
    out[delay] = amp;
    return kErrNone;
}

int32_t Pulse(int32_t n, double amp, int32_t delay, int32_t width, double *out) {
    if (n < 1) return kErrEmptyArray;
    // The end is formed in 64 bits: delay + width must not wrap past the check.
    if (delay < 0 || width < 0 || static_cast<int64_t>(delay) + width > n) return kErrPulseDelayWidth;
    for (int32_t i = 0; i < n; ++i) out[i] = (i >= delay && i - delay < width) ? amp : 0.0;
    return kErrNone;
}

int32_t Ramp(int32_t n, double first, double last, double *out) {
    if (n < 2) return kErrTooFewSamples;
    const extended step = (static_cast<extended>(last) - first) / (n - 1);
    extended v = first;
    out[0] = first;
    for (int32_t i = 1; i < n; ++i) {
        v += step;
        out[i] = static_cast<double>(v);
    }
    return kErrNone;
}

int32_t Sinc(int32_t n, double amp, double delay, double dt, double *out) {
    if (n < 1) return kErrEmptyArray;
    if (!(dt > 0)) return kErrSamplingInterval;
    for (int32_t i = 0; i < n; ++i) {
        const extended a = (static_cast<extended>(dt) * i - delay) * orin::kPi;
        out[i] = a == 0 ? amp : static_cast<double>(amp * std::sin(a) / a);
    }
    return kErrNone;
}

int32_t SinePattern(int32_t n, double amp, double phase, double cycles, double *out) {
    if (n < 1) return kErrEmptyArray;
    if (!(cycles <= n)) return kErrCyclesOutOfRange;
    const extended step = static_cast<extended>(cycles) * orin::kTwoPi / n;
    extended theta = static_cast<extended>(phase) * orin::gen::kDegToRad;
    for (int32_t i = 0; i < n; ++i) {
        out[i] = static_cast<double>(amp * std::sin(theta));
        theta += step;
    }
    return kErrNone;
}

// Unless every sample is high, a period of P = trunc(n / cycles) samples must
// hold at least one whole sample, or the pattern cannot be laid out
// (cycles <= 0, cycles > n, NaN).
int32_t GenSquareWave(int32_t n, double duty, double cycles, double amp, double *out, int32_t *error) {
    auto fail = [&](int32_t code) { return *error = code; };
    if (n < 1) return fail(kErrEmptyArray);
    if (duty == 100) {
        for (int32_t k = 0; k < n; ++k) out[k] = amp;
        return fail(kErrNone);
    }
    if (!(cycles > 0 && cycles <= n)) return fail(kErrCyclesOutOfRange);
    // A tiny cycles makes the period longer than the block, beyond any
    // integer: only k < n is ever compared, so P and H are capped at n
    // (k % n is k) once they have been formed from the true period.
    const double period = std::trunc(n / cycles);
    // Formed in extended precision like every product, so duty 29 of a
    // 100-sample period keeps 29 samples high.
    const extended high = static_cast<extended>(duty) * 0.01 * period;
    const extended highSamples = high >= period ? period : (high > 0 ? std::trunc(high) : 0);
    const int32_t P = static_cast<int32_t>(std::min<double>(period, n));
    const int32_t H = static_cast<int32_t>(std::min<extended>(highSamples, n));
    for (int32_t k = 0; k < n; ++k) out[k] = (k % P) < H ? amp : 0.0;
    return fail(kErrNone);
}
