// IIR filtering against long-double direct evaluation of the difference
// equations, with first-order rounding bounds built from the l1 norms of the
// paths that carry each rounding to the output; streaming in random blocks
// against one-shot filtering (bit for bit); and every check and failure path
// of the entry points.
#include <gtest/gtest.h>
#include <orin/filters.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "design_support.h"
#include "support/allocation_failure.h"
#include "support/handles.h"
#include "support/reference.h"

using namespace iirtest;
using orintest::DoubleHandle;
using orintest::kEps;

namespace {

using LD = std::vector<long double>;

// y = (B/A) x in long double, A = a0 + a1 z^-1 + ..., zero initial state.
LD filterLD(const std::vector<long double> &b, const std::vector<long double> &a, const LD &x) {
    LD y(x.size());
    for (size_t i = 0; i < x.size(); ++i) {
        long double acc = 0;
        for (size_t k = 0; k < b.size() && k <= i; ++k) acc += b[k] * x[i - k];
        for (size_t k = 1; k < a.size() && k <= i; ++k) acc -= a[k] * y[i - k];
        y[i] = acc / a[0];
    }
    return y;
}

long double l1(const LD &v) {
    long double s = 0;
    for (long double e : v) s += std::fabs(e);
    return s;
}

long double maxAbs(const LD &v) {
    long double s = 0;
    for (long double e : v) s = std::fmax(s, std::fabs(e));
    return s;
}

LD impulse(size_t n) {
    LD x(n, 0);
    x[0] = 1;
    return x;
}

// Section k of a cascade as long-double polynomials (a with its leading 1).
struct SectionPolys {
    std::vector<long double> b, a;
};
SectionPolys polys(const Cascade &c, int k) {
    const int m = c.m();
    SectionPolys p;
    p.a.push_back(1);
    for (int i = 0; i < m; ++i) p.a.push_back(c.a[static_cast<size_t>(k * m + i)]);
    for (int i = 0; i <= m; ++i) p.b.push_back(c.b[static_cast<size_t>(k * (m + 1) + i)]);
    return p;
}

// The cascade's response to x in long double, and a first-order bound on
// what the double direct-form-II sections can differ from it by. In section
// k, w = v - sum a_j s_j is rounded m times (at most m eps (|v| + sum |a_j||s_j|)
// <= m eps (1 + sum |a_j|) W_k, W_k = max |w|) and the output
// b0 w + sum b_j s_j m times (m eps sum |b_j| W_k); the first error reaches the
// output through B_k/A_k and the later sections, the second through the later
// sections only, each at most by the l1 norm of that path's impulse response.
struct CascadeReference {
    LD y;
    long double bound = 0;
};
CascadeReference cascadeReference(const Cascade &c, const LD &x) {
    const size_t n = x.size();
    CascadeReference r;
    LD v = x;
    for (int k = 0; k < c.sections(); ++k) {
        const SectionPolys p = polys(c, k);
        const LD w = filterLD({1}, p.a, v);
        LD tailW = filterLD(p.b, p.a, impulse(n)), tailV = impulse(n);
        for (int j = k + 1; j < c.sections(); ++j) {
            const SectionPolys q = polys(c, j);
            tailW = filterLD(q.b, q.a, tailW);
            tailV = filterLD(q.b, q.a, tailV);
        }
        long double sumA = 1, sumB = 0;
        for (size_t i = 1; i < p.a.size(); ++i) sumA += std::fabs(p.a[i]);
        for (long double e : p.b) sumB += std::fabs(e);
        r.bound += c.m() * kEps * maxAbs(w) * (sumA * l1(tailW) + sumB * l1(tailV));
        v = filterLD(p.b, p.a, v);
    }
    r.y = v;
    return r;
}

IIRFilterInfo cascadeInfo(Cascade &c, std::vector<double> &state, int32_t init) {
    IIRFilterInfo info = c.info();
    state.assign(c.a.size(), 0.0);
    info.stateCount = static_cast<int32_t>(state.size());
    info.state = state.data();
    info.init = init;
    return info;
}

std::vector<double> noise(size_t n, uint64_t seed) { return orintest::randomDoubles(n, seed); }

// Random block lengths (1 to 40) covering n samples, reproducible.
std::vector<int32_t> randomSplit(int32_t n, uint64_t seed) {
    std::mt19937_64 gen(seed);
    std::uniform_int_distribution<int32_t> len(1, 40);
    std::vector<int32_t> blocks;
    for (int32_t done = 0; done < n;) {
        const int32_t l = std::min(len(gen), n - done);
        blocks.push_back(l);
        done += l;
    }
    return blocks;
}

Cascade butterworth8() { return design(Bw_Coef, 0, 8); }

}  // namespace

TEST(IIRFiltering2, ImpulseResponseMatchesLongDoubleEvaluationOfTheSections) {
    const std::vector<std::pair<std::string, Cascade>> cases = {
        {"Butterworth lowpass order 8", butterworth8()},
        {"Bessel lowpass order 5", design(Bessel_Coef, 0, 5)},
        {"Chebyshev bandstop order 5",
         design([](double fs, double l, double h, IIRFilterInfo *i) { return Ch_Coef(fs, l, h, 1, i); }, 3, 5)},
        {"elliptic bandpass order 6",
         design([](double fs, double l, double h, IIRFilterInfo *i) { return Elp_Coef(fs, l, h, 0.5, 50, i); }, 2, 6)},
        {"inverse Chebyshev highpass order 7",
         design([](double fs, double l, double h, IIRFilterInfo *i) { return InvCh_Coef(fs, l, h, 40, i); }, 1, 7)},
    };
    const size_t n = 600;
    for (auto [name, c] : cases) {
        std::vector<double> x(n, 0.0), y(n, 0.0), state;
        x[0] = 1;
        IIRFilterInfo info = cascadeInfo(c, state, 1);
        ASSERT_EQ(IIR_Filtering2(x.data(), static_cast<int32_t>(n), &info, y.data()), 0) << name;
        const CascadeReference ref = cascadeReference(c, impulse(n));
        for (size_t i = 0; i < n; ++i)
            ASSERT_NEAR(y[i], static_cast<double>(ref.y[i]), static_cast<double>(ref.bound)) << name << " sample " << i;
        // The response is not trivially small: the test has something to see.
        EXPECT_GT(maxAbs(ref.y), 1e-3L) << name;
    }
}

TEST(IIRFiltering2, BlocksWithContinuationEqualOneShotAndInPlaceEqualsSeparate) {
    Cascade lp = butterworth8();
    Cascade bp =
        design([](double fs, double l, double h, IIRFilterInfo *i) { return Elp_Coef(fs, l, h, 1, 60, i); }, 2, 5);
    const auto x = noise(1000, 42);
    for (Cascade *c : {&lp, &bp}) {
        std::vector<double> oneShot(x.size()), state;
        IIRFilterInfo info = cascadeInfo(*c, state, 1);
        ASSERT_EQ(IIR_Filtering2(x.data(), 1000, &info, oneShot.data()), 0);
        EXPECT_EQ(info.init, 0);
        std::vector<double> inPlace = x;
        info = cascadeInfo(*c, state, 1);
        ASSERT_EQ(IIR_Filtering2(inPlace.data(), 1000, &info, inPlace.data()), 0);
        EXPECT_EQ(inPlace, oneShot) << label(c->type, c->order);
        // Through the handle entry point, in random blocks: the first block
        // resets, every later one continues.
        DoubleHandle a(c->a), b(c->b), st;
        std::vector<double> streamed;
        int32_t done = 0;
        const int32_t kind = c->type <= 1 ? 0 : 1;
        for (int32_t len : randomSplit(1000, 7)) {
            DoubleHandle block(std::vector<double>(x.begin() + done, x.begin() + done + len));
            const uint8_t cont = done == 0 ? 0 : 1;
            int32_t err = 9;
            ASSERT_EQ(IIR_Filter2(block, &kind, a, b, st, &cont, &err), 0);
            ASSERT_EQ(err, 0);
            const auto out = block.values();
            streamed.insert(streamed.end(), out.begin(), out.end());
            done += len;
        }
        EXPECT_EQ(streamed, oneShot) << label(c->type, c->order);
    }
}

TEST(IIRFiltering, DirectFormWithLeadingCoefficientDividesAndFeedsBackTheScaledOutput) {
    // y[i] = (sum b_k x[i-k] - sum_{k>=1} a_k y[i-k]) / a0 with a0 = 3: against
    // the long-double recursion. The sums are extended and y is rounded once
    // (eps/2 |y| plus (na + nb) 2^-63 times the sum of the terms' magnitudes);
    // each rounding reaches later outputs through a0/A(z), at most by its l1
    // norm.
    const std::vector<double> b = {0.3, -0.2, 0.5, 0.1}, a = {3, -1.2, 0.54, -0.09};
    const auto x = noise(500, 3);
    std::vector<double> y(500), aState(3, 0.0), bState(3, 0.0);
    ASSERT_EQ(IIR_Filtering(x.data(), 500, a.data(), aState.data(), 4, b.data(), bState.data(), 4, y.data()), 0);
    const LD xl(x.begin(), x.end());
    const LD ref = filterLD({b.begin(), b.end()}, {a.begin(), a.end()}, xl);
    const long double gain = l1(filterLD({a[0]}, {a.begin(), a.end()}, impulse(500)));
    long double terms = 0;
    for (double e : b) terms += std::fabs(e) * maxAbs(xl);
    for (double e : a) terms += std::fabs(e) * maxAbs(ref);
    const long double bound = gain * (kEps / 2 * maxAbs(ref) + 8 * std::ldexp(1.0L, -63) * terms / a[0]);
    for (size_t i = 0; i < 500; ++i) ASSERT_NEAR(y[i], static_cast<double>(ref[i]), static_cast<double>(bound)) << i;
    // Scaling every coefficient by 2 is exact, and so is the division by
    // a0 = 2: the output is the same to the last bit.
    std::vector<double> b2, a2, y2(500);
    for (double e : b) b2.push_back(2 * e);
    for (double e : a) a2.push_back(2 * e);
    std::fill(aState.begin(), aState.end(), 0.0);
    std::fill(bState.begin(), bState.end(), 0.0);
    ASSERT_EQ(IIR_Filtering(x.data(), 500, a2.data(), aState.data(), 4, b2.data(), bState.data(), 4, y2.data()), 0);
    EXPECT_EQ(y2, y);
    // The histories hold the last inputs and outputs, oldest first.
    EXPECT_EQ(bState, (std::vector<double>{x[497], x[498], x[499]}));
    EXPECT_EQ(aState, (std::vector<double>{y2[497], y2[498], y2[499]}));
}

TEST(IIRFiltering, FirBranchAndSingleCoefficientCasesAndInPlaceUse) {
    // No feedback (na = 0, or a null): a direct convolution, summed in
    // extended precision (5 terms, 2^-63 relative each, on a sum of
    // magnitudes of at most sum |b| = 2.4375 for |x| < 1) and rounded once.
    const std::vector<double> b = {0.25, 0.5, -0.125, 0.0625, 1.5};
    const auto x = noise(300, 11);
    const LD ref = filterLD({b.begin(), b.end()}, {1}, LD(x.begin(), x.end()));
    const double bound = (kEps / 2 + 5 * std::ldexp(1.0, -63)) * 2.4375;
    for (int variant = 0; variant < 2; ++variant) {
        std::vector<double> y = x, bState(4, 0.0);
        const double a0 = 1;
        double aState = 0;
        ASSERT_EQ(IIR_Filtering(y.data(), 300, variant ? nullptr : &a0, variant ? nullptr : &aState, variant ? 1 : 0,
                                b.data(), bState.data(), 5, y.data()),
                  0);
        for (size_t i = 0; i < 300; ++i)
            ASSERT_NEAR(y[i], static_cast<double>(ref[i]), bound) << "variant " << variant << " sample " << i;
    }
    // nb = na = 1: y = b0 x / a0 with empty histories.
    const double b0 = 3, a0 = 4;
    std::vector<double> y(4), xs = {1, -2, 8, 0.5};
    ASSERT_EQ(IIR_Filtering(xs.data(), 4, &a0, y.data(), 1, &b0, nullptr, 1, y.data()), 0);
    EXPECT_EQ(y, (std::vector<double>{0.75, -1.5, 6, 0.375}));
    // In place equals separate buffers.
    const std::vector<double> a = {1, -0.5, 0.25};
    std::vector<double> sep(300), inPlace = x, s1(2, 0.0), s2(4, 0.0), s3(2, 0.0), s4(4, 0.0);
    ASSERT_EQ(IIR_Filtering(x.data(), 300, a.data(), s1.data(), 3, b.data(), s2.data(), 5, sep.data()), 0);
    ASSERT_EQ(IIR_Filtering(inPlace.data(), 300, a.data(), s3.data(), 3, b.data(), s4.data(), 5, inPlace.data()), 0);
    EXPECT_EQ(inPlace, sep);
}

TEST(IIRFiltering, ChecksInOrder) {
    double x = 1, y = 0, a = 1, s = 0, b = 1;
    EXPECT_EQ(IIR_Filtering(&x, 0, &a, &s, 1, &b, &s, 0, &y), kErrFilterStructure);
    EXPECT_EQ(IIR_Filtering(&x, 0, &a, &s, 1, &b, &s, 1, &y), kErrEmptyArray);
    EXPECT_EQ(IIR_Filtering(&x, -4, nullptr, nullptr, 0, &b, &s, 1, &y), kErrEmptyArray);
    EXPECT_EQ(y, 0.0);
}

TEST(IIRFiltering2, StructureChecksResetAndOrder) {
    Cascade c = butterworth8();
    std::vector<double> state;
    double x = 1, y = 0;
    struct Case {
        const char *name;
        int32_t order, aCount, bCount, stateCount;
    };
    const Case bad[] = {
        {"order 0", 0, 8, 12, 8},        {"negative order", -5, 8, 12, 8},    {"m = 3", 8, 12, 16, 12},
        {"aCount not m*S", 7, 9, 12, 9}, {"bCount not (m+1)*S", 8, 8, 11, 8}, {"state not aCount", 8, 8, 12, 6},
        {"m = 1", 8, 4, 8, 4},
    };
    for (const Case &k : bad) {
        IIRFilterInfo info = cascadeInfo(c, state, 1);
        info.order = k.order;
        info.aCount = k.aCount;
        info.bCount = k.bCount;
        info.stateCount = k.stateCount;
        state.assign(16, 5.0);
        info.state = state.data();
        EXPECT_EQ(IIR_Filtering2(&x, 1, &info, &y), kErrFilterStructure) << k.name;
        EXPECT_EQ(info.init, 1) << k.name;
        EXPECT_EQ(state[0], 5.0) << k.name;
    }
    // The reset comes before the sample count is checked.
    IIRFilterInfo info = cascadeInfo(c, state, 1);
    state.assign(8, 5.0);
    EXPECT_EQ(IIR_Filtering2(&x, 0, &info, &y), kErrEmptyArray);
    EXPECT_EQ(info.init, 0);
    EXPECT_EQ(state, std::vector<double>(8, 0.0));
    // Without init the state is used as it stands.
    state.assign(8, 0.0);
    state[0] = 1;
    ASSERT_EQ(IIR_Filtering2(&x, 1, &info, &y), 0);
    EXPECT_NE(y, 0.0);
    EXPECT_NE(state[0], 1.0);
}

// ---- handle entry points ----------------------------------------------------

TEST(IIRFilterEntry, StreamsInBlocksResizesStateAndResetsOnRequest) {
    const std::vector<double> b = {0.2, 0.3, 0.2}, a = {1, -0.6, 0.3, -0.05};
    const auto x = noise(400, 5);
    std::vector<double> oneShot(400), as(3, 0.0), bs(2, 0.0);
    ASSERT_EQ(IIR_Filtering(x.data(), 400, a.data(), as.data(), 4, b.data(), bs.data(), 3, oneShot.data()), 0);
    DoubleHandle ah(a), bh(b), bState({9, 9, 9, 9, 9}), aState;
    std::vector<double> streamed;
    int32_t done = 0;
    for (int32_t len : randomSplit(400, 13)) {
        DoubleHandle block(std::vector<double>(x.begin() + done, x.begin() + done + len));
        // The first call continues, but the states had the wrong sizes: the
        // resize clears them all the same.
        const uint8_t cont = 1;
        int32_t err = 4;
        ASSERT_EQ(IIR_Filter(block, ah, bh, bState, aState, &cont, &err), 0);
        ASSERT_EQ(err, 0);
        ASSERT_EQ(bState.size(), 2);
        ASSERT_EQ(aState.size(), 3);
        const auto out = block.values();
        streamed.insert(streamed.end(), out.begin(), out.end());
        done += len;
    }
    EXPECT_EQ(streamed, oneShot);
    // A continue flag other than 1 clears states of the right size.
    for (uint8_t flag : {0, 2, 255}) {
        DoubleHandle block(x);
        int32_t err = 4;
        ASSERT_EQ(IIR_Filter(block, ah, bh, bState, aState, &flag, &err), 0);
        EXPECT_EQ(block.values(), oneShot) << "flag " << int(flag);
    }
    // Only b: FIR filtering; the output state keeps its size.
    DoubleHandle empty, block({1, 0, 0, 0});
    const uint8_t reset = 0;
    int32_t err = 4;
    ASSERT_EQ(IIR_Filter(block, empty, bh, bState, aState, &reset, &err), 0);
    EXPECT_EQ(err, 0);
    EXPECT_EQ(aState.size(), 3);
    EXPECT_EQ(block.values(), (std::vector<double>{0.2, 0.3, 0.2, 0}));
}

TEST(IIRFilterEntryPoints, ChecksInOrderAndTheDocumentedEmptyingRules) {
    const Cascade c = butterworth8(), bp = design(Bw_Coef, 2, 4);
    const std::vector<double> five = {0.1, 0.2, 0.3, 0.4, 0.5}, eight(8, 1.0), ab = {1, 0.5};
    enum Signal { kKept, kEmptied };
    struct Case {
        const char *name;
        int32_t kind;  // section kind of IIR_Filter2; -1 calls IIR_Filter
        std::vector<double> x, a, b;
        int32_t code;
        Signal signal;
    };
    const Case cases[] = {
        {"IIR_Filter: no samples", -1, {}, ab, {1}, kErrEmptyArray, kKept},
        {"IIR_Filter: neither coefficient array", -1, {1, 2, 3}, {}, {}, 0, kKept},
        {"IIR_Filter: only a", -1, {1, 2, 3}, ab, {}, kErrBadArraySize, kEmptied},
        {"IIR_Filter2: no samples, before the kind", 2, {}, c.a, c.b, kErrEmptyArray, kKept},
        {"IIR_Filter2: kind, before the arrays", 2, {1, 2}, {}, c.b, kErrInvalidSelector, kKept},
        {"IIR_Filter2: only b", 0, {1, 2}, {}, c.b, kErrBadArraySize, kEmptied},
        {"IIR_Filter2: neither coefficient array", 1, {1, 2}, {}, {}, 0, kKept},
        {"IIR_Filter2: a not a multiple of the section size", 0, {1, 2}, five, eight, kErrFilterStructure, kEmptied},
        {"IIR_Filter2: fourth-order sections as second-order", 0, {1, 2}, bp.a, bp.b, kErrFilterStructure, kEmptied},
    };
    for (const Case &k : cases) {
        DoubleHandle x(k.x), a(k.a), b(k.b), s1, s2;
        const uint8_t cont = 1;
        int32_t err = 99;
        const int32_t ret = k.kind < 0 ? IIR_Filter(x, a, b, s1, s2, &cont, &err)
                                       : IIR_Filter2(x, &k.kind, a, b, s1, &cont, &err);
        EXPECT_EQ(ret, 0) << k.name;
        EXPECT_EQ(err, k.code) << k.name;
        if (k.signal == kEmptied) {
            EXPECT_TRUE(x.emptied()) << k.name;
        } else {
            EXPECT_EQ(x.values(), k.x) << k.name;
        }
    }
}

TEST(IIRFilter2Entry, ChangingTheSectionCountResetsEvenWhenContinuing) {
    const auto x = noise(64, 21);
    const Cascade eight = butterworth8(), six = design(Bw_Coef, 0, 6);
    DoubleHandle a8(eight.a), b8(eight.b), a6(six.a), b6(six.b), st, fresh;
    DoubleHandle first(x), then(x), alone(x);
    const int32_t second = 0;
    const uint8_t cont = 1;
    int32_t err = 0;
    ASSERT_EQ(IIR_Filter2(first, &second, a8, b8, st, &cont, &err), 0);
    ASSERT_EQ(st.size(), 8);
    ASSERT_EQ(IIR_Filter2(then, &second, a6, b6, st, &cont, &err), 0);
    ASSERT_EQ(st.size(), 6);
    ASSERT_EQ(IIR_Filter2(alone, &second, a6, b6, fresh, &cont, &err), 0);
    EXPECT_EQ(then.values(), alone.values());
}

ORIN_ALLOCATION_CASE(IIR_Filter2, 1) {
    const Cascade c = butterworth8();
    DoubleHandle x({1, 0, 0}), a(c.a), b(c.b), state;
    const int32_t kind = 0;
    const uint8_t cont = 1;
    int32_t err = 0;
    const int32_t ret = inj.call([&] { return IIR_Filter2(x, &kind, a, b, state, &cont, &err); });
    if (inj.failing()) {
        EXPECT_NE(ret, 0);
        EXPECT_EQ(err, kErrOutOfMemory);
        EXPECT_TRUE(state.emptied());
        EXPECT_EQ(x.values(), (std::vector<double>{1, 0, 0}));
    } else {
        EXPECT_EQ(ret, 0);
        EXPECT_EQ(err, 0);
        EXPECT_EQ(state.size(), 8);
        EXPECT_EQ(x.values()[0], c.b[0] * c.b[3] * c.b[6] * c.b[9]);
    }
}

ORIN_ALLOCATION_CASE(IIR_Filter, 2) {
    DoubleHandle x({1, 0, 0}), a({2, 1}), b({4, 2, 1}), bState({7}), aState({7, 7});
    const uint8_t cont = 1;
    int32_t err = 0;
    const int32_t ret = inj.call([&] { return IIR_Filter(x, a, b, bState, aState, &cont, &err); });
    if (inj.failing()) {
        EXPECT_NE(ret, 0);
        EXPECT_EQ(err, kErrOutOfMemory);
        EXPECT_EQ(x.values(), (std::vector<double>{1, 0, 0}));
        // The state whose resize failed is empty; one resized before it
        // keeps its new size.
        if (inj.site() == 1) {
            EXPECT_TRUE(bState.emptied());
        } else {
            EXPECT_EQ(bState.size(), 2);
            EXPECT_TRUE(aState.emptied());
        }
    } else {
        EXPECT_EQ(ret, 0);
        EXPECT_EQ(err, 0);
        // y = (4 x[i] + 2 x[i-1] + x[i-2] - y[i-1]) / 2 from cleared states.
        EXPECT_EQ(x.values(), (std::vector<double>{2, 0, 0.5}));
    }
}
