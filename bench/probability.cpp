// Distribution functions and inverses over a sweep of arguments (per-call
// time), and one- to three-way analysis of variance of 10^6 observations
// against a plain two-pass loop over the same data written here (group
// means first, squared deviations second, in double). Where GSL is present,
// its distribution functions and inverses run over the same sweeps (a peer
// of different accuracy: GSL computes to near double precision).
#include <orin/statistics.h>

#include <benchmark/benchmark.h>

#ifdef ORIN_HAVE_GSL
#include <gsl/gsl_cdf.h>
#endif

#include <cmath>
#include <random>
#include <vector>

namespace {

constexpr int kSweep = 256;

template <class F>
void sweep(benchmark::State &state, double lo, double hi, F f) {
    std::vector<double> args(kSweep);
    for (int i = 0; i < kSweep; ++i) args[static_cast<size_t>(i)] = lo + (hi - lo) * (i + 0.5) / kSweep;
    double out = 0;
    for (auto _ : state)
        for (double a : args) {
            f(a, &out);
            benchmark::DoNotOptimize(out);
        }
    state.SetItemsProcessed(state.iterations() * kSweep);
}

void BM_Erf(benchmark::State &s) {
    sweep(s, -6, 6, [](double x, double *o) { Erf_h(&x, o); });
}
void BM_NDist(benchmark::State &s) {
    sweep(s, -6, 6, [](double x, double *o) { N_Dist(x, o); });
}
void BM_TDist(benchmark::State &s) {
    const int32_t df = static_cast<int32_t>(s.range(0));
    sweep(s, -8, 8, [df](double x, double *o) { T_Dist(x, df, o); });
}
void BM_XXDist(benchmark::State &s) {
    const int32_t df = static_cast<int32_t>(s.range(0));
    sweep(s, 0.01, 3.0 * df, [df](double x, double *o) { XX_Dist(x, df, o); });
}
void BM_FDist(benchmark::State &s) {
    const int32_t df = static_cast<int32_t>(s.range(0));
    sweep(s, 0.01, 6, [df](double x, double *o) { F_Dist(x, df, 2 * df, o); });
}
void BM_InvNDist(benchmark::State &s) {
    sweep(s, 0.001, 0.999, [](double p, double *o) { InvN_Dist(p, o); });
}
void BM_InvTDist(benchmark::State &s) {
    const int32_t df = static_cast<int32_t>(s.range(0));
    sweep(s, 0.001, 0.999, [df](double p, double *o) { InvT_Dist(p, df, o); });
}
void BM_InvXXDist(benchmark::State &s) {
    const int32_t df = static_cast<int32_t>(s.range(0));
    sweep(s, 0.001, 0.999, [df](double p, double *o) { InvXX_Dist(p, df, o); });
}
void BM_InvFDist(benchmark::State &s) {
    const int32_t df = static_cast<int32_t>(s.range(0));
    sweep(s, 0.001, 0.999, [df](double p, double *o) { InvF_Dist(p, df, 2 * df, o); });
}

#ifdef ORIN_HAVE_GSL
void BM_GslNDist(benchmark::State &s) {
    sweep(s, -6, 6, [](double x, double *o) { *o = gsl_cdf_ugaussian_P(x); });
}
void BM_GslTDist(benchmark::State &s) {
    const double df = static_cast<double>(s.range(0));
    sweep(s, -8, 8, [df](double x, double *o) { *o = gsl_cdf_tdist_P(x, df); });
}
void BM_GslXXDist(benchmark::State &s) {
    const double df = static_cast<double>(s.range(0));
    sweep(s, 0.01, 3.0 * df, [df](double x, double *o) { *o = gsl_cdf_chisq_P(x, df); });
}
void BM_GslFDist(benchmark::State &s) {
    const double df = static_cast<double>(s.range(0));
    sweep(s, 0.01, 6, [df](double x, double *o) { *o = gsl_cdf_fdist_P(x, df, 2 * df); });
}
void BM_GslInvNDist(benchmark::State &s) {
    sweep(s, 0.001, 0.999, [](double p, double *o) { *o = gsl_cdf_ugaussian_Pinv(p); });
}
void BM_GslInvTDist(benchmark::State &s) {
    const double df = static_cast<double>(s.range(0));
    sweep(s, 0.001, 0.999, [df](double p, double *o) { *o = gsl_cdf_tdist_Pinv(p, df); });
}
void BM_GslInvXXDist(benchmark::State &s) {
    const double df = static_cast<double>(s.range(0));
    sweep(s, 0.001, 0.999, [df](double p, double *o) { *o = gsl_cdf_chisq_Pinv(p, df); });
}
void BM_GslInvFDist(benchmark::State &s) {
    const double df = static_cast<double>(s.range(0));
    sweep(s, 0.001, 0.999, [df](double p, double *o) { *o = gsl_cdf_fdist_Pinv(p, df, 2 * df); });
}
BENCHMARK(BM_GslNDist);
BENCHMARK(BM_GslTDist)->Arg(1)->Arg(10)->Arg(1000);
BENCHMARK(BM_GslXXDist)->Arg(1)->Arg(10)->Arg(1000);
BENCHMARK(BM_GslFDist)->Arg(1)->Arg(10)->Arg(1000);
BENCHMARK(BM_GslInvNDist);
BENCHMARK(BM_GslInvTDist)->Arg(1)->Arg(10)->Arg(1000);
BENCHMARK(BM_GslInvXXDist)->Arg(1)->Arg(10)->Arg(1000);
BENCHMARK(BM_GslInvFDist)->Arg(1)->Arg(10)->Arg(1000);
#endif

BENCHMARK(BM_Erf);
BENCHMARK(BM_NDist);
BENCHMARK(BM_TDist)->Arg(1)->Arg(10)->Arg(1000);
BENCHMARK(BM_XXDist)->Arg(1)->Arg(10)->Arg(1000);
BENCHMARK(BM_FDist)->Arg(1)->Arg(10)->Arg(1000);
BENCHMARK(BM_InvNDist);
BENCHMARK(BM_InvTDist)->Arg(1)->Arg(10)->Arg(1000);
BENCHMARK(BM_InvXXDist)->Arg(1)->Arg(10)->Arg(1000);
BENCHMARK(BM_InvFDist)->Arg(1)->Arg(10)->Arg(1000);

// 10^6 observations of a balanced design with levels {10}, {10, 10} or
// {10, 10, 10}, in a random order.
struct Data {
    std::vector<double> y;
    std::vector<std::vector<int32_t>> index;
    int32_t m;
};

const Data &design(int factors) {
    static Data cache[4];
    Data &d = cache[factors];
    if (!d.y.empty()) return d;
    const int cells = factors == 1 ? 10 : factors == 2 ? 100 : 1000;
    d.m = 1000000 / cells;
    std::mt19937_64 gen(7);
    std::normal_distribution<double> noise(1e3, 1);
    std::uniform_int_distribution<int> pick(0, cells - 1);
    std::vector<int> left(static_cast<size_t>(cells), d.m);
    d.index.assign(static_cast<size_t>(factors), {});
    for (int t = 0; t < 1000000; ++t) {
        int c = pick(gen);
        while (left[static_cast<size_t>(c)] == 0) c = (c + 1) % cells;
        --left[static_cast<size_t>(c)];
        d.y.push_back(noise(gen) + 0.01 * c);
        for (int f = factors - 1, rest = c; f >= 0; --f, rest /= 10)
            d.index[static_cast<size_t>(f)].push_back(rest % 10);
    }
    return d;
}

void BM_ANOVA1Way(benchmark::State &state) {
    const Data &d = design(1);
    double o[7];
    for (auto _ : state) {
        ANOVA1Way(d.y.data(), d.index[0].data(), 1000000, 10, o, o + 1, o + 2, o + 3, o + 4, o + 5, o + 6);
        benchmark::DoNotOptimize(o[2]);
    }
    state.SetItemsProcessed(state.iterations() * 1000000);
}
void BM_ANOVA2Way(benchmark::State &state) {
    const Data &d = design(2);
    double t[16], p[3];
    for (auto _ : state) {
        ANOVA2Way(d.y.data(), d.index[0].data(), d.index[1].data(), 1000000, d.m, 10, 10, t, p, p + 1, p + 2);
        benchmark::DoNotOptimize(p[0]);
    }
    state.SetItemsProcessed(state.iterations() * 1000000);
}
void BM_ANOVA3Way(benchmark::State &state) {
    const Data &d = design(3);
    double t[32], p[7];
    for (auto _ : state) {
        ANOVA3Way(d.y.data(), d.index[0].data(), d.index[1].data(), d.index[2].data(), 1000000, d.m, 10, 10, 10, t, p,
                  p + 1, p + 2, p + 3, p + 4, p + 5, p + 6);
        benchmark::DoNotOptimize(p[0]);
    }
    state.SetItemsProcessed(state.iterations() * 1000000);
}

// The plain loop: cell means in a first pass, the within-cell squared
// deviations in a second (the error sum of squares, the costliest part).
void BM_TwoPassReference(benchmark::State &state) {
    const int factors = static_cast<int>(state.range(0));
    const Data &d = design(factors);
    const int cells = factors == 1 ? 10 : factors == 2 ? 100 : 1000;
    std::vector<double> sum(static_cast<size_t>(cells));
    std::vector<int> count(static_cast<size_t>(cells));
    std::vector<int> cell(d.y.size());
    for (auto _ : state) {
        std::fill(sum.begin(), sum.end(), 0.0);
        std::fill(count.begin(), count.end(), 0);
        for (size_t t = 0; t < d.y.size(); ++t) {
            int c = 0;
            for (int f = 0; f < factors; ++f) c = c * 10 + d.index[static_cast<size_t>(f)][t];
            cell[t] = c;
            sum[static_cast<size_t>(c)] += d.y[t];
            ++count[static_cast<size_t>(c)];
        }
        for (int c = 0; c < cells; ++c) sum[static_cast<size_t>(c)] /= count[static_cast<size_t>(c)];
        double sse = 0;
        for (size_t t = 0; t < d.y.size(); ++t) {
            const double e = d.y[t] - sum[static_cast<size_t>(cell[t])];
            sse += e * e;
        }
        benchmark::DoNotOptimize(sse);
    }
    state.SetItemsProcessed(state.iterations() * 1000000);
}

BENCHMARK(BM_ANOVA1Way)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ANOVA2Way)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ANOVA3Way)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TwoPassReference)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
