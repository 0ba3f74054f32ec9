// The kernels when their shared twiddle tables and plans cannot be had:
// the library is loaded with each of its load-time allocations refused in
// turn (this program does not link the library, so dlclose unloads it and
// every load starts afresh), and the transforms must still match a direct
// DFT in long double, on the recurrences, and give the memory back.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <hostcontrol.h>

#include "../dft_reference.h"
#include "support/reference.h"

using namespace orintest;

namespace {

using CxFn = int32_t(double *, double *, int32_t);

// The transforms of smooth lengths and of a prime by Rader (271, with the
// smooth p - 1 = 270), which make their plans and tables in scratch when
// the cache has none: the same bits as from the cache.
std::vector<double> smoothOutputs(void *lib) {
    auto *fft = reinterpret_cast<CxFn *>(dlsym(lib, "FFT"));
    auto *reFft = reinterpret_cast<CxFn *>(dlsym(lib, "ReFFT"));
    std::vector<double> out;
    for (int32_t n : {12, 1000, 271}) {
        auto re = randomDoubles(n, 7 + n), im = randomDoubles(n, 8 + n);
        auto x = re;
        std::vector<double> xim(n);
        if (fft(re.data(), im.data(), n) != 0 || reFft(x.data(), xim.data(), n) != 0) return {};
        for (const auto *v : {&re, &im, &x, &xim}) out.insert(out.end(), v->begin(), v->end());
    }
    return out;
}

void checkTransforms(void *lib, int64_t site) {
    auto *fft = reinterpret_cast<CxFn *>(dlsym(lib, "FFT"));
    auto *reFft = reinterpret_cast<CxFn *>(dlsym(lib, "ReFFT"));
    auto *reInv = reinterpret_cast<CxFn *>(dlsym(lib, "ReInvFFT"));
    ASSERT_TRUE(fft && reFft && reInv);
    for (int32_t n : {8, 64, 1024, 4096, 12, 1000}) {
        if (kReducedSuite && n > 1024) continue;
        const auto xr = randomDoubles(n, 5 + n), xi = randomDoubles(n, 6 + n);
        const auto want = directDFT(xr, xi);
        auto re = xr, im = xi;
        ASSERT_EQ(fft(re.data(), im.data(), n), 0);
        EXPECT_LT(relativeRms(re, im, want), logBound(1, n)) << "FFT n=" << n << " site " << site;
        auto x = xr;
        std::vector<double> xim(n);
        ASSERT_EQ(reFft(x.data(), xim.data(), n), 0);
        EXPECT_LT(relativeRms(x, xim, directDFT(xr)), logBound(1, n)) << "ReFFT n=" << n << " site " << site;
        ASSERT_EQ(reInv(x.data(), xim.data(), n), 0);
        EXPECT_LT(relativeRms(x, xr), logBound(3, n)) << "ReInvFFT n=" << n << " site " << site;
    }
}

}  // namespace

TEST(FFTTablesUnavailable, EveryLoadTimeAllocationRefusedStillTransforms) {
    // Count the allocations a load makes, then refuse each one in turn.
    const int64_t before = OrinHostAllocationCount();
    void *lib = dlopen(ORIN_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    const int64_t sites = OrinHostAllocationCount() - before;
    const auto cached = smoothOutputs(lib);
    ASSERT_FALSE(cached.empty());
    // A prime's first transform publishes the tables it made; the second
    // reads them from the cache.
    EXPECT_TRUE(smoothOutputs(lib) == cached) << "cached tables";
    dlclose(lib);
    ASSERT_GE(sites, 1) << "the twiddle tables are taken when the library is loaded";
    for (int64_t site = 1; site <= sites; ++site) {
        const int64_t live = OrinHostLiveBlocks();
        OrinHostFailAllocation(site);
        lib = dlopen(ORIN_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
        OrinHostFailAllocation(0);
        ASSERT_NE(lib, nullptr) << dlerror();
        checkTransforms(lib, site);
        EXPECT_TRUE(smoothOutputs(lib) == cached) << "smooth lengths, site " << site;
        dlclose(lib);
        EXPECT_EQ(OrinHostLiveBlocks(), live) << "blocks kept after unloading, site " << site;
    }
}
