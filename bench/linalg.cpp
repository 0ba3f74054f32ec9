// Dense linear algebra of this library against reference LAPACK (Debian's
// netlib liblapack3, loaded at run time so that nothing else changes in the
// build) on the same matrices in the same process: LU solve (dgesv),
// Cholesky (dpotrf), inverse (dgetrf + dgetri), least squares by the SVD
// (dgelss), the products MatrixMul and AxVect (reference BLAS dgemm and
// dgemv, which liblapack3 loads), SVD with vectors (dgesvd), symmetric
// eigen-decomposition with vectors (dsyev) and general eigenvalues (dgeev),
// at n = 100, 200, 500, 1000 (or the orders given).
//
// Every timed call starts from a fresh copy of the input (one memcpy, the
// same for both contenders). Row-major input read as column-major is the
// transpose, which costs LAPACK the same. A sample is a batch of calls long
// enough to time (the same batch for both); the rounds are interleaved so
// that the load of a shared machine hits both alike. The table gives the
// median time per call, the ratio ours / LAPACK, and our rate in GFLOP/s
// where the operation count is standard (LU 2n^3/3, Cholesky n^3/3, inverse
// 2n^3, products 2n^3 and 2n^2), to set against the x87 limit of about
// 3.6 GFLOP/s with four independent extended sums in flight.
//
//   orin_bench_linalg [reps [n ...]]
#include <orin/linalg.h>

#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

struct Lapack {
    void (*dgesv)(const int *, const int *, double *, const int *, int *, double *, const int *, int *);
    void (*dpotrf)(const char *, const int *, double *, const int *, int *);
    void (*dgetrf)(const int *, const int *, double *, const int *, int *, int *);
    void (*dgetri)(const int *, double *, const int *, const int *, double *, const int *, int *);
    void (*dgesvd)(const char *, const char *, const int *, const int *, double *, const int *, double *, double *,
                   const int *, double *, const int *, double *, const int *, int *);
    void (*dsyev)(const char *, const char *, const int *, double *, const int *, double *, double *, const int *,
                  int *);
    void (*dgeev)(const char *, const char *, const int *, double *, const int *, double *, double *, double *,
                  const int *, double *, const int *, double *, const int *, int *);
    void (*dgelss)(const int *, const int *, const int *, double *, const int *, double *, const int *, double *,
                   const double *, int *, double *, const int *, int *);
    void (*dgemm)(const char *, const char *, const int *, const int *, const int *, const double *, const double *,
                  const int *, const double *, const int *, const double *, double *, const int *);
    void (*dgemv)(const char *, const int *, const int *, const double *, const double *, const int *, const double *,
                  const int *, const double *, double *, const int *);
};

bool loadLapack(Lapack &l) {
    void *h = dlopen("liblapack.so.3", RTLD_NOW);
    if (!h) return false;
    auto sym = [&](const char *name, auto &f) {
        f = reinterpret_cast<std::remove_reference_t<decltype(f)>>(dlsym(h, name));
        return f != nullptr;
    };
    return sym("dgesv_", l.dgesv) && sym("dpotrf_", l.dpotrf) && sym("dgetrf_", l.dgetrf) && sym("dgetri_", l.dgetri) &&
           sym("dgesvd_", l.dgesvd) && sym("dsyev_", l.dsyev) && sym("dgeev_", l.dgeev) && sym("dgelss_", l.dgelss) &&
           sym("dgemm_", l.dgemm) && sym("dgemv_", l.dgemv);
}

// Seconds per call of f over a batch of calls.
double seconds(const std::function<void()> &f, int batch) {
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < batch; ++i) f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() / batch;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char **argv) {
    const int reps = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    std::vector<int> orders;
    for (int i = 2; i < argc; ++i) orders.push_back(std::atoi(argv[i]));
    if (orders.empty()) orders = {100, 200, 500, 1000};
    Lapack L{};
    if (!loadLapack(L)) {
        std::fprintf(stderr, "liblapack.so.3 not found\n");
        return 1;
    }
    std::printf("%-22s %5s %12s %12s %8s %8s\n", "operation", "n", "ours [ms]", "LAPACK [ms]", "ratio", "GFLOP/s");
    for (int n : orders) {
        if (n < 1) continue;
        std::mt19937_64 gen(n);
        std::uniform_real_distribution<double> u(-1, 1);
        const size_t nn = size_t(n) * n;
        std::vector<double> a(nn), spd(nn, 0.0), b(n), work(nn), work2(nn), s(n), v(nn), w(n), wi(n);
        for (double &x : a) x = u(gen);
        for (double &x : b) x = u(gen);
        for (int i = 0; i < n; ++i)  // A A^T + n I
            for (int j = 0; j < n; ++j) {
                long double t = 0;
                for (int k = 0; k < n; ++k) t += (long double)a[size_t(i) * n + k] * a[size_t(j) * n + k];
                spd[size_t(i) * n + j] = double(t) + (i == j ? n : 0);
            }
        std::vector<int32_t> perm(n);
        std::vector<int> ipiv(n);
        std::vector<complexnum> cw(n);
        std::vector<double> packed(size_t(n) * (n + 1) / 2), x(n);
        const double zero = 0, unit = 1, rcond = -1;
        int info = 0, one = 1, lwork = -1, rank = 0;
        int32_t parity = 0;
        auto query = [&](auto call) {  // workspace size query
            double q = 0;
            lwork = -1;
            call(&q);
            return std::max(1, int(q));
        };
        const double n3 = double(n) * n * n;
        struct Row {
            const char *name;
            double flops;  // 0: no standard count
            std::function<void()> ours, theirs;
        };
        const std::vector<Row> rows = {
            {"LU solve", 2 * n3 / 3,
             [&] {
                 work = a;
                 x = b;
                 LUFactor(work.data(), n, perm.data(), &parity);
                 LULinEqs(work.data(), perm.data(), x.data(), n, x.data());
             },
             [&] {
                 work = a;
                 x = b;
                 L.dgesv(&n, &one, work.data(), &n, ipiv.data(), x.data(), &n, &info);
             }},
            {"Cholesky", n3 / 3,
             [&] {
                 Matrix_to_Compact(spd.data(), n, 2, packed.data());
                 Cholesky(packed.data(), n);
             },
             [&] {
                 work = spd;
                 L.dpotrf("U", &n, work.data(), &n, &info);
             }},
            {"inverse", 2 * n3, [&] { InvMatrix(a.data(), n, work.data()); },
             [&] {
                 work = a;
                 L.dgetrf(&n, &n, work.data(), &n, ipiv.data(), &info);
                 const int lw = query([&](double *q) { L.dgetri(&n, work.data(), &n, ipiv.data(), q, &lwork, &info); });
                 std::vector<double> ws(lw);
                 L.dgetri(&n, work.data(), &n, ipiv.data(), ws.data(), &lw, &info);
             }},
            {"GenLinEqs (SVD)", 0,
             [&] {
                 x = b;  // the same copy as LAPACK's right-hand side
                 GenLinEqs(a.data(), n, n, x.data(), w.data());
             },
             [&] {
                 work = a;
                 x = b;
                 const int lw = query([&](double *q) {
                     L.dgelss(&n, &n, &one, work.data(), &n, x.data(), &n, s.data(), &rcond, &rank, q, &lwork, &info);
                 });
                 std::vector<double> ws(lw);
                 L.dgelss(&n, &n, &one, work.data(), &n, x.data(), &n, s.data(), &rcond, &rank, ws.data(), &lw, &info);
             }},
            {"MatrixMul", 2 * n3, [&] { MatrixMul(a.data(), spd.data(), n, n, n, work.data()); },
             [&] { L.dgemm("N", "N", &n, &n, &n, &unit, spd.data(), &n, a.data(), &n, &zero, work.data(), &n); }},
            {"AxVect", 2.0 * n * n, [&] { AxVect(a.data(), n, n, b.data(), x.data()); },
             [&] { L.dgemv("T", &n, &n, &unit, a.data(), &n, b.data(), &one, &zero, x.data(), &one); }},
            {"SVD with vectors", 0,
             [&] {
                 work = a;
                 SVD(work.data(), n, n, s.data(), v.data());
             },
             [&] {
                 work = a;
                 const int lw = query([&](double *q) {
                     L.dgesvd("S", "S", &n, &n, work.data(), &n, s.data(), work2.data(), &n, v.data(), &n, q, &lwork,
                              &info);
                 });
                 std::vector<double> ws(lw);
                 L.dgesvd("S", "S", &n, &n, work.data(), &n, s.data(), work2.data(), &n, v.data(), &n, ws.data(), &lw,
                          &info);
             }},
            {"symmetric eigen + vec", 0, [&] { SymEvectorEvalue(spd.data(), n, 1, work.data(), w.data()); },
             [&] {
                 work = spd;
                 const int lw =
                     query([&](double *q) { L.dsyev("V", "U", &n, work.data(), &n, w.data(), q, &lwork, &info); });
                 std::vector<double> ws(lw);
                 L.dsyev("V", "U", &n, work.data(), &n, w.data(), ws.data(), &lw, &info);
             }},
            {"general eigenvalues", 0, [&] { GenEigenValueVector(a.data(), n, 0, cw.data(), nullptr); },
             [&] {
                 work = a;
                 const int lw = query([&](double *q) {
                     L.dgeev("N", "N", &n, work.data(), &n, w.data(), wi.data(), nullptr, &one, nullptr, &one, q,
                             &lwork, &info);
                 });
                 std::vector<double> ws(lw);
                 L.dgeev("N", "N", &n, work.data(), &n, w.data(), wi.data(), nullptr, &one, nullptr, &one, ws.data(),
                         &lw, &info);
             }},
        };
        for (const Row &r : rows) {
            // A batch long enough (about 20 ms) that the clock's resolution
            // and the scheduler's ticks do not dominate a sample.
            const double once = std::min(seconds(r.ours, 1), seconds(r.theirs, 1));
            const int batch = std::clamp(int(0.02 / std::max(once, 1e-9)), 1, 100000);
            std::vector<double> ours, theirs;
            for (int k = 0; k < reps; ++k) {  // interleaved, so drifts hit both alike
                ours.push_back(seconds(r.ours, batch));
                theirs.push_back(seconds(r.theirs, batch));
            }
            const double o = median(ours), t = median(theirs);
            std::printf("%-22s %5d %12.3f %12.3f %8.2f", r.name, n, o * 1e3, t * 1e3, o / t);
            if (r.flops > 0) std::printf(" %8.2f", r.flops / o * 1e-9);
            std::printf("\n");
            std::fflush(stdout);
        }
    }
    return 0;
}
