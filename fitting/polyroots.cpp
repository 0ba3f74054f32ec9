// Roots of a complex polynomial a[0] + a[1] z + ... + a[n-1] z^(n-1):
// Laguerre's method with deflation, each root then polished against the
// undeflated polynomial (Laguerre 1880; Press et al., "Numerical Recipes",
// 9.5). Laguerre converges cubically to simple roots from almost any start
// and linearly to multiple ones; a start from which it cycles is left for a
// new one, and the caller's control value bounds how often that may happen.
#include <orin/fitting.h>

#include <cmath>

#include "../frame/kit.h"

using orin::abs;
using orin::kEpsilon;
using orin::Scratch;

namespace {

constexpr int32_t kStepsPerStart = 80;
constexpr int32_t kBreakEvery = 10;  // steps between fractional steps that break a cycle

// Laguerre's iteration from *x for a root of the polynomial a[0..m] (degree
// m). True when it converged: the value is within its rounding error bound,
// or a step no longer changes x.
bool laguerre(const complexnum *a, int32_t m, complexnum *x) {
    static constexpr double kFractions[] = {0.5, 0.25, 0.75, 0.13, 0.38, 0.62, 0.88, 1.0};
    for (int32_t step = 1; step <= kStepsPerStart; ++step) {
        // p, p' and p''/2 at x by Horner's scheme, with the bound of the
        // rounding error in p (Adams' bound: eps times sum |a_j| |x|^j).
        complexnum b = a[m], d{0, 0}, f{0, 0};
        double err = abs(b);
        const double ax = abs(*x);
        for (int32_t j = m - 1; j >= 0; --j) {
            f = *x * f + d;
            d = *x * d + b;
            b = *x * b + a[j];
            err = abs(b) + ax * err;
        }
        if (abs(b) <= err * kEpsilon) return true;
        const complexnum g = d / b, g2 = g * g, h = g2 - 2.0 * (f / b);
        const complexnum root = orin::sqrt(static_cast<double>(m - 1) * (static_cast<double>(m) * h - g2));
        complexnum gp = g + root;
        const complexnum gm = g - root;
        const double ap = abs(gp), am = abs(gm);
        if (ap < am) gp = gm;
        const complexnum dx =
            std::max(ap, am) > 0 ? complexnum{static_cast<double>(m), 0} / gp : orin::polar(1 + ax, step);
        const complexnum next = *x - dx;
        if (next == *x) return true;
        // A fractional step now and then breaks a limit cycle.
        *x = step % kBreakEvery ? next : *x - kFractions[step / kBreakEvery - 1] * dx;
        if (!orin::isFinite(*x)) return false;
    }
    return false;
}

}  // namespace

int32_t CxPolyRoots(const complexnum *coefficients, int32_t n, int32_t control, complexnum *roots) {
    if (n < 1) return kErrEmptyArray;
    for (int32_t i = 0; i < n; ++i)
        if (!orin::isFinite(coefficients[i])) return kErrPolyRootsFailed;
    // Zero leading coefficients lower the degree: their roots lie at infinity.
    int32_t top = n - 1;
    while (top >= 0 && coefficients[top] == complexnum{0, 0}) --top;
    if (top < 1) return kErrPolyRootsFailed;
    for (int32_t i = top; i < n - 1; ++i) roots[i] = {HUGE_VAL, 0};
    // Each zero constant term is a root at 0.
    int32_t low = 0;
    while (coefficients[low] == complexnum{0, 0}) roots[low++] = {0, 0};
    const int32_t degree = top - low;
    if (degree == 1) {
        roots[low] = -(coefficients[low] / coefficients[top]);
        return kErrNone;
    }
    if (degree == 0) return kErrNone;

    Scratch<complexnum> work(degree + 1);
    if (!work) return kErrOutOfMemory;
    const complexnum *p = coefficients + low;
    for (int32_t j = 0; j <= degree; ++j) work[j] = p[j];
    int32_t restarts = 0;
    for (int32_t m = degree; m >= 1; --m) {
        complexnum x{0, 0};
        // A start from which the iteration does not settle is replaced by one
        // further out on a turning ray, as often as the caller allows.
        while (!laguerre(work.data(), m, &x)) {
            if (++restarts > control) return kErrNoConvergence;
            x = orin::polar(1.0 + restarts, 2.399963229728653 * restarts);  // golden angle
        }
        // Polish against the undeflated polynomial; keep the deflated root if
        // polishing wanders off.
        complexnum polished = x;
        if (laguerre(p, degree, &polished)) x = polished;
        roots[low + degree - m] = x;
        // Deflate by (z - x): synthetic division from the top.
        complexnum carry = work[m];
        for (int32_t j = m - 1; j >= 0; --j) {
            const complexnum t = work[j];
            work[j] = carry;
            carry = x * carry + t;
        }
    }
    return kErrNone;
}
