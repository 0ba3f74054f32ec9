// The handle entry points as the host calls them: found by name in the
// loaded library and called through the host's calling convention (host
// handles for arrays, every scalar by address, the error code last), written
// out here rather than taken from our own header, so that a header that
// drifted from the convention cannot agree with itself. Each call's result
// depends on the scalar it passes, so a routine that read the address as
// the value fails its row. The rows are also where each handle form is
// checked to give its core routine's result, in the handles the host
// expects: in place, resized, or emptied where nothing was asked for.
#include <dlfcn.h>
#include "support/prelude.h"

namespace {

using Mat = std::vector<double>;
using CMat = std::vector<complexnum>;
using I = const int32_t *;
using D = const double *;
using H = void *;  // a host handle

template <class... Args>
int32_t call(const char *name, Args... args) {
    void *f = dlsym(RTLD_DEFAULT, name);
    EXPECT_NE(f, nullptr) << name;
    return f ? reinterpret_cast<int32_t (*)(Args...)>(f)(args...) : -1;
}

template <class T>
std::vector<T> as(const Mat &v) {
    std::vector<T> out;
    for (double x : v) {
        if constexpr (std::is_same_v<T, double>) out.push_back(x);
        else out.push_back({x, 0});
    }
    return out;
}
inline double re(double x) { return x; }
inline double re(complexnum z) { return z.im == 0 ? z.re : std::nan(""); }
template <class T>
bool near(const std::vector<T> &got, const Mat &want, double tol) {
    if (got.size() != want.size()) return false;
    for (size_t i = 0; i < got.size(); ++i)
        if (!(std::fabs(re(got[i]) - want[i]) <= tol)) return false;
    return true;
}

struct Row {
    std::string name;
    std::function<bool()> run;
};

// The rows of the entry points whose real and complex forms ("Cx" before
// the name) take the same scalars: both run on the same (real) data.
template <class T>
std::vector<Row> twinRows(int32_t &err) {
    using V = std::conditional_t<std::is_same_v<T, double>, DoubleHandle, ComplexHandle>;
    using M = std::conditional_t<std::is_same_v<T, double>, DoubleMatrixHandle, ComplexMatrixHandle>;
    static const std::string cx = std::is_same_v<T, double> ? "" : "Cx";
    static const int32_t zero = 0, one = 1, two = 2, three = 3, four = 4;
    static const double tenth = 0.1;
    static const Mat square{1, 2, 3, 4}, upperPacked{2, 1, 4}, smallSecond{1, 0, 0, 1e-3, 0, 0};
    const auto ok = [&err](int32_t returned) { return returned == 0 && err == 0; };
    const auto name = [](const char *base) { return cx + base; };
    // The few complex forms not named "Cx" before the real name.
    const auto twin = [](const char *real, const char *complex) { return cx.empty() ? real : complex; };
    return {
        {name("LU_head"),
         [=, &err] {  // one swap; b = (5, 11) becomes x = (1, 2); the factors become A^-1
             M a(2, 2, as<T>(square));
             V b(as<T>({5, 11}));
             Int32Handle perm;
             int32_t parity = -1;
             return ok(call(name("LU_head").c_str(), H(a), H(perm), &parity, &err)) && parity == 1 &&
                    perm.values() == std::vector<int32_t>{1, 1} &&
                    ok(call(name("LULinEqs_head").c_str(), H(a), H(perm), H(b), &err)) &&
                    near(b.values(), {1, 2}, 4 * kEps) &&
                    ok(call(twin("LUInvMatrix_head", "CLUInvMatrix_head"), H(a), H(perm), &err)) &&
                    near(a.values(), {-2, 1, 1.5, -0.5}, 8 * kEps);
         }},
        {name("Cholesky_head"),
         [=, &err] {  // [[4, 2], [2, 3]] packed: b = (2, 1) becomes x = (0.5, 0), the
                      // factor becomes the inverse [[3, -2], [-2, 4]] / 8
             V p(as<T>({4, 2, 3})), b(as<T>({2, 1}));
             return ok(call(name("Cholesky_head").c_str(), H(p), &err)) &&
                    ok(call(name("CholeskyLinEqs_head").c_str(), H(p), H(b), &err)) &&
                    near(b.values(), {0.5, 0}, 4 * kEps) &&
                    ok(call(name("Cholesky_InvMatrix_head").c_str(), H(p), &err)) &&
                    near(p.values(), {0.375, -0.25, 0.5}, 8 * kEps);
         }},
        {name("CheckPosdef_head"),
         [=, &err] {  // [[4, 2], [2, 3]] is positive definite, [[1, 2], [3, 4]] not even symmetric
             M spd(2, 2, as<T>({4, 2, 2, 3})), a(2, 2, as<T>(square));
             int32_t yes = -1, no = -1;
             return ok(call(name("CheckPosdef_head").c_str(), H(spd), &yes, &err)) && yes == 1 &&
                    ok(call(name("CheckPosdef_head").c_str(), H(a), &no, &err)) && no == 0;
         }},
        {name("GenLinEqs_head"),
         [=, &err] {  // x1 + x2 = 2: the least-norm x = (1, 1), resized to a's columns
             M a(1, 2, as<T>({1, 1}));
             V b(as<T>({2})), x;
             return ok(call(name("GenLinEqs_head").c_str(), H(a), H(b), H(x), &err)) &&
                    near(x.values(), {1, 1}, 4 * kEps);
         }},
        {name("SVD_head"),
         [=, &err] {  // U replaces a and V comes back n x n; SVDS_head keeps a
             const Mat diagonal{4, 0, 0, 3, 0, 0};
             M a(3, 2, as<T>(diagonal)), kept(3, 2, as<T>(diagonal)), v(0, 0, {});
             DoubleHandle s, values;
             return ok(call(name("SVD_head").c_str(), H(a), H(s), H(v), &err)) && s.values() == Mat{4, 3} &&
                    near(a.values(), {1, 0, 0, 1, 0, 0}, 0) && near(v.values(), {1, 0, 0, 1}, 0) &&
                    ok(call(name("SVDS_head").c_str(), H(kept), H(values), &err)) && values.values() == Mat{4, 3} &&
                    near(kept.values(), diagonal, 0);
         }},
        {name("Trace_head"),
         [=, &err] {  // with the dot and outer products
             M a(2, 2, as<T>(square)), outer(0, 0, {});
             V x(as<T>({1, 2})), y(as<T>({3, 4, 5}));
             T trace{}, dot{};
             return ok(call(name("Trace_head").c_str(), H(a), &trace, &err)) && near<T>({trace}, {5}, 0) &&
                    ok(call(twin("DotProduct_head", "DotprodCx"), H(x), H(x), &dot, &err)) && near<T>({dot}, {5}, 0) &&
                    ok(call(twin("OuterProd_head", "OuterProdCx_head"), H(x), H(y), H(outer), &err)) &&
                    outer.rows() == 2 && near(outer.values(), {3, 4, 5, 6, 8, 10}, 0);
         }},
        {name("SpecialMatrix_head"),
         [=, &err] {  // identity (0) of order 3; Toeplitz (2), len(x) x len(y) with y[0] unused;
                      // companion (4) of (z - 1)(z - 2)
             V x(as<T>({1, -3, 2})), y(as<T>({7, 8}));
             M out(0, 0, {});
             const std::string f = name("SpecialMatrix_head");
             return ok(call(f.c_str(), I(&zero), I(&three), H(x), H(y), H(out), &err)) &&
                    near(out.values(), {1, 0, 0, 0, 1, 0, 0, 0, 1}, 0) &&
                    ok(call(f.c_str(), I(&two), I(&zero), H(x), H(y), H(out), &err)) && out.rows() == 3 &&
                    near(out.values(), {1, 8, -3, 1, 2, -3}, 0) &&
                    ok(call(f.c_str(), I(&four), I(&zero), H(x), H(y), H(out), &err)) &&
                    near(out.values(), {3, -2, 1, 0}, 0);
         }},
        {name("Determinant_head"),
         [=, &err] {  // type 3 (triangular): the diagonal's product
             M a(2, 2, as<T>({2, 5, 0, 3}));
             T det{};
             return ok(call(name("Determinant_head").c_str(), H(a), I(&three), &det, &err)) && near<T>({det}, {6}, 0);
         }},
        {name("TriLinEqs_head"),
         [=, &err] {  // [[2, 1], [0, 4]] x = (2, 5)
             V p(as<T>(upperPacked)), b(as<T>({2, 5}));
             return ok(call(name("TriLinEqs_head").c_str(), H(p), I(&one), H(b), &err)) &&
                    near(b.values(), {0.375, 1.25}, 0);
         }},
        {name("Tri_InvMatrix_head"),
         [=, &err] {
             V p(as<T>(upperPacked));
             return ok(call(name("Tri_InvMatrix_head").c_str(), H(p), I(&one), &err)) &&
                    near(p.values(), {0.5, -0.125, 0.25}, 0);
         }},
        {name("Matrix_to_Compact_head"),
         [=, &err] {  // mode 1: the upper triangle
             M a(2, 2, as<T>(square));
             V p;
             return ok(call(name("Matrix_to_Compact_head").c_str(), H(a), I(&one), H(p), &err)) &&
                    near(p.values(), {1, 2, 4}, 0);
         }},
        {name("Compact_to_Matrix_head"),
         [=, &err] {
             V p(as<T>({1, 2, 4}));
             M a(0, 0, {});
             return ok(call(name("Compact_to_Matrix_head").c_str(), H(p), I(&one), H(a), &err)) &&
                    near(a.values(), {1, 2, 0, 4}, 0);
         }},
        {name("CondNumber_head"),
         [=, &err] {  // infinity norm: ||A|| = 7, ||A^-1|| = 3
             M a(2, 2, as<T>(square));
             double cond = 0;
             return ok(call(name("CondNumber_head").c_str(), H(a), I(&three), &cond, &err)) &&
                    std::fabs(cond - 21) < 64 * kEps;
         }},
        {name("Norm_head"),
         [=, &err] {  // code 1: the largest column sum
             M a(2, 2, as<T>(square));
             double norm = 0;
             return ok(call(name("Norm_head").c_str(), H(a), I(&one), &norm, &err)) && norm == 6;
         }},
        // A tolerance of 0.1 drops the singular value 1e-3 (the default keeps it).
        {name("PseudoInverse_head"),
         [=, &err] {  // in place: 3 x 2 becomes 2 x 3
             M a(3, 2, as<T>(smallSecond));
             return ok(call(name("PseudoInverse_head").c_str(), H(a), D(&tenth), &err)) && a.rows() == 2 &&
                    near(a.values(), {1, 0, 0, 0, 0, 0}, kEps);
         }},
        {name("Rank_head"),
         [=, &err] {
             M a(3, 2, as<T>(smallSecond));
             int32_t rank = 0;
             return ok(call(name("Rank_head").c_str(), H(a), D(&tenth), &rank, &err)) && rank == 1;
         }},
    };
}

}  // namespace

TEST(HostCalls, EveryScalarOfAHandleEntryPointIsReadThroughItsAddress) {
    // Inputs the host keeps in its own variables, passed by address.
    const int32_t zero = 0, one = 1;
    const Mat spd{4, 2, 2, 3};
    int32_t err = 0;
    const auto ok = [&](int32_t returned) { return returned == 0 && err == 0; };
    std::vector<Row> rows = {
        {"CxTranspose_head",
         [&] {  // into a itself: 2 x 3 becomes its 3 x 2 conjugate transpose
             ComplexMatrixHandle a(2, 3, CMat{{1, 1}, {2, 0}, {3, 0}, {4, 0}, {5, 0}, {6, -1}});
             const CMat want = {{1, -1}, {4, 0}, {2, 0}, {5, 0}, {3, 0}, {6, 1}};
             if (!ok(call("CxTranspose_head", H(a), H(a), &err)) || a.rows() != 3) return false;
             const CMat got = a.values();
             return std::equal(got.begin(), got.end(), want.begin(), want.end(),
                               [](complexnum z, complexnum w) { return z.re == w.re && z.im == w.im; });
         }},
        {"SymEvectorEvalue_head",
         [&] {  // vectors asked: they replace the matrix; not asked: it was only work space
             DoubleMatrixHandle a(2, 2, spd), b(2, 2, spd);
             DoubleHandle values;
             return ok(call("SymEvectorEvalue_head", H(a), I(&one), H(values), &err)) && a.rows() == 2 &&
                    values.size() == 2 && ok(call("SymEvectorEvalue_head", H(b), I(&zero), H(values), &err)) &&
                    b.emptied() && values.size() == 2;
         }},
        {"EigenValueVector_head",
         [&] {  // vectors only when asked
             DoubleMatrixHandle a(2, 2, {0, 1, -2, 0});
             ComplexHandle values;
             ComplexMatrixHandle vectors(0, 0, {}), none(1, 1, {{9, 9}});
             return ok(call("EigenValueVector_head", H(a), I(&one), H(values), H(vectors), &err)) &&
                    vectors.rows() == 2 && std::fabs(values.values()[0].im - std::sqrt(2.0)) < 4 * kEps &&
                    ok(call("EigenValueVector_head", H(a), I(&zero), H(values), H(none), &err)) && none.emptied();
         }},
        {"CxEigenValueVector_head",
         [&] {  // Hermitian (type 1) with vectors, general (0) without: (7 -+ sqrt 17) / 2 either way
             ComplexMatrixHandle a(2, 2, as<complexnum>(spd)), vectors(0, 0, {}), none(1, 1, {{9, 9}});
             ComplexHandle values, general;
             const auto spectrum = [](const CMat &w) {
                 const double r = std::sqrt(17.0) / 2, lo = std::min(w[0].re, w[1].re), hi = std::max(w[0].re, w[1].re);
                 const double off = std::fabs(lo - (3.5 - r)) + std::fabs(hi - (3.5 + r));
                 return off + std::fabs(w[0].im) + std::fabs(w[1].im) < 64 * kEps;
             };
             return ok(call("CxEigenValueVector_head", H(a), I(&one), I(&one), H(values), H(vectors), &err)) &&
                    vectors.rows() == 2 && vectors.cols() == 2 && values.size() == 2 && spectrum(values.values()) &&
                    ok(call("CxEigenValueVector_head", H(a), I(&zero), I(&zero), H(general), H(none), &err)) &&
                    none.emptied() && general.size() == 2 && spectrum(general.values());
         }},
        {"qrd_head",
         [&] {  // Givens (1) leaves the identity as it is (Householder would negate it); Q is m x m
             DoubleMatrixHandle a(3, 2, {1, 0, 0, 1, 0, 0}), q(0, 0, {}), r(0, 0, {});
             return ok(call("qrd_head", H(a), I(&one), H(q), H(r), &err)) && q.rows() == 3 && q.cols() == 3 &&
                    r.values() == Mat{1, 0, 0, 1, 0, 0};
         }},
        {"Cxqrd_head",
         [&] {  // Householder: the identity gives R = -I
             ComplexMatrixHandle a(2, 2, as<complexnum>({1, 0, 0, 1})), q(0, 0, {}), r(0, 0, {});
             return ok(call("Cxqrd_head", H(a), I(&zero), H(q), H(r), &err)) && near(r.values(), {-1, 0, 0, -1}, 0);
         }},
    };
    for (auto twins : {twinRows<double>(err), twinRows<complexnum>(err)})
        rows.insert(rows.end(), twins.begin(), twins.end());
    for (const Row &row : rows) {
        err = -1;
        EXPECT_TRUE(row.run()) << row.name << " (error " << err << ")";
    }
    // The inputs are the host's own variables: read, never written.
    EXPECT_TRUE(zero == 0 && one == 1);
}
