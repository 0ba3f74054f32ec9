// The handle entry points as the host calls them: found by name in the
// loaded library and called through the host's calling convention (host
// handles for arrays, every scalar by address, the error code last), written
// out here rather than taken from our own header, so that a header that
// drifted from the convention cannot agree with itself. Each call's result
// depends on the scalar it passes, so a routine that read the address as
// the value fails its row.
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
    static const int32_t one = 1, three = 3;
    static const double tenth = 0.1;
    static const Mat square{1, 2, 3, 4}, upperPacked{2, 1, 4}, smallSecond{1, 0, 0, 1e-3};
    const auto ok = [&err](int32_t returned) { return returned == 0 && err == 0; };
    const auto name = [](const char *base) { return cx + base; };
    return {
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
         [=, &err] {
             M a(2, 2, as<T>(smallSecond));
             return ok(call(name("PseudoInverse_head").c_str(), H(a), D(&tenth), &err)) &&
                    near(a.values(), {1, 0, 0, 0}, kEps);
         }},
        {name("Rank_head"),
         [=, &err] {
             M a(2, 2, as<T>(smallSecond));
             int32_t rank = 0;
             return ok(call(name("Rank_head").c_str(), H(a), D(&tenth), &rank, &err)) && rank == 1;
         }},
    };
}

}  // namespace

TEST(HostCalls, EveryScalarOfAHandleEntryPointIsReadThroughItsAddress) {
    // Inputs the host keeps in its own variables, passed by address.
    const int32_t zero = 0, one = 1, two = 2, three = 3;
    const Mat spd{4, 2, 2, 3};
    int32_t err = 0;
    const auto ok = [&](int32_t returned) { return returned == 0 && err == 0; };
    std::vector<Row> rows = {
        {"SpecialMatrix_head",
         [&] {  // code 0 with n = 3: the 3 x 3 identity
             DoubleHandle x, y;
             DoubleMatrixHandle out(0, 0, {});
             return ok(call("SpecialMatrix_head", I(&zero), I(&three), H(x), H(y), H(out), &err)) &&
                    out.values() == Mat{1, 0, 0, 0, 1, 0, 0, 0, 1};
         }},
        {"CxSpecialMatrix_head",
         [&] {
             ComplexHandle x, y;
             ComplexMatrixHandle out(0, 0, {});
             return ok(call("CxSpecialMatrix_head", I(&zero), I(&two), H(x), H(y), H(out), &err)) &&
                    near(out.values(), {1, 0, 0, 1}, 0);
         }},
        {"SymEvectorEvalue_head",
         [&] {  // vectors asked: they replace the matrix
             DoubleMatrixHandle a(2, 2, spd);
             DoubleHandle values;
             return ok(call("SymEvectorEvalue_head", H(a), I(&one), H(values), &err)) && a.rows() == 2 &&
                    values.size() == 2;
         }},
        {"EigenValueVector_head",
         [&] {
             DoubleMatrixHandle a(2, 2, {0, 1, -2, 0});
             ComplexHandle values;
             ComplexMatrixHandle vectors(0, 0, {});
             return ok(call("EigenValueVector_head", H(a), I(&one), H(values), H(vectors), &err)) &&
                    vectors.rows() == 2 && std::fabs(values.values()[0].im - std::sqrt(2.0)) < 4 * kEps;
         }},
        {"CxEigenValueVector_head",
         [&] {  // Hermitian (type 1), with vectors
             ComplexMatrixHandle a(2, 2, as<complexnum>(spd));
             ComplexHandle values;
             ComplexMatrixHandle vectors(0, 0, {});
             return ok(call("CxEigenValueVector_head", H(a), I(&one), I(&one), H(values), H(vectors), &err)) &&
                    vectors.rows() == 2 && values.size() == 2;
         }},
        {"qrd_head",
         [&] {  // Givens (1) leaves the identity as it is; Householder would negate it
             DoubleMatrixHandle a(2, 2, {1, 0, 0, 1}), q(0, 0, {}), r(0, 0, {});
             return ok(call("qrd_head", H(a), I(&one), H(q), H(r), &err)) && r.values() == Mat{1, 0, 0, 1};
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
    EXPECT_TRUE(zero == 0 && one == 1 && two == 2 && three == 3);
}
