// The measurement engine on a pulse train of 10^6 samples: every measurement
// id 0 to 33 at the first and the 100th occurrence, after a clear, against
// one plain pass computing the minimum and the maximum of the same record.
// The engine computes each intermediate once (extremes, histogram, the
// record's sums, the edge and crossing lists up to the 100th pulse), so the
// whole set should cost a few such passes.
#include <orin/measurement.h>

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

// 1000 pulses of 1000 samples: trapezoids from 0 to 5 V with edges of 20
// samples, a damped ring after each edge and a little deterministic noise.
const std::vector<double> &pulseTrain() {
    static const std::vector<double> x = [] {
        std::vector<double> v(1000000);
        for (size_t i = 0; i < v.size(); ++i) {
            const double p = static_cast<double>(i % 1000);
            double level = p < 400 ? 0 : p < 420 ? (p - 400) / 20 : p < 900 ? 1 : p < 920 ? 1 - (p - 900) / 20 : 0;
            const double since = p >= 920 ? p - 920 : p >= 420 ? p - 420 : p + 80;
            const double ring = 0.06 * std::exp(-since / 15) * std::sin(since / 3);
            v[i] = 5 * level + (p >= 420 && p < 920 ? ring : -ring) * 5 + 0.01 * std::sin(i * 0.7);
        }
        return v;
    }();
    return x;
}

void BM_EngineEveryMeasurementAfterClear(benchmark::State &state) {
    const auto &x = pulseTrain();
    const tRefLevels levels{90, 50, 10, 1};
    const tRefOptions options{0, 256};
    int32_t session = 0;
    if (measurements_create(&session) != 0) state.SkipWithError("no session");
    double sum = 0;
    for (auto _ : state) {
        measurements_clear(session);
        for (int32_t occurrence : {1, 100})
            for (int32_t id = 0; id < kMeasNone; ++id) {
                double r = 0;
                tCursorStruct c;
                if (measurements_fetch(session, id, &levels, &options, occurrence, 0, 1e-6, x.data(),
                                       static_cast<int32_t>(x.size()), &r, &c) != 0)
                    state.SkipWithError("a measurement failed");
                sum += r;
            }
    }
    benchmark::DoNotOptimize(sum);
    measurements_destroy(session);
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(x.size()));
}

void BM_PlainMinimumAndMaximumPass(benchmark::State &state) {
    const auto &x = pulseTrain();
    for (auto _ : state) {
        double lo = x[0], hi = x[0];
        for (size_t i = 1; i < x.size(); ++i) {
            if (x[i] > hi) hi = x[i];
            else if (x[i] < lo) lo = x[i];
        }
        benchmark::DoNotOptimize(lo);
        benchmark::DoNotOptimize(hi);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(x.size()));
}

}  // namespace

BENCHMARK(BM_EngineEveryMeasurementAfterClear)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainMinimumAndMaximumPass)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
