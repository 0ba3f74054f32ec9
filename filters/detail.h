// The machinery shared by the IIR designs: checks, the band transforms with
// the bilinear map, and the section layout.
//
// Every response is described by its analogue lowpass prototype of unit
// cut-off: an optional real pole s + sigma (odd orders) and pole pairs
// s^2 + alpha s + beta, each pair with an optional zero pair on the imaginary
// axis at +-j wz (stored as 1/wz^2, 0 for none). Each prototype section has
// unit gain at DC. The band transform and the bilinear substitution
// s = (1 - z^-1)/(1 + z^-1) (edges pre-warped through T = tan(pi f/fs)) are
// written out once per band type below; the algebra is the expansion of
//   lowpass   s -> s/T           highpass  s -> T/s
//   bandpass  s -> (s^2 + P)/(W s)    bandstop  s -> W s/(s^2 + P)
// with P = Tl Th and W = Th - Tl, multiplied through by (1 + z^-1)^m.
#ifndef ORIN_FILTERS_DETAIL_H
#define ORIN_FILTERS_DETAIL_H

#include <orin/filters.h>

#include <cmath>
#include <cstdint>

#include "../frame/kit.h"

namespace orin::iir {

enum BandType : int32_t { kLowpass = 0, kHighpass = 1, kBandpass = 2, kBandstop = 3 };

// A pole pair of the prototype: s^2 + alpha s + beta, with zeros at
// s^2 + wz^2 when zeroInvSq = 1/wz^2 is non-zero.
struct PolePair {
    extended alpha;
    extended beta;
    extended zeroInvSq;
};

// Number of sections S = (order + 1)/2, without overflowing at INT32_MAX.
inline int32_t sectionCount(int32_t order) { return order / 2 + order % 2; }

// Coefficients per section: m feedback and m + 1 feed-forward values.
inline int32_t sectionSize(int32_t type) { return type <= kHighpass ? 2 : 4; }

// A strictly positive finite number (false for NaN as well).
inline bool positiveFinite(double v) { return v > 0 && v < INFINITY; }

// The order, frequency and capacity checks common to every design, in their
// documented order. `between` runs the response's own checks that come
// before the Nyquist check, `after` those that come after it.
template <class Before, class After>
int32_t checkDesign(double fs, double fl, double &fh, const IIRFilterInfo &info, Before between, After after) {
    if (info.order < 1) return kErrOrderNotPositive;
    if (info.type <= kHighpass) fh = (fs / 2 + fl) / 2;
    if (!positiveFinite(fl) || !positiveFinite(fh) || fl >= fh || !positiveFinite(fs)) return kErrCutoffFrequency;
    if (const int32_t code = between()) return code;
    if (fh > fs / 2 || fl > fs / 2) return kErrNyquist;
    if (const int32_t code = after()) return code;
    const int64_t m = sectionSize(info.type), s = sectionCount(info.order);
    if (info.aCount < m * s || info.bCount < (m + 1) * s) return kErrFilterStructure;
    // A type outside the four bands is refused, not reported as a design
    // that wrote nothing.
    if (info.type < kLowpass || info.type > kBandstop) return kErrInvalidSelector;
    return kErrNone;
}

inline int32_t noCheck() { return kErrNone; }

// The pre-warped band edges: T for lowpass and highpass, and P = Tl Th,
// W = Th - Tl for the band types.
struct Band {
    int32_t type;
    extended t, p, w;
};

// One section before it is normalised: a0 = d, a1..am in a, b0..bm in b.
struct Section {
    extended d = 1;
    extended a[4] = {0, 0, 0, 0};
    extended b[5] = {0, 0, 0, 0, 0};
};

// The real pole sigma/(s + sigma) in every band; the band types make it a
// second-order section.
inline Section realPoleSection(const Band &band, extended sigma) {
    Section s;
    const extended t = band.t, p = band.p, w = band.w;
    switch (band.type) {
        case kLowpass:
            s.d = 1 + sigma * t;
            s.a[0] = -(1 - sigma * t);
            s.b[0] = s.b[1] = sigma * t;
            break;
        case kHighpass:
            s.d = 1 + t / sigma;
            s.a[0] = -(1 - t / sigma);
            s.b[0] = 1;
            s.b[1] = -1;
            break;
        default: {
            const extended e = band.type == kBandpass ? sigma * w : w / sigma;
            s.d = 1 + p + e;
            s.a[0] = -2 * (1 - p);
            s.a[1] = 1 + p - e;
            if (band.type == kBandpass) {
                s.b[0] = e;
                s.b[2] = -e;
            } else {
                s.b[0] = s.b[2] = 1 + p;
                s.b[1] = -2 * (1 - p);
            }
        }
    }
    return s;
}

// The pair (beta/wz^2)(s^2 + wz^2)/(s^2 + alpha s + beta), or
// beta/(s^2 + alpha s + beta) without zeros, in every band.
inline Section pairSection(const Band &band, const PolePair &q) {
    Section s;
    const extended t = band.t, p = band.p, w = band.w;
    switch (band.type) {
        case kLowpass: {
            const extended bt2 = q.beta * t * t, c = q.beta * q.zeroInvSq;
            s.d = 1 + q.alpha * t + bt2;
            s.a[0] = -2 * (1 - bt2);
            s.a[1] = 1 - q.alpha * t + bt2;
            s.b[0] = s.b[2] = c + bt2;
            s.b[1] = -2 * (c - bt2);
            break;
        }
        case kHighpass: {
            // Divided through by beta.
            const extended h = q.alpha * t / q.beta, qq = t * t / q.beta, zh = t * t * q.zeroInvSq;
            s.d = 1 + h + qq;
            s.a[0] = -2 * (1 - qq);
            s.a[1] = 1 - h + qq;
            s.b[0] = s.b[2] = 1 + zh;
            s.b[1] = -2 * (1 - zh);
            break;
        }
        default: {
            // The denominators of both band types are
            // (s^2 + P)^2 + h s (s^2 + P) + q s^2 over (1 + z^-1)^4, with
            // h = alpha W, q = beta W^2 (bandpass) or h = alpha W/beta,
            // q = W^2/beta (bandstop, divided through by beta).
            const bool pass = band.type == kBandpass;
            const extended h = pass ? q.alpha * w : q.alpha * w / q.beta;
            const extended qq = pass ? q.beta * w * w : w * w / q.beta;
            const extended p2 = p * p;
            s.d = 1 + h + 2 * p + qq + p * h + p2;
            s.a[0] = 4 * p2 - 4 - 2 * h * (1 - p);
            s.a[1] = 6 + 6 * p2 - 2 * (2 * p + qq);
            s.a[2] = 4 * p2 - 4 + 2 * h * (1 - p);
            s.a[3] = 1 - h + 2 * p + qq - p * h + p2;
            // Numerators: (beta/wz^2)((s^2 + P)^2 + wz^2 W^2 s^2) for the
            // bandpass (the all-pole one is the limit wz -> infinity,
            // beta W^2 s^2), (s^2 + P)^2 + (W^2/wz^2) s^2 for the bandstop.
            const extended ring0 = 1 + 2 * p + p2, ring1 = -4 * (1 - p2), ring2 = 6 - 4 * p + 6 * p2;
            if (pass) {
                const extended k0 = q.beta * q.zeroInvSq, kw = q.beta * w * w;
                s.b[0] = s.b[4] = k0 * ring0 + kw;
                s.b[1] = s.b[3] = k0 * ring1;
                s.b[2] = k0 * ring2 - 2 * kw;
            } else {
                const extended cw = w * w * q.zeroInvSq;
                s.b[0] = s.b[4] = ring0 + cw;
                s.b[1] = s.b[3] = ring1;
                s.b[2] = ring2 - 2 * cw;
            }
        }
    }
    return s;
}

// Writes a cascade of the prototype (real pole sigma for odd orders, pairs
// pairAt(0), pairAt(1), ... for the others) for the band of info.type, and
// multiplies the numerator of section gainSection by gain. The checks have
// passed: the capacities suffice and the type is one of the four.
template <class PairAt>
void writeCascade(double fs, double fl, double fh, const IIRFilterInfo &info, extended sigma, PairAt pairAt,
                  extended gain, int32_t gainSection) {
    const int32_t n = info.order, sections = sectionCount(n), m = sectionSize(info.type);
    Band band{info.type, std::tan(kPiL * fl / fs), 0, 0};
    if (info.type >= kBandpass) {
        const extended th = std::tan(kPiL * fh / fs);
        band.p = band.t * th;
        band.w = th - band.t;
    }
    for (int32_t k = 0; k < sections; ++k) {
        const bool real = n % 2 == 1 && k == 0;
        const Section s = real ? realPoleSection(band, sigma) : pairSection(band, pairAt(n % 2 == 1 ? k - 1 : k));
        const extended scale = (k == gainSection ? gain : 1) / s.d;
        double *ak = info.a + static_cast<int64_t>(k) * m;
        double *bk = info.b + static_cast<int64_t>(k) * (m + 1);
        for (int32_t i = 0; i < m; ++i) ak[i] = static_cast<double>(s.a[i] / s.d);
        for (int32_t i = 0; i <= m; ++i) bk[i] = static_cast<double>(s.b[i] * scale);
    }
}

// The shape of every design handle entry point: size a and b for the
// sections of order and type (2S and 3S values, or 4S and 5S for the band
// types), then let design fill an IIRFilterInfo over them. Any failure leaves
// both handles empty.
template <class Design>
MgErr designEntry(int32_t order, int32_t type, DoubleArrayHdl aHandle, DoubleArrayHdl bHandle, int32_t *error,
                  Design design) {
    DoubleArrayView a(aHandle), b(bHandle);
    return runEntry(error, {a, b}, [&]() -> Outcome {
        const int64_t m = sectionSize(type), sections = order < 1 ? 0 : sectionCount(order);
        const int64_t aSize = m * sections, bSize = (m + 1) * sections;
        if (aSize < 1) return kErrOrderNotPositive;
        if (bSize > INT32_MAX) return Outcome::refused(HostStatus(kMgFullErr));
        ORIN_TRY(a.resize(static_cast<int32_t>(aSize)));
        ORIN_TRY(b.resize(static_cast<int32_t>(bSize)));
        IIRFilterInfo info{};
        info.type = type;
        info.order = order;
        info.aCount = a.size();
        info.a = a.data();
        info.bCount = b.size();
        info.b = b.data();
        return design(&info);
    });
}

}  // namespace orin::iir

#endif  // ORIN_FILTERS_DETAIL_H
