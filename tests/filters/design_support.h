// Shared checks of the IIR design suites: design a cascade through a core
// routine, and compare its magnitude response with an ideal one.
#ifndef ORIN_TESTS_FILTERS_DESIGN_SUPPORT_H
#define ORIN_TESTS_FILTERS_DESIGN_SUPPORT_H

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "iir_reference.h"
#include "support/allocation_failure.h"
#include "support/handles.h"

namespace iirtest {

constexpr double kFs = 1000;
inline const char *const kBandName[] = {"lowpass", "highpass", "bandpass", "bandstop"};

// Edges used throughout: a lowpass/highpass cut-off, and a band.
constexpr double kCut = 120, kLow = 150, kHigh = 320;

using CoreDesign = std::function<int32_t(double fs, double fl, double fh, IIRFilterInfo *)>;

inline Cascade design(const CoreDesign &core, int32_t type, int32_t order, double fl = 0, double fh = 0) {
    Cascade c = iirtest::sized(type, order);
    if (fl == 0) {
        fl = type <= 1 ? kCut : kLow;
        fh = kHigh;
    }
    IIRFilterInfo info = c.info();
    EXPECT_EQ(core(kFs, fl, fh, &info), 0) << kBandName[type] << " order " << order;
    return c;
}

inline std::string label(int32_t type, int32_t order) {
    return std::string(kBandName[type]) + " order " + std::to_string(order);
}

// Runs check(cascade, type, order, fl, fh, label) over the four band types
// and orders 1..maxOrder of one design, at the suite's edges.
template <class Check>
void forBandsAndOrders(const CoreDesign &core, int32_t maxOrder, const std::string &what, Check check) {
    for (int32_t type = 0; type < 4; ++type) {
        for (int32_t n = 1; n <= maxOrder; ++n) {
            const double fl = type <= 1 ? kCut : kLow, fh = kHigh;
            check(design(core, type, n), type, n, fl, fh, label(type, n) + " " + what);
        }
    }
}

// Compares |H| with the ideal |H|(Omega) on a grid over (0, fs/2) and at the
// band edges. The bound is the coefficient-rounding bound of
// iir_reference.h plus 1e-16 for the long double evaluation of the response
// and of the reference (a few hundred operations at 2^-64 each), or the
// extra allowance a design states.
inline void expectMatchesIdeal(const Cascade &c, double fl, double fh,
                               const std::function<long double(long double)> &ideal, const std::string &what,
                               long double extra = 1e-16L) {
    std::vector<double> freqs;
    for (int i = 1; i < 250; ++i) freqs.push_back(kFs / 2 * i / 250.0);
    freqs.push_back(fl);
    if (c.type >= 2) freqs.push_back(fh);
    for (double f : freqs) {
        const long double omega = iirtest::prototypeFrequency(c.type, f, kFs, fl, fh);
        const long double got = std::abs(iirtest::response(c, f, kFs));
        const long double want = ideal(omega);
        const long double bound = iirtest::magnitudeBound(c, f, kFs) + extra;
        ASSERT_NEAR(static_cast<double>(got), static_cast<double>(want), static_cast<double>(bound))
            << what << " at f = " << f;
    }
}

// |H| at the band edge(s) equals gain, within the coefficient bound.
inline void expectGainAtEdges(const Cascade &c, double fl, double fh, long double gain, const std::string &what,
                              long double extra = 1e-16L) {
    for (double edge : {fl, fh}) {
        if (c.type <= 1 && edge == fh) continue;
        EXPECT_NEAR(static_cast<double>(std::abs(response(c, edge, kFs))), static_cast<double>(gain),
                    static_cast<double>(magnitudeBound(c, edge, kFs) + extra))
            << what << " edge " << edge;
    }
}

// Runs a core design on a block of type and order over arrays of 8 and 10
// values (room for any order up to 4), expecting code; a failing design must
// leave both arrays as they were.
template <class Call>
void expectDesignCode(const std::string &what, int32_t type, int32_t order, int32_t expected, Call call) {
    std::vector<double> a(8, 9.0), b(10, 9.0);
    IIRFilterInfo info{};
    info.type = type;
    info.order = order;
    info.aCount = 8;
    info.a = a.data();
    info.bCount = 10;
    info.b = b.data();
    EXPECT_EQ(call(&info), expected) << what;
    if (expected != 0) {
        EXPECT_EQ(a, std::vector<double>(8, 9.0)) << what;
        EXPECT_EQ(b, std::vector<double>(10, 9.0)) << what;
    }
}

// One row of the allocation-failure harness for a design entry point: the
// call fills a and b (aSize and bSize values) or, with a resize refused,
// returns the host's status with -20001 and both arrays empty.
template <class Call>
void expectDesignEntryUnderInjection(orintest::Injection &inj, int32_t aSize, int32_t bSize, Call call) {
    orintest::DoubleHandle a, b;
    int32_t err = 0;
    const int32_t ret = inj.call([&] { return call(a.get(), b.get(), &err); });
    if (inj.failing()) {
        EXPECT_NE(ret, 0);
        EXPECT_EQ(err, kErrOutOfMemory);
        EXPECT_TRUE(a.emptied());
        EXPECT_TRUE(b.emptied());
    } else {
        EXPECT_EQ(ret, 0);
        EXPECT_EQ(err, 0);
        EXPECT_EQ(a.size(), aSize);
        EXPECT_EQ(b.size(), bSize);
    }
}

}  // namespace iirtest

#endif  // ORIN_TESTS_FILTERS_DESIGN_SUPPORT_H
