// The complex LU family: the pivoting conventions, singularity, and the
// entry points' failures and refused allocations (factors, solves and
// inverses are typed tests in lu_test.cpp).
#include <orin/linalg.h>

#include "support/prelude.h"

#include "linalg_reference.h"

using namespace linalgtest;

TEST(CxLU, PivotingConventionsAndSingularity) {
    CMat swap = {{0, 0}, {1, 0}, {1, 0}, {0, 0}};
    std::vector<int32_t> perm(3);
    int32_t parity = 0;
    ASSERT_EQ(CxLU(swap.data(), 2, perm.data(), &parity), 0);
    EXPECT_TRUE(parity == 1 && perm[0] == 1 && perm[1] == 1);
    // A zero row; a zero column (no pivot at all); and a pivot 2^-52 below a
    // row whose multiplier 1e10 / 2^-52 makes the elimination grow by about
    // 1e51 in squared magnitude: below the smallest normal float times that
    // growth, it is taken as zero.
    const CMat zeroRow = {{1, 1}, {2, 0}, {0, 0}, {0, 0}}, zeroColumn = {{0, 0}, {1, 0}, {0, 0}, {2, 1}};
    const CMat grown = {{1, 0}, {1, 0}, {0, 0}, {1, 0}, {1 + 0x1p-52, 0}, {0, 0}, {0, 0}, {1e10, 0}, {1e40, 0}};
    for (auto [a, n] : {std::pair{zeroRow, 2}, {zeroColumn, 2}, {grown, 3}}) {
        CMat m = a;
        EXPECT_EQ(CxLU(m.data(), n, perm.data(), &parity), kErrSingularMatrix) << n;
    }
    // The forward substitution skips the leading zeros of a sparse b.
    const std::vector<int32_t> same3 = {0, 1, 2};
    const CMat b = {{0, 0}, {0, 0}, {1, 0}},
               upper = {{1, 0}, {1, 0}, {1, 0}, {0, 0}, {1, 0}, {1, 0}, {0, 0}, {0, 0}, {2, 0}};
    CMat x(3);
    ASSERT_EQ(CxLULinEqs(upper.data(), same3.data(), b.data(), 3, x.data()), 0);
    EXPECT_TRUE(same(x, CMat{{0, 0}, {-0.5, 0}, {0.5, 0}}));
    // A zero diagonal in the factors, and empty sizes.
    CMat singular = upper;
    singular[4] = {0, 0};
    EXPECT_EQ(CxLULinEqs(singular.data(), same3.data(), b.data(), 3, x.data()), kErrSingularMatrix);
    EXPECT_EQ(CxLUInvMatrix(singular.data(), same3.data(), 3, singular.data()), kErrSingularMatrix);
}

// A table, one entry per line:
// clang-format off
ORIN_CONTRACT_TABLE(CxLUEntryPoints) {
    const CMat two(2, complexnum{1, 0}), singular = {{1, 0}, {0, 0}, {0, 0}, {0, 0}};
    return {
        ORIN_ROW(kErrNotSquare, checked(CxLU_head(c.output<ComplexMatrix>(1, 2, two), c.output<Int32Array>(std::vector<int32_t>{5}), &(intOut = 1), e), intOut, 0)),  // parity 0
        ORIN_ROW(kErrArraySizeMismatch, CxLULinEqs_head(c.input<ComplexMatrix>(1, 1, {{2, 0}}), c.input<Int32Array>({0, 0}), c.output<ComplexArray>(CMat{{1, 0}}), e)),
        ORIN_ROW(kErrArraySizeMismatch, CxLULinEqs_head(c.input<ComplexMatrix>(1, 1, {{2, 0}}), c.input<Int32Array>({0}), c.output<ComplexArray>(two), e)),
        ORIN_ROW(kErrSingularMatrix, CxLULinEqs_head(c.input<ComplexMatrix>(2, 2, singular), c.input<Int32Array>({0, 1}), c.output<ComplexArray>(two), e)),
        ORIN_ROW(kErrSingularMatrix, CLUInvMatrix_head(c.output<ComplexMatrix>(2, 2, singular), c.input<Int32Array>({0, 1}), e)),
    };
}
// clang-format on
