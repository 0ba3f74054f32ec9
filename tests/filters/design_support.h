// Shared checks of the IIR design suites: design a cascade through a core
// routine, and compare its magnitude response with an ideal one.
#ifndef ORIN_TESTS_FILTERS_DESIGN_SUPPORT_H
#define ORIN_TESTS_FILTERS_DESIGN_SUPPORT_H

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "iir_reference.h"

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

}  // namespace iirtest

#endif  // ORIN_TESTS_FILTERS_DESIGN_SUPPORT_H
