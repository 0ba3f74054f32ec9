// IIR filtering against long-double difference equations (rounding bounds from
// the l1 norms of the paths that carry each rounding to the output), streaming
// against one-shot filtering bit for bit, and the checks of the entry points.
#include "support/prelude.h"

#include <orin/filters.h>

#include <numeric>

#include "iir_reference.h"

using namespace iirtest;

namespace {

using LD = std::vector<long double>;

// y = (B/A) x in long double, A = a0 + a1 z^-1 + ..., zero initial state.
LD filterLD(const LD &b, const LD &a, const LD &x) {
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
    return std::accumulate(v.begin(), v.end(), 0.0L, [](long double s, long double e) { return s + std::fabs(e); });
}

long double maxAbs(const LD &v) {
    return std::accumulate(v.begin(), v.end(), 0.0L,
                           [](long double s, long double e) { return std::fmax(s, std::fabs(e)); });
}

LD impulse(size_t n) {
    LD x(n, 0);
    x[0] = 1;
    return x;
}

// The cascade's response to x in long double with a first-order bound for the
// double direct-form-II sections: in section k, w = v - sum a_j s_j carries
// m eps (1 + sum |a_j|) max|w| and reaches the output through B_k/A_k and the
// later sections; the output sum carries m eps sum |b_j| max|w| through the
// later sections only; each path amplifies by at most its l1 norm.
struct CascadeReference {
    LD y;
    long double bound = 0;
};
CascadeReference cascadeReference(const Cascade &c, const LD &x) {
    const int m = c.m();
    std::vector<LD> as, bs;  // section polynomials, a with its leading 1
    for (int k = 0; k < c.sections(); ++k) {
        as.push_back({1});
        as.back().insert(as.back().end(), c.a.begin() + k * m, c.a.begin() + (k + 1) * m);
        bs.emplace_back(c.b.begin() + k * (m + 1), c.b.begin() + (k + 1) * (m + 1));
    }
    CascadeReference r;
    r.y = x;
    for (int k = 0; k < c.sections(); ++k) {
        LD tailW = filterLD(bs[k], as[k], impulse(x.size())), tailV = impulse(x.size());
        for (int j = k + 1; j < c.sections(); ++j) {
            tailW = filterLD(bs[j], as[j], tailW);
            tailV = filterLD(bs[j], as[j], tailV);
        }
        r.bound += m * kEps * maxAbs(filterLD({1}, as[k], r.y)) * (l1(as[k]) * l1(tailW) + l1(bs[k]) * l1(tailV));
        r.y = filterLD(bs[k], as[k], r.y);
    }
    return r;
}

IIRFilterInfo cascadeInfo(Cascade &c, std::vector<double> &state) {
    IIRFilterInfo info = c.info();
    state.assign(c.a.size(), 0.0);
    info.stateCount = static_cast<int32_t>(state.size());
    info.state = state.data();
    info.init = 1;
    return info;
}

// x through call(block, first) in reproducible random blocks of 1 to 40 samples.
template <class Call>
std::vector<double> streamed(const std::vector<double> &x, uint64_t seed, Call call) {
    std::mt19937_64 gen(seed);
    std::uniform_int_distribution<size_t> len(1, 40);
    std::vector<double> out;
    for (size_t done = 0; done < x.size();) {
        const size_t l = std::min(len(gen), x.size() - done);
        DoubleHandle block(
            std::vector<double>(x.begin() + static_cast<long>(done), x.begin() + static_cast<long>(done + l)));
        call(block, done == 0);
        const auto y = block.values();
        out.insert(out.end(), y.begin(), y.end());
        done += l;
    }
    return out;
}

Cascade butterworth8() { return design(Bw_Coef, 0, 8); }

}  // namespace

TEST(IIRFiltering2, ImpulseResponseMatchesLongDoubleEvaluationOfTheSections) {
    const std::vector<std::pair<std::string, Cascade>> cases = {
        {"Butterworth lowpass order 8", butterworth8()},
        {"elliptic bandpass order 6",
         design([](double fs, double l, double h, IIRFilterInfo *i) { return Elp_Coef(fs, l, h, 0.5, 50, i); }, 2, 6)},
    };
    const size_t n = 600;
    for (auto [name, c] : cases) {
        std::vector<double> x(n, 0.0), y(n, 0.0), state;
        x[0] = 1;
        IIRFilterInfo info = cascadeInfo(c, state);
        ASSERT_EQ(IIR_Filtering2(x.data(), static_cast<int32_t>(n), &info, y.data()), 0) << name;
        const CascadeReference ref = cascadeReference(c, impulse(n));
        for (size_t i = 0; i < n; ++i)
            ASSERT_NEAR(y[i], static_cast<double>(ref.y[i]), static_cast<double>(ref.bound)) << name << " sample " << i;
    }
}

TEST(IIRFiltering2, BlocksWithContinuationEqualOneShotAndInPlaceEqualsSeparate) {
    Cascade lp = butterworth8();
    Cascade bp =
        design([](double fs, double l, double h, IIRFilterInfo *i) { return Elp_Coef(fs, l, h, 1, 60, i); }, 2, 5);
    const auto x = orintest::randomDoubles(1000, 42);
    for (Cascade *c : {&lp, &bp}) {
        std::vector<double> oneShot(x.size()), state;
        IIRFilterInfo info = cascadeInfo(*c, state);
        ASSERT_EQ(IIR_Filtering2(x.data(), 1000, &info, oneShot.data()), 0);
        // Through the handle entry point, which filters in place: the first
        // block resets, later ones continue.
        DoubleHandle a(c->a), b(c->b), st;
        const int32_t kind = c->type <= 1 ? 0 : 1;
        const auto out = streamed(x, 7, [&](DoubleHandle &block, bool first) {
            const uint8_t cont = first ? 0 : 1;
            int32_t err = 9;
            ASSERT_EQ(IIR_Filter2(block, &kind, a, b, st, &cont, &err), 0);
            ASSERT_EQ(err, 0);
        });
        EXPECT_EQ(out, oneShot) << label(c->type, c->order);
    }
}

TEST(IIRFiltering, DirectFormAgainstTheRecursionWithLeadingCoefficientFirAndInPlace) {
    // a0 = 3. The sums are extended and y rounded once (eps/2 |y| plus
    // (na + nb) 2^-63 of the terms' magnitudes), amplified by the l1 norm of a0/A(z).
    const std::vector<double> b = {0.3, -0.2, 0.5, 0.1}, a = {3, -1.2, 0.54, -0.09};
    const auto x = orintest::randomDoubles(500, 3);
    std::vector<double> y(500), aState(3, 0.0), bState(3, 0.0);
    ASSERT_EQ(IIR_Filtering(x.data(), 500, a.data(), aState.data(), 4, b.data(), bState.data(), 4, y.data()), 0);
    const LD xl(x.begin(), x.end()), al(a.begin(), a.end()), bl(b.begin(), b.end());
    const LD ref = filterLD(bl, al, xl);
    const long double terms = l1(bl) * maxAbs(xl) + l1(al) * maxAbs(ref);
    const long double bound =
        l1(filterLD({a[0]}, al, impulse(500))) * (kEps / 2 * maxAbs(ref) + 8 * std::ldexp(1.0L, -63) * terms / a[0]);
    for (size_t i = 0; i < 500; ++i) ASSERT_NEAR(y[i], static_cast<double>(ref[i]), static_cast<double>(bound)) << i;
    // The histories hold the last inputs and outputs, oldest first.
    EXPECT_EQ(bState, (std::vector<double>{x[497], x[498], x[499]}));
    EXPECT_EQ(aState, (std::vector<double>{y[497], y[498], y[499]}));
    // No feedback (na = 0, or a null): 5 extended terms (2^-63 each) on at most
    // sum |b| = 2.4375 for |x| < 1, rounded once.
    const std::vector<double> fir = {0.25, 0.5, -0.125, 0.0625, 1.5};
    const LD firRef = filterLD({fir.begin(), fir.end()}, {1}, xl);
    for (int variant = 0; variant < 2; ++variant) {
        std::vector<double> out = x, firState(4, 0.0);
        const double a0 = 1;
        double a0State = 0;
        ASSERT_EQ(IIR_Filtering(out.data(), 500, variant ? nullptr : &a0, variant ? nullptr : &a0State, variant ? 1 : 0,
                                fir.data(), firState.data(), 5, out.data()),
                  0);
        for (size_t i = 0; i < 500; ++i)
            ASSERT_NEAR(out[i], static_cast<double>(firRef[i]), (kEps / 2 + 5 * std::ldexp(1.0, -63)) * 2.4375)
                << "variant " << variant << " sample " << i;
    }
    // nb = na = 1: y = b0 x / a0 with empty histories.
    const double b0 = 3, a0 = 4;
    std::vector<double> single(4), xs = {1, -2, 8, 0.5};
    ASSERT_EQ(IIR_Filtering(xs.data(), 4, &a0, single.data(), 1, &b0, nullptr, 1, single.data()), 0);
    EXPECT_EQ(single, (std::vector<double>{0.75, -1.5, 6, 0.375}));
}

TEST(IIRFiltering, ChecksInOrderResetBeforeTheCountAndStateUsedAsItStands) {
    double x = 1, y = 0, a = 1, s = 0, b = 1;
    EXPECT_EQ(IIR_Filtering(&x, 0, &a, &s, 1, &b, &s, 0, &y), kErrFilterStructure);
    EXPECT_EQ(IIR_Filtering(&x, 0, &a, &s, 1, &b, &s, 1, &y), kErrEmptyArray);
    EXPECT_EQ(IIR_Filtering(&x, -4, nullptr, nullptr, 0, &b, &s, 1, &y), kErrEmptyArray);
    EXPECT_EQ(y, 0.0);
    Cascade c = butterworth8();
    std::vector<double> state;
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
        IIRFilterInfo info = cascadeInfo(c, state);
        state.assign(16, 5.0);
        info.state = state.data();
        info.order = k.order;
        info.aCount = k.aCount;
        info.bCount = k.bCount;
        info.stateCount = k.stateCount;
        EXPECT_EQ(IIR_Filtering2(&x, 1, &info, &y), kErrFilterStructure) << k.name;
        EXPECT_TRUE(info.init == 1 && state[0] == 5.0) << k.name;
    }
    IIRFilterInfo info = cascadeInfo(c, state);
    state.assign(8, 5.0);
    EXPECT_EQ(IIR_Filtering2(&x, 0, &info, &y), kErrEmptyArray);
    EXPECT_EQ(info.init, 0);
    EXPECT_EQ(state, std::vector<double>(8, 0.0));
    state[0] = 1;
    ASSERT_EQ(IIR_Filtering2(&x, 1, &info, &y), 0);
    EXPECT_TRUE(y != 0 && state[0] != 1);
}

// ---- handle entry points ----------------------------------------------------

TEST(IIRFilterEntry, StreamsInBlocksResizesStateAndResetsOnRequest) {
    const std::vector<double> b = {0.2, 0.3, 0.2}, a = {1, -0.6, 0.3, -0.05};
    const auto x = orintest::randomDoubles(400, 5);
    std::vector<double> oneShot(400), as(3, 0.0), bs(2, 0.0);
    ASSERT_EQ(IIR_Filtering(x.data(), 400, a.data(), as.data(), 4, b.data(), bs.data(), 3, oneShot.data()), 0);
    DoubleHandle ah(a), bh(b), bState({9, 9, 9, 9, 9}), aState;
    // Every call continues, but the first resizes the wrong-sized states, which clears them.
    const auto out = streamed(x, 13, [&](DoubleHandle &block, bool) {
        const uint8_t cont = 1;
        int32_t err = 4;
        ASSERT_EQ(IIR_Filter(block, ah, bh, bState, aState, &cont, &err), 0);
        ASSERT_TRUE(err == 0 && bState.size() == 2 && aState.size() == 3);
    });
    EXPECT_EQ(out, oneShot);
    // A continue flag other than 1 clears states of the right size.
    for (uint8_t flag : {0, 2}) {
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
    EXPECT_TRUE(err == 0 && aState.size() == 3);
    EXPECT_EQ(block.values(), (std::vector<double>{0.2, 0.3, 0.2, 0}));
}

// The checks in their documented order, and which failures empty the signal
// (the others keep it); with neither coefficient array the signal passes.
// A table, one entry per line:
// clang-format off
ORIN_CONTRACT_TABLE(IIRFilterEntryPoints) {
    static const Cascade lp = butterworth8(), bp = design(Bw_Coef, 2, 4);
    static const std::vector<double> ab = {1, 0.5}, five = {0.1, 0.2, 0.3, 0.4, 0.5}, eight(8, 1.0);
    static const uint8_t cont = 1;
    static const int32_t k0 = 0, k1 = 1, k2 = 2;
    return {
        ORIN_ROW(0, IIR_Filter(c.kept({1, 2, 3}), c.input(), c.input(), c.input(), c.input(), &cont, e)),
        ORIN_ROW(kErrBadArraySize, IIR_Filter(c.output({1, 2, 3}), c.input(ab), c.input(), c.input(), c.input(), &cont, e)),
        ORIN_ROW(kErrEmptyArray, IIR_Filter2(c.kept({}), &k2, c.input(lp.a), c.input(lp.b), c.input(), &cont, e)),  // before the kind
        ORIN_ROW(kErrInvalidSelector, IIR_Filter2(c.kept({1, 2}), &k2, c.input(), c.input(lp.b), c.input(), &cont, e)),  // before the arrays
        ORIN_ROW(kErrBadArraySize, IIR_Filter2(c.output({1, 2}), &k0, c.input(), c.input(lp.b), c.input(), &cont, e)),
        ORIN_ROW(0, IIR_Filter2(c.kept({1, 2}), &k1, c.input(), c.input(), c.input(), &cont, e)),
        ORIN_ROW(kErrFilterStructure, IIR_Filter2(c.output({1, 2}), &k0, c.input(five), c.input(eight), c.input(), &cont, e)),
        // Fourth-order (band) sections given as second-order ones.
        ORIN_ROW(kErrFilterStructure, IIR_Filter2(c.output({1, 2}), &k0, c.input(bp.a), c.input(bp.b), c.input(), &cont, e)),
    };
}
// clang-format on

TEST(IIRFilter2Entry, ChangingTheSectionCountResetsEvenWhenContinuing) {
    const auto x = orintest::randomDoubles(64, 21);
    const Cascade eight = butterworth8(), six = design(Bw_Coef, 0, 6);
    DoubleHandle a8(eight.a), b8(eight.b), a6(six.a), b6(six.b), st, fresh, first(x), then(x), alone(x);
    const int32_t second = 0;
    const uint8_t cont = 1;
    int32_t err = 0;
    ASSERT_EQ(IIR_Filter2(first, &second, a8, b8, st, &cont, &err), 0);
    ASSERT_EQ(IIR_Filter2(then, &second, a6, b6, st, &cont, &err), 0);
    ASSERT_EQ(st.size(), 6);
    ASSERT_EQ(IIR_Filter2(alone, &second, a6, b6, fresh, &cont, &err), 0);
    EXPECT_EQ(then.values(), alone.values());
}

// A refused state resize: -20001, the signal kept, the state that failed
// emptied (one resized before it keeps its new size).
ORIN_ALLOCATION_CASE(IIR_Filter2, 1) {
    const Cascade c = butterworth8();
    DoubleHandle x({1, 0, 0}), a(c.a), b(c.b), state;
    const int32_t kind = 0;
    const uint8_t cont = 1;
    int32_t err = 0;
    EXPECT_EQ(inj.call([&] { return IIR_Filter2(x, &kind, a, b, state, &cont, &err); }),
              inj.failing() ? kMgFullErr : 0);
    EXPECT_EQ(err, inj.failing() ? kErrOutOfMemory : 0);
    EXPECT_TRUE(inj.failing() ? state.emptied() : state.size() == 8);
    EXPECT_EQ(x.values()[0], inj.failing() ? 1 : c.b[0] * c.b[3] * c.b[6] * c.b[9]);
}

ORIN_ALLOCATION_CASE(IIR_Filter, 2) {
    DoubleHandle x({1, 0, 0}), a({2, 1}), b({4, 2, 1}), bState({7}), aState({7, 7});
    const uint8_t cont = 1;
    int32_t err = 0;
    EXPECT_EQ(inj.call([&] { return IIR_Filter(x, a, b, bState, aState, &cont, &err); }),
              inj.failing() ? kMgFullErr : 0);
    EXPECT_EQ(err, inj.failing() ? kErrOutOfMemory : 0);
    // y = (4 x[i] + 2 x[i-1] + x[i-2] - y[i-1]) / 2 from cleared states.
    EXPECT_EQ(x.values(), (inj.failing() ? std::vector<double>{1, 0, 0} : std::vector<double>{2, 0, 0.5}));
    EXPECT_TRUE(inj.site() == 1 ? bState.emptied() : bState.size() == 2);
    EXPECT_TRUE(inj.site() == 2 ? aState.emptied() : aState.size() == (inj.site() == 1 ? 2 : 1));
}
