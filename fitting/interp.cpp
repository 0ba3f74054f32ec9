// Interpolation of tabulated points at one abscissa: Neville's polynomial
// scheme, the Bulirsch–Stoer diagonal rational scheme (Stoer and Bulirsch,
// "Introduction to Numerical Analysis", 2.2), and the cubic spline through
// second derivatives (de Boor, "A Practical Guide to Splines", IV).
#include <orin/fitting.h>
#include <orin/host.h>

#include <cmath>

#include "../frame/kit.h"

using orin::Scratch;

namespace {

// The tableau columns both schemes update.
struct Tableau {
    Scratch<double> c, d;
    explicit Tableau(int32_t n) : c(n), d(n) {}
    explicit operator bool() const { return c && d; }
};

// The correction a tableau column m contributes: walk towards the middle of
// the table, taking c above the closest point or d below it (Neville's path).
// The polynomial scheme traces which one it took.
double nextCorrection(const Tableau &t, int32_t &ns, int32_t n, int32_t m, bool trace) {
    if (2 * (ns + 1) < n - m) {
        const double c = t.c[static_cast<size_t>(ns + 1)];
        if (trace) DBPrintf("c[%ld]=%le", static_cast<long>(ns + 1), c);
        return c;
    }
    const double d = t.d[static_cast<size_t>(ns)];
    if (trace) DBPrintf("d[%ld]=%le", static_cast<long>(ns), d);
    --ns;
    return d;
}

}  // namespace

int32_t PolyInterp(const double *x, const double *y, int32_t n, double xval, double *yout, double *dyout) {
    if (n < 1) return kErrEmptyArray;
    Tableau t(n);
    if (!t) return kErrOutOfMemory;
    // The closest abscissa (the first of equally close ones) starts the path.
    int32_t ns = 0;
    double closest = std::fabs(xval - x[0]);
    for (int32_t i = 0; i < n; ++i) {
        const double dist = std::fabs(xval - x[i]);
        if (dist < closest) {
            ns = i;
            closest = dist;
        }
        t.c[i] = t.d[i] = y[i];
    }
    double estimate = y[ns--], correction = 0;
    for (int32_t m = 1; m < n; ++m) {
        for (int32_t i = 0; i < n - m; ++i) {
            const double den = x[i] - x[i + m];
            if (den == 0) return kErrAbscissaOrder;
            const double w = t.c[i + 1] - t.d[i];
            t.d[i] = (x[i + m] - xval) * w / den;
            t.c[i] = (x[i] - xval) * w / den;
        }
        correction = nextCorrection(t, ns, n, m, true);
        DBPrintf("y=%le, step_obj=%le", estimate, correction);
        estimate += correction;
        DBPrintf("y=%le", estimate);
    }
    *yout = estimate;
    *dyout = correction;
    return kErrNone;
}

int32_t RatInterp(const double *x, const double *y, int32_t n, double xval, double *yout, double *dyout) {
    if (n < 1) return kErrEmptyArray;
    Tableau t(n);
    if (!t) return kErrOutOfMemory;
    int32_t ns = 0;
    double closest = std::fabs(xval - x[0]);
    for (int32_t i = 0; i < n; ++i) {
        const double dist = std::fabs(xval - x[i]);
        if (dist == 0) {
            *yout = y[i];
            *dyout = 0;
            return kErrNone;
        }
        if (dist < closest) {
            ns = i;
            closest = dist;
        }
        t.c[i] = t.d[i] = y[i];
    }
    double estimate = y[ns--], correction = 0;
    for (int32_t m = 1; m < n; ++m) {
        for (int32_t i = 0; i < n - m; ++i) {
            // Where the two entries combined already agree (c = d = 0: a run
            // of equal values, zeros of the data), the recurrence is 0/0.
            // Its limit under a vanishing perturbation keeps the tableau's
            // value: both new differences are 0. Seeding d with a small
            // constant instead (as Press et al., "Numerical Recipes", 3.2,
            // do) moves every result by about that constant, or by nothing
            // where rounding absorbs it, and turns a pole into a huge value.
            if (t.c[i + 1] == 0 && t.d[i] == 0) {
                t.c[i] = 0;
                continue;
            }
            const double w = t.c[i + 1] - t.d[i];
            // The abscissa ratio first: a product with the data could
            // overflow or underflow at the extremes of scale.
            const double r = (x[i] - xval) / (x[i + m] - xval) * t.d[i];
            double dd = r - t.c[i + 1];
            if (dd == 0) return kErrInterpolationPole;
            dd = w / dd;
            t.d[i] = t.c[i + 1] * dd;
            t.c[i] = r * dd;
        }
        correction = nextCorrection(t, ns, n, m, false);
        estimate += correction;
    }
    *yout = estimate;
    *dyout = correction;
    return kErrNone;
}

// A boundary value above this selects the natural end (zero curvature).
constexpr double kNaturalEnd = 9.9e29;

int32_t Spline(const double *x, const double *y, int32_t n, double yp1, double ypn, double *y2) {
    if (n < 1) return kErrEmptyArray;
    const bool naturalLow = yp1 > kNaturalEnd, naturalHigh = ypn > kNaturalEnd;
    // One point has no slope to clamp: natural ends give zero curvature,
    // a clamped end cannot be met.
    if (n == 1) {
        if (!naturalLow || !naturalHigh) return kErrTooFewSamples;
        y2[0] = 0;
        return kErrNone;
    }
    // A clamped end divides by its end interval, which must not be empty.
    if ((!naturalLow && x[1] == x[0]) || (!naturalHigh && x[n - 1] == x[n - 2])) return kErrAbscissaOrder;
    Scratch<double> u(n);
    if (!u) return kErrOutOfMemory;
    if (naturalLow) {
        y2[0] = u[0] = 0;
    } else {
        y2[0] = -0.5;
        u[0] = (3 / (x[1] - x[0])) * ((y[1] - y[0]) / (x[1] - x[0]) - yp1);
    }
    // The tridiagonal system of the interior second derivatives, eliminated
    // downwards (y2 holds the factors, u the right-hand sides).
    for (int32_t i = 1; i < n - 1; ++i) {
        if (x[i - 1] == x[i] || x[i] == x[i + 1] || x[i - 1] == x[i + 1]) return kErrAbscissaOrder;
        const double sig = (x[i] - x[i - 1]) / (x[i + 1] - x[i - 1]);
        const double p = sig * y2[i - 1] + 2;
        y2[i] = (sig - 1) / p;
        u[i] = (y[i + 1] - y[i]) / (x[i + 1] - x[i]) - (y[i] - y[i - 1]) / (x[i] - x[i - 1]);
        u[i] = (6 * u[i] / (x[i + 1] - x[i - 1]) - sig * u[i - 1]) / p;
    }
    double q = 0, r = 0;
    if (!naturalHigh) {
        q = 0.5;
        r = (3 / (x[n - 1] - x[n - 2])) * (ypn - (y[n - 1] - y[n - 2]) / (x[n - 1] - x[n - 2]));
    }
    y2[n - 1] = (r - q * u[n - 2]) / (q * y2[n - 2] + 1);
    for (int32_t k = n - 2; k >= 0; --k) y2[k] = y2[k] * y2[k + 1] + u[k];
    return kErrNone;
}

int32_t SpInterp(const double *x, const double *y, const double *y2, int32_t n, double xval, double *yout) {
    if (n < 1) return kErrEmptyArray;
    // Bisection for the interval holding xval, in either direction of x.
    const bool ascending = x[n - 1] > x[0];
    int32_t lo = 0, hi = n - 1;
    while (hi - lo > 1) {
        const int32_t mid = lo + (hi - lo) / 2;
        if (ascending ? x[mid] > xval : x[mid] < xval) hi = mid;
        else lo = mid;
    }
    const double h = x[hi] - x[lo];
    if (h == 0) return kErrAbscissaOrder;
    const double a = (x[hi] - xval) / h, b = (xval - x[lo]) / h;
    *yout = a * y[lo] + b * y[hi] + ((a * a * a - a) * y2[lo] + (b * b * b - b) * y2[hi]) * (h * h) / 6;
    return kErrNone;
}
