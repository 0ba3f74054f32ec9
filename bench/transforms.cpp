// Fourier transforms of this library against FFTW (estimate-mode plans,
// plan creation excluded) and GSL's mixed-radix FFT (wavetable and
// workspace made outside the timed loop), on the same data in one process.
//
// Every timed call restores the input (one memcpy, the same for every
// contender) and transforms it in place, so that repeated transforms do not
// grow the values towards overflow. After the Google Benchmark runs, a table
// from an interleaved comparison prints the time per transform of each
// contender and the ratios ours / FFTW and ours / GSL.
//
//   orin_bench_transforms [--benchmark_filter=...] [--ratios-only | --no-ratios]
//                         [--kinds=complex,real,realinv] [--lengths=1000,1024,...]
#include <orin/transforms.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <functional>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#ifdef ORIN_HAVE_FFTW
#include <fftw3.h>
#endif
#ifdef ORIN_HAVE_GSL
#include <gsl/gsl_errno.h>
#include <gsl/gsl_fft_complex.h>
#include <gsl/gsl_fft_halfcomplex.h>
#include <gsl/gsl_fft_real.h>
#endif

namespace {

const std::vector<int32_t> kSizes = {1 << 10, 1 << 12, 1 << 16, 1 << 20, 1000,  3 * 1024,
                                     10000,   100000,  1000000, 257,     65537, 1000003};

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

#ifdef ORIN_HAVE_GSL
// GSL transforms a prime length by the direct O(n^2) sum: the two large
// primes would take minutes per call.
bool gslTakes(int32_t n) { return n != 65537 && n != 1000003; }

void gslSizes(benchmark::internal::Benchmark *b) {
    for (int32_t n : kSizes)
        if (gslTakes(n)) b->Arg(n);
    b->Unit(benchmark::kMicrosecond)->MinTime(0.2);
}
#endif

BENCHMARK(BM_ComplexSplit_orin)->Apply(sizes);
BENCHMARK(BM_ComplexInterleaved_orin)->Apply(sizes);
BENCHMARK(BM_Real_orin)->Apply(sizes);
#ifdef ORIN_HAVE_FFTW
BENCHMARK(BM_ComplexInterleaved_fftw)->Apply(sizes);
BENCHMARK(BM_Real_fftw)->Apply(sizes);
#endif
#ifdef ORIN_HAVE_GSL
BENCHMARK(BM_ComplexInterleaved_gsl)->Apply(gslSizes);
BENCHMARK(BM_Real_gsl)->Apply(gslSizes);
#endif

// ---- the ratio table ---------------------------------------------------------
// The machine is shared, so contenders timed minutes apart can see different
// loads. For the ratios every size runs the contenders in turn, round after
// round, each round a batch of calls timed by the thread's CPU clock, and
// the table shows each contender's median time per call over the rounds.

double threadSeconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

struct Contender {
    const char *name;
    std::function<void()> call;  // restores the input and transforms it
};

std::vector<double> medians(std::vector<Contender> &cs, int32_t n) {
    // Calls per batch: about 2 ms of the first contender, at least one.
    const double once = [&] {
        const double t0 = threadSeconds();
        cs[0].call();
        return threadSeconds() - t0;
    }();
    const int32_t batch = std::max(1, static_cast<int32_t>(2e-3 / std::max(once, 1e-9)));
    const int32_t rounds = n >= 1000000 ? 5 : 11;
    std::vector<std::vector<double>> t(cs.size());
    for (int32_t r = 0; r < rounds; ++r) {
        for (size_t i = 0; i < cs.size(); ++i) {
            const double t0 = threadSeconds();
            for (int32_t b = 0; b < batch; ++b) cs[i].call();
            t[i].push_back((threadSeconds() - t0) / batch * 1e6);
        }
    }
    std::vector<double> out;
    for (auto &v : t) {
        std::sort(v.begin(), v.end());
        out.push_back(v[v.size() / 2]);
    }
    return out;
}

// The lengths of the table: every power of two from 2^4 to 2^20, then the
// other lengths users meet (round decimal ones, 3 * 2^10, primes).
std::vector<int32_t> tableLengths() {
    // 2^20 first: the last column is relative to it.
    std::vector<int32_t> ns = {1 << 20};
    for (int32_t e = 4; e < 20; ++e) ns.push_back(1 << e);
    for (int32_t n : {1000, 3 * 1024, 10000, 100000, 1000000, 257, 65537, 1000003}) ns.push_back(n);
    return ns;
}

// --kinds=real,realinv and --lengths=1000,1024 restrict the table (for
// quick comparisons while working on one path).
std::string gKinds, gLengths;

bool listed(const std::string &list, const std::string &item) {
    if (list.empty()) return true;
    size_t from = 0;
    while (from <= list.size()) {
        const size_t to = std::min(list.find(',', from), list.size());
        if (list.compare(from, to - from, item) == 0) return true;
        from = to + 1;
    }
    return false;
}

void ratioTable() {
    std::printf("\nInterleaved comparison: median CPU time per transform (us) and ratios\n");
    std::printf("%-8s %8s %11s %11s %11s %10s %9s %9s %10s\n", "kind", "n", "orin", "fftw", "gsl", "orin/fftw",
                "orin/gsl", "orinSplit", "/(nlog2n)");
    double perNLogN20 = 0;
    for (const char *kind : {"complex", "real", "realinv"}) {
        const bool complex = kind[0] == 'c', inverse = std::strcmp(kind, "realinv") == 0;
        if (!listed(gKinds, kind)) continue;
        for (int32_t n : tableLengths()) {
            if (!listed(gLengths, std::to_string(n))) continue;
            const auto in = randomData(2 * static_cast<size_t>(n), 7);
            std::vector<double> a(2 * static_cast<size_t>(n)), b(n);
            // For the real inverse: the spectrum of a real signal, full form
            // (ours), r2c output (FFTW's c2r input) and halfcomplex (GSL's).
            std::vector<double> specRe(in.begin(), in.begin() + n), specIm(n), half(n);
            if (inverse) {
                ReFFT(specRe.data(), specIm.data(), n);
                half[0] = specRe[0];
                for (int32_t k = 1; k < (n + 1) / 2; ++k) half[2 * k - 1] = specRe[k], half[2 * k] = specIm[k];
                if (n % 2 == 0) half[n - 1] = specRe[n / 2];
            }
            std::vector<Contender> cs;
            if (complex) {
                cs.push_back({"orin", [&] {
                                  std::memcpy(a.data(), in.data(), sizeof(double) * a.size());
                                  FFTCx(reinterpret_cast<complexnum *>(a.data()), n);
                              }});
                cs.push_back({"orinSplit", [&] {
                                  std::memcpy(a.data(), in.data(), sizeof(double) * a.size());
                                  FFT(a.data(), a.data() + n, n);
                              }});
            } else if (!inverse) {
                cs.push_back({"orin", [&] {
                                  std::memcpy(a.data(), in.data(), sizeof(double) * n);
                                  ReFFT(a.data(), b.data(), n);
                              }});
            } else {
                // A power of two leaves im as it was: only re is restored.
                const bool keepsIm = (n & (n - 1)) == 0;
                std::memcpy(b.data(), specIm.data(), sizeof(double) * n);
                cs.push_back({"orin", [&, keepsIm] {
                                  std::memcpy(a.data(), specRe.data(), sizeof(double) * n);
                                  if (!keepsIm) std::memcpy(b.data(), specIm.data(), sizeof(double) * n);
                                  ReInvFFT(a.data(), b.data(), n);
                              }});
            }
#ifdef ORIN_HAVE_FFTW
            auto *f = static_cast<double *>(fftw_malloc(sizeof(fftw_complex) * n + 2 * sizeof(double)));
            auto *fc = reinterpret_cast<fftw_complex *>(f);
            std::vector<double> r2c(2 * (n / 2 + 1));
            if (inverse) {
                for (int32_t k = 0; k <= n / 2; ++k) r2c[2 * k] = specRe[k], r2c[2 * k + 1] = specIm[k];
            }
            fftw_plan plan = complex   ? fftw_plan_dft_1d(n, fc, fc, FFTW_FORWARD, FFTW_ESTIMATE)
                             : inverse ? fftw_plan_dft_c2r_1d(n, fc, f, FFTW_ESTIMATE)
                                       : fftw_plan_dft_r2c_1d(n, f, fc, FFTW_ESTIMATE);
            cs.push_back({"fftw", [&] {
                              if (inverse) std::memcpy(f, r2c.data(), sizeof(double) * r2c.size());
                              else std::memcpy(f, in.data(), sizeof(double) * (complex ? 2 * n : n));
                              fftw_execute(plan);
                          }});
#endif
#ifdef ORIN_HAVE_GSL
            gsl_fft_complex_wavetable *cwt = nullptr;
            gsl_fft_complex_workspace *cws = nullptr;
            gsl_fft_real_wavetable *rwt = nullptr;
            gsl_fft_real_workspace *rws = nullptr;
            gsl_fft_halfcomplex_wavetable *hwt = nullptr;
            if (gslTakes(n)) {
                if (complex) {
                    cwt = gsl_fft_complex_wavetable_alloc(n);
                    cws = gsl_fft_complex_workspace_alloc(n);
                    cs.push_back({"gsl", [&] {
                                      std::memcpy(a.data(), in.data(), sizeof(double) * a.size());
                                      gsl_fft_complex_forward(a.data(), 1, n, cwt, cws);
                                  }});
                } else if (!inverse) {
                    rwt = gsl_fft_real_wavetable_alloc(n);
                    rws = gsl_fft_real_workspace_alloc(n);
                    cs.push_back({"gsl", [&] {
                                      std::memcpy(a.data(), in.data(), sizeof(double) * n);
                                      gsl_fft_real_transform(a.data(), 1, n, rwt, rws);
                                  }});
                } else {
                    hwt = gsl_fft_halfcomplex_wavetable_alloc(n);
                    rws = gsl_fft_real_workspace_alloc(n);
                    cs.push_back({"gsl", [&] {
                                      std::memcpy(a.data(), half.data(), sizeof(double) * n);
                                      gsl_fft_halfcomplex_inverse(a.data(), 1, n, hwt, rws);
                                  }});
                }
            }
#endif
            const auto med = medians(cs, n);
            auto get = [&](const char *name) {
                for (size_t i = 0; i < cs.size(); ++i)
                    if (std::strcmp(cs[i].name, name) == 0) return med[i];
                return static_cast<double>(NAN);
            };
            const double o = get("orin"), nl = n * std::log2(static_cast<double>(n));
            if (complex && n == (1 << 20)) perNLogN20 = o / nl;
            std::printf("%-8s %8d %11.2f %11.2f %11.2f %10.2f %9.2f %9.2f %10.2f\n", kind, n, o, get("fftw"),
                        get("gsl"), o / get("fftw"), o / get("gsl"), get("orinSplit"),
                        complex ? o / nl / perNLogN20 : static_cast<double>(NAN));
            std::fflush(stdout);
#ifdef ORIN_HAVE_FFTW
            fftw_destroy_plan(plan);
            fftw_free(f);
#endif
#ifdef ORIN_HAVE_GSL
            if (cwt) gsl_fft_complex_wavetable_free(cwt), gsl_fft_complex_workspace_free(cws);
            if (rwt) gsl_fft_real_wavetable_free(rwt);
            if (hwt) gsl_fft_halfcomplex_wavetable_free(hwt);
            if (rws) gsl_fft_real_workspace_free(rws);
#endif
        }
    }
    std::printf(
        "(last column: ours per n log2 n relative to complex 2^20; gsl is left out for the large primes;\n"
        " realinv: ours restores re (and im where it changes), FFTW n + 2 doubles, GSL n)\n");
}

}  // namespace

int main(int argc, char **argv) {
#ifndef ORIN_HAVE_FFTW
    std::printf("FFTW (libfftw3-dev) not found: the FFTW columns are left out.\n");
#endif
#ifdef ORIN_HAVE_GSL
    gsl_set_error_handler_off();
#endif
    // --ratios-only skips the Google Benchmark runs, --no-ratios the table.
    bool ratiosOnly = false, ratios = true;
    for (int i = argc - 1; i >= 1; --i) {
        if (std::strcmp(argv[i], "--ratios-only") == 0) ratiosOnly = true, argv[i] = argv[--argc];
        else if (std::strcmp(argv[i], "--no-ratios") == 0) ratios = false, argv[i] = argv[--argc];
        else if (std::strncmp(argv[i], "--kinds=", 8) == 0) gKinds = argv[i] + 8, argv[i] = argv[--argc];
        else if (std::strncmp(argv[i], "--lengths=", 10) == 0) gLengths = argv[i] + 10, argv[i] = argv[--argc];
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    if (!ratiosOnly) benchmark::RunSpecifiedBenchmarks();
    if (ratios) ratioTable();
    benchmark::Shutdown();
    return 0;
}
