// Fourier transforms of this library against FFTW (estimate-mode plans,
// plan creation excluded) and GSL's mixed-radix FFT (wavetable and
// workspace made outside the timed loop), on the same data in one process.
//
// Every timed iteration restores the input (one memcpy, the same for every
// contender) and transforms it in place, so that repeated transforms do not
// grow the values towards overflow. After the runs a table prints the time
// per transform of each contender and the ratios ours / FFTW and ours / GSL.
//
//   orin_bench_transforms [--benchmark_filter=...] [--benchmark_repetitions=5]
#include <orin/transforms.h>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#ifdef ORIN_HAVE_FFTW
#include <fftw3.h>
#endif
#ifdef ORIN_HAVE_GSL
#include <gsl/gsl_errno.h>
#include <gsl/gsl_fft_complex.h>
#include <gsl/gsl_fft_real.h>
#endif

namespace {

const std::vector<int32_t> kSizes = {1 << 10, 1 << 12, 1 << 16, 1 << 20, 1000, 3 * 1024, 10000,
                                     100000,  1000000, 257,     65537,   1000003};

std::vector<double> randomData(size_t n, unsigned seed) {
    std::mt19937_64 gen(seed);
    std::uniform_real_distribution<double> dist(-1, 1);
    std::vector<double> v(n);
    for (double &x : v) x = dist(gen);
    return v;
}

void finish(benchmark::State &state, int32_t n) {
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(n));
    state.counters["n"] = n;
}

// ---- this library ------------------------------------------------------------

void BM_ComplexSplit_orin(benchmark::State &state) {
    const int32_t n = static_cast<int32_t>(state.range(0));
    const auto re0 = randomData(n, 1), im0 = randomData(n, 2);
    std::vector<double> re(n), im(n);
    for (auto _ : state) {
        std::memcpy(re.data(), re0.data(), sizeof(double) * n);
        std::memcpy(im.data(), im0.data(), sizeof(double) * n);
        if (FFT(re.data(), im.data(), n) != 0) state.SkipWithError("FFT failed");
        benchmark::ClobberMemory();
    }
    finish(state, n);
}

void BM_ComplexInterleaved_orin(benchmark::State &state) {
    const int32_t n = static_cast<int32_t>(state.range(0));
    const auto c0 = randomData(2 * static_cast<size_t>(n), 3);
    std::vector<double> c(2 * static_cast<size_t>(n));
    for (auto _ : state) {
        std::memcpy(c.data(), c0.data(), sizeof(double) * c.size());
        if (FFTCx(reinterpret_cast<complexnum *>(c.data()), n) != 0) state.SkipWithError("FFTCx failed");
        benchmark::ClobberMemory();
    }
    finish(state, n);
}

void BM_Real_orin(benchmark::State &state) {
    const int32_t n = static_cast<int32_t>(state.range(0));
    const auto x0 = randomData(n, 4);
    std::vector<double> x(n), im(n);
    for (auto _ : state) {
        std::memcpy(x.data(), x0.data(), sizeof(double) * n);
        if (ReFFT(x.data(), im.data(), n) != 0) state.SkipWithError("ReFFT failed");
        benchmark::ClobberMemory();
    }
    finish(state, n);
}

// ---- FFTW, estimate mode ---------------------------------------------------

#ifdef ORIN_HAVE_FFTW
void BM_ComplexInterleaved_fftw(benchmark::State &state) {
    const int32_t n = static_cast<int32_t>(state.range(0));
    const auto c0 = randomData(2 * static_cast<size_t>(n), 3);
    auto *c = static_cast<fftw_complex *>(fftw_malloc(sizeof(fftw_complex) * n));
    fftw_plan plan = fftw_plan_dft_1d(n, c, c, FFTW_FORWARD, FFTW_ESTIMATE);
    for (auto _ : state) {
        std::memcpy(c, c0.data(), sizeof(fftw_complex) * n);
        fftw_execute(plan);
        benchmark::ClobberMemory();
    }
    fftw_destroy_plan(plan);
    fftw_free(c);
    finish(state, n);
}

void BM_Real_fftw(benchmark::State &state) {
    const int32_t n = static_cast<int32_t>(state.range(0));
    const auto x0 = randomData(n, 4);
    // In place: n reals in, n/2 + 1 complex bins out.
    auto *buf = static_cast<double *>(fftw_malloc(sizeof(fftw_complex) * (n / 2 + 1)));
    fftw_plan plan = fftw_plan_dft_r2c_1d(n, buf, reinterpret_cast<fftw_complex *>(buf), FFTW_ESTIMATE);
    for (auto _ : state) {
        std::memcpy(buf, x0.data(), sizeof(double) * n);
        fftw_execute(plan);
        benchmark::ClobberMemory();
    }
    fftw_destroy_plan(plan);
    fftw_free(buf);
    finish(state, n);
}
#endif

// ---- GSL, mixed radix --------------------------------------------------------

#ifdef ORIN_HAVE_GSL
void BM_ComplexInterleaved_gsl(benchmark::State &state) {
    const int32_t n = static_cast<int32_t>(state.range(0));
    const auto c0 = randomData(2 * static_cast<size_t>(n), 3);
    std::vector<double> c(2 * static_cast<size_t>(n));
    gsl_fft_complex_wavetable *wt = gsl_fft_complex_wavetable_alloc(n);
    gsl_fft_complex_workspace *ws = gsl_fft_complex_workspace_alloc(n);
    for (auto _ : state) {
        std::memcpy(c.data(), c0.data(), sizeof(double) * c.size());
        gsl_fft_complex_forward(c.data(), 1, n, wt, ws);
        benchmark::ClobberMemory();
    }
    gsl_fft_complex_workspace_free(ws);
    gsl_fft_complex_wavetable_free(wt);
    finish(state, n);
}

void BM_Real_gsl(benchmark::State &state) {
    const int32_t n = static_cast<int32_t>(state.range(0));
    const auto x0 = randomData(n, 4);
    std::vector<double> x(n);
    gsl_fft_real_wavetable *wt = gsl_fft_real_wavetable_alloc(n);
    gsl_fft_real_workspace *ws = gsl_fft_real_workspace_alloc(n);
    for (auto _ : state) {
        std::memcpy(x.data(), x0.data(), sizeof(double) * n);
        gsl_fft_real_transform(x.data(), 1, n, wt, ws);
        benchmark::ClobberMemory();
    }
    gsl_fft_real_workspace_free(ws);
    gsl_fft_real_wavetable_free(wt);
    finish(state, n);
}
#endif

void sizes(benchmark::internal::Benchmark *b) {
    for (int32_t n : kSizes) b->Arg(n);
    b->Unit(benchmark::kMicrosecond)->MinTime(0.2);
}

BENCHMARK(BM_ComplexSplit_orin)->Apply(sizes);
BENCHMARK(BM_ComplexInterleaved_orin)->Apply(sizes);
BENCHMARK(BM_Real_orin)->Apply(sizes);
#ifdef ORIN_HAVE_FFTW
BENCHMARK(BM_ComplexInterleaved_fftw)->Apply(sizes);
BENCHMARK(BM_Real_fftw)->Apply(sizes);
#endif
#ifdef ORIN_HAVE_GSL
BENCHMARK(BM_ComplexInterleaved_gsl)->Apply(sizes);
BENCHMARK(BM_Real_gsl)->Apply(sizes);
#endif

// Console output as usual, and the times kept (the median when repeated)
// for the ratio table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &r : runs) {
            if (r.error_occurred) continue;
            const std::string name = r.benchmark_name();
            const bool aggregate = r.run_type == Run::RT_Aggregate;
            if (aggregate && r.aggregate_name != "median") continue;
            // benchmark_name(): BM_<kind>_<who>/<n>[_median]
            const size_t slash = name.find('/');
            const size_t under = name.rfind('_', slash);
            const std::string kind = name.substr(3, under - 3), who = name.substr(under + 1, slash - under - 1);
            const int64_t n = std::stoll(name.substr(slash + 1));
            const double us = r.GetAdjustedCPUTime();  // microseconds; CPU time, as the machine is shared
            if (aggregate || !times_[kind][n].count(who)) times_[kind][n][who] = us;
        }
    }

    void table() const {
        std::printf("\nTime per transform (microseconds) and ratios (ours / peer)\n");
        for (const auto &[kind, bySize] : times_) {
            std::printf("\n%-18s %9s %12s %12s %12s %9s %9s\n", kind.c_str(), "n", "orin", "fftw", "gsl",
                        "orin/fftw", "orin/gsl");
            for (const auto &[n, who] : bySize) {
                auto get = [&](const char *k) { return who.count(k) ? who.at(k) : NAN; };
                const double o = get("orin"), f = get("fftw"), g = get("gsl");
                std::printf("%-18s %9lld %12.2f %12.2f %12.2f %9.2f %9.2f\n", "", static_cast<long long>(n), o, f, g,
                            o / f, o / g);
            }
        }
        // n log n growth: the cost per n log2 n of each length against 2^20.
        std::printf("\nCost per n*log2(n) relative to n = 2^20 (ours, complex split)\n");
        const auto it = times_.find("ComplexSplit");
        if (it != times_.end() && it->second.count(1 << 20)) {
            const double ref = it->second.at(1 << 20).at("orin") / ((1 << 20) * 20.0);
            for (const auto &[n, who] : it->second)
                std::printf("  n = %8lld: %.2f (time %.2f x that of 2^20)\n", static_cast<long long>(n),
                            who.at("orin") / (n * std::log2(static_cast<double>(n))) / ref,
                            who.at("orin") / it->second.at(1 << 20).at("orin"));
        }
    }

private:
    std::map<std::string, std::map<int64_t, std::map<std::string, double>>> times_;
};

}  // namespace

int main(int argc, char **argv) {
#ifndef ORIN_HAVE_FFTW
    std::printf("FFTW (libfftw3-dev) not found: the FFTW columns are left out.\n");
#endif
#ifdef ORIN_HAVE_GSL
    gsl_set_error_handler_off();
#endif
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.table();
    benchmark::Shutdown();
    return 0;
}
