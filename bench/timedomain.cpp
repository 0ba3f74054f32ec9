// Time-domain routines on 10^6 samples against plain references in the same
// run: the streaming peak detector in one call and in blocks of 1000; the
// equal-width histogram against a counting loop; unwrapping, the running
// integral, the derivative and decimation against a copy of the same data.
#include <orin/statistics.h>
#include <orin/timedomain.h>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace {

constexpr int32_t kN = 1000000;

const std::vector<double> &noise() {
    static const std::vector<double> data = [] {
        std::mt19937_64 gen(42);
        std::normal_distribution<double> dist(0.0, 1.0);
        std::vector<double> v(kN);
        for (double &x : v) x = dist(gen);
        return v;
    }();
    return data;
}

DoubleArrayHdl makeArray(const double *x, int32_t n) {
    UHandle h = nullptr;
    NumericArrayResize(kTypeDouble, 1, &h, static_cast<size_t>(n));
    auto a = reinterpret_cast<DoubleArrayHdl>(h);
    (*a)->dimSize = n;
    if (n) std::memcpy((*a)->elt, x, static_cast<size_t>(n) * sizeof(double));
    return a;
}

void peakSeries(benchmark::State &state, int32_t block) {
    const auto &x = noise();
    std::vector<DoubleArrayHdl> blocks;
    for (int32_t s = 0; s < kN; s += block) blocks.push_back(makeArray(x.data() + s, std::min(block, kN - s)));
    DoubleArrayHdl loc = makeArray(nullptr, 0), amp = makeArray(nullptr, 0), d2 = makeArray(nullptr, 0);
    for (auto _ : state) {
        PeakCINState st{};
        UHandle internal = nullptr;
        int32_t error = 0, total = 0;
        for (size_t b = 0; b < blocks.size(); ++b) {
            PeakCINControl c{
                blocks[b], 0.5, 11,
                0,         loc, amp,
                d2,        0,   (b == 0 ? kPeakFirstCall : 0) | (b + 1 == blocks.size() ? kPeakLastCall : 0)};
            PeakD(&c, &st, &internal, &error);
            total += c.count;
        }
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * kN);
    for (auto h : blocks) DSDisposeHandle(reinterpret_cast<UHandle>(h));
    for (auto h : {loc, amp, d2}) DSDisposeHandle(reinterpret_cast<UHandle>(h));
}
void BM_PeakDOneCall(benchmark::State &state) { peakSeries(state, kN); }
void BM_PeakDBlocksOf1000(benchmark::State &state) { peakSeries(state, 1000); }

void BM_Histogra100Bins(benchmark::State &state) {
    const auto &x = noise();
    std::vector<int32_t> counts(100);
    std::vector<double> centres(100);
    for (auto _ : state) {
        Histogra(x.data(), kN, 4.0, -4.0, counts.data(), centres.data(), 100);
        benchmark::DoNotOptimize(counts.data());
    }
    state.SetItemsProcessed(state.iterations() * kN);
}

void BM_HistogramReferenceCountingLoop(benchmark::State &state) {
    const auto &x = noise();
    std::vector<int32_t> counts(100);
    for (auto _ : state) {
        std::fill(counts.begin(), counts.end(), 0);
        const double inv = 100 / 8.0;
        for (double v : x) {
            const double k = std::floor((v + 4.0) * inv);
            if (k >= 0 && k < 100) ++counts[static_cast<size_t>(k)];
        }
        benchmark::DoNotOptimize(counts.data());
    }
    state.SetItemsProcessed(state.iterations() * kN);
}

// Phases as an angle measurement gives them: a random walk of 0.3 rad steps
// wrapped into [-pi, pi], so that a wrap comes every few tens of samples.
const std::vector<double> &wrappedPhase() {
    static const std::vector<double> data = [] {
        std::vector<double> v(noise());
        double phase = 0;
        for (double &x : v) {
            phase += 0.3 * x;
            x = std::remainder(phase, 2 * 3.141592653589793);
        }
        return v;
    }();
    return data;
}

// Each in-place routine works on a fresh copy, so the reference is the copy.
template <class Routine>
void inPlace(benchmark::State &state, Routine routine, const std::vector<double> &x = noise()) {
    std::vector<double> work(x.size());
    for (auto _ : state) {
        std::memcpy(work.data(), x.data(), x.size() * sizeof(double));
        routine(work.data());
        benchmark::DoNotOptimize(work.data());
    }
    state.SetItemsProcessed(state.iterations() * kN);
}
void BM_CopyReference(benchmark::State &state) {
    inPlace(state, [](double *) {});
}
void BM_UnWrap1D(benchmark::State &state) {
    inPlace(
        state, [](double *p) { UnWrap1D(p, kN); }, wrappedPhase());
}
void BM_Integrate(benchmark::State &state) {
    inPlace(state, [](double *p) { Integrate(p, kN, 0.1, 0, 0, p); });
}
void BM_Difference(benchmark::State &state) {
    inPlace(state, [](double *p) {
        int32_t e;
        Difference(p, kN, 0.1, 0, 0, p, &e);
    });
}
void BM_DecimateAveraging4(benchmark::State &state) {
    inPlace(state, [](double *p) { Decimate(p, kN, 4, 1, p); });
}

}  // namespace

BENCHMARK(BM_PeakDOneCall)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PeakDBlocksOf1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Histogra100Bins)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HistogramReferenceCountingLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyReference)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UnWrap1D)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Integrate)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Difference)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecimateAveraging4)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
