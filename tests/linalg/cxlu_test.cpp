// The complex LU family: residuals of solves and inverses on random
// matrices, the pivoting conventions, and the entry points' failures.
#include <orin/linalg.h>

#include <gtest/gtest.h>

#include <complex>
#include <vector>

#include "support/contract.h"
#include "support/handles.h"
#include "cx_reference.h"
#include "support/reference.h"

using orintest::LCx;

// ||A x - b|| / (||A|| ||x|| n eps) in the infinity norms, formed in long double.
TEST(CxLU, SolvesAndInvertsWithSmallResiduals) {
    for (int n : {1, 7, 30}) {
        SCOPED_TRACE(n);
        const std::vector<complexnum> a = cxtest::randomCx(1, n * n, 40 + n), b = cxtest::randomCx(1, n, 50 + n);
        std::vector<complexnum> lu = a, x(n), inv(n * n);
        std::vector<int32_t> perm(n);
        int32_t parity = -1;
        ASSERT_EQ(CxLU(lu.data(), n, perm.data(), &parity), 0);
        ASSERT_EQ(CxLULinEqs(lu.data(), perm.data(), b.data(), n, x.data()), 0);
        ASSERT_EQ(CxLUInvMatrix(lu.data(), perm.data(), n, inv.data()), 0);
        EXPECT_LT(cxtest::residualRatio(a, x, b, n, n), 10);
        const cxtest::LMat ai = cxtest::productL(a, inv, n, n, n);
        long double invRes = 0;
        for (int i = 0; i < n * n; ++i) invRes = std::max(invRes, std::abs(ai[i] - LCx(i % (n + 1) == 0)));
        EXPECT_LT(invRes, 1e3 * n * orintest::kEps) << "random matrices of condition below about 1e3";
    }
}

TEST(CxLU, PivotingConventionsAndSingularity) {
    std::vector<complexnum> swap = {{0, 0}, {1, 0}, {1, 0}, {0, 0}};
    std::vector<int32_t> perm(3);
    int32_t parity = 0;
    ASSERT_EQ(CxLU(swap.data(), 2, perm.data(), &parity), 0);
    EXPECT_EQ(parity, 1);
    EXPECT_EQ(perm[0], 1);
    EXPECT_EQ(perm[1], 1);
    std::vector<complexnum> zeroRow = {{1, 1}, {2, 0}, {0, 0}, {0, 0}};
    EXPECT_EQ(CxLU(zeroRow.data(), 2, perm.data(), &parity), kErrSingularMatrix);
    std::vector<complexnum> identity = {{1, 0}, {0, 0}, {0, 0}, {0, 0}, {1, 0}, {0, 0}, {0, 0}, {0, 0}, {1, 0}};
    const std::vector<int32_t> same = {0, 1, 2};
    const complexnum b[] = {{0, 0}, {0, 0}, {1, 0}};
    complexnum x[3];
    ASSERT_EQ(CxLULinEqs(identity.data(), same.data(), b, 3, x), 0);
    EXPECT_EQ(x[2].re, 1.0);
    EXPECT_EQ(x[0].re, 0.0);
}

ORIN_CONTRACT_TABLE(CxLUEntryPoints) {
    using orintest::Contract;
    using orintest::errorRow;
    const std::vector<complexnum> two(2, complexnum{1, 0});
    return {
        errorRow("CxLU_head not square", kErrNotSquare, [two](Contract &c, int32_t *e) {
            int32_t parity = 1;
            const MgErr ret = CxLU_head(c.output<ComplexMatrix>(1, 2, two), c.output<Int32Array>(std::vector<int32_t>{5}), &parity, e);
            EXPECT_EQ(parity, 0);
            return ret;
        }),
        errorRow("CxLULinEqs_head perm", kErrArraySizeMismatch, [](Contract &c, int32_t *e) { return CxLULinEqs_head(c.input<ComplexMatrix>(1, 1, {{2, 0}}), c.input<Int32Array>({0, 0}), c.output<ComplexArray>(std::vector<complexnum>{{1, 0}}), e); }),
        errorRow("CLUInvMatrix_head empty", kErrEmptyArray, [](Contract &c, int32_t *e) { return CLUInvMatrix_head(c.output<ComplexMatrix>(0, 0, std::vector<complexnum>{}), c.input<Int32Array>(), e); }),
    };
}
