// The blocked factorisations and the inverse keep the documented order of
// every extended sum: bit for bit equal to plain one-sum-at-a-time loops
// written from the methods' definitions, at orders that cross the panels
// (8 columns) and the groups of four sums, with ties and exact zeros.
#include "support/prelude.h"

#include "linalg_reference.h"

using namespace linalgtest;

namespace {

using ld = long double;

// Crout's LU: entry (i, j) less sum_{k < min(i, j)} a[i][k] a[k][j], formed
// from 0 in index order and rounded once; pivot: first largest above 1e-12.
bool croutLU(Mat &a, int n, std::vector<int32_t> &perm) {
    auto at = [&](int i, int j) -> double & { return a[size_t(i) * n + j]; };
    for (int j = 0; j < n; ++j) {
        perm[j] = j;
        for (int i = j == 0 ? 0 : 1; i < n; ++i) {
            ld s = 0;
            for (int k = 0; k < std::min(i, j); ++k) s += ld(at(i, k)) * at(k, j);
            at(i, j) = double(at(i, j) - s);
        }
        int p = -1;
        double best = 1e-12;
        for (int i = j; i < n; ++i)
            if (std::fabs(at(i, j)) > best) best = std::fabs(at(p = i, j));
        if (p < 0) return false;
        for (int k = 0; k < n && p != j; ++k) std::swap(at(p, k), at(j, k));
        perm[j] = p;
        for (int i = j + 1; i < n; ++i) at(i, j) /= at(j, j);
    }
    return true;
}

// Packed lower Cholesky: each entry less L[i][k] L[j][k] term by term.
void choleskyColumns(Mat &p, int n) {
    auto at = [&](int i, int j) -> double & { return p[size_t(j) * n - size_t(j) * (j - 1) / 2 + (i - j)]; };
    for (int j = 0; j < n; ++j) {
        for (int i = j; i < n; ++i) {
            ld s = at(i, j);
            for (int k = 0; k < j; ++k) s -= ld(at(j, k)) * at(i, k);
            at(i, j) = double(s);
        }
        at(j, j) = std::sqrt(at(j, j));
        for (int i = j + 1; i < n; ++i) at(i, j) /= at(j, j);
    }
}

}  // namespace

TEST(SumOrder, FactorisationsAndInverseMatchPlainLoops) {
    for (int n : {1, 3, 8, 9, 17, 30, 45}) {
        // Entries rounded to quarters: many exact zeros and equal pivots.
        Mat a = random(n, n, 700 + n);
        for (double &x : a) x = std::round(x * 4) / 4;
        for (int i = 0; i < n; ++i) a[size_t(i) * n + i] += 3;  // nonsingular
        Mat lu = a, ref = a;
        std::vector<int32_t> perm(n), refPerm(n);
        int32_t parity = 0;
        ASSERT_EQ(LUFactor(lu.data(), n, perm.data(), &parity), 0) << n;
        ASSERT_TRUE(croutLU(ref, n, refPerm)) << n;
        EXPECT_EQ(lu, ref) << "LU, n = " << n;
        EXPECT_EQ(perm, refPerm) << n;

        // The inverse: ForwSub and BackSub on each unit vector, as columns.
        Mat inv(size_t(n) * n), cols(size_t(n) * n);
        ASSERT_EQ(InvMatrix(a.data(), n, inv.data()), 0) << n;
        for (int j = 0; j < n; ++j) {
            Mat e(n, 0.0);
            e[j] = 1;
            ForwSub(lu.data(), perm.data(), n, e.data());
            BackSub(lu.data(), n, e.data());
            for (int i = 0; i < n; ++i) cols[size_t(i) * n + j] = e[i];
        }
        EXPECT_EQ(inv, cols) << "InvMatrix, n = " << n;
        ASSERT_EQ(LUInvMatrix(lu.data(), perm.data(), n, lu.data()), 0) << n;
        EXPECT_EQ(lu, cols) << "LUInvMatrix in place, n = " << n;

        // A A^T / n + I is positive definite; its entries are not rounded.
        Mat spd = product(a, adjoint(a, n, n), n, n, n), packed(size_t(n) * (n + 1) / 2);
        for (double &x : spd) x /= n;
        for (int i = 0; i < n; ++i) spd[size_t(i) * n + i] += 1;
        ASSERT_EQ(Matrix_to_Compact(spd.data(), n, 2, packed.data()), 0);
        Mat refPacked = packed;
        ASSERT_EQ(Cholesky(packed.data(), n), 0) << n;
        choleskyColumns(refPacked, n);
        EXPECT_EQ(packed, refPacked) << "Cholesky, n = " << n;
    }
}
