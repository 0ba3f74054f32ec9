// FIR and convolution benchmarks.
//
// Median filter (10^6 samples, r = 5 and 50): the library's sorted window
// against a sort of every window and against a plain sorted-window update by
// linear search and insertion, both written here.
// Convolution: the direct sum and the FFT path side by side at growing
// sizes (the crossover), and the library's own choice on 10^6 by 10^4.
// Remez: 101- and 501-tap lowpass designs (time per design, and the number
// of exchanges found by bisecting maxIter).
#include <orin/filters.h>
#include <orin/host.h>
#include <orin/timedomain.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

std::vector<double> noise(size_t n, unsigned seed) {
    std::mt19937_64 g(seed);
    std::uniform_real_distribution<double> u(-1, 1);
    std::vector<double> v(n);
    for (double &x : v) x = u(g);
    return v;
}

constexpr int32_t kMedianN = 1000000;

void BM_MedianLibrary(benchmark::State &state) {
    const auto x = noise(kMedianN, 1);
    std::vector<double> y(kMedianN);
    for (auto _ : state)
        benchmark::DoNotOptimize(MedianFilter(x.data(), kMedianN, static_cast<int32_t>(state.range(0)), y.data()));
}

// Sort of each zero-padded window (nth_element would be fairer to the
// brute force; a sort is what the sorted window saves).
void BM_MedianSortEachWindow(benchmark::State &state) {
    const int r = static_cast<int>(state.range(0));
    const auto x = noise(kMedianN, 1);
    std::vector<double> y(kMedianN), w(2 * r + 1);
    for (auto _ : state) {
        for (int i = 0; i < kMedianN; ++i) {
            for (int k = -r; k <= r; ++k) w[k + r] = i + k < 0 || i + k >= kMedianN ? 0 : x[i + k];
            std::sort(w.begin(), w.end());
            y[i] = w[r];
        }
        benchmark::DoNotOptimize(y.data());
    }
}

// Sorted window by linear search for the departing value and insertion.
void BM_MedianPlainInsertion(benchmark::State &state) {
    const int r = static_cast<int>(state.range(0));
    const auto x = noise(kMedianN, 1);
    std::vector<double> y(kMedianN);
    for (auto _ : state) {
        std::vector<double> w(2 * r + 1, 0.0);
        std::copy(x.begin(), x.begin() + r + 1, w.begin() + r);
        std::sort(w.begin(), w.end());
        y[0] = w[r];
        for (int i = 1; i < kMedianN; ++i) {
            const double out = i - r - 1 < 0 ? 0 : x[i - r - 1], in = i + r < kMedianN ? x[i + r] : 0;
            w.erase(std::find(w.begin(), w.end(), out));
            w.insert(std::upper_bound(w.begin(), w.end(), in), in);
            y[i] = w[r];
        }
        benchmark::DoNotOptimize(y.data());
    }
}

BENCHMARK(BM_MedianLibrary)->Arg(5)->Arg(50)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MedianSortEachWindow)->Arg(5)->Arg(50)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MedianPlainInsertion)->Arg(5)->Arg(50)->Unit(benchmark::kMillisecond);

// Convolutions n by m: the direct sum written out (as the library's direct
// path computes it) against Convolution with selector 1 (the FFT) and 0 (the
// library's own choice).
void BM_ConvolveDirect(benchmark::State &state) {
    const int32_t n = static_cast<int32_t>(state.range(0)), m = static_cast<int32_t>(state.range(1));
    const auto x = noise(n, 2), y = noise(m, 3);
    std::vector<double> out(n + m - 1);
    for (auto _ : state) {
        for (int64_t k = 0; k < n + m - 1; ++k) {
            long double acc = 0;
            for (int64_t i = std::max<int64_t>(0, k - m + 1); i <= std::min<int64_t>(k, n - 1); ++i)
                acc += static_cast<long double>(x[i]) * y[k - i];
            out[k] = static_cast<double>(acc);
        }
        benchmark::DoNotOptimize(out.data());
    }
}

void BM_ConvolutionSelector(benchmark::State &state) {
    const int32_t n = static_cast<int32_t>(state.range(0)), m = static_cast<int32_t>(state.range(1));
    const int32_t selector = static_cast<int32_t>(state.range(2));
    const auto x = noise(n, 2), y = noise(m, 3);
    UHandle hx = nullptr, hy = nullptr, ho = nullptr;
    NumericArrayResize(kTypeDouble, 1, &hx, n);
    NumericArrayResize(kTypeDouble, 1, &hy, m);
    NumericArrayResize(kTypeDouble, 1, &ho, 0);
    auto dx = reinterpret_cast<DoubleArrayHdl>(hx), dy = reinterpret_cast<DoubleArrayHdl>(hy);
    (*dx)->dimSize = n, (*dy)->dimSize = m;
    std::copy(x.begin(), x.end(), (*dx)->elt);
    std::copy(y.begin(), y.end(), (*dy)->elt);
    int32_t error = 0;
    for (auto _ : state) Convolution(dx, dy, reinterpret_cast<DoubleArrayHdl>(ho), &selector, &error);
    state.counters["error"] = error;
    DSDisposeHandle(hx), DSDisposeHandle(hy), DSDisposeHandle(ho);
}

// The lengths at which the direct sum is timed, by itself and (selector 1)
// through Convolution; selector 0 adds lengths where the FFT path wins.
constexpr int64_t kDirectSizes[][2] = {{64, 64}, {256, 256}, {1024, 1024}, {4096, 4096}, {100000, 16}, {100000, 64}};
constexpr int64_t kFftSizes[][2] = {{64, 64},     {1024, 1024},     {4096, 4096},
                                    {100000, 64}, {1000000, 10000}, {250000, 2500}};

void directSizes(benchmark::internal::Benchmark *b) {
    for (const auto &[nx, ny] : kDirectSizes) b->Args({nx, ny});
}

void selectorSizes(benchmark::internal::Benchmark *b) {
    for (const auto &[nx, ny] : kDirectSizes) b->Args({nx, ny, 1});
    for (const auto &[nx, ny] : kFftSizes) b->Args({nx, ny, 0});
}

BENCHMARK(BM_ConvolveDirect)->Apply(directSizes)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ConvolutionSelector)->Apply(selectorSizes)->Unit(benchmark::kMicrosecond);

void BM_Remez(benchmark::State &state) {
    const int32_t n = static_cast<int32_t>(state.range(0));
    const double edges[4] = {0, 0.1, n > 200 ? 0.11 : 0.13, 0.5}, desired[2] = {1, 0}, weights[2] = {1, 1};
    std::vector<double> h(n);
    double dev = 0;
    for (auto _ : state) benchmark::DoNotOptimize(Equi_Ripple(2, desired, weights, 1, edges, 1, n, h.data(), &dev));
    // Exchanges taken: the smallest maxIter that succeeds, less two (the
    // budget counts down from maxIter - 1 after each exchange and must stay
    // above 0 after the last, settled one).
    int32_t lo = 3, hi = 100;
    while (lo < hi) {
        const int32_t mid = (lo + hi) / 2;
        if (Equi_Ripple_Iter(2, desired, weights, 1, edges, 1, n, h.data(), &dev, mid) == 0) hi = mid;
        else lo = mid + 1;
    }
    state.counters["exchanges"] = lo - 2;
    state.counters["deviation"] = dev;
}
BENCHMARK(BM_Remez)->Arg(101)->Arg(501)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
