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

constexpr long double kPi = 3.141592653589793238462643383279502884L;

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

// Writes a cascade of the prototype (real pole sigma for odd orders, pairs
// pair(0), pair(1), ... for the others) for the band of info.type, and
// multiplies the numerator of section gainSection by gain. The checks have
// passed: the capacities suffice and the type is one of the four.
template <class PairAt>
void writeCascade(double fs, double fl, double fh, const IIRFilterInfo &info, extended sigma, PairAt pairAt,
                  extended gain, int32_t gainSection) {
    const int32_t n = info.order, sections = sectionCount(n), m = sectionSize(info.type);
    const bool band = info.type >= kBandpass;
    const extended tl = std::tan(kPi * fl / fs), th = band ? std::tan(kPi * fh / fs) : 0;
    const extended t = tl, p = tl * th, w = th - tl;

    for (int32_t k = 0; k < sections; ++k) {
        extended a[4] = {0, 0, 0, 0}, b[5] = {0, 0, 0, 0, 0};
        extended d;
        if (n % 2 == 1 && k == 0) {
            // Real pole: sigma/(s + sigma).
            switch (info.type) {
                case kLowpass:
                    d = 1 + sigma * t;
                    a[0] = -(1 - sigma * t);
                    b[0] = b[1] = sigma * t;
                    break;
                case kHighpass:
                    d = 1 + t / sigma;
                    a[0] = -(1 - t / sigma);
                    b[0] = 1;
                    b[1] = -1;
                    break;
                default: {
                    const extended e = info.type == kBandpass ? sigma * w : w / sigma;
                    d = 1 + p + e;
                    a[0] = -2 * (1 - p);
                    a[1] = 1 + p - e;
                    if (info.type == kBandpass) {
                        b[0] = e;
                        b[2] = -e;
                    } else {
                        b[0] = b[2] = 1 + p;
                        b[1] = -2 * (1 - p);
                    }
                }
            }
        } else {
            const PolePair q = pairAt(n % 2 == 1 ? k - 1 : k);
            switch (info.type) {
                case kLowpass: {
                    // (beta wz^-2)(s^2 + wz^2)/(s^2 + alpha s + beta), s -> s/T.
                    const extended bt2 = q.beta * t * t, c = q.beta * q.zeroInvSq;
                    d = 1 + q.alpha * t + bt2;
                    a[0] = -2 * (1 - bt2);
                    a[1] = 1 - q.alpha * t + bt2;
                    b[0] = b[2] = c + bt2;
                    b[1] = -2 * (c - bt2);
                    break;
                }
                case kHighpass: {
                    // s -> T/s, divided through by beta.
                    const extended h = q.alpha * t / q.beta, qq = t * t / q.beta, zh = t * t * q.zeroInvSq;
                    d = 1 + h + qq;
                    a[0] = -2 * (1 - qq);
                    a[1] = 1 - h + qq;
                    b[0] = b[2] = 1 + zh;
                    b[1] = -2 * (1 - zh);
                    break;
                }
                default: {
                    // Both band transforms share the denominator's shape
                    // (1 + P)^2-type terms with h and q of their own.
                    const bool pass = info.type == kBandpass;
                    const extended h = pass ? q.alpha * w : q.alpha * w / q.beta;
                    const extended qq = pass ? q.beta * w * w : w * w / q.beta;
                    const extended p2 = p * p;
                    d = 1 + h + 2 * p + qq + p * h + p2;
                    a[0] = 4 * p2 - 4 - 2 * h * (1 - p);
                    a[1] = 6 + 6 * p2 - 2 * (2 * p + qq);
                    a[2] = 4 * p2 - 4 + 2 * h * (1 - p);
                    a[3] = 1 - h + 2 * p + qq - p * h + p2;
                    // Numerator (s^2 + P)^2 + c W^2 s^2 (bandpass: scaled by
                    // beta/wz^2, c = wz^2; bandstop: c = 1/wz^2); the all-pole
                    // bandpass is the limit wz -> infinity.
                    const extended ring0 = 1 + 2 * p + p2, ring1 = -4 * (1 - p2), ring2 = 6 - 4 * p + 6 * p2;
                    if (pass) {
                        const extended k0 = q.beta * q.zeroInvSq, kw = q.beta * w * w;
                        b[0] = b[4] = k0 * ring0 + kw;
                        b[1] = b[3] = k0 * ring1;
                        b[2] = k0 * ring2 - 2 * kw;
                    } else {
                        const extended cw = w * w * q.zeroInvSq;
                        b[0] = b[4] = ring0 + cw;
                        b[1] = b[3] = ring1;
                        b[2] = ring2 - 2 * cw;
                    }
                }
            }
        }
        const extended scale = (k == gainSection ? gain : 1) / d;
        double *ak = info.a + static_cast<int64_t>(k) * m;
        double *bk = info.b + static_cast<int64_t>(k) * (m + 1);
        for (int32_t i = 0; i < m; ++i) ak[i] = static_cast<double>(a[i] / d);
        for (int32_t i = 0; i <= m; ++i) bk[i] = static_cast<double>(b[i] * scale);
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
        if (bSize > INT32_MAX) return Outcome::refused(kMgFullErr);
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
