// The power-of-two kernels on their shared twiddle tables and the smooth
// lengths on their shared plans: filled on first use while other threads
// transform, and long transforms whose top
// stages run on recurrences beyond the tables. References: bins summed
// directly in long double, and the round trip (no reference needed).
//
// Bound for a single bin: an FFT's error in any output is at most about
// log2(n) eps ||x||_2 (Higham, sec. 24.1); we allow 2 log2(n) eps ||x||_2.
#include "support/prelude.h"

#include <orin/transforms.h>

#include <thread>

#include "dft_reference.h"

namespace {

// Worst error of the bins ks of (re, im) against X[k] summed directly, the
// exponentials from a long-double table indexed by t k mod n (exact indices).
double worstBinError(const std::vector<double> &xr, const std::vector<double> &xi, const std::vector<double> &re,
                     const std::vector<double> &im, const std::vector<size_t> &ks) {
    const size_t n = xr.size();
    std::vector<long double> cs(n), sn(n);
    for (size_t j = 0; j < n; ++j) cs[j] = std::cos(2 * kPiL * j / n), sn[j] = -std::sin(2 * kPiL * j / n);
    double worst = 0;
    for (size_t k : ks) {
        long double sr = 0, si = 0;
        for (size_t t = 0, j = 0; t < n; ++t, j = (j + k) % n) {
            sr += xr[t] * cs[j] - xi[t] * sn[j];
            si += xr[t] * sn[j] + xi[t] * cs[j];
        }
        worst = std::max(worst, static_cast<double>(std::hypot(re[k] - sr, im[k] - si)));
    }
    return worst;
}

std::vector<size_t> someBins(size_t n) {
    return {0, 1, 2, 3, n / 8 + 5, n / 4 - 1, n / 4, n / 3, n / 2, n / 2 + 1, n - 7, n - 1};
}

// Complex (split and interleaved) and real transforms of length n checked on
// some bins; the complex one also round-trips. Returns a description of the
// first failure, empty when all hold.
std::string checkLength(int32_t n, uint64_t seed) {
    const auto xr = randomDoubles(n, seed), xi = randomDoubles(n, seed + 1);
    const double bound = 2 * logBound(1, n) * static_cast<double>(norm2(xr, xi));
    auto re = xr, im = xi;
    if (FFT(re.data(), im.data(), n) != 0) return "FFT failed";
    if (worstBinError(xr, xi, re, im, someBins(n)) > bound) return "FFT bins";
    std::vector<complexnum> c(n);
    for (int32_t i = 0; i < n; ++i) c[i] = {xr[i], xi[i]};
    if (FFTCx(c.data(), n) != 0) return "FFTCx failed";
    for (int32_t i = 0; i < n; ++i)
        if (c[i].re != re[i] || c[i].im != im[i]) return "FFTCx differs from FFT at " + std::to_string(i);
    if (InvFFT(re.data(), im.data(), n) != 0) return "InvFFT failed";
    if (relativeRms(interleave(re, im), interleave(xr, xi)) > logBound(4, n)) return "round trip";
    auto x = xr;
    std::vector<double> xim(n);
    const std::vector<double> zeros(n, 0.0);
    if (ReFFT(x.data(), xim.data(), n) != 0) return "ReFFT failed";
    if (worstBinError(xr, zeros, x, xim, someBins(n)) > 2 * logBound(1, n) * norm2(xr)) return "ReFFT bins";
    return {};
}

}  // namespace

TEST(FFTTables, ConcurrentTransformsWhileStagesAndPlansArePublished) {
    // Each thread walks the lengths in its own order, so that stages, the
    // plans of the 2, 3, 5-smooth lengths (and of their halves, for the real
    // transforms) and the tables of the primes 241, 257 and 271 are claimed,
    // filled and read by different threads at the same time.
    const std::vector<int32_t> lengths = {1 << 14, 1000, 1 << 5, 360, 1 << 11, 1 << 8, 241, 6000,
                                          1 << 13, 257,  1 << 3, 12,  1 << 12, 3000,   271, 1 << 10};
    constexpr int kThreads = 4;
    std::vector<std::string> failures(kThreads);
    std::vector<std::thread> pool;
    for (int t = 0; t < kThreads; ++t) {
        pool.emplace_back([&, t] {
            for (size_t i = 0; i < lengths.size() && failures[t].empty(); ++i) {
                const int32_t n = lengths[(i * (t + 1) + t) % lengths.size()];
                const std::string why = checkLength(n, 100 * t + i);
                if (!why.empty()) failures[t] = "n=" + std::to_string(n) + ": " + why;
            }
        });
    }
    for (auto &th : pool) th.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(failures[t], "") << "thread " << t;
}

TEST(FFTLongLengths, MatchDirectBinsOnEveryPath) {
    // 2^16 is the last tabled stage; above it the top stages run on the
    // recurrences and the lower ones on the tables. Primes whose p - 1 is a
    // power of two (257, 65537) or 2, 3, 5-smooth (241, and 115201, whose
    // tables exceed what the cache keeps a prime). Beyond 2^18 a smooth
    // length goes as n1 x n2 transforms through the passes, rotated in
    // between: 10^6 = 1000 x 1000 (and its real transform, by the half length
    // 500000 = 625 x 800), and 3^12 = 729 x 729; but 3 2^k and 5 2^k go as
    // power-of-two transforms joined by one 3- or 5-point step.
    // The length, and whether the reduced suite (emulated or sanitized) runs it.
    const std::pair<int32_t, bool> lengths[] = {{1 << 16, true}, {1 << 17, false}, {1 << 18, false}, {241, true},
                                                {257, true},     {65537, false},   {115201, false},  {1000000, false},
                                                {531441, false}, {3 << 17, false}, {5 << 16, false}};
    for (const auto &[n, reduced] : lengths) {
        if (kReducedSuite && !reduced) continue;
        EXPECT_EQ(checkLength(n, n), "") << "n=" << n;
    }
}

// The half-length real path of a smooth length works in the caller's two
// arrays with the cached plan: no allocation at all. (The sweep fails the
// work block of the 3 2^k path, row FFT at length 192.)
ORIN_ALLOCATION_CASE(ReFFTEvenLength, 0) {
    const auto x0 = randomDoubles(12, 41);
    auto x = x0;
    std::vector<double> im(12, 5.0);
    const int32_t code = inj.call([&] { return ReFFT(x.data(), im.data(), 12); });
    if (inj.failing()) {
        EXPECT_EQ(code, kErrOutOfMemory);
        EXPECT_EQ(x, x0);
        EXPECT_EQ(im, std::vector<double>(12, 5.0));
    } else {
        ASSERT_EQ(code, 0);
        EXPECT_LT(relativeRms(x, im, directDFT(x0)), forwardBound(12));
    }
}
