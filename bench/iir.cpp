// An 8th-order Butterworth lowpass (4 second-order sections, fc = 0.1 fs)
// over 10^6 samples through IIR_Filter2, against a plain direct-form-II
// cascade written here, in the same run and on the same coefficients.
//
// Two inputs: uniform noise, and an impulse followed by zeros, whose state
// decays into subnormal numbers after a few thousand samples (the
// floating-point environment is left as the caller has it, so subnormal
// arithmetic costs what the processor makes it cost).
#include <orin/filters.h>
#include <orin/host.h>

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

constexpr int32_t kSamples = 1000000;

struct Design {
    std::vector<double> a, b;
};

const Design &butterworth8() {
    static const Design d = [] {
        Design r{std::vector<double>(8), std::vector<double>(12)};
        IIRFilterInfo info{};
        info.type = 0;
        info.order = 8;
        info.aCount = 8;
        info.a = r.a.data();
        info.bCount = 12;
        info.b = r.b.data();
        Bw_Coef(1.0, 0.1, 0.0, &info);
        return r;
    }();
    return d;
}

std::vector<double> input(bool impulse) {
    std::vector<double> x(kSamples, 0.0);
    if (impulse) {
        x[0] = 1;
    } else {
        std::mt19937_64 gen(1);
        std::uniform_real_distribution<double> dist(-1, 1);
        for (double &v : x) v = dist(gen);
    }
    return x;
}

DoubleArrayHdl handleOf(const std::vector<double> &v) {
    UHandle h = nullptr;
    NumericArrayResize(kTypeDouble, 1, &h, v.size());
    auto hdl = reinterpret_cast<DoubleArrayHdl>(h);
    (*hdl)->dimSize = static_cast<int32_t>(v.size());
    std::memcpy((*hdl)->elt, v.data(), v.size() * sizeof(double));
    return hdl;
}

// The plain reference: every sample through every section in turn, state in
// an array, direct form II with the operations in index order.
void referenceCascade(double *x, int32_t n, const double *a, const double *b, double *s, int32_t sections) {
    for (int32_t i = 0; i < n; ++i) {
        double v = x[i];
        for (int32_t k = 0; k < sections; ++k) {
            const double *ak = a + 2 * k, *bk = b + 3 * k;
            double *sk = s + 2 * k;
            const double w = v - ak[0] * sk[0] - ak[1] * sk[1];
            v = bk[0] * w + bk[1] * sk[0] + bk[2] * sk[1];
            sk[1] = sk[0];
            sk[0] = w;
        }
        x[i] = v;
    }
}

void BM_IIRFilter2(benchmark::State &state) {
    const Design &d = butterworth8();
    const std::vector<double> x = input(state.range(0) != 0);
    DoubleArrayHdl data = handleOf(x), a = handleOf(d.a), b = handleOf(d.b), st = handleOf({});
    const int32_t kind = 0;
    const uint8_t reset = 0;
    int32_t err = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy((*data)->elt, x.data(), x.size() * sizeof(double));
        state.ResumeTiming();
        IIR_Filter2(data, &kind, a, b, st, &reset, &err);
        benchmark::DoNotOptimize((*data)->elt[kSamples - 1]);
    }
    if (err != 0) state.SkipWithError("IIR_Filter2 failed");
    state.SetItemsProcessed(state.iterations() * kSamples);
    for (DoubleArrayHdl h : {data, a, b, st}) DSDisposeHandle(reinterpret_cast<UHandle>(h));
}

void BM_ReferenceCascade(benchmark::State &state) {
    const Design &d = butterworth8();
    const std::vector<double> x = input(state.range(0) != 0);
    std::vector<double> y(x.size()), s(8);
    for (auto _ : state) {
        state.PauseTiming();
        y = x;
        std::fill(s.begin(), s.end(), 0.0);
        state.ResumeTiming();
        referenceCascade(y.data(), kSamples, d.a.data(), d.b.data(), s.data(), 4);
        benchmark::DoNotOptimize(y[kSamples - 1]);
    }
    state.SetItemsProcessed(state.iterations() * kSamples);
}

}  // namespace

// Argument: 0 noise, 1 impulse then zeros.
BENCHMARK(BM_IIRFilter2)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReferenceCascade)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
