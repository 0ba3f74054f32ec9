// Hand-written rows: core routines (plain pointers and int32 counts) and the
// few entry points whose declarations do not describe themselves. Each row
// builds arguments that agree with each other for the call's size n, every
// number taken from the call's source, and calls the routine once.
#include "table.h"

#include <bit>

namespace sweep {

namespace {

// Matrices are square of side n up to 16 (larger sides only cost time: the
// methods are cubic), a prime side beyond.
int32_t side(const Call &c) { return c.n() <= 16 ? c.n() : 13; }
// The largest power of two not above n (1 for n < 2), and its log2.
int32_t pow2(int32_t n) { return n < 2 ? 1 : static_cast<int32_t>(std::bit_floor(static_cast<uint32_t>(n))); }
int32_t log2of(int32_t p) { return std::countr_zero(static_cast<uint32_t>(p)); }
int32_t packedCount(int32_t s) { return s * (s + 1) / 2; }
// A valid row permutation of s rows (the identity, or reversed), as LU
// leaves one: the substitutions index rows by it.
int32_t *permutation(Call &c, int32_t s, bool reversed) {
    int32_t *perm = c.intZeros(s);
    for (int32_t i = 0; i < s; ++i) perm[i] = reversed ? s - 1 - i : i;
    return perm;
}

// A length for the FFT family: the sweep's n, and as variants an even
// length of factors 2 and 3, 3 2^k and a prime past the direct kernels
// (taken by chirp-z), each path with allocations of its own.
int32_t fftLength(Call &c) { return c.choose({c.n(), 12, 192, 211}); }
// Elements from the source, or zeros, of the real or the complex twin of a
// routine (T double or complexnum).
template <class T>
T *data(Call &c, int32_t count) {
    if constexpr (std::is_same_v<T, complexnum>) return c.complexes(count);
    else return c.doubles(count);
}
template <class T>
T *zeros(Call &c, int32_t count) {
    if constexpr (std::is_same_v<T, complexnum>) return c.complexZeros(count);
    else return c.zeros(count);
}
// A symmetric matrix (s x s, or its packed lower triangle) whose diagonal
// dominates: positive definite from valid values, so that the Cholesky
// family gets past its first panel.
template <class T>
T *positiveDefinite(Call &c, int32_t s, bool packed) {
    T *a = data<T>(c, packed ? packedCount(s) : s * s);
    if (s < 1 || c.n() < 0) return a;
    for (int32_t j = 0; j < s; ++j) {
        for (int32_t i = j; i < s && !packed; ++i) a[j * s + i] = a[i * s + j];
        T &d = a[packed ? j * s - j * (j - 1) / 2 : j * s + j];
        if constexpr (std::is_same_v<T, complexnum>) d = {d.re + s, 0.0};
        else d += s;
    }
    return a;
}

// An IIR filter of a band type and an order from the source, its buffers
// sized for them as a caller's would be: zeros for a design to fill, or
// coefficients from the source for a filter to run.
IIRFilterInfo iirFilter(Call &c, const std::vector<int32_t> &types, bool design) {
    IIRFilterInfo f{};
    f.type = c.integer(c.choose(types));
    f.order = c.count(4);
    const int32_t sections = f.order > 0 ? (f.order + 1) / 2 : 0, m = f.type >= 2 ? 4 : 2;
    f.aCount = m * sections;
    f.bCount = (m + 1) * sections;
    f.a = design ? c.zeros(f.aCount) : c.doubles(f.aCount);
    f.b = design ? c.zeros(f.bCount) : c.doubles(f.bCount);
    return f;
}
// A design of every band type.
template <class Design>
int32_t iirDesign(Call &c, Design design) {
    IIRFilterInfo f = iirFilter(c, {0, 1, 2, 3}, true);
    return design(c, &f);
}

// A table, one entry per line:
// clang-format off
#define ROW(name) {#name, {}, -1, [](Call &c) -> int32_t
#define END }
// The real and the complex routine of a pair whose arguments differ in their
// element type only: one body, with T the element type and f the routine.
#define TWINS(real, complex, ...) \
    ROW(real) { using T [[maybe_unused]] = double; const auto f = real; __VA_ARGS__ } END, \
    ROW(complex) { using T [[maybe_unused]] = complexnum; const auto f = complex; __VA_ARGS__ } END

}  // namespace

std::vector<Row> coreRows() {
    return {
        // ---- arrays ----
        ROW(LinEv1D) { const int32_t n = c.n(); double *x = c.doubles(n); return LinEv1D(x, n, c.real(2.0), c.real(0.5), c.outFor(x, n)); } END,
        ROW(LinEv2D) { const int32_t s = side(c); double *x = c.doubles(s * s); return LinEv2D(x, s, s, c.real(2.0), c.real(0.5), c.outFor(x, s * s)); } END,
        ROW(PolyEv1D) { const int32_t n = c.n(); double *x = c.doubles(n); return PolyEv1D(x, n, c.doubles(4), c.count(4), c.outFor(x, n)); } END,
        ROW(PolyEv2D) { const int32_t s = side(c); double *x = c.doubles(s * s); return PolyEv2D(x, s, s, c.doubles(4), c.count(4), c.outFor(x, s * s)); } END,
        ROW(MaxMin1D) { const int32_t n = c.n(); return MaxMin1D(c.doubles(n), n, c.outDouble(), c.outInt(), c.outDouble(), c.outInt()); } END,
        ROW(MaxMin2D) { const int32_t s = side(c); return MaxMin2D(c.doubles(s * s), s, s, c.outDouble(), c.outInt(), c.outInt(), c.outDouble(), c.outInt(), c.outInt()); } END,
        ROW(Normal1D) { const int32_t n = c.n(); double *x = c.doubles(n); return Normal1D(x, n, c.outFor(x, n), c.outDouble(), c.outDouble()); } END,
        ROW(Normal2D) { const int32_t s = side(c); double *x = c.doubles(s * s); return Normal2D(x, s, s, c.outFor(x, s * s), c.outDouble(), c.outDouble()); } END,
        ROW(Scale1D) { const int32_t n = c.n(); double *x = c.doubles(n); return Scale1D(x, n, c.outFor(x, n), c.outDouble(), c.outDouble()); } END,
        ROW(Scale2D) { const int32_t s = side(c); double *x = c.doubles(s * s); return Scale2D(x, s, s, c.outFor(x, s * s), c.outDouble(), c.outDouble()); } END,
        ROW(QScale1D) { const int32_t n = c.n(); double *x = c.doubles(n); return QScale1D(x, n, c.outFor(x, n), c.outDouble()); } END,
        ROW(QScale2D) { const int32_t s = side(c); double *x = c.doubles(s * s); return QScale2D(x, s, s, c.outFor(x, s * s), c.outDouble()); } END,
        ROW(UnitVector) { const int32_t n = c.n(); return UnitVector(c.doubles(n), n, c.outDouble()); } END,
        ROW(ToPolar) { return ToPolar(c.real(1.0), c.real(-2.0), c.outDouble(), c.outDouble()); } END,
        ROW(ToRect) { return ToRect(c.real(1.0), c.real(0.5), c.outDouble(), c.outDouble()); } END,
        ROW(ToPolar1D) { const int32_t n = c.n(); double *re = c.doubles(n), *im = c.doubles(n); return ToPolar1D(re, im, n, c.outFor(re, n), c.outFor(im, n)); } END,
        ROW(ToRect1D) { const int32_t n = c.n(); double *m = c.doubles(n), *p = c.doubles(n); return ToRect1D(m, p, n, c.outFor(m, n), c.outFor(p, n)); } END,

        // ---- filters ----
        ROW(FIR_Coef) { const int32_t taps = c.count(15); return FIR_Coef(c.integer(0), c.real(1000), c.real(100), c.real(200), taps, c.zeros(taps)); } END,
        ROW(IIR_Filtering) {
            const int32_t n = c.n(), na = c.count(3), nb = c.count(3);
            double *a = c.doubles(na);
            if (na > 0) a[0] = c.real(1.0);
            double *x = c.doubles(n), *b = c.doubles(nb);
            return IIR_Filtering(x, n, a, c.zeros(na > 1 ? na - 1 : 0), na, b, c.zeros(nb > 1 ? nb - 1 : 0), nb, c.outFor(x, n));
        } END,
        ROW(MedianFilter) { const int32_t n = c.n(); double *x = c.kept(n); return MedianFilter(x, n, c.integer(n > 2 ? 1 : 0), c.outFor(x, n)); } END,
        ROW(Equi_Ripple_Iter) {
            double desired[2] = {c.real(1.0), c.real(0.0)}, weights[2] = {c.real(1.0), c.real(1.0)};
            double edges[4] = {c.real(0.0), c.real(100.0), c.real(200.0), c.real(500.0)};
            const int32_t taps = c.count(21);
            return Equi_Ripple_Iter(2, desired, weights, c.real(1000.0), edges, c.integer(1), taps, c.zeros(taps), c.outDouble(), c.integer(25));
        } END,
        ROW(Equi_Ripple) {
            double desired[2] = {c.real(1.0), c.real(0.0)}, weights[2] = {c.real(1.0), c.real(1.0)};
            double edges[4] = {c.real(0.0), c.real(100.0), c.real(200.0), c.real(500.0)};
            const int32_t taps = c.count(21);
            return Equi_Ripple(2, desired, weights, c.real(1000.0), edges, c.integer(1), taps, c.zeros(taps), c.outDouble());
        } END,
        ROW(FIRNarrowBandFilter) {
            // y holds n + (model - 1) M + image - 1 values.
            const int32_t n = c.n(), kind = c.integer(0), M = c.count(2), model = c.count(5), image = c.count(3);
            const int32_t out = n + (model > 0 ? model : 1) * (M > 0 ? M : 1) + (image > 0 ? image : 1);
            return FIRNarrowBandFilter(c.doubles(n), n, kind, M, model, c.doubles(model), image, c.doubles(image), c.zeros(out));
        } END,

        // IIR designs write into caller buffers sized for the order.
        ROW(Bw_Coef) { return iirDesign(c, [](Call &k, IIRFilterInfo *f) { return Bw_Coef(k.real(1000), k.real(100), k.real(200), f); }); } END,
        ROW(Bessel_Coef) { return iirDesign(c, [](Call &k, IIRFilterInfo *f) { return Bessel_Coef(k.real(1000), k.real(100), k.real(200), f); }); } END,
        ROW(Ch_Coef) { return iirDesign(c, [](Call &k, IIRFilterInfo *f) { return Ch_Coef(k.real(1000), k.real(100), k.real(200), k.real(1.0), f); }); } END,
        ROW(InvCh_Coef) { return iirDesign(c, [](Call &k, IIRFilterInfo *f) { return InvCh_Coef(k.real(1000), k.real(100), k.real(200), k.real(40.0), f); }); } END,
        ROW(Elp_Coef) { return iirDesign(c, [](Call &k, IIRFilterInfo *f) { return Elp_Coef(k.real(1000), k.real(100), k.real(200), k.real(1.0), k.real(40.0), f); }); } END,
        ROW(IIR_Filtering2) {
            const int32_t n = c.n();
            IIRFilterInfo f = iirFilter(c, {2, 0}, false);
            f.stateCount = f.aCount;
            f.state = c.doubles(f.stateCount);
            f.init = c.integer(1);
            double *x = c.doubles(n);
            return IIR_Filtering2(x, n, &f, c.outFor(x, n));
        } END,
        ROW(Parks) {
            // Two bands of a lowpass in a host array of band records.
            UHandle bands = c.rawHandle(4 + 2 * sizeof(FIRBand));
            auto *block = reinterpret_cast<FIRBandArray *>(*bands);
            block->dimSize = 2;
            block->elt[0] = {c.real(1.0), c.real(0.0), c.real(100.0), c.real(1.0)};
            block->elt[1] = {c.real(0.0), c.real(200.0), c.real(500.0), c.real(1.0)};
            const int32_t taps = c.integer(21), kind = c.integer(0), maxIter = c.integer(25);
            const double fs = c.real(1000.0);
            auto *h = static_cast<DoubleArrayHdl>(c.handle(Kind::kD1, 0));
            int32_t *error = c.outInt();
            const int32_t status = Parks(&taps, &fs, reinterpret_cast<FIRBandArrayHdl>(bands), &kind, h, c.outDouble(), &maxIter, error);
            return *error ? *error : status;
        } END,
        ROW(FIRNarrowCoef) {
            FIRNarrowDesign *design = nullptr;
            const int32_t code = FIRNarrowCoef(c.real(1000.0), c.real(100.0), c.real(150.0), c.real(0.0), c.real(0.01), c.real(40.0), c.integer(0), &design);
            FreeFIRNarrowMem(&design, 0);
            return code;
        } END,
        ROW(FIRNarrowCoef_head) {
            const double fs = c.real(1000.0), f1 = c.real(100.0), f2 = c.real(150.0), fc = c.real(0.0), dp = c.real(0.01), as = c.real(40.0);
            const int32_t type = c.integer(0);
            FIRNarrowCluster cluster{0, 0, static_cast<DoubleArrayHdl>(c.handle(Kind::kD1, 0)), static_cast<DoubleArrayHdl>(c.handle(Kind::kD1, 0))};
            int32_t *error = c.outInt();
            const int32_t status = FIRNarrowCoef_head(&fs, &f1, &f2, &fc, &dp, &as, &type, &cluster, error);
            // A failed design leaves no decimation factor behind (a kept one
            // shows as the undocumented code -1).
            if (*error && cluster.M != 0) return -1;
            return *error ? *error : status;
        } END,
        ROW(FIRnarrowFilter_head) {
            // Variants long enough that the convolutions go through the FFT,
            // single-stage and cascade.
            const int32_t n = c.choose({c.n(), 2000, 2000}), taps = n == 2000 ? 200 : 5;
            auto *x = static_cast<DoubleArrayHdl>(c.handle(Kind::kD1, n));
            const FIRNarrowCluster cluster{c.integer(0), c.integer(c.choose({2, 1, 3})), static_cast<DoubleArrayHdl>(c.handle(Kind::kD1, taps)),
                                           static_cast<DoubleArrayHdl>(c.handle(Kind::kD1, taps == 5 ? 3 : taps))};
            int32_t *error = c.outInt();
            const int32_t status = FIRnarrowFilter_head(x, &cluster, static_cast<DoubleArrayHdl>(c.handle(Kind::kD1, 0)), error);
            return *error ? *error : status;
        } END,

        // ---- fitting ----
        ROW(LinFitCoef) { const int32_t n = c.n(); return LinFitCoef(c.doubles(n), c.doubles(n), n, c.outDouble(), c.outDouble()); } END,
        ROW(ExpFitCoef) { const int32_t n = c.n(); return ExpFitCoef(c.doubles(n), c.doubles(n), n, c.outDouble(), c.outDouble()); } END,
        ROW(GenLSFitCoef) {
            const int32_t n = c.n(), k = n < 3 ? n : 3;
            return GenLSFitCoef(c.doubles(n * k), n, k, c.doubles(n), c.doubles(n), c.zeros(k), c.zeros(k * k), c.integer(c.choose({0, 1, 2, 3, 4, 5})));
        } END,
        ROW(GetNewCoef) { const int32_t k = side(c); return GetNewCoef(c.doubles(k * k), c.doubles(k), k, c.real(0.01), c.doubles(k)); } END,
        ROW(CxPolyRoots) {
            const int32_t n = c.n() <= 64 ? c.n() : 61;
            return CxPolyRoots(c.complexes(n), n, c.budget(0), c.complexZeros(n > 1 ? n - 1 : 0));
        } END,
        ROW(PolyInterp) { const int32_t n = c.n(); return PolyInterp(c.doubles(n), c.doubles(n), n, c.real(0.3), c.outDouble(), c.outDouble()); } END,
        ROW(RatInterp) { const int32_t n = c.n(); return RatInterp(c.doubles(n), c.doubles(n), n, c.real(0.3), c.outDouble(), c.outDouble()); } END,
        ROW(Spline) { const int32_t n = c.n(); return Spline(c.doubles(n), c.doubles(n), n, c.real(0.0), c.real(0.0), c.zeros(n)); } END,
        ROW(SpInterp_head) {
            const int32_t n = c.n();
            auto y = static_cast<DoubleArrayHdl>(c.handle(Kind::kD1, n));
            auto x = static_cast<DoubleArrayHdl>(c.handle(Kind::kD1, n));
            auto y2 = static_cast<DoubleArrayHdl>(c.handle(Kind::kD1, n));
            const double xval = c.real(0.3);
            int32_t *error = c.outInt();
            const int32_t status = SpInterp_head(&y, &x, &y2, &xval, c.outDouble(), error);
            return *error ? *error : status;
        } END,
        ROW(SpInterp) { const int32_t n = c.n(); return SpInterp(c.doubles(n), c.doubles(n), c.doubles(n), n, c.real(0.3), c.outDouble()); } END,

        // ---- generation ----
        ROW(srandnum) { srandnum(c.integer(17), c.outInt(), c.outInt(), c.outInt()); return 0; } END,
        ROW(randnum) { int32_t *s = c.ints(3, 30000); randnum(s, s + 1, s + 2); return 0; } END,
        ROW(frandnum) { int32_t *s = c.ints(3, 30000); frandnum(s, s + 1, s + 2); return 0; } END,
        ROW(GaussNoise) {
            const int32_t n = c.n();
            int32_t *s = c.ints(4, 30000);
            return GaussNoise(n, c.real(1.0), c.integer(17), c.zeros(n), s, s + 1, s + 2, s + 3, c.outDouble());
        } END,
        ROW(WhiteNoise) { const int32_t n = c.n(); return WhiteNoise(n, c.real(1.0), c.integer(17), c.zeros(n), c.outInt(), c.outInt(), c.outInt()); } END,
        ROW(SineWave) { const int32_t n = c.n(); double *phase = c.outDouble(); *phase = c.real(10.0); return SineWave(n, c.real(1.0), c.real(0.05), phase, c.zeros(n)); } END,
        ROW(SquareWave) { const int32_t n = c.n(); double *phase = c.outDouble(); *phase = c.real(10.0); return SquareWave(n, c.real(1.0), c.real(0.05), phase, c.real(50.0), c.zeros(n)); } END,
        ROW(TriangleWave) { const int32_t n = c.n(); double *phase = c.outDouble(); *phase = c.real(10.0); return TriangleWave(n, c.real(1.0), c.real(0.05), phase, c.zeros(n)); } END,
        ROW(SawtoothWave) { const int32_t n = c.n(); double *phase = c.outDouble(); *phase = c.real(10.0); return SawtoothWave(n, c.real(1.0), c.real(0.05), phase, c.zeros(n)); } END,
        ROW(ArbitraryWave) {
            const int32_t n = c.n(), m = c.count(8);
            double *phase = c.outDouble();
            *phase = c.real(10.0);
            return ArbitraryWave(n, c.real(1.0), c.real(0.05), phase, c.doubles(m), m, c.integer(1), c.zeros(n));
        } END,
        ROW(Impulse) { const int32_t n = c.n(); return Impulse(n, c.real(1.0), c.integer(n / 2), c.zeros(n)); } END,
        ROW(Pulse) { const int32_t n = c.n(); return Pulse(n, c.real(1.0), c.integer(n / 4), c.integer(n / 2), c.zeros(n)); } END,
        ROW(Ramp) { const int32_t n = c.n(); return Ramp(n, c.real(0.0), c.real(1.0), c.zeros(n)); } END,
        ROW(Sinc) { const int32_t n = c.n(); return Sinc(n, c.real(1.0), c.real(2.0), c.real(0.1), c.zeros(n)); } END,
        ROW(SinePattern) { const int32_t n = c.n(); return SinePattern(n, c.real(1.0), c.real(0.0), c.real(2.0), c.zeros(n)); } END,
        ROW(GenSquareWave) { const int32_t n = c.n(); return GenSquareWave(n, c.real(50.0), c.real(2.0), c.real(1.0), c.zeros(n), c.outInt()); } END,
        ROW(Chirp) { const int32_t n = c.n(); return Chirp(n, c.real(1.0), c.real(0.01), c.real(0.2), c.zeros(n)); } END,
        ROW(FreqMod) { const int32_t n = c.n(); return FreqMod(n, c.real(0.001), c.outDouble(), c.real(50.0), c.doubles(n), c.outDouble(), c.outDouble()); } END,
        ROW(PhasMod) { const int32_t n = c.n(); return PhasMod(n, c.real(0.001), c.outDouble(), c.real(50.0), c.doubles(n), c.outDouble(), c.outDouble()); } END,

        // ---- linear algebra ----
        TWINS(IdentityMatrix, CxIdentityMatrix, const int32_t s = side(c); return f(s, zeros<T>(c, s * s));),
        TWINS(DiagonalMatrix, CxDiagonalMatrix, const int32_t s = side(c); return f(data<T>(c, s), s, zeros<T>(c, s * s));),
        TWINS(ToeplitzMatrix, CxToeplitzMatrix, const int32_t s = side(c); return f(data<T>(c, s), s, data<T>(c, s), s, zeros<T>(c, s * s));),
        TWINS(VanderMatrix, CxVanderMatrix, const int32_t s = side(c); return f(data<T>(c, s), s, zeros<T>(c, s * s));),
        TWINS(CompanMatrix, CxCompanMatrix, const int32_t s = side(c); const int32_t d = s > 1 ? s - 1 : 0; return f(data<T>(c, s), s, zeros<T>(c, d * d));),
        TWINS(SpecialMatrix, CxSpecialMatrix, const int32_t s = side(c); return f(c.integer(2), s, data<T>(c, s), s, data<T>(c, s), s, zeros<T>(c, s * s));),
        TWINS(Transpose, CxTranspose, const int32_t s = side(c); T *a = data<T>(c, s * (s + 1)); return f(a, s, s + 1, c.outFor(a, s * (s + 1)));),
        TWINS(MatrixMul, MatrixMulCx, const int32_t s = side(c); return f(data<T>(c, s * s), data<T>(c, s * s), s, s, s, zeros<T>(c, s * s));),
        TWINS(AxVect, AxVectCx, const int32_t s = side(c); return f(data<T>(c, s * s), s, s, data<T>(c, s), zeros<T>(c, s));),
        ROW(DotProduct) { const int32_t n = c.n(); return DotProduct(c.doubles(n), c.doubles(n), n, c.outDouble()); } END,
        TWINS(OuterProduct, OuterProductCx, const int32_t s = side(c); return f(data<T>(c, s), s, data<T>(c, s), s, zeros<T>(c, s * s));),
        ROW(Trace) { const int32_t s = side(c); return Trace(c.doubles(s * s), s, s, c.outDouble()); } END,
        ROW(LUFactor) { const int32_t s = side(c); return LUFactor(c.doubles(s * s), s, c.intZeros(s), c.outInt()); } END,
        ROW(LU) { const int32_t s = side(c); LU(c.doubles(s * s), c.intZeros(s), s, c.outInt(), c.outInt()); return 0; } END,
        TWINS(LULinEqs, CxLULinEqs,
            const int32_t s = side(c);
            T *lu = data<T>(c, s * s), *b = data<T>(c, s);
            return f(lu, permutation(c, s, false), b, s, c.outFor(b, s));),
        TWINS(LUInvMatrix, CxLUInvMatrix,
            const int32_t s = side(c);
            T *lu = data<T>(c, s * s);
            return f(lu, permutation(c, s, true), s, c.outFor(lu, s * s));),
        ROW(InvMatrix) { const int32_t s = side(c); return InvMatrix(c.doubles(s * s), s, c.zeros(s * s)); } END,
        TWINS(GenLinEqs, CxGenLinEqs, const int32_t s = side(c); return f(data<T>(c, (s + 1) * s), s + 1, s, data<T>(c, s + 1), zeros<T>(c, s));),
        ROW(Determinant) { const int32_t s = side(c); return Determinant(positiveDefinite<double>(c, s, false), s, c.integer(c.choose({0, 1})), c.outNaN()); } END,
        TWINS(Matrix_to_Compact, CxMatrix_to_Compact, const int32_t s = side(c); return f(data<T>(c, s * s), s, c.integer(0), zeros<T>(c, packedCount(s)));),
        TWINS(Compact_to_Matrix, CxCompact_to_Matrix, const int32_t s = side(c); return f(data<T>(c, packedCount(s)), s, c.integer(2), zeros<T>(c, s * s));),
        TWINS(Cholesky, CxCholesky, const int32_t s = side(c); return f(positiveDefinite<T>(c, s, true), s);),
        TWINS(CholeskyLinEqs, CxCholeskyLinEqs, const int32_t s = side(c); T *l = data<T>(c, packedCount(s)), *b = data<T>(c, s); return f(l, b, s, c.outFor(b, s));),
        TWINS(Cholesky_InvMatrix, CxCholesky_InvMatrix, const int32_t s = side(c); T *l = data<T>(c, packedCount(s)); return f(l, s, c.outFor(l, packedCount(s)));),
        TWINS(TriLinEqs, CxTriLinEqs, const int32_t s = side(c); return f(data<T>(c, packedCount(s)), data<T>(c, s), s, c.integer(0), zeros<T>(c, s));),
        ROW(Tri_InvMatrix) { const int32_t s = side(c); return Tri_InvMatrix(c.doubles(packedCount(s)), s, c.integer(1), c.zeros(packedCount(s))); } END,
        TWINS(CheckPosdef, CxCheckPosdef, const int32_t s = side(c); return f(positiveDefinite<T>(c, s, false), s, c.outInt());),
        TWINS(CondNumber, CxCondNumber, const int32_t s = side(c); return f(data<T>(c, s * s), s, s, c.integer(c.choose({0, 1, 2, 3})), c.outNaN());),
        TWINS(SVD, CxSVD, const int32_t s = side(c); return f(data<T>(c, (s + 1) * s), s + 1, s, c.zeros(s), zeros<T>(c, s * s));),
        TWINS(SVDS, CxSVDS, const int32_t s = side(c); return f(data<T>(c, (s + 1) * s), s + 1, s, c.zeros(s));),
        ROW(SymEvectorEvalue) { const int32_t s = side(c); return SymEvectorEvalue(c.doubles(s * s), s, c.integer(1), c.zeros(s * s), c.zeros(s)); } END,
        ROW(GenEigenValueVector) { const int32_t s = side(c); return GenEigenValueVector(c.doubles(s * s), s, c.integer(1), c.complexZeros(s), c.complexZeros(s * s)); } END,
        ROW(qrd) { const int32_t s = side(c), m = s + 1; return qrd(c.doubles(m * s), m, s, c.integer(c.choose({0, 1, 2})), c.zeros(m * m), c.zeros(m * s), c.outInt()); } END,
        ROW(Householder_Factor) { const int32_t s = side(c), m = s + 1; return Householder_Factor(c.doubles(m * s), m, s, c.zeros(m * m), c.zeros(m * s)); } END,
        ROW(givens_qrd) { const int32_t s = side(c), m = s + 1; return givens_qrd(c.doubles(m * s), m, s, c.zeros(m * m), c.zeros(m * s), c.outInt()); } END,
        ROW(fast_giv_qrd) { const int32_t s = side(c), m = s + 1; return fast_giv_qrd(c.doubles(m * s), m, s, c.zeros(m * m), c.zeros(m * s), c.outInt()); } END,
        TWINS(PseudoInverse, CxPseudoInverse, const int32_t s = side(c), m = s + 1; return f(data<T>(c, m * s), m, s, c.real(-1.0), zeros<T>(c, s * m));),
        TWINS(Rank, CxRank, const int32_t s = side(c), m = s + 1; return f(data<T>(c, m * s), m, s, c.real(-1.0), c.outInt());),
        TWINS(Norm, CxNorm, const int32_t s = side(c); return f(data<T>(c, s * s), s, s, c.integer(c.choose({0, 1, 2, 3})), c.outNaN());),
        ROW(CxLU) { const int32_t s = side(c); return CxLU(c.complexes(s * s), s, c.intZeros(s), c.outInt()); } END,
        ROW(DotProductCx) { const int32_t n = c.n(); return DotProductCx(c.complexes(n), c.complexes(n), n, c.complexZeros(1)); } END,
        ROW(CxTrace) { const int32_t s = side(c); return CxTrace(c.complexes(s * s), s, s, c.complexZeros(1)); } END,
        ROW(CxDeterminant) { const int32_t s = side(c); return CxDeterminant(positiveDefinite<complexnum>(c, s, false), s, c.integer(c.choose({0, 1})), c.outNaNComplex()); } END,
        ROW(CxTri_InvMatrix) { const int32_t s = side(c); return CxTri_InvMatrix(c.complexes(packedCount(s)), s, c.integer(1), c.complexZeros(s * s)); } END,
        ROW(Cxqrd) { const int32_t s = side(c), m = s + 1; return Cxqrd(c.complexes(m * s), m, s, c.integer(0), c.complexZeros(m * m), c.complexZeros(m * s), c.outInt()); } END,
        ROW(CxHouseholder_Factor) { const int32_t s = side(c), m = s + 1; return CxHouseholder_Factor(c.complexes(m * s), m, s, c.complexZeros(m * m), c.complexZeros(m * s)); } END,
        ROW(CxGenEigenVectorValue) { const int32_t s = side(c); return CxGenEigenVectorValue(c.complexes(s * s), s, c.integer(c.choose({1, 0})), c.complexZeros(s), c.complexZeros(s * s)); } END,
        ROW(HermEvectorEvalue) {
            const int32_t s = side(c), want = c.integer(1);
            complexnum *a = c.complexes(s * s);
            return HermEvectorEvalue(a, s, want, c.outFor(a, s * s, want == 1 ? s * s : 0), c.zeros(s));
        } END,
        ROW(CxEigenValueVector) { const int32_t s = side(c); return CxEigenValueVector(c.complexes(s * s), s, c.integer(c.choose({1, 0})), c.integer(1), c.complexZeros(s), c.complexZeros(s * s)); } END,

        // ---- statistics ----
        ROW(Ave) { const int32_t n = c.n(); if (n < 1) return 0; Ave(c.doubles(n), n, c.outDouble()); return 0; } END,
        ROW(Median) { const int32_t n = c.n(); return Median(c.doubles(n), n, c.kept(1)); } END,
        ROW(Moment) { const int32_t n = c.n(); return Moment(c.doubles(n), n, c.integer(3), c.outDouble()); } END,
        ROW(StdDev) { const int32_t n = c.n(); return StdDev(c.doubles(n), n, c.outDouble(), c.outDouble()); } END,
        ROW(RMS) { const int32_t n = c.n(); return RMS(c.doubles(n), n, c.outDouble()); } END,
        ROW(MSE) { const int32_t n = c.n(); return MSE(c.doubles(n), n, c.doubles(n), c.real(n), c.outDouble()); } END,
        ROW(Sort) { const int32_t n = c.n(); double *x = c.doubles(n); return Sort(x, n, c.integer(0), c.outFor(x, n)); } END,
        ROW(Rev) { const int32_t n = c.n(); Rev(c.doubles(n), n); return 0; } END,
        ROW(MaxMin) { const int32_t n = c.n(); if (n < 1) return 0; MaxMin(c.doubles(n), n, c.outDouble(), c.outDouble()); return 0; } END,
        ROW(N_Dist) { return N_Dist(c.real(0.5), c.outDouble()); } END,
        ROW(T_Dist) { return T_Dist(c.real(0.5), c.integer(5), c.outDouble()); } END,
        ROW(XX_Dist) { return XX_Dist(c.real(0.5), c.integer(5), c.outDouble()); } END,
        ROW(F_Dist) { return F_Dist(c.real(0.5), c.integer(5), c.integer(7), c.outDouble()); } END,
        ROW(BetaI) { return BetaI(c.real(2.0), c.real(3.0), c.real(0.4), c.outDouble()); } END,
        ROW(GammLn) { GammLn(c.real(3.5)); return 0; } END,
        ROW(BetaCF) { BetaCF(c.real(2.0), c.real(3.0), c.real(0.4)); return 0; } END,
        ROW(erf) { erf(c.real(0.5)); return 0; } END,
        ROW(InvN_Dist) { return InvN_Dist(c.real(0.7), c.outDouble()); } END,
        ROW(InvT_Dist) { return InvT_Dist(c.real(0.7), c.integer(5), c.outDouble()); } END,
        ROW(InvXX_Dist) { return InvXX_Dist(c.real(0.7), c.integer(5), c.outDouble()); } END,
        ROW(InvF_Dist) { return InvF_Dist(c.real(0.7), c.integer(5), c.integer(7), c.outDouble()); } END,
        ROW(Erf_h) { double x = c.real(0.5); return Erf_h(&x, c.outDouble()); } END,
        ROW(NormDist_head) { double x = c.real(0.5); return NormDist_head(&x, c.outDouble()); } END,
        ROW(ANOVA1Way) {
            const int32_t n = c.n(), k = c.integer(2);
            return ANOVA1Way(c.doubles(n), c.ints(n, 2), n, k, c.outDouble(), c.outDouble(), c.outDouble(), c.outDouble(), c.outDouble(), c.outDouble(), c.outDouble());
        } END,
        ROW(ANOVA2Way) {
            // A balanced 2 x 2 design, m observations per cell, levels from the source.
            const int32_t m = c.n() / 4 > 0 ? c.n() / 4 : 1, n = 4 * m;
            return ANOVA2Way(c.doubles(n), c.ints(n, 2), c.ints(n, 2), n, c.integer(m), c.integer(2), c.integer(2), c.zeros(15), c.outDouble(), c.outDouble(), c.outDouble());
        } END,
        ROW(ANOVA3Way) {
            const int32_t m = c.n() / 8 > 1 ? c.n() / 8 : 2, n = 8 * m;
            return ANOVA3Way(c.doubles(n), c.ints(n, 2), c.ints(n, 2), c.ints(n, 2), n, c.integer(m), c.integer(2), c.integer(2), c.integer(2), c.zeros(32),
                             c.outDouble(), c.outDouble(), c.outDouble(), c.outDouble(), c.outDouble(), c.outDouble(), c.outDouble());
        } END,
        ROW(Contingency_Table) { const int32_t s = side(c); return Contingency_Table(s, s, c.ints(s * s, 9), c.outDouble(), c.outDouble()); } END,
        ROW(Histogra) {
            const int32_t n = c.n(), bins = c.count(5);
            if (bins < 1) return 0;
            Histogra(c.doubles(n), n, c.real(1.0), c.real(-1.0), c.intZeros(bins), c.zeros(bins), bins);
            return 0;
        } END,
        ROW(cacula_Histogra) {
            const int32_t n = c.n(), bins = c.count(5);
            if (n < 1 || bins < 1) return 0;
            cacula_Histogra(c.doubles(n), n, c.zeros(bins), c.intZeros(bins), bins);
            return 0;
        } END,
        ROW(GeneralHistogram) {
            const int32_t n = c.n();
            HistogramBin bins[3];
            for (int32_t b = 0; b < 3; ++b) bins[b] = {c.real(-1.0 + b * 0.5), c.real(-0.5 + b * 0.5), c.integer(b)};
            return GeneralHistogram(c.doubles(n), n, bins, 3, c.intZeros(3), c.intZeros(3));
        } END,

        ROW(GenHistH) {
            const int32_t n = c.n(), bins = 3;
            auto *x = static_cast<DoubleArrayHdl>(c.handle(Kind::kD1, n));
            UHandle b = c.rawHandle(4 + bins * sizeof(HistogramBin));
            auto *block = reinterpret_cast<HistogramBinArray *>(*b);
            block->dimSize = bins;
            for (int32_t i = 0; i < bins; ++i) block->elt[i] = {c.real(-1.0 + i * 0.5), c.real(-0.5 + i * 0.5), c.integer(i)};
            int32_t *error = c.outInt();
            const int32_t status = GenHistH(x, reinterpret_cast<HistogramBinArrayHdl>(b), static_cast<Int32ArrayHdl>(c.handle(Kind::kI1, 0)),
                                            c.intZeros(3), error);
            return *error ? *error : status;
        } END,

        ROW(isCycleMeasurement) { isCycleMeasurement(c.integer(1)); return 0; } END,

        // ---- time domain ----
        ROW(Integrate) { const int32_t n = c.n(); double *x = c.doubles(n); Integrate(x, n, c.real(0.001), c.real(0.0), c.real(0.0), c.outFor(x, n)); return 0; } END,
        ROW(Difference) { const int32_t n = c.n(); int32_t *e = c.outInt(); double *x = c.doubles(n); Difference(x, n, c.real(0.001), c.real(0.0), c.real(0.0), c.outFor(x, n), e); return *e; } END,
        ROW(NumerIntegration) { const int32_t n = c.n(); return NumerIntegration(c.doubles(n), n, c.real(0.001), c.outDouble(), c.integer(1)); } END,
        ROW(Decimate) {
            const int32_t n = c.n(), factor = c.integer(2);
            double *x = c.doubles(n);
            return Decimate(x, n, factor, c.integer(1), c.outFor(x, n, factor >= 1 ? n / factor : 0));
        } END,
        ROW(UnWrap1D) { const int32_t n = c.n(); return UnWrap1D(c.doubles(n), n); } END,
        ROW(Convolve) { const int32_t n = c.n(), m = c.n() / 2 + 1; return Convolve(c.doubles(n), n, c.doubles(m), m, c.zeros(n + m > 1 ? n + m - 1 : 1)); } END,
        ROW(PulseParam) {
            const int32_t n = c.n();
            int32_t *e = c.outInt();
            PulseParam(c.doubles(n), n, c.outDouble(), c.outDouble(), c.outDouble(), c.outDouble(), c.outDouble(), c.outDouble(), c.outDouble(),
                       c.outDouble(), c.outDouble(), c.outDouble(), c.outDouble(), c.outDouble(), c.outDouble(), e);
            return *e;
        } END,
        ROW(qaTriggerDetection) {
            const int32_t n = c.n(), ch = 2;
            // The counts and flags are caller-held state: from the source.
            return qaTriggerDetection(c.doubles(n * ch), n, ch, c.doubles(ch), c.doubles(ch), c.zeros(ch), c.ints(ch, 2), c.integer(4), c.intZeros(50),
                                      c.ints(ch, 1), c.ints(ch, 1), c.zeros(ch));
        } END,

        // ---- transforms ----
        ROW(SplitRadixCxFFT) { const int32_t p = pow2(c.n()); return SplitRadixCxFFT(c.doubles(p), c.doubles(p), p, 1); } END,
        ROW(SplitRadixCxInvFFT) { const int32_t p = pow2(c.n()); return SplitRadixCxInvFFT(c.doubles(p), c.doubles(p), p); } END,
        ROW(SplitRadixReFFT) { const int32_t p = pow2(c.n()); return SplitRadixReFFT(c.doubles(p), c.zeros(p), p); } END,
        ROW(SplitRadixReInvFFT) { const int32_t p = pow2(c.n()); return SplitRadixReInvFFT(c.doubles(p), c.doubles(p), p); } END,
        ROW(SpReFFT) { const int32_t p = pow2(c.n()); return SpReFFT(c.doubles(p), p, log2of(p)); } END,
        ROW(SpReInvFFT) { const int32_t p = pow2(c.n()); return SpReInvFFT(c.doubles(p), p, log2of(p)); } END,
        ROW(FHT) { const int32_t n = c.n(); return FHT(c.doubles(n), n); } END,
        ROW(InvFHT) { const int32_t n = c.n(); return InvFHT(c.doubles(n), n); } END,
        ROW(MixFFT) {
            // Every length with complex (0) and real (1) input.
            const int32_t n = fftLength(c);
            return MixFFT(c.kept(n), c.kept(n), n, c.integer(c.choose({0, 0, 0, 0, 1, 1, 1, 1})), 1);
        } END,
        ROW(FFT) { const int32_t n = fftLength(c); return FFT(c.kept(n), c.kept(n), n); } END,
        ROW(CxMixFFTRe) { const int32_t n = fftLength(c); return CxMixFFTRe(c.kept(n), c.kept(n), n); } END,
        ROW(FFTCx) { const int32_t n = fftLength(c); return FFTCx(c.keptComplexes(n), n); } END,
        ROW(CxMixFFTCx) { const int32_t n = fftLength(c); return CxMixFFTCx(c.keptComplexes(n), n); } END,
        ROW(ReFFT) { const int32_t n = fftLength(c); return ReFFT(c.kept(n), c.zeros(n), n); } END,
        ROW(ReMixFFTRe) { const int32_t n = fftLength(c); return ReMixFFTRe(c.kept(n), c.zeros(n), n); } END,
        ROW(ReFFTCx) { const int32_t n = fftLength(c); return ReFFTCx(c.keptComplexes(n), n); } END,
        ROW(ReMixFFTCx) { const int32_t n = fftLength(c); return ReMixFFTCx(c.keptComplexes(n), n); } END,
        ROW(InvFFT) { const int32_t n = fftLength(c); return InvFFT(c.kept(n), c.kept(n), n); } END,
        ROW(InvFFTCx) { const int32_t n = fftLength(c); return InvFFTCx(c.keptComplexes(n), n); } END,
        ROW(ReInvFFT) { const int32_t n = fftLength(c); return ReInvFFT(c.kept(n), c.kept(n), n); } END,
        ROW(ReInvFFTCx) { const int32_t n = fftLength(c); return ReInvFFTCx(c.keptComplexes(n), n); } END,

        // ---- windows ----
        ROW(GenCosWin) { const int32_t n = c.n(); return GenCosWin(c.kept(n), n, c.doubles(3), c.count(3), c.integer(c.choose({1, 0}))); } END,
        ROW(CxGenCosWin) { const int32_t n = c.n(); return CxGenCosWin(c.keptComplexes(n), n, c.doubles(3), c.count(3), c.integer(c.choose({0, 1}))); } END,
        ROW(CosTaperedWin) { const int32_t n = c.n(); return CosTaperedWin(c.doubles(n), n); } END,
        ROW(ExpWin) { const int32_t n = c.n(); return ExpWin(c.doubles(n), n, c.real(0.1)); } END,
        ROW(ForceWin) { const int32_t n = c.n(); return ForceWin(c.doubles(n), n, c.real(50.0)); } END,
        ROW(KsrWin) { const int32_t n = c.n(); return KsrWin(c.doubles(n), n, c.real(2.0)); } END,
        ROW(TriWin) { const int32_t n = c.n(); return TriWin(c.doubles(n), n); } END,
    };
}

// Lengths come from c.n() (the sweep makes it 0, -1 and INT32_MIN), the
// arrays hold max(n, 0) elements, so that any access is one past an array;
// the other int32 parameters come from the source, which makes them extreme
// too. Pure indices that no length guards (Interpolate's i, the factor
// tables' positions) are the caller's to keep valid and are not swept.
std::vector<Row> kernelRows() {
    return {
        // ---- linear algebra ----
        ROW(BackSub) { const int32_t n = c.n(); BackSub(c.doubles(n), n, c.doubles(n)); return 0; } END,
        ROW(ForwSub) { const int32_t n = c.n(); ForwSub(c.doubles(n), c.intZeros(n), n, c.doubles(n)); return 0; } END,
        ROW(ConstrUnitMatrix) { const int32_t n = c.n(); return ConstrUnitMatrix(n, c.zeros(n)); } END,
        ROW(IndexMatrixCol) { const int32_t n = c.n(); IndexMatrixCol(c.doubles(n), n, n, c.integer(0), c.zeros(n)); return 0; } END,
        ROW(CxIndexMatrixCol) { const int32_t n = c.n(); CxIndexMatrixCol(c.complexes(n), n, n, c.integer(0), c.complexZeros(n)); return 0; } END,
        ROW(DMprod) { const int32_t n = c.n(); return DMprod(c.doubles(n), n, n, c.doubles(n), n, c.zeros(n)); } END,
        ROW(MDprod) { const int32_t n = c.n(); return MDprod(c.doubles(n), n, n, c.doubles(n), n, c.zeros(n)); } END,
        ROW(MMprod_givens) { const int32_t n = c.n(); return MMprod_givens(0.6, 0.8, c.integer(0), c.integer(1), c.doubles(n), n, n); } END,
        ROW(MMprod_fast_giv) { const int32_t n = c.n(); return MMprod_fast_giv(0.5, 0.5, c.integer(1), c.integer(0), c.integer(1), c.doubles(n), n, n); } END,
        ROW(Vnorm2) { const int32_t n = c.n(); return Vnorm2(c.doubles(n), n, c.outDouble()); } END,
        ROW(CxVnorm2) { const int32_t n = c.n(); return CxVnorm2(c.complexes(n), n, c.outDouble()); } END,
        ROW(house_calc) { const int32_t n = c.n(); HouseholderVector hh{0, 0.0, c.zeros(n)}; return house_calc(c.doubles(n), n, &hh); } END,
        ROW(Cxhouse_calc) { const int32_t n = c.n(); CxHouseholderVector hh{0, 0.0, c.complexZeros(n)}; return Cxhouse_calc(c.complexes(n), n, &hh); } END,
        ROW(MVprod_house) {
            const int32_t n = c.n();
            const HouseholderVector hh{c.integer(0), -1.0, c.doubles(n)};
            return MVprod_house(&hh, c.integer(0), c.doubles(n), n, c.zeros(n));
        } END,
        ROW(CxMVprod_house) {
            const int32_t n = c.n();
            const CxHouseholderVector hh{c.integer(0), 1.0, c.complexes(n)};
            return CxMVprod_house(&hh, c.integer(0), c.complexes(n), n, c.complexZeros(n));
        } END,
        ROW(Mhhld_step) { const int32_t n = c.n(); HouseholderVector hh{0, 0.0, c.zeros(n)}; return Mhhld_step(c.doubles(n), n, n, &hh, c.zeros(n)); } END,
        ROW(CxMhhld_step) { const int32_t n = c.n(); CxHouseholderVector hh{0, 0.0, c.complexZeros(n)}; return CxMhhld_step(c.complexes(n), n, n, &hh, c.complexZeros(n)); } END,
        // The exponent is not a length: from the source.
        ROW(CxPow) { CxPow({c.real(0.5), c.real(0.5)}, c.integer(3)); return 0; } END,

        // ---- transforms ----
        ROW(BitReverse) { const int32_t n = c.n(); BitReverse(c.doubles(n), c.doubles(n), n, 1); return 0; } END,
        ROW(Log2) { Log2(c.n()); Log2(c.integer(8)); return 0; } END,
        ROW(CxMul1D) { const int32_t n = c.n(); return CxMul1D(c.doubles(n), c.doubles(n), c.doubles(n), c.doubles(n), n, c.zeros(n), c.zeros(n)); } END,
        ROW(SinglePrimeUsingChirpZ) { const int32_t n = c.n(); return SinglePrimeUsingChirpZ(c.doubles(n), c.doubles(n), n, c.integer(8), c.integer(0), 1); } END,
        ROW(factorize) { return factorize(c.n(), c.outInt(), c.intZeros(32)); } END,
        ROW(initTrig) { const int32_t n = c.n(); initTrig(n, c.zeros(n), c.zeros(n)); return 0; } END,
        ROW(initChirp) { const int32_t n = c.n(); initChirp(n, n, c.zeros(n), c.zeros(n), c.zeros(n), c.zeros(n)); return 0; } END,
        ROW(FastHilbert) { const int32_t n = c.n(); return FastHilbert(c.doubles(n), n, c.integer(3), c.outInt()); } END,
        ROW(DisHilbert) { const int32_t n = c.n(); return DisHilbert(static_cast<DoubleArrayHdl>(c.handle(Kind::kD1, n)), n, c.outInt()); } END,
        ROW(Sxx) { const int32_t n = c.n(); return Sxx(c.doubles(n), n, c.integer(3)); } END,
        ROW(DSxx) { const int32_t n = c.n(); return DSxx(static_cast<DoubleArrayHdl>(c.handle(Kind::kD1, n)), n); } END,
        ROW(ReSize) { const int32_t n = c.n(); return ReSize(static_cast<DoubleArrayHdl>(c.handle(Kind::kD1, n)), n, c.outInt()); } END,
        ROW(Sxy_FFT) { const int32_t n = c.n(); return Sxy_FFT(c.doubles(n), c.doubles(n), n, c.integer(3)); } END,
        ROW(Sxy_DFT) {
            const int32_t n = c.n();
            return Sxy_DFT(static_cast<DoubleArrayHdl>(c.handle(Kind::kD1, n)), static_cast<DoubleArrayHdl>(c.handle(Kind::kD1, n)), n, c.outInt());
        } END,

        // ---- time domain ----
        ROW(ReFFTMultiply) { const int32_t n = c.n(); ReFFTMultiply(c.doubles(n), c.doubles(n), n); return 0; } END,
        ROW(MagnitudeSquared) { const int32_t n = c.n(); MagnitudeSquared(c.doubles(n), n); return 0; } END,
        ROW(Divide) { const int32_t n = c.n(); Divide(c.doubles(n), c.doubles(n), n); return 0; } END,
        ROW(Dxy) { const int32_t n = c.n(); return Dxy(c.doubles(n), c.doubles(n), n, c.integer(3)); } END,
        // The shift is not a length: from the source, over a handle of n.
        ROW(Rotate) { return Rotate(static_cast<DoubleArrayHdl>(c.handle(Kind::kD1, c.n() > 0 ? c.n() : 3)), c.integer(1)); } END,
        ROW(Mean) { const int32_t n = c.n(); Mean(c.doubles(n), n, c.outDouble()); return 0; } END,
        ROW(Neg1D) { const int32_t n = c.n(); Neg1D(c.doubles(n), n); return 0; } END,
        ROW(FindModes) { const int32_t n = c.n(); FindModes(c.ints(n, 9), c.doubles(n), n, c.outDouble(), c.outDouble()); return 0; } END,
        ROW(AmpParameters) {
            const int32_t n = c.n();
            AmpParameters(c.doubles(n), n, c.outDouble(), c.outDouble(), c.outDouble(), c.outDouble(), c.outDouble());
            return 0;
        } END,
        ROW(TimeParameters) {
            const int32_t n = c.n();
            TimeParameters(c.doubles(n), n, 1.0, 1.0, 0.0, 0.1, 0.5, 0.9, c.outDouble(), c.outDouble(), c.outDouble(), c.outDouble(), c.outDouble());
            return 0;
        } END,
        ROW(ddDot) { const int32_t n = c.n(); ddDot(c.doubles(n), c.doubles(n), n); return 0; } END,
        ROW(dLUBackSubPivot) { const int32_t n = c.n(); double *row = c.doubles(n); dLUBackSubPivot(&row, n, c.intZeros(n), c.doubles(n)); return 0; } END,
        ROW(dLUPivot) { const int32_t n = c.n(); double *row = c.doubles(n); return dLUPivot(&row, n, c.intZeros(n)); } END,
        ROW(dComputeLSQFitCoeff) {
            const int32_t n = c.n();
            double *rows[3] = {c.doubles(n), c.doubles(n), c.doubles(n)};
            dComputeLSQFitCoeff(c.doubles(n), n, rows, c.zeros(3), c.count(3));
            return 0;
        } END,
        ROW(InternalPeakDataSize) { return InternalPeakDataSize(c.n()) < 0 ? kErrPeakWidth : 0; } END,
        ROW(AllocPeakCINData) { UHandle h = nullptr; const int32_t code = AllocPeakCINData(c.n(), &h); DisposePeakCINData(&h); return code; } END,
        ROW(dAllocMatrix) { FreeMatrix(dAllocMatrix(c.n(), c.integer(3))); return 0; } END,

        // ---- statistics, filters ----
        ROW(SetAxis) { const int32_t n = c.n(); SetAxis(c.zeros(n), n, 0.0, 1.0); return 0; } END,
        ROW(modelFilter) { const int32_t n = c.n(); return modelFilter(c.doubles(n), n, c.doubles(n), n, c.integer(2), c.zeros(n)); } END,
        ROW(AllocFIRNarrowMem) {
            FIRNarrowDesign *design = nullptr;
            const int32_t code = AllocFIRNarrowMem(c.n(), c.n(), c.integer(0), &design);
            FreeFIRNarrowMem(&design, 0);
            return code;
        } END,
    };
}

// clang-format on

#undef TWINS
#undef ROW
#undef END

}  // namespace sweep
