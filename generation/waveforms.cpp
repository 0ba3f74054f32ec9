#include <orin/generation.h>

#include <cmath>

#include "detail.h"

namespace {

using orin::extended;
using orin::gen::reduce;

constexpr double kInv180 = 0.005555555555555556;

struct SineShape {
    double operator()(double p) const { return std::sin(p * orin::gen::kDegToRad); }
};

struct SquareShape {
    extended high;  // d * 360, the end of the high part of a period
    double operator()(double p) const { return reduce(p, 360) < high ? 1.0 : -1.0; }
};

struct TriangleShape {
    extended operator()(double p) const {
        const extended v = reduce(p, 360) * static_cast<extended>(kInv180);
        if (v < 0.5) return 2 * v;
        if (v < 1.5) return 2 * (1 - v);
        return 2 * (v - 2);
    }
};

struct SawtoothShape {
    extended operator()(double p) const {
        const double q = reduce(p, 360);
        const extended v = q * static_cast<extended>(kInv180);
        return q < 180 ? v : v - 2;
    }
};

// The phase is the caller's, so it is rounded to double after every step:
// a block continued from the phase another block left behind then differs
// from one long block only by the final reduction to [0, 360).
template <class Shape>
int32_t wave(int32_t n, double amp, double f, double *phase, double *out, Shape shape) {
    if (n < 1) return kErrEmptyArray;
    const extended step = static_cast<extended>(f) * 360;
    double p = *phase;
    for (int32_t i = 0; i < n; ++i) {
        out[i] = static_cast<double>(amp * static_cast<extended>(shape(p)));
        p = static_cast<double>(p + step);
    }
    *phase = reduce(p, 360);
    return kErrNone;
}

// One period of a table, at position x (in table entries).
extended arb(double x, const double *table, int32_t m, int32_t interp) {
    if (m < 1) return 0;
    const double r = reduce(x, m);
    if (std::isnan(r)) return r;
    const int32_t i = static_cast<int32_t>(r);
    if (interp != 1) return table[i];
    const int32_t next = i + 1 < m ? i + 1 : 0;
    return table[i] + (r - std::floor(r)) * (static_cast<extended>(table[next]) - table[i]);
}

}  // namespace

int32_t SineWave(int32_t n, double amp, double f, double *phase, double *out) {
    return wave(n, amp, f, phase, out, SineShape{});
}

int32_t SquareWave(int32_t n, double amp, double f, double *phase, double duty, double *out) {
    double d = duty * 0.01;
    if (d < 0) d = 0;
    else if (d >= 1) d = 1;
    return wave(n, amp, f, phase, out, SquareShape{static_cast<extended>(d) * 360});
}

int32_t TriangleWave(int32_t n, double amp, double f, double *phase, double *out) {
    return wave(n, amp, f, phase, out, TriangleShape{});
}

int32_t SawtoothWave(int32_t n, double amp, double f, double *phase, double *out) {
    return wave(n, amp, f, phase, out, SawtoothShape{});
}

// The phase variable itself carries the table position during the block: it
// is converted to positions, advanced by m*f per sample, and converted back
// to degrees (which an empty table cannot do, so its phase comes back 0).
int32_t ArbitraryWave(int32_t n, double amp, double f, double *phase, const double *table, int32_t m, int32_t interp,
                      double *out) {
    if (n < 1) return kErrEmptyArray;
    double x = static_cast<double>(static_cast<extended>(m) / 360 * *phase);
    const extended step = static_cast<extended>(m) * f;
    for (int32_t i = 0; i < n; ++i) {
        out[i] = static_cast<double>(arb(x, table, m, interp) * amp);
        x = static_cast<double>(x + step);
    }
    if (m != 0) x = static_cast<double>(360 / static_cast<extended>(m) * x);
    *phase = reduce(x, 360);
    return kErrNone;
}
