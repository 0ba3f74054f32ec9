// Split-radix FFT kernels for power-of-two lengths.
//
// Complex: decimation in frequency with L-shaped butterflies (Duhamel and
// Hollmann 1984; Sorensen, Heideman and Burrus, "On computing the split-radix
// FFT", IEEE Trans. ASSP 34, 1986), result bit-reversed at the end.
// Real: Sorensen, Jones, Heideman and Burrus, "Real-valued fast Fourier
// transform algorithms", IEEE Trans. ASSP 35 (1987): the decimation-in-time
// forward transform to the packed spectrum, and its exact inverse in
// decimation in frequency.
#include <algorithm>
#include <array>
#include <cstring>

#include "detail.h"
#include "simd.h"

namespace orin::tf {

void bitReverseReal(double *x, int32_t n) { bitReverseArray(x, n, 1); }

Rotor Rotor::twoPiOver(int32_t k) {
    // sin(2 pi / 2^k) for every k a 32-bit length can need, computed once.
    static const auto table = [] {
        std::array<extended, 40> t{};
        for (int32_t i = 0; i < 40; ++i) t[i] = std::sin(static_cast<extended>(kTwoPi) / std::ldexp(1.0L, i));
        return t;
    }();
    return Rotor(table[k + 1], table[k]);
}

}  // namespace orin::tf

using namespace orin;
using namespace orin::tf;

void BitReverse(double *re, double *im, int32_t n, int32_t stride) {
    if (n < 1) return;
    if (stride == 2 && im == re + 1) {
        // Interleaved elements move as one.
        bitReverseArray(reinterpret_cast<complexnum *>(re), n, 1);
    } else {
        bitReverseArray(re, n, stride);
        bitReverseArray(im, n, stride);
    }
}

namespace {

int32_t checkLength(int32_t n) {
    if (n < 1) return kErrEmptyArray;
    if (!isPowerOfTwo(n)) return kErrNotPowerOfTwo;
    return kErrNone;
}

// Twiddles are made for a tile of consecutive indices j at a time, and within
// a tile every block of the stage is swept over its j's: the butterflies of
// one stage are independent, so this order gives the results of the j-by-j
// order while touching each cache line once per tile.
constexpr int64_t kTile = 256;

// One L-shaped butterfly on scalars: quarters 0..3 of the real and
// imaginary parts, twiddles (c1, s1) and (c3, s3).
inline void lButterfly(double &x0, double &x1, double &x2, double &x3, double &y0, double &y1, double &y2, double &y3,
                       double c1, double s1, double c3, double s3) {
    const double r1 = x0 - x2;
    x0 += x2;
    const double r2 = x1 - x3;
    x1 += x3;
    const double q1 = y0 - y2;
    y0 += y2;
    const double q2 = y1 - y3;
    y1 += y3;
    const double a2 = r1 + q2, b2 = q1 - r2;
    const double a3 = r1 - q2, b3 = q1 + r2;
    x2 = a2 * c1 + b2 * s1;
    y2 = b2 * c1 - a2 * s1;
    x3 = a3 * c3 + b3 * s3;
    y3 = b3 * c3 - a3 * s3;
}

// L-shaped butterflies j = 0 .. count-1 of one block, the quarters starting
// at x0..x3 and y0..y3, twiddle j being (c1, s1)[j] and (c3, s3)[j].
// The twiddles of butterfly j are entry j * d of the tables.
template <int kStride>
inline void cxBlock(double *x0, double *x1, double *x2, double *x3, double *y0, double *y1, double *y2, double *y3,
                    int64_t count, const double *c1, const double *s1, const double *c3, const double *s3,
                    ptrdiff_t runtimeStride, int64_t d = 1) {
    int64_t j = 0;
    if (d == 1 && simdAvx()) {
        if constexpr (kStride == 1) j = avxLBlockSplit(x0, x1, x2, x3, y0, y1, y2, y3, count, c1, s1, c3, s3);
        else if constexpr (kStride == 2) {
            if (y0 == x0 + 1) j = avxLBlockInterleaved(x0, x1, x2, x3, count, c1, s1, c3, s3);
        }
    }
    if constexpr (kStride == 1) {
        // Separate arrays: two consecutive j per register.
        for (; j + 1 < count; j += 2) {
            const v2d X0 = load2(x0 + j), X1 = load2(x1 + j), X2 = load2(x2 + j), X3 = load2(x3 + j);
            const v2d Y0 = load2(y0 + j), Y1 = load2(y1 + j), Y2 = load2(y2 + j), Y3 = load2(y3 + j);
            const v2d r1 = X0 - X2, r2 = X1 - X3, q1 = Y0 - Y2, q2 = Y1 - Y3;
            store2(x0 + j, X0 + X2);
            store2(x1 + j, X1 + X3);
            store2(y0 + j, Y0 + Y2);
            store2(y1 + j, Y1 + Y3);
            const v2d a2 = r1 + q2, b2 = q1 - r2, a3 = r1 - q2, b3 = q1 + r2;
            const int64_t t0 = j * d, t1 = t0 + d;
            const v2d C1 = {c1[t0], c1[t1]}, S1 = {s1[t0], s1[t1]}, C3 = {c3[t0], c3[t1]}, S3 = {s3[t0], s3[t1]};
            store2(x2 + j, a2 * C1 + b2 * S1);
            store2(y2 + j, b2 * C1 - a2 * S1);
            store2(x3 + j, a3 * C3 + b3 * S3);
            store2(y3 + j, b3 * C3 - a3 * S3);
        }
    } else if constexpr (kStride == 2) {
        // Interleaved complex elements (im right after re): one element per
        // register, (re, im). With d = z0 - z2 = (r1, q1) and
        // e = z1 - z3 = (r2, q2): (a2, b2) = d + (q2, -r2),
        // (a3, b3) = d - (q2, -r2), and the twiddle product
        // (a c + b s, b c - a s) = (a, b) c + (b, a) (s, -s).
        if (y0 == x0 + 1) {
            for (; j < count; ++j) {
                const ptrdiff_t o = 2 * static_cast<ptrdiff_t>(j);
                const v2d Z0 = load2(x0 + o), Z1 = load2(x1 + o), Z2 = load2(x2 + o), Z3 = load2(x3 + o);
                const v2d dz = Z0 - Z2, e = Z1 - Z3;
                store2(x0 + o, Z0 + Z2);
                store2(x1 + o, Z1 + Z3);
                const v2d turned = {e[1], -e[0]};
                const v2d A = dz + turned, B = dz - turned;
                const v2d A2 = {A[1], A[0]}, B2 = {B[1], B[0]};
                const int64_t t = j * d;
                const v2d C1 = {c1[t], c1[t]}, S1 = {s1[t], -s1[t]}, C3 = {c3[t], c3[t]}, S3 = {s3[t], -s3[t]};
                store2(x2 + o, A * C1 + A2 * S1);
                store2(x3 + o, B * C3 + B2 * S3);
            }
        }
    }
    const ptrdiff_t st = kStride ? kStride : runtimeStride;
    for (; j < count; ++j) {
        const ptrdiff_t o = static_cast<ptrdiff_t>(j) * st;
        const int64_t t = j * d;
        lButterfly(x0[o], x1[o], x2[o], x3[o], y0[o], y1[o], y2[o], y3[o], c1[t], s1[t], c3[t], s3[t]);
    }
}

// The same at j = 0, where the twiddles are 1: no multiplication at all.
inline void cxCorner(double *x0, double *x1, double *x2, double *x3, double *y0, double *y1, double *y2, double *y3) {
    const double r1 = *x0 - *x2;
    *x0 += *x2;
    const double r2 = *x1 - *x3;
    *x1 += *x3;
    const double q1 = *y0 - *y2;
    *y0 += *y2;
    const double q2 = *y1 - *y3;
    *y1 += *y3;
    *x2 = r1 + q2;
    *y2 = q1 - r2;
    *x3 = r1 - q2;
    *y3 = q1 + r2;
}

// Blocks of at most kDepthFirst elements are finished one at a time, all
// their stages in cache, instead of stage by stage over the whole array.
constexpr int64_t kDepthFirst = 2048;

// The twiddles of the stages L = top, top/2, ..., 8 of the depth-first part,
// made once per transform and laid out stage after stage (stage L from
// offset L/4 - 2 on): those of stage top by its run, those of stage L/2 as
// the even-indexed ones of stage L (the same angles, 2 pi j / (L/2) =
// 2 pi 2j / L).
struct SmallStageTwiddles {
    double c1[kDepthFirst / 2], s1[kDepthFirst / 2], c3[kDepthFirst / 2], s3[kDepthFirst / 2];
    int64_t top;

    explicit SmallStageTwiddles(int64_t topLength) : top(topLength) {
        if (top < 8) return;
        // Angles up to pi/4 from the run; the rest by the exact symmetry
        // cos(pi/2 - t) = sin t, and for the triple angles
        // cos 3(pi/2 - t) = -sin 3t, sin 3(pi/2 - t) = -cos 3t.
        const int64_t L4 = top / 4, h = L4 / 2, o = offset(top);
        TwiddleRun twiddles(Log2(static_cast<int32_t>(top)), h + 1);
        twiddles.fill(0, h + 1, c1 + o, s1 + o);
        tripleAngles(h + 1, c1 + o, s1 + o, c3 + o, s3 + o);
        for (int64_t j = h + 1; j < L4; ++j) {
            c1[o + j] = s1[o + L4 - j];
            s1[o + j] = c1[o + L4 - j];
            c3[o + j] = -s3[o + L4 - j];
            s3[o + j] = -c3[o + L4 - j];
        }
        for (int64_t L = top / 2; L >= 8; L /= 2) {
            const int64_t from = offset(2 * L), to = offset(L);
            for (int64_t j = 0; j < L / 4; ++j) {
                c1[to + j] = c1[from + 2 * j];
                s1[to + j] = s1[from + 2 * j];
                c3[to + j] = c3[from + 2 * j];
                s3[to + j] = s3[from + 2 * j];
            }
        }
    }
    static int64_t offset(int64_t L) { return L / 4 - 2; }
};

// The twiddles of every stage of one transform: from the shared tables
// where they are ready, else (for the depth-first part) from a per-call
// table made by the recurrences, else none (cxLargeBlock makes them tile by
// tile).
struct StagePlan {
    StageTwiddles stage[32];
    bool have[32] = {};
    Deferred<SmallStageTwiddles> local;

    explicit StagePlan(int64_t n) {
        const int32_t m = __builtin_ctzll(static_cast<unsigned long long>(n));
        bool missing = false;
        for (int32_t k = 3; k <= m; ++k) {
            have[k] = stageTwiddles(int64_t{1} << k, &stage[k]);
            if (!have[k] && (int64_t{1} << k) <= kDepthFirst) missing = true;
        }
        if (!missing) return;
        local.emplace(std::min<int64_t>(n, kDepthFirst));
        for (int32_t k = 3; k <= m && (int64_t{1} << k) <= kDepthFirst; ++k) {
            if (have[k]) continue;
            const int64_t t = SmallStageTwiddles::offset(int64_t{1} << k);
            stage[k] = {local->c1 + t, local->s1 + t, local->c3 + t, local->s3 + t};
            have[k] = true;
        }
    }
};

// L-butterflies of an L-block (L >= 4) whose stage twiddles are in hand.
template <int kStride>
inline void cxTableBlock(double *x0, double *y0, int64_t L, const StageTwiddles &tw, ptrdiff_t st) {
    const int64_t L4 = L >> 2;
    const ptrdiff_t q = static_cast<ptrdiff_t>(L4) * st;
    cxCorner(x0, x0 + q, x0 + 2 * q, x0 + 3 * q, y0, y0 + q, y0 + 2 * q, y0 + 3 * q);
    if (L4 == 1) return;
    // j = 1 alone, so that the paired j start at an even index.
    lButterfly(x0[st], x0[q + st], x0[2 * q + st], x0[3 * q + st], y0[st], y0[q + st], y0[2 * q + st], y0[3 * q + st],
               tw.c1[1], tw.s1[1], tw.c3[1], tw.s3[1]);
    const ptrdiff_t o = 2 * st;
    cxBlock<kStride>(x0 + o, x0 + q + o, x0 + 2 * q + o, x0 + 3 * q + o, y0 + o, y0 + q + o, y0 + 2 * q + o,
                     y0 + 3 * q + o, L4 - 2, tw.c1 + 2, tw.s1 + 2, tw.c3 + 2, tw.s3 + 2, st);
}

inline void cxPair(double *x0, double *y0, ptrdiff_t st) {
    const double t = x0[0], u = y0[0];
    x0[0] = t + x0[st];
    x0[st] = t - x0[st];
    y0[0] = u + y0[st];
    y0[st] = u - y0[st];
}

// Leaves of the tree: whole blocks of 8 and 16 transformed in registers,
// one complex value (re, im) per register. A block of the decimation-in-
// frequency tree leaves its DFT in bit-reversed order, so the leaves store
// X[k] at the reversed index of k; the final permutation then finishes the
// job as for the butterfly-by-butterfly tree.
template <bool kInterleaved>
struct Elements {
    double *x, *y;
    ptrdiff_t st;
    v2d operator[](int k) const {
        if constexpr (kInterleaved) return load2(x + 2 * k);
        else return v2d{x[k * st], y[k * st]};
    }
    void put(int k, v2d v) const {
        if constexpr (kInterleaved) {
            store2(x + 2 * k, v);
        } else {
            x[k * st] = v[0];
            y[k * st] = v[1];
        }
    }
};

// -i z.
inline v2d turn(v2d z) { return v2d{z[1], -z[0]}; }
// z (c - i s) for the twiddle e^(-i t), c = cos t, s = sin t.
inline v2d rotate(v2d z, double c, double s) {
    const v2d sw = {z[1], z[0]};
    return z * v2d{c, c} + sw * v2d{s, -s};
}

// DFT of four values stored at o, o+1, o+2, o+3 in bit-reversed order
// (X0, X2, X1, X3).
template <class E>
__attribute__((always_inline)) inline void dft4Reversed(const E &e, int o, v2d u0, v2d u1, v2d u2, v2d u3) {
    const v2d a = u0 + u2, b = u0 - u2, c = u1 + u3, d = turn(u1 - u3);
    e.put(o, a + c);
    e.put(o + 1, a - c);
    e.put(o + 2, b + d);
    e.put(o + 3, b - d);
}

// cos and sin of pi/8 and pi/4, correctly rounded.
constexpr double kCos8 = 0.92387953251128674, kSin8 = 0.38268343236508978;

template <class E>
void cxLeaf8(const E &e) {
    // Radix 2 first: a_j = z_j + z_(j+4) gives the even bins, the rotated
    // differences w8^j (z_j - z_(j+4)) the odd ones.
    v2d a[4], b[4];
    for (int j = 0; j < 4; ++j) {
        const v2d z0 = e[j], z1 = e[j + 4];
        a[j] = z0 + z1;
        b[j] = z0 - z1;
    }
    b[1] = rotate(b[1], kSqrtHalf, kSqrtHalf);
    b[2] = turn(b[2]);
    b[3] = rotate(b[3], -kSqrtHalf, kSqrtHalf);
    dft4Reversed(e, 0, a[0], a[1], a[2], a[3]);
    dft4Reversed(e, 4, b[0], b[1], b[2], b[3]);
}

template <class E>
void cxLeaf16(const E &e) {
    // Radix 4 by radix 4: u[r][j], the r-th output of the 4-point DFT of
    // (z_j, z_(j+4), z_(j+8), z_(j+12)) rotated by w16^(rj), then the
    // 4-point DFTs over j give X[r + 4s], stored at 4 rev(r) + rev(s).
    v2d u[4][4];
    for (int j = 0; j < 4; ++j) {
        const v2d z0 = e[j], z1 = e[j + 4], z2 = e[j + 8], z3 = e[j + 12];
        const v2d t0 = z0 + z2, t1 = z0 - z2, t2 = z1 + z3, t3 = turn(z1 - z3);
        u[0][j] = t0 + t2;
        u[1][j] = t1 + t3;
        u[2][j] = t0 - t2;
        u[3][j] = t1 - t3;
    }
    u[1][1] = rotate(u[1][1], kCos8, kSin8);
    u[1][2] = rotate(u[1][2], kSqrtHalf, kSqrtHalf);
    u[1][3] = rotate(u[1][3], kSin8, kCos8);
    u[2][1] = rotate(u[2][1], kSqrtHalf, kSqrtHalf);
    u[2][2] = turn(u[2][2]);
    u[2][3] = rotate(u[2][3], -kSqrtHalf, kSqrtHalf);
    u[3][1] = rotate(u[3][1], kSin8, kCos8);
    u[3][2] = rotate(u[3][2], -kSqrtHalf, kSqrtHalf);
    u[3][3] = rotate(u[3][3], -kCos8, -kSin8);
    static constexpr int kRev2[4] = {0, 2, 1, 3};
    for (int r = 0; r < 4; ++r) dft4Reversed(e, 4 * kRev2[r], u[r][0], u[r][1], u[r][2], u[r][3]);
}

// L-butterflies of one block longer than the table of small stages, with
// the twiddles of its stage made tile by tile.
template <int kStride>
void cxLargeBlock(double *x0, double *y0, int64_t L, ptrdiff_t st) {
    const int64_t L4 = L >> 2;
    const ptrdiff_t q = static_cast<ptrdiff_t>(L4) * st;
    TwiddleRun twiddles(Log2(static_cast<int32_t>(L)), L4);
    double c1[kTile], s1[kTile], c3[kTile], s3[kTile];
    for (int64_t j0 = 0; j0 < L4; j0 += kTile) {
        const int64_t j1 = std::min(L4, j0 + kTile);
        twiddles.fill(j0, j1 - j0, c1, s1);
        tripleAngles(j1 - j0, c1, s1, c3, s3);
        int64_t first = j0;
        if (j0 == 0) {
            cxCorner(x0, x0 + q, x0 + 2 * q, x0 + 3 * q, y0, y0 + q, y0 + 2 * q, y0 + 3 * q);
            lButterfly(x0[st], x0[q + st], x0[2 * q + st], x0[3 * q + st], y0[st], y0[q + st], y0[2 * q + st],
                       y0[3 * q + st], c1[1], s1[1], c3[1], s3[1]);
            first = 2;
        }
        const ptrdiff_t o = static_cast<ptrdiff_t>(first) * st;
        cxBlock<kStride>(x0 + o, x0 + q + o, x0 + 2 * q + o, x0 + 3 * q + o, y0 + o, y0 + q + o, y0 + 2 * q + o,
                         y0 + 3 * q + o, j1 - first, c1 + (first - j0), s1 + (first - j0), c3 + (first - j0),
                         s3 + (first - j0), st);
    }
}

// The split-radix block tree below an L-block (L >= 4) at b, depth first:
// its L-butterflies, then its half at b and its quarters at b + L/2 and
// b + 3L/4. Blocks of 2 are the final length-2 butterflies, blocks of 1 need
// nothing. A block's butterflies need only its own values as its parent
// left them, so this order gives the results of the stage-by-stage order
// (Duhamel and Hollmann's recursive formulation) while each block is
// finished while it is in cache.
template <int kStride>
void cxTree(double *x, double *y, int64_t b, int64_t L, const StagePlan &tw, ptrdiff_t st) {
    double *x0 = x + static_cast<ptrdiff_t>(b) * st, *y0 = y + static_cast<ptrdiff_t>(b) * st;
    const int32_t k = __builtin_ctzll(static_cast<unsigned long long>(L));
    if (L <= 16 && L >= 8) {
        const bool interleaved = st == 2 && y0 == x0 + 1;
        if (L == 16) interleaved ? cxLeaf16(Elements<true>{x0, y0, st}) : cxLeaf16(Elements<false>{x0, y0, st});
        else interleaved ? cxLeaf8(Elements<true>{x0, y0, st}) : cxLeaf8(Elements<false>{x0, y0, st});
        return;
    }
    if (L == 4) cxCorner(x0, x0 + st, x0 + 2 * st, x0 + 3 * st, y0, y0 + st, y0 + 2 * st, y0 + 3 * st);
    else if (tw.have[k]) cxTableBlock<kStride>(x0, y0, L, tw.stage[k], st);
    else cxLargeBlock<kStride>(x0, y0, L, st);
    const int64_t h = L / 2, q = L / 4;
    if (h == 2) cxPair(x0, y0, st);
    else cxTree<kStride>(x, y, b, h, tw, st);
    if (q == 2) {
        cxPair(x0 + 4 * st, y0 + 4 * st, st);
        cxPair(x0 + 6 * st, y0 + 6 * st, st);
    } else if (q >= 4) {
        cxTree<kStride>(x, y, b + h, q, tw, st);
        cxTree<kStride>(x, y, b + h + q, q, tw, st);
    }
}

// The DFT of n >= 2 elements left in bit-reversed order.
template <int kStride>
void cxReversed(double *x, double *y, int64_t n, ptrdiff_t st) {
    const StagePlan tw(n);
    if (n == 2) cxPair(x, y, st);
    else cxTree<kStride>(x, y, 0, n, tw, st);
}

template <int kStride>
void cxForward(double *x, double *y, int64_t n, ptrdiff_t runtimeStride) {
    const ptrdiff_t st = kStride ? kStride : runtimeStride;
    cxReversed<kStride>(x, y, n, st);
    BitReverse(x, y, static_cast<int32_t>(n), static_cast<int32_t>(st));
}

}  // namespace

int32_t SplitRadixCxFFT(double *re, double *im, int32_t n, int32_t stride) {
    if (const int32_t code = checkLength(n)) return code;
    if (n == 1) return kErrNone;
    if (stride == 1) cxForward<1>(re, im, n, 1);
    else if (stride == 2) cxForward<2>(re, im, n, 2);
    else cxForward<0>(re, im, n, stride);
    return kErrNone;
}

int32_t SplitRadixCxInvFFT(double *re, double *im, int32_t n) {
    if (const int32_t code = checkLength(n)) return code;
    if (n == 1) return kErrNone;
    // Inverse by conjugation: conj(FFT(conj(X)))/n.
    const double f = 1.0 / n;
    for (int32_t i = 0; i < n; ++i) {
        re[i] *= f;
        im[i] *= -f;
    }
    cxForward<1>(re, im, n, 1);
    for (int32_t i = 0; i < n; ++i) im[i] = -im[i];
    return kErrNone;
}

namespace {

// The length-2 butterflies of the real split-radix transform (its own
// inverse): the pairs that start the L-shaped blocks at every scale.
void lengthTwoButterflies(double *x, int32_t n) {
    int64_t is = 0, id = 4;
    do {
        for (int64_t i = is; i < n; i += id) {
            const double t = x[i];
            x[i] = t + x[i + 1];
            x[i + 1] = t - x[i + 1];
        }
        is = 2 * id - 2;
        id *= 4;
    } while (is < n);
}

}  // namespace

int32_t SpReFFT(double *x, int32_t n, int32_t m) {
    if (n < 2) return kErrNone;
    bitReverseReal(x, n);
    lengthTwoButterflies(x, n);
    if (m == 1) return kErrNone;

    // Stage L = 4, 8, ..., n turns by e = 2 pi / L (pi/2 first, halved each stage).
    for (int64_t L = 4; L <= n; L <<= 1) {
        const int64_t L4 = L >> 2, L8 = L >> 3;
        int64_t is = 0;
        int64_t id = 2 * L;
        do {
            for (int64_t i = is; i < n; i += id) {
                const int64_t i1 = i, i2 = i1 + L4, i3 = i2 + L4, i4 = i3 + L4;
                const double t1 = x[i3] + x[i4];
                x[i4] -= x[i3];
                x[i3] = x[i1] - t1;
                x[i1] += t1;
                if (L != 4) {
                    const double a = x[i3 + L8], b = x[i4 + L8];
                    const double u1 = (a + b) * kSqrtHalf, u2 = (a - b) * kSqrtHalf;
                    x[i4 + L8] = x[i2 + L8] - u1;
                    x[i3 + L8] = -(x[i2 + L8] + u1);
                    x[i2 + L8] = x[i1 + L8] - u2;
                    x[i1 + L8] += u2;
                }
            }
            is = 2 * id - L;
            id *= 4;
        } while (is < n);

        StageTwiddles table;
        const bool tabled = stageTwiddles(L, &table);
        Deferred<TwiddleRun> twiddles;
        if (!tabled && L8 > 1) twiddles.emplace(Log2(static_cast<int32_t>(L)), L8);
        double bc[kTile], bs[kTile], bc3[kTile], bs3[kTile];
        for (int64_t j0 = 1; j0 < L8; j0 += kTile) {
            const int64_t j1 = std::min(L8, j0 + kTile);
            const double *cc = bc, *ss = bs, *cc3 = bc3, *ss3 = bs3;
            if (tabled) {
                cc = table.c1 + j0, ss = table.s1 + j0, cc3 = table.c3 + j0, ss3 = table.s3 + j0;
            } else {
                twiddles->fill(j0, j1 - j0, bc, bs);
                tripleAngles(j1 - j0, bc, bs, bc3, bs3);
            }
            is = 0;
            id = 2 * L;
            do {
                for (int64_t i = is; i < n; i += id) {
                    for (int64_t j = j0; j < j1; ++j) {
                        const double c = cc[j - j0], sn = ss[j - j0], c3 = cc3[j - j0], s3 = ss3[j - j0];
                        const int64_t i1 = i + j, i2 = i + L4 + j, i3 = i + 2 * L4 + j, i4 = i + 3 * L4 + j;
                        const int64_t i5 = i + L4 - j, i6 = i + 2 * L4 - j, i7 = i + 3 * L4 - j, i8 = i + L - j;
                        const double t1 = c * x[i7] - sn * x[i3];
                        const double t2 = c * x[i3] + sn * x[i7];
                        const double t3 = c3 * x[i8] - s3 * x[i4];
                        const double t4 = c3 * x[i4] + s3 * x[i8];
                        double u = t1 + t3;
                        x[i8] = x[i6] + u;
                        x[i3] = u - x[i6];
                        u = t2 + t4;
                        const double v = t2 - t4;
                        x[i4] = x[i2] - v;
                        x[i7] = -(x[i2] + v);
                        x[i6] = x[i1] - u;
                        x[i1] += u;
                        const double w = t1 - t3;
                        x[i2] = x[i5] + w;
                        x[i5] -= w;
                    }
                }
                is = 2 * id - L;
                id *= 4;
            } while (is < n);
        }
    }
    return kErrNone;
}

int32_t SpReInvFFT(double *x, int32_t n, int32_t m) {
    if (n < 2) return kErrNone;
    const double f = 1.0 / n;
    for (int32_t i = 0; i < n; ++i) x[i] *= f;

    if (m > 1) {
        for (int64_t L = n; L >= 4; L >>= 1) {
            const int64_t L4 = L >> 2, L8 = L >> 3;
            int64_t is = 0, id = 2 * L;
            do {
                for (int64_t i = is; i < n; i += id) {
                    const int64_t i1 = i, i2 = i1 + L4, i3 = i2 + L4, i4 = i3 + L4;
                    const double t1 = x[i1] - x[i3];
                    x[i1] += x[i3];
                    x[i2] *= 2;
                    x[i3] = t1 - 2 * x[i4];
                    x[i4] = t1 + 2 * x[i4];
                    if (L8 != 0) {
                        const double a = x[i2 + L8], b = x[i1 + L8], c = x[i4 + L8], d = x[i3 + L8];
                        x[i1 + L8] = b + a;
                        const double u1 = (a - b) * kSqrtHalf, u2 = (c + d) * kSqrtHalf;
                        x[i2 + L8] = c - d;
                        x[i3 + L8] = -2 * (u1 + u2);
                        x[i4 + L8] = 2 * (u1 - u2);
                    }
                }
                is = 2 * id - L;
                id *= 4;
            } while (is < n);

            // The angle is accumulated by addition (in extended precision)
            // and the twiddles taken from the library each time.
            // Without the shared table the twiddles come from the library.
            const extended e = static_cast<extended>(kTwoPi) / L;
            extended theta = 0;
            StageTwiddles table;
            const bool tabled = stageTwiddles(L, &table);
            double bc1[kTile], bs1[kTile], bc3[kTile], bs3[kTile];
            for (int64_t j0 = 1; j0 < L8; j0 += kTile) {
                const int64_t j1 = std::min(L8, j0 + kTile);
                const double *cc1 = bc1, *ss1 = bs1, *cc3 = bc3, *ss3 = bs3;
                if (tabled) {
                    cc1 = table.c1 + j0, ss1 = table.s1 + j0, cc3 = table.c3 + j0, ss3 = table.s3 + j0;
                } else {
                    for (int64_t j = j0; j < j1; ++j) {
                        theta += e;
                        bc1[j - j0] = static_cast<double>(std::cos(theta));
                        bs1[j - j0] = static_cast<double>(std::sin(theta));
                        bc3[j - j0] = static_cast<double>(std::cos(3 * theta));
                        bs3[j - j0] = static_cast<double>(std::sin(3 * theta));
                    }
                }
                is = 0;
                id = 2 * L;
                do {
                    for (int64_t i = is; i < n; i += id) {
                        for (int64_t j = j0; j < j1; ++j) {
                            const double c1 = cc1[j - j0], s1 = ss1[j - j0], c3 = cc3[j - j0], s3 = ss3[j - j0];
                            const int64_t i1 = i + j, i2 = i1 + L4, i3 = i2 + L4, i4 = i3 + L4;
                            const int64_t i5 = i + L4 - j, i6 = i5 + L4, i7 = i6 + L4, i8 = i7 + L4;
                            const double t1 = x[i1] - x[i6];
                            x[i1] += x[i6];
                            const double t2 = x[i5] - x[i2];
                            x[i5] += x[i2];
                            const double t3 = x[i8] + x[i3];
                            x[i6] = x[i8] - x[i3];
                            const double t4 = x[i4] + x[i7];
                            x[i2] = x[i4] - x[i7];
                            const double p = t1 - t4, q = t1 + t4, r = t2 - t3, s = t2 + t3;
                            x[i3] = p * c1 + r * s1;
                            x[i7] = p * s1 - r * c1;
                            x[i4] = q * c3 - s * s3;
                            x[i8] = s * c3 + q * s3;
                        }
                    }
                    is = 2 * id - L;
                    id *= 4;
                } while (is < n);
            }
        }
    }

    lengthTwoButterflies(x, n);
    bitReverseReal(x, n);
    return kErrNone;
}

namespace {

// The packed real spectrum of the n = 2h real samples in z, by the complex
// DFT of half the length (Cooley, Lewis and Welch, "The fast Fourier
// transform algorithm: programming considerations in the calculation of
// sine, cosine and Laplace transforms", J. Sound Vib. 12, 1970): with
// Z = DFT_h(x[2t] + i x[2t+1]), the even and odd halves are
// E = (Z[k] + conj Z[h-k])/2 and O = (Z[k] - conj Z[h-k])/2i, and
// X[k] = E + w^k O, X[h-k] = conj(E - w^k O), w = e^(-2 pi i/n).
// z (n doubles, destroyed) and packed (n doubles) are distinct.
// The pairs 1 <= k < n/4 with twiddles from the recurrences (no table for
// length n), kept out of line so that the common path carries no run.
template <class Pair>
__attribute__((noinline)) void pairsByRecurrence(int32_t n, Pair &pair) {
    const int64_t q = n / 4;
    TwiddleRun run(Log2(n), q);
    double c[kTile], sn[kTile];
    for (int64_t k0 = 1; k0 < q; k0 += kTile) {
        const int64_t k1 = std::min(q, k0 + kTile);
        run.fill(k0, k1 - k0, c, sn);
        for (int64_t k = k0; k < k1; ++k) pair(k, c[k - k0], sn[k - k0]);
    }
}

// pair(k, cos 2 pi k/n, sin 2 pi k/n) for 1 <= k <= n/4 (n a power of two).
template <class Pair>
void separationPairs(int32_t n, Pair &&pair) {
    const int64_t q = n / 4;
    if (q >= 2) {
        StageTwiddles table;
        if (n >= 8 && stageTwiddles(n, &table)) {
            for (int64_t k = 1; k < q; ++k) pair(k, table.c1[k], table.s1[k]);
        } else {
            pairsByRecurrence(n, pair);
        }
    }
    if (q >= 1) pair(q, 0.0, 1.0);
}

// Half lengths up to 2^16 go by the self-sorting passes where the shared
// plan cache holds their plan: faster than the split-radix tree and its
// bit reversal there, while longer ones gain from the tree's depth-first
// order in cache.
constexpr int32_t kMinPassesHalf = 16, kMaxPassesHalf = 1 << 16;

// x: the n samples; other: n free doubles. The half-length DFT is left in
// whichever the passes end in (in place in x without a plan), and the
// packed spectrum is separated from it into the other; returns that one.
double *packedViaHalf(double *x, double *other, int32_t n) {
    const int64_t h = n / 2;
    const SmoothPlan *plan = h >= kMinPassesHalf && h <= kMaxPassesHalf ? sharedPlan(static_cast<int32_t>(h)) : nullptr;
    double *z = x;
    if (plan) z = runPasses(*plan, x, other);
    else if (h == 8) dft8(x, x);
    else if (h >= 2) cxForward<2>(x, x + 1, h, 2);
    double *packed = z == x ? other : x;
    packed[0] = z[0] + z[1];
    packed[h] = z[0] - z[1];
    separationPairs(n, [&](int64_t k, double c, double s) { separatePair(z, packed, n, k, c, s); });
    return packed;
}

// Lengths up to kMaxFused whose half has a cached plan: the separation
// writes the full spectrum straight into x and im, from a stack array that
// the passes leave the half-length transform in (with x as the other array
// when the number of passes is odd, else with im, the first pass reading
// x); for n = 16 an 8-point kernel in registers takes the place of the
// passes. The values and operations are those of packedViaHalf and the
// unpacking below.
constexpr int32_t kMaxFused = 4096;

bool fusedReal(double *x, double *im, int32_t n) {
    const int64_t h = n / 2;
    const SmoothPlan *plan = h >= kMinPassesHalf && n <= kMaxFused ? sharedPlan(static_cast<int32_t>(h)) : nullptr;
    if (!plan && h != 8) return false;
    double z[kMaxFused];
    if (!plan) {
        dft8(x, z);
    } else if (plan->count % 2 == 0) {
        runPasses(*plan, z, im, x);
    } else {
        runPasses(*plan, x, z);
    }
    x[0] = z[0] + z[1];
    x[h] = z[0] - z[1];
    im[0] = im[h] = 0;
    const auto pair = [&](int64_t k, double c, double sn) {
        const BinPair b = separateBins(z, h, k, c, sn);
        x[k] = x[n - k] = b.re0;
        im[k] = b.im0;
        im[n - k] = -b.im0;
        if (k != h - k) {
            x[h - k] = x[h + k] = b.re1;
            im[h - k] = b.im1;
            im[h + k] = -b.im1;
        }
    };
    StageTwiddles table;
    if (!stageTwiddles(n, &table)) {
        separationPairs(n, pair);
        return true;
    }
    // The pairs k and k+1 in the two lanes of SSE2 registers, each lane the
    // operations of separateBins, so that the eight bins of each side go out
    // in pairs; then the pairs separationPairs would give the rest.
    const int64_t q = h / 2;
    int64_t k = 1;
    for (; k + 1 < q; k += 2) {
        const v2d a0 = load2(z + 2 * k), a1 = load2(z + 2 * k + 2);
        const v2d b0 = load2(z + 2 * (h - k)), b1 = load2(z + 2 * (h - k - 1));
        const v2d ar = {a0[0], a1[0]}, ai = {a0[1], a1[1]}, br = {b0[0], b1[0]}, bi = {b0[1], b1[1]};
        const auto [re0, im0, re1, im1] = separateValues(ar, ai, br, bi, load2(table.c1 + k), load2(table.s1 + k));
        const auto swapped = [](v2d v) { return v2d{v[1], v[0]}; };
        store2(x + k, re0);
        store2(x + n - k - 1, swapped(re0));
        store2(im + k, im0);
        store2(im + n - k - 1, swapped(-im0));
        store2(x + h - k - 1, swapped(re1));
        store2(x + h + k, re1);
        store2(im + h - k - 1, swapped(im1));
        store2(im + h + k, -im1);
    }
    for (; k < q; ++k) pair(k, table.c1[k], table.s1[k]);
    pair(q, 0.0, 1.0);
    return true;
}

}  // namespace

int32_t SplitRadixReFFT(double *x, double *im, int32_t n) {
    if (const int32_t code = checkLength(n)) return code;
    im[0] = 0;
    if (n == 1) return kErrNone;
    if (fusedReal(x, im, n)) return kErrNone;
    // im is free until the unpacking: the half-length transform and the
    // packed spectrum take x and im, in either order.
    const int32_t h = n / 2;
    if (packedViaHalf(x, im, n) == x) {
        // Unpack: Im X[k] sits at x[n-k]; the upper half mirrors the lower.
        for (int32_t k = 1; k < h; ++k) {
            im[k] = x[n - k];
            im[n - k] = -x[n - k];
            x[n - k] = x[k];
        }
    } else {
        // The same from im, where each pair (k, n-k) reads its own places.
        x[0] = im[0];
        x[h] = im[h];
        for (int32_t k = 1; k < h; ++k) {
            const double re = im[k], imag = im[n - k];
            x[k] = x[n - k] = re;
            im[k] = imag;
            im[n - k] = -imag;
        }
    }
    im[0] = im[h] = 0;
    return kErrNone;
}

namespace orin::tf {

void expandPacked(complexnum *c, int32_t n) {
    // From the top down, so that no packed value is overwritten before it
    // is read: c[n-k].im lies at double 2n-2k+1 > n-k, c[k].re at 2k >= k.
    const double *x = &c[0].re;
    const int32_t h = n / 2;
    for (int32_t k = 1; k < h; ++k) c[n - k].im = -x[n - k];
    c[h].im = 0;
    for (int32_t k = h; k >= 1; --k) c[k].re = x[k];
    c[0].im = 0;
    for (int32_t k = 1; k < h; ++k) {
        c[n - k].re = c[k].re;
        c[k].im = -c[n - k].im;
    }
}

void splitRadixReFFT(complexnum *c, int32_t n) {
    if (n == 1) {
        c[0].im = 0;
        return;
    }
    // Gather the real parts to the front as n contiguous doubles. Reading
    // c[i].re (double index 2i) before writing double index i never
    // overwrites an unread value.
    double *x = &c[0].re;
    for (int32_t i = 1; i < n; ++i) x[i] = c[i].re;
    // The upper n doubles are free for the half-length transform.
    if (const double *packed = packedViaHalf(x, x + n, n); packed != x) std::memcpy(x, packed, sizeof(double) * n);
    expandPacked(c, n);
}

// The inverse of packedViaHalf: the spectrum joined into Z, the DFT of the
// sample pairs, and Z inverted by a complex transform of half the length.
// The inverse DFT is the forward one on the swapped parts,
// IDFT(Z) = swap(DFT(swap Z)) with swap(z) = i conj(z).
//
// Halves with a cached plan, up to kMaxFused (and the half of 8, by
// dft8), join straight into a stack array, swapped and interleaved, two
// pairs at a time in SSE2 registers; the passes run with re as the other
// array, and the samples come out of whichever holds the DFT with their
// parts swapped back.
bool fusedRealInv(double *re, const double *im, int32_t n) {
    const int64_t h = n / 2, q = h / 2;
    const SmoothPlan *plan = h >= kMinPassesHalf && n <= kMaxFused ? sharedPlan(static_cast<int32_t>(h)) : nullptr;
    StageTwiddles table;
    if ((!plan && h != 8) || !stageTwiddles(n, &table)) return false;
    double a[kMaxFused];
    const double f = 1.0 / n;  // exact: the scaling comes first
    joinSwappedZero(re, n, f, a);
    int64_t k = 1;
    for (; k + 1 < q; k += 2) joinSwappedTwo(re, im, n, f, a, k, load2(table.c1 + k), load2(table.s1 + k));
    for (; k < q; ++k) joinSwapped(re, im, n, f, a, k, table.c1[k], table.s1[k]);
    joinSwapped(re, im, n, f, a, q, 0.0, 1.0);
    const double *y = a;
    if (plan) y = runPasses(*plan, a, re);
    else dft8(a, a);
    for (int64_t j = 0; j < h; ++j) store2(re + 2 * j, v2d{y[2 * j + 1], y[2 * j]});
    return true;
}

// Longer halves: Z sits split in re (Re Z[k] at k, Im Z[k] at h + k),
// where the pair (k, h-k) reads and writes only its own places, and the
// complex kernel runs on (re + h, re). Its output is bit-reversed over h:
// re[p] = x[2 rev(p)], re[h + p] = x[2 rev(p) + 1], and the bit reversal
// over n, which maps b h + p to 2 rev(p) + b, puts every sample in its
// place.
int32_t splitRadixReInv(double *re, const double *im, int32_t n) {
    if (fusedRealInv(re, im, n)) return kErrNone;
    const int64_t h = n / 2;
    const double f = 1.0 / n;
    const double x0 = f * re[0], xh = f * re[h];
    re[0] = x0 + xh;
    re[h] = x0 - xh;
    separationPairs(n, [&](int64_t k, double c, double s) {
        joinPair(re, n, k, f * re[k], -f * im[n - k], f * re[h - k], -f * im[h + k], c, s);
    });
    if (h >= 2) cxReversed<1>(re + h, re, h, 1);
    bitReverseReal(re, n);
    return kErrNone;
}

}  // namespace orin::tf

int32_t SplitRadixReInvFFT(double *re, double *im, int32_t n) {
    if (const int32_t code = checkLength(n)) return code;
    if (n == 1) return kErrNone;
    return splitRadixReInv(re, im, n);
}
