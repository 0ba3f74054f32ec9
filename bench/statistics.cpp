// Median and standard deviation of 10^6 samples, against plain references
// in the same run: std::nth_element and std::sort on a copy, and the sorted
// copy through the library's own Sort (the host's QSort) that Median used
// before it selected; a two-pass double-precision mean and deviation.
// After the Google Benchmark runs, an interleaved comparison prints the
// median time of each median contender and the ratios.
//
//   orin_bench_statistics [--benchmark_filter=...] [--ratios-only | --no-ratios]
#include <orin/statistics.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
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

// The ratio table: contenders in turn, round after round, each round timed
// by the thread's CPU clock; the median over the rounds.
double threadSeconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

void ratioTable() {
    const auto &x = samples();
    const int32_t n = static_cast<int32_t>(x.size());
    std::vector<double> copy(x.size());
    double sink = 0;
    struct Contender {
        const char *name;
        std::function<void()> call;
    };
    std::vector<Contender> cs = {
        {"Median", [&] { Median(x.data(), n, &sink); }},
        {"Sort copy (before)",
         [&] {
             Sort(x.data(), n, 0, copy.data());
             sink = (copy[n / 2] + copy[n / 2 - 1]) * 0.5;
         }},
        {"std::nth_element",
         [&] {
             copy = x;
             auto mid = copy.begin() + n / 2;
             std::nth_element(copy.begin(), mid, copy.end());
             sink = (*mid + *std::max_element(copy.begin(), mid)) * 0.5;
         }},
        {"std::sort copy",
         [&] {
             copy = x;
             std::sort(copy.begin(), copy.end());
             sink = (copy[n / 2] + copy[n / 2 - 1]) * 0.5;
         }},
    };
    std::vector<std::vector<double>> t(cs.size());
    for (int r = 0; r < 9; ++r) {
        for (size_t i = 0; i < cs.size(); ++i) {
            const double t0 = threadSeconds();
            cs[i].call();
            t[i].push_back((threadSeconds() - t0) * 1e3);
        }
    }
    std::printf("\nMedian of %d samples, interleaved: median CPU time (ms) and Median's ratio to each\n", n);
    std::vector<double> med;
    for (auto &v : t) {
        std::sort(v.begin(), v.end());
        med.push_back(v[v.size() / 2]);
    }
    for (size_t i = 0; i < cs.size(); ++i)
        std::printf("%-20s %9.2f ms   Median / this %6.2f\n", cs[i].name, med[i], med[0] / med[i]);
    benchmark::DoNotOptimize(sink);
}

}  // namespace

BENCHMARK(BM_Median)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MedianReferenceNthElement)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MedianReferenceStdSort)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdDev)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdDevReferenceTwoPassDouble)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv) {
    bool ratiosOnly = false, ratios = true;
    for (int i = argc - 1; i >= 1; --i) {
        if (std::strcmp(argv[i], "--ratios-only") == 0) ratiosOnly = true, argv[i] = argv[--argc];
        else if (std::strcmp(argv[i], "--no-ratios") == 0) ratios = false, argv[i] = argv[--argc];
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    if (!ratiosOnly) benchmark::RunSpecifiedBenchmarks();
    if (ratios) ratioTable();
    benchmark::Shutdown();
    return 0;
}
