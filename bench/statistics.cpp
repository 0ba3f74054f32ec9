// Median and standard deviation of 10^6 samples, against plain references
// in the same run: std::nth_element for the median (selection, not a full
// sort; the library sorts a copy through the host's QSort), and a two-pass
// double-precision mean and deviation.
#include <orin/statistics.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace {

const std::vector<double> &samples() {
    static const std::vector<double> data = [] {
        std::mt19937_64 gen(42);
        std::normal_distribution<double> dist(5.0, 2.0);
        std::vector<double> v(1000000);
        for (double &x : v) x = dist(gen);
        return v;
    }();
    return data;
}

void BM_Median(benchmark::State &state) {
    const auto &x = samples();
    double m = 0;
    for (auto _ : state) {
        Median(x.data(), static_cast<int32_t>(x.size()), &m);
        benchmark::DoNotOptimize(m);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(x.size()));
}

void BM_MedianReferenceNthElement(benchmark::State &state) {
    const auto &x = samples();
    std::vector<double> copy(x.size());
    for (auto _ : state) {
        copy = x;
        auto mid = copy.begin() + static_cast<std::ptrdiff_t>(copy.size() / 2);
        std::nth_element(copy.begin(), mid, copy.end());
        const double upper = *mid;
        const double lower = *std::max_element(copy.begin(), mid);
        benchmark::DoNotOptimize((upper + lower) * 0.5);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(x.size()));
}

void BM_MedianReferenceStdSort(benchmark::State &state) {
    const auto &x = samples();
    std::vector<double> copy(x.size());
    for (auto _ : state) {
        copy = x;
        std::sort(copy.begin(), copy.end());
        benchmark::DoNotOptimize((copy[copy.size() / 2] + copy[copy.size() / 2 - 1]) * 0.5);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(x.size()));
}

void BM_StdDev(benchmark::State &state) {
    const auto &x = samples();
    double mean = 0, sd = 0;
    for (auto _ : state) {
        StdDev(x.data(), static_cast<int32_t>(x.size()), &mean, &sd);
        benchmark::DoNotOptimize(sd);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(x.size()));
}

void BM_StdDevReferenceTwoPassDouble(benchmark::State &state) {
    const auto &x = samples();
    for (auto _ : state) {
        double s = 0;
        for (double v : x) s += v;
        const double mean = s / static_cast<double>(x.size());
        double q = 0;
        for (double v : x) q += (v - mean) * (v - mean);
        benchmark::DoNotOptimize(std::sqrt(q / static_cast<double>(x.size())));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(x.size()));
}

}  // namespace

BENCHMARK(BM_Median)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MedianReferenceNthElement)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MedianReferenceStdSort)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdDev)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdDevReferenceTwoPassDouble)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
