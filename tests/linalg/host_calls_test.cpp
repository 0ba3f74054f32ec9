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

CMat cx(const Mat &v) {
    CMat out;
    for (double x : v) out.push_back({x, 0});
    return out;
}
bool near(const CMat &got, const Mat &want, double tol) {
    if (got.size() != want.size()) return false;
    for (size_t i = 0; i < got.size(); ++i)
        if (!(std::fabs(got[i].re - want[i]) <= tol && std::fabs(got[i].im) <= tol)) return false;
    return true;
}

}  // namespace

TEST(HostCalls, EveryScalarOfAHandleEntryPointIsReadThroughItsAddress) {
    // Inputs the host keeps in its own variables, passed by address.
    const int32_t zero = 0, one = 1, two = 2, three = 3;
    const double tenth = 0.1;
    const Mat spd{4, 2, 2, 3}, square{1, 2, 3, 4}, upperPacked{2, 1, 4}, smallSecond{1, 0, 0, 1e-3};
    int32_t err = 0;
    const auto ok = [&](int32_t returned) { return returned == 0 && err == 0; };
    struct Row {
        const char *name;
        std::function<bool()> run;
    };
    const std::vector<Row> rows = {
        {"SpecialMatrix_head", [&] {  // code 0 with n = 3: the 3 x 3 identity
             DoubleHandle x, y;
             DoubleMatrixHandle out(0, 0, {});
             return ok(call("SpecialMatrix_head", I(&zero), I(&three), H(x), H(y), H(out), &err)) &&
                    out.values() == Mat{1, 0, 0, 0, 1, 0, 0, 0, 1};
         }},
        {"CxSpecialMatrix_head", [&] {
             ComplexHandle x, y;
             ComplexMatrixHandle out(0, 0, {});
             return ok(call("CxSpecialMatrix_head", I(&zero), I(&two), H(x), H(y), H(out), &err)) &&
                    near(out.values(), {1, 0, 0, 1}, 0);
         }},
        {"Determinant_head", [&] {  // type 3 (triangular): the diagonal's product
             DoubleMatrixHandle a(2, 2, {2, 5, 0, 3});
             double det = 0;
             return ok(call("Determinant_head", H(a), I(&three), &det, &err)) && det == 6;
         }},
        {"CxDeterminant_head", [&] {
             ComplexMatrixHandle a(2, 2, cx({2, 5, 0, 3}));
             complexnum det{0, 0};
             return ok(call("CxDeterminant_head", H(a), I(&three), &det, &err)) && det.re == 6 && det.im == 0;
         }},
        {"TriLinEqs_head", [&] {  // [[2, 1], [0, 4]] x = (2, 5)
             DoubleHandle p(upperPacked), b({2, 5});
             return ok(call("TriLinEqs_head", H(p), I(&one), H(b), &err)) && b.values() == Mat{0.375, 1.25};
         }},
        {"CxTriLinEqs_head", [&] {
             ComplexHandle p(cx(upperPacked)), b(cx({2, 5}));
             return ok(call("CxTriLinEqs_head", H(p), I(&one), H(b), &err)) && near(b.values(), {0.375, 1.25}, 0);
         }},
        {"Tri_InvMatrix_head", [&] {
             DoubleHandle p(upperPacked);
             return ok(call("Tri_InvMatrix_head", H(p), I(&one), &err)) && p.values() == Mat{0.5, -0.125, 0.25};
         }},
        {"CxTri_InvMatrix_head", [&] {
             ComplexHandle p(cx(upperPacked));
             return ok(call("CxTri_InvMatrix_head", H(p), I(&one), &err)) && near(p.values(), {0.5, -0.125, 0.25}, 0);
         }},
        {"Matrix_to_Compact_head", [&] {  // mode 1: the upper triangle
             DoubleMatrixHandle a(2, 2, square);
             DoubleHandle p;
             return ok(call("Matrix_to_Compact_head", H(a), I(&one), H(p), &err)) && p.values() == Mat{1, 2, 4};
         }},
        {"CxMatrix_to_Compact_head", [&] {
             ComplexMatrixHandle a(2, 2, cx(square));
             ComplexHandle p;
             return ok(call("CxMatrix_to_Compact_head", H(a), I(&one), H(p), &err)) && near(p.values(), {1, 2, 4}, 0);
         }},
        {"Compact_to_Matrix_head", [&] {
             DoubleHandle p({1, 2, 4});
             DoubleMatrixHandle a(0, 0, {});
             return ok(call("Compact_to_Matrix_head", H(p), I(&one), H(a), &err)) && a.values() == Mat{1, 2, 0, 4};
         }},
        {"CxCompact_to_Matrix_head", [&] {
             ComplexHandle p(cx({1, 2, 4}));
             ComplexMatrixHandle a(0, 0, {});
             return ok(call("CxCompact_to_Matrix_head", H(p), I(&one), H(a), &err)) &&
                    near(a.values(), {1, 2, 0, 4}, 0);
         }},
        {"CondNumber_head", [&] {  // infinity norm: ||A|| = 7, ||A^-1|| = 3
             DoubleMatrixHandle a(2, 2, square);
             double cond = 0;
             return ok(call("CondNumber_head", H(a), I(&three), &cond, &err)) && std::fabs(cond - 21) < 64 * kEps;
         }},
        {"CxCondNumber_head", [&] {
             ComplexMatrixHandle a(2, 2, cx(square));
             double cond = 0;
             return ok(call("CxCondNumber_head", H(a), I(&three), &cond, &err)) && std::fabs(cond - 21) < 64 * kEps;
         }},
        {"Norm_head", [&] {  // code 1: the largest column sum
             DoubleMatrixHandle a(2, 2, square);
             double norm = 0;
             return ok(call("Norm_head", H(a), I(&one), &norm, &err)) && norm == 6;
         }},
        {"CxNorm_head", [&] {
             ComplexMatrixHandle a(2, 2, cx(square));
             double norm = 0;
             return ok(call("CxNorm_head", H(a), I(&one), &norm, &err)) && norm == 6;
         }},
        {"SymEvectorEvalue_head", [&] {  // vectors asked: they replace the matrix
             DoubleMatrixHandle a(2, 2, spd);
             DoubleHandle values;
             return ok(call("SymEvectorEvalue_head", H(a), I(&one), H(values), &err)) && a.rows() == 2 &&
                    values.size() == 2;
         }},
        {"EigenValueVector_head", [&] {
             DoubleMatrixHandle a(2, 2, {0, 1, -2, 0});
             ComplexHandle values;
             ComplexMatrixHandle vectors(0, 0, {});
             return ok(call("EigenValueVector_head", H(a), I(&one), H(values), H(vectors), &err)) &&
                    vectors.rows() == 2 && std::fabs(values.values()[0].im - std::sqrt(2.0)) < 4 * kEps;
         }},
        {"CxEigenValueVector_head", [&] {  // Hermitian (type 1), with vectors
             ComplexMatrixHandle a(2, 2, cx(spd));
             ComplexHandle values;
             ComplexMatrixHandle vectors(0, 0, {});
             return ok(call("CxEigenValueVector_head", H(a), I(&one), I(&one), H(values), H(vectors), &err)) &&
                    vectors.rows() == 2 && values.size() == 2;
         }},
        {"qrd_head", [&] {  // Givens (1) leaves the identity as it is; Householder would negate it
             DoubleMatrixHandle a(2, 2, {1, 0, 0, 1}), q(0, 0, {}), r(0, 0, {});
             return ok(call("qrd_head", H(a), I(&one), H(q), H(r), &err)) && r.values() == Mat{1, 0, 0, 1};
         }},
        {"Cxqrd_head", [&] {  // Householder: the identity gives R = -I
             ComplexMatrixHandle a(2, 2, cx({1, 0, 0, 1})), q(0, 0, {}), r(0, 0, {});
             return ok(call("Cxqrd_head", H(a), I(&zero), H(q), H(r), &err)) && near(r.values(), {-1, 0, 0, -1}, 0);
         }},
        // A tolerance of 0.1 drops the singular value 1e-3 (the default keeps it).
        {"PseudoInverse_head", [&] {
             DoubleMatrixHandle a(2, 2, smallSecond);
             return ok(call("PseudoInverse_head", H(a), D(&tenth), &err)) && a.values() == Mat{1, 0, 0, 0};
         }},
        {"CxPseudoInverse_head", [&] {
             ComplexMatrixHandle a(2, 2, cx(smallSecond));
             return ok(call("CxPseudoInverse_head", H(a), D(&tenth), &err)) && near(a.values(), {1, 0, 0, 0}, kEps);
         }},
        {"Rank_head", [&] {
             DoubleMatrixHandle a(2, 2, smallSecond);
             int32_t rank = 0;
             return ok(call("Rank_head", H(a), D(&tenth), &rank, &err)) && rank == 1;
         }},
        {"CxRank_head", [&] {
             ComplexMatrixHandle a(2, 2, cx(smallSecond));
             int32_t rank = 0;
             return ok(call("CxRank_head", H(a), D(&tenth), &rank, &err)) && rank == 1;
         }},
    };
    for (const Row &row : rows) {
        err = -1;
        EXPECT_TRUE(row.run()) << row.name << " (error " << err << ")";
    }
    // The inputs are the host's own variables: read, never written.
    EXPECT_TRUE(zero == 0 && one == 1 && two == 2 && three == 3 && tenth == 0.1);
}
