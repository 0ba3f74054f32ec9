// Equiripple (minimax) linear-phase FIR design: the Remez exchange of
// McClellan, Parks and Rabiner, "A computer program for designing optimum FIR
// linear phase digital filters", IEEE Trans. Audio Electroacoust. AU-21
// (1973), in its structure: a dense grid, the exchange on the cosine
// polynomial problem, and the taps by an inverse DFT of the final
// approximation. Everything the exchange evaluates is carried in extended
// precision.
#include <algorithm>
#include <cmath>

#include "../frame/carve.h"
#include "equiripple.h"

namespace {

using orin::extended;
using orin::kPiL;
using orin::kTwoPiL;
using namespace orin::equiripple;

constexpr int32_t kGridDensity = 16;
// Extremal sets of 2048 and more are refused (the program's array bound).
constexpr int32_t kMaxFunctions = 2048;
// Exchanges allowed when the caller names no positive number of its own.
constexpr int32_t kDefaultIterations = 100;
// Constants of the 1973 program: a differentiator band whose slope is below
// kFlatSlope is weighted plainly (its WATE function), and an end search
// takes a point only when its error beats the level by kEndSearchMargin
// (its COMP = YNZ*1.00001).
constexpr double kFlatSlope = 0.0001;
constexpr extended kEndSearchMargin = 1.00001L;
// The levelled error never falls from one exchange to the next in exact
// arithmetic; a relative fall beyond this (some 10^7 extended rounding
// steps) means the exchange has broken down.
constexpr extended kDeviationFall = 1e-12L;
// The band rules: a last edge within kNyquistReach of fs/2 reaches the
// Nyquist frequency; an odd-length differentiator, whose response is zero
// there, must end at least kNyquistClearance below it.
constexpr double kNyquistReach = 0.001, kNyquistClearance = 0.01;

// The weighted Chebyshev problem on the grid, and the exchange's state.
struct Design {
    int32_t kind = kMultiband;
    bool symmetric = true;
    int32_t nfcns = 0, nz = 0, ngrid = 0;
    extended *grid = nullptr, *xg = nullptr, *des = nullptr, *wt = nullptr;  // ngrid each
    int32_t *ext = nullptr;                                                  // nz + 1
    const double *desired = nullptr, *weights = nullptr;
    extended *x = nullptr, *y = nullptr, *ad = nullptr;  // nz + 1
    extended dev = 0;

    // Desired value and weight at grid frequency f (normalised by fs) in
    // band b; the differentiator's slope and 1/f weighting make its
    // relative error equiripple.
    extended DA(int32_t b, extended f) const { return kind == kDifferentiator ? desired[b] * f : extended{desired[b]}; }
    extended Weight(int32_t b, extended f) const {
        return kind == kDifferentiator && desired[b] >= kFlatSlope ? weights[b] / f : extended{weights[b]};
    }

    // The current approximation at abscissa v = cos(2 pi f): the barycentric
    // form sum ad_j y_j/(v - x_j) / sum ad_j/(v - x_j) over the nz extremals.
    extended A(extended v) const {
        extended num = 0, den = 0;
        for (int32_t j = 0; j < nz; ++j) {
            const extended d = v - x[j];
            if (d == 0) return y[j];
            const extended c = ad[j] / d;
            num += c * y[j];
            den += c;
        }
        return num / den;
    }
    extended error(int32_t l) const { return (A(xg[l]) - des[l]) * wt[l]; }

    // The factor of the response fixed by symmetry and parity: H = Q P.
    extended fixedFactor(extended f, bool odd) const {
        if (symmetric) return odd ? 1 : std::cos(kPiL * f);
        return odd ? std::sin(kTwoPiL * f) : std::sin(kPiL * f);
    }

    // From an accepted point l, climbs upwards (below kup) while the signed
    // error keeps growing; returns the last accepted point.
    int32_t ForwardSearch(int32_t l, int32_t kup, int32_t nut, extended &comp) const {
        while (l + 1 < kup) {
            const extended e = nut * error(l + 1);
            if (e <= comp) break;
            comp = e;
            ++l;
        }
        return l;
    }
    // The same downwards (above klow).
    int32_t BackwardSearch(int32_t l, int32_t klow, int32_t nut, extended &comp) const {
        while (l - 1 > klow) {
            const extended e = nut * error(l - 1);
            if (e <= comp) break;
            comp = e;
            --l;
        }
        return l;
    }

    // What the interior search leaves for the end searches: how many
    // extremals moved, the sign of the last one's error, and the levels
    // reached at the first and the last extremal.
    struct Interior {
        int32_t count, lastSign;
        extended firstLevel, lastLevel;
    };

    int32_t Remes(int32_t maxIter);
    int32_t exchange(bool &changed);
    int32_t levelError(int32_t *nu);
    Interior moveExtremals(int32_t nu);
    void endSearches(int32_t nu, const Interior &moved, int32_t k1, int32_t knz, int32_t *low, int32_t *high) const;
    void InvDFT(extended *alpha, extended *a, extended *p, extended *q, extended *t, extended *cosTable) const;
    extended gridError() const;
};

// The levelled error on the current extremals (McClellan–Parks–Rabiner,
// REMEZ): barycentric weights, the deviation dev (made positive; *nu gets
// the sign of the first extremal's error, -1 or 1) and the values y of the
// approximation at the extremals.
int32_t Design::levelError(int32_t *nu) {
    ext[nz] = ngrid;
    for (int32_t j = 0; j < nz; ++j) x[j] = xg[ext[j]];
    // Barycentric weights 1/prod 2(x_j - x_k). The factor 2 keeps the
    // product near 2 nz in size whatever nz is (the abscissae are spread over
    // [-1, 1] like Chebyshev points), so long designs neither underflow nor
    // overflow; any common factor cancels in dev and in A.
    for (int32_t j = 0; j < nz; ++j) {
        extended prod = 1;
        for (int32_t k = 0; k < nz; ++k)
            if (k != j) prod *= 2 * (x[j] - x[k]);
        if (prod == 0 || !std::isfinite(prod)) return kErrEquirippleSpec;
        ad[j] = 1 / prod;
    }
    extended num = 0, den = 0;
    for (int32_t j = 0, s = 1; j < nz; ++j, s = -s) {
        num += ad[j] * des[ext[j]];
        den += s * ad[j] / wt[ext[j]];
    }
    dev = num / den;
    // Defensive: den sums terms of one sign, so only a weight 1/prod beyond extended range could get here.
    if (!std::isfinite(dev)) return kErrEquirippleSpec;
    *nu = dev > 0 ? -1 : 1;
    dev = -*nu * dev;
    for (int32_t j = 0, s = *nu; j < nz; ++j, s = -s) y[j] = des[ext[j]] + s * dev / wt[ext[j]];
    return kErrNone;
}

// Each extremal in turn moved to the local extremum of the weighted error
// near it (above first, then below, then above past its neighbour).
Design::Interior Design::moveExtremals(int32_t nu) {
    int32_t jchnge = 0, klow = -1, nut = -nu;
    extended comp = 0, y1 = 0;
    for (int32_t j = 0; j < nz; ++j) {
        const int32_t kup = ext[j + 1];
        nut = -nut;
        if (j == 1) y1 = comp;
        comp = dev;
        int32_t l = ext[j] + 1;
        extended e = 0;
        if (l < kup && (e = nut * error(l)) > comp) {
            comp = e;
            ext[j] = klow = ForwardSearch(l, kup, nut, comp);
            ++jchnge;
            continue;
        }
        // Below the old extremal; once something has moved in this pass, the
        // first point that does not exceed the level ends the look.
        bool found = false, stop = false;
        for (l = ext[j] - 1; l > klow; --l) {
            e = nut * error(l);
            if (e > comp) {
                found = true;
                break;
            }
            if (jchnge > 0) {
                stop = true;
                break;
            }
        }
        if (found) {
            comp = e;
            const int32_t moved = BackwardSearch(l, klow, nut, comp);
            klow = ext[j];
            ext[j] = moved;
            ++jchnge;
            continue;
        }
        if (stop || jchnge > 0) {
            klow = ext[j];
            if (!stop) ++jchnge;
            continue;
        }
        // Nothing moved yet: look above again, past the neighbour.
        for (l = ext[j] + 2; l < kup; ++l) {
            e = nut * error(l);
            if (e > comp) {
                found = true;
                break;
            }
        }
        if (found) {
            comp = e;
            ext[j] = klow = ForwardSearch(l, kup, nut, comp);
            ++jchnge;
            continue;
        }
        klow = ext[j];
    }
    return {jchnge, nut, y1, comp};
}

// End searches: an extremum below the first extremal (before k1) or above
// the last one (after knz) replaces the extremal at the other end. Both ends
// scan for the first point above the level and then climb, so that
// even-length designs (whose last extremum lies inside the grid) converge
// to the optimum. *low and *high get the points found, -1 for none.
void Design::endSearches(int32_t nu, const Interior &moved, int32_t k1, int32_t knz, int32_t *low,
                         int32_t *high) const {
    extended y1 = moved.firstLevel;
    *low = -1;
    *high = -1;
    int32_t nut = -nu;
    extended comp = moved.lastLevel * kEndSearchMargin;
    for (int32_t l = 0; l < k1; ++l) {
        const extended e = nut * error(l);
        if (e > comp) {
            comp = e;
            *low = ForwardSearch(l, k1, nut, comp);
            y1 = std::max(y1, comp);
            break;
        }
    }
    nut = -moved.lastSign;
    comp = y1 * kEndSearchMargin;
    for (int32_t l = ngrid - 1; l > knz; --l) {
        const extended e = nut * error(l);
        if (e > comp) {
            comp = e;
            *high = BackwardSearch(l, knz, nut, comp);
            break;
        }
    }
}

// One exchange: the levelled error on the current extremals, then the
// search for the local extrema of the weighted error (REMEZ).
int32_t Design::exchange(bool &changed) {
    int32_t nu = 0;
    if (const int32_t code = levelError(&nu)) return code;
    const int32_t k1 = ext[0], knz = ext[nz - 1];
    const Interior moved = moveExtremals(nu);
    int32_t low = -1, high = -1;
    endSearches(nu, moved, std::min(k1, ext[0]), std::max(knz, ext[nz - 1]), &low, &high);
    if (high >= 0) {
        std::copy(ext + 1, ext + nz, ext);
        ext[nz - 1] = high;
    } else if (low >= 0) {
        std::copy_backward(ext, ext + nz - 1, ext + nz);
        ext[0] = low;
    }
    changed = moved.count > 0 || low >= 0 || high >= 0;
    return kErrNone;
}

int32_t Design::Remes(int32_t maxIter) {
    extended devl = -1;
    for (int32_t remaining = maxIter - 1;;) {
        bool changed = false;
        if (const int32_t code = exchange(changed)) return code;
        if (dev < devl * (1 - kDeviationFall)) return kErrEquirippleSpec;
        devl = dev;
        if (--remaining <= 0) return kErrEquirippleSpec;
        if (!changed) return kErrNone;
    }
}

// The largest weighted error on the design grid, the figure the design is
// specified by and stopped on. Once the exchange has settled it is the
// levelled error of the last exchange: the searches found no grid point
// above that level (at the ends, none 1e-5 above it). Between grid points
// the error peaks a little higher, by up to a few per cent at density 16.
extended Design::gridError() const {
    extended m = 0;
    for (int32_t l = 0; l < ngrid; ++l) m = std::max(m, std::fabs(error(l)));
    return m;
}

// Cosine coefficients alpha[0..nf-1] of the final approximation: samples at
// the nf abscissae cos(2 pi j/cn), cn = 2 nf - 1, and the inverse DFT of odd
// length. For a Hilbert transformer the grid stops short of both ends, so
// the approximation is sampled on [x(last), x(first)] mapped onto [-1, 1]
// (no extrapolation) and the coefficients are mapped back by the Chebyshev
// recurrence of the published program; with at most two terms the
// polynomial is of degree one and is sampled directly.
void Design::InvDFT(extended *alpha, extended *a, extended *p, extended *q, extended *t, extended *cosTable) const {
    const int32_t nf = nfcns, cn = 2 * nf - 1;
    for (int32_t k = 0; k < cn; ++k) cosTable[k] = std::cos(kTwoPiL * k / cn);
    const bool mapped = kind == kHilbert && nf > 2;
    extended aa = 1, bb = 0;
    if (mapped) {
        const extended c0 = xg[0], c1 = xg[ngrid - 1];
        aa = 2 / (c0 - c1);
        bb = -(c0 + c1) / (c0 - c1);
    }
    for (int32_t j = 0; j < nf; ++j) a[j] = A(mapped ? (cosTable[j] - bb) / aa : cosTable[j]);
    for (int32_t k = 0; k < nf; ++k) {
        extended s = 0;
        for (int32_t j = 1; j < nf; ++j) s += a[j] * cosTable[static_cast<int64_t>(j) * k % cn];
        alpha[k] = (a[0] + 2 * s) / cn * (k == 0 ? 1 : 2);
    }
    if (mapped) {
        p[0] = 2 * alpha[nf - 1] * bb + alpha[nf - 2];
        p[1] = 2 * aa * alpha[nf - 1];
        q[0] = alpha[nf - 3] - alpha[nf - 1];
        for (int32_t j = 2; j <= nf - 1; ++j) {
            if (j == nf - 1) {
                aa /= 2;
                bb /= 2;
            }
            p[j] = 0;
            for (int32_t k = 0; k < j; ++k) {
                t[k] = p[k];
                p[k] = 2 * bb * t[k];
            }
            p[1] += 2 * aa * t[0];
            for (int32_t k = 0; k < j - 1; ++k) p[k] += q[k] + aa * t[k + 1];
            for (int32_t k = 2; k <= j; ++k) p[k] += aa * t[k - 1];
            if (j < nf - 1) {
                for (int32_t k = 0; k < j; ++k) q[k] = -t[k];
                q[0] += alpha[nf - 2 - j];
            }
        }
        std::copy(p, p + nf, alpha);
    }
    alpha[nf] = alpha[nf + 1] = 0;
}

// Taps from the cosine coefficients, by the four linear-phase relations
// between a cosine (or sine) series and a symmetric (antisymmetric) impulse
// response.
void taps(const extended *alpha, int32_t nf, bool symmetric, int32_t nTaps, double *h) {
    const bool odd = nTaps % 2 != 0;
    std::fill(h, h + nTaps, 0.0);
    auto set = [&](int32_t j, extended v) {
        h[j] = static_cast<double>(v);
        h[nTaps - 1 - j] = static_cast<double>(symmetric ? v : -v);
    };
    if (symmetric && odd) {
        for (int32_t j = 0; j < nf - 1; ++j) set(j, alpha[nf - 1 - j] / 2);
        set(nf - 1, alpha[0]);
    } else if (symmetric) {
        set(0, alpha[nf - 1] / 4);
        for (int32_t j = 1; j < nf - 1; ++j) set(j, (alpha[nf - 1 - j] + alpha[nf - j]) / 4);
        set(nf - 1, alpha[0] / 2 + alpha[1] / 4);
    } else if (odd) {
        set(0, alpha[nf - 1] / 4);
        if (nf >= 2) set(1, alpha[nf - 2] / 4);
        for (int32_t j = 2; j < nf - 1; ++j) set(j, (alpha[nf - 1 - j] - alpha[nf + 1 - j]) / 4);
        set(nf - 1, alpha[0] / 2 - alpha[2] / 4);
        h[nf] = 0;
    } else {
        set(0, alpha[nf - 1] / 4);
        for (int32_t j = 1; j < nf - 1; ++j) set(j, (alpha[nf - 1 - j] - alpha[nf - j]) / 4);
        set(nf - 1, (alpha[0] - alpha[1] / 2) / 2);
    }
}

// The checks before any allocation, in their documented order.
int32_t validate(int32_t nBands, const double *desired, const double *weights, double fs, const double *edges,
                 int32_t kind, int32_t nTaps) {
    if (nTaps < 3) return kErrEquirippleSpec;
    if (nBands < 1) return kErrEmptyArray;
    // Non-finite band values cannot be designed for.
    if (!std::isfinite(fs)) return kErrEquirippleSpec;
    for (int32_t b = 0; b < nBands; ++b)
        if (!std::isfinite(desired[b]) || !std::isfinite(weights[b]) || !std::isfinite(edges[2 * b]) ||
            !std::isfinite(edges[2 * b + 1]))
            return kErrEquirippleSpec;
    if (fs <= 0) return kErrCutoffFrequency;
    for (int32_t b = 0; b < nBands; ++b)
        if (edges[2 * b] < 0 || edges[2 * b + 1] < 0) return kErrCutoffFrequency;
    for (int32_t b = 0; b < nBands; ++b)
        if (weights[b] <= 0) return kErrCutoffFrequency;
    for (int32_t b = 0; b < nBands; ++b)
        if (desired[b] < 0) return kErrCutoffFrequency;
    const double last = edges[2 * nBands - 1];
    if (last / fs > 0.5) return kErrNyquist;
    for (int32_t i = 1; i < 2 * nBands; ++i)
        if (!(edges[i] > edges[i - 1])) return kErrCutoffFrequency;
    const double gap = std::fabs(last - fs / 2);
    const bool even = nTaps % 2 == 0;
    switch (kind) {
        case kMultiband:
            if (edges[0] != 0 || gap > kNyquistReach) return kErrEquirippleSpec;
            if (even && desired[nBands - 1] != 0) return kErrEvenTaps;
            break;
        case kDifferentiator:
            if (edges[0] != 0 || (even ? gap > kNyquistReach : gap < kNyquistClearance)) return kErrEquirippleSpec;
            break;
        case kHilbert:
            if (edges[0] == 0 || (even ? gap > kNyquistReach : gap < kNyquistReach)) return kErrEquirippleSpec;
            break;
        default: return kErrInvalidSelector;
    }
    return kErrNone;
}

}  // namespace

int32_t Equi_Ripple_Iter(int32_t nBands, const double *desired, const double *weights, double fs, const double *edges,
                         int32_t kind, int32_t nTaps, double *h, double *deviation, int32_t maxIter) {
    if (maxIter < 1) maxIter = kDefaultIterations;
    if (const int32_t code = validate(nBands, desired, weights, fs, edges, kind, nTaps)) return code;
    Design d;
    d.kind = kind;
    d.symmetric = kind == kMultiband;
    const bool odd = nTaps % 2 != 0;
    d.nfcns = nTaps / 2 + (odd && d.symmetric ? 1 : 0);
    d.nz = d.nfcns + 1;
    if (d.nfcns + 2 >= kMaxFunctions) return kErrOutOfMemory;

    // Each band contributes at most width/delf + 1 points, and the widths
    // add up to at most 1/2: 16 nfcns + nBands + 1 points in all, however
    // many bands there are.
    const extended delf = 0.5L / (kGridDensity * static_cast<extended>(d.nfcns));
    const int64_t cap = int64_t{kGridDensity} * (d.nfcns + 2) + nBands + 1;
    const int64_t nf = d.nfcns, cn = 2 * nf - 1;
    orin::ScratchLayout layout;
    const auto gridPart = layout.add<extended>(cap), xgPart = layout.add<extended>(cap),
               desPart = layout.add<extended>(cap), wtPart = layout.add<extended>(cap);
    const auto extPart = layout.add<int32_t>(d.nz + 1);
    // The extremal abscissae and values, the barycentric weights, and the
    // inverse DFT's work arrays (nfcns + 2 each) and cosine table.
    const auto xPart = layout.add<extended>(nf + 2), yPart = layout.add<extended>(nf + 2),
               adPart = layout.add<extended>(nf + 2), alphaPart = layout.add<extended>(nf + 2),
               aPart = layout.add<extended>(nf + 2), pPart = layout.add<extended>(nf + 2),
               qPart = layout.add<extended>(nf + 2), tPart = layout.add<extended>(nf + 2),
               cosPart = layout.add<extended>(cn);
    orin::CarvedScratch scratch(layout);
    if (!scratch) return kErrOutOfMemory;
    d.grid = scratch.get(gridPart);
    d.xg = scratch.get(xgPart);
    d.des = scratch.get(desPart);
    d.wt = scratch.get(wtPart);
    d.ext = scratch.get(extPart);
    d.desired = desired;
    d.weights = weights;
    d.x = scratch.get(xPart);
    d.y = scratch.get(yPart);
    d.ad = scratch.get(adPart);
    extended *alpha = scratch.get(alphaPart), *a = scratch.get(aPart), *p = scratch.get(pPart), *q = scratch.get(qPart),
             *t = scratch.get(tPart), *cosTable = scratch.get(cosPart);

    // Dense grid, band by band; each band's last point is its upper edge.
    int32_t n = 0;
    extended f = edges[0] / fs;
    if (!d.symmetric && f < delf) f = delf;
    for (int32_t b = 0; b < nBands; ++b) {
        const extended fup = edges[2 * b + 1] / fs;
        if (b > 0) f = edges[2 * b] / fs;
        do {
            d.grid[n] = f;
            d.des[n] = d.DA(b, f);
            d.wt[n] = d.Weight(b, f);
            ++n;
            f += delf;
        } while (f <= fup && n < cap);
        d.grid[n - 1] = fup;
        d.des[n - 1] = d.DA(b, fup);
        d.wt[n - 1] = d.Weight(b, fup);
    }
    // A zero of the fixed factor at f = 1/2 cannot be weighted.
    if (d.symmetric != odd && d.grid[n - 1] > 0.5L - delf) --n;
    d.ngrid = n;
    if (d.ngrid < d.nz) return kErrEquirippleSpec;

    // The cosine-polynomial problem: H = Q(f) P(f) with the fixed factor
    // Q = 1, cos(pi f), sin(2 pi f) or sin(pi f) by symmetry and parity.
    for (int32_t l = 0; l < n; ++l) {
        const extended c = d.fixedFactor(d.grid[l], odd);
        d.des[l] /= c;
        d.wt[l] *= c;
        d.xg[l] = std::cos(kTwoPiL * d.grid[l]);
    }
    for (int32_t j = 0; j < d.nfcns; ++j)
        d.ext[j] = static_cast<int32_t>(std::llround(static_cast<double>(j) * (n - 1) / d.nfcns));
    d.ext[d.nfcns] = n - 1;

    if (const int32_t code = d.Remes(maxIter)) return code;
    *deviation = static_cast<double>(d.gridError());
    d.InvDFT(alpha, a, p, q, t, cosTable);
    taps(alpha, d.nfcns, d.symmetric, nTaps, h);
    return kErrNone;
}

int32_t Equi_Ripple(int32_t nBands, const double *desired, const double *weights, double fs, const double *edges,
                    int32_t kind, int32_t nTaps, double *h, double *deviation) {
    return Equi_Ripple_Iter(nBands, desired, weights, fs, edges, kind, nTaps, h, deviation, kDefaultIterations);
}
