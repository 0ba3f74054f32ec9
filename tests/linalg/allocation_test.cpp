// The scratch that only makes the access contiguous (LU's column, the
// product's and Cholesky's accumulators) falls back to the direct loops with
// the same result, checked here against the reference product and factor.
// Every other allocation of the linear algebra is failed by the reliability
// sweep (tests/sweep).
#include <orin/linalg.h>

#include "support/prelude.h"

#include "linalg_reference.h"

using namespace linalgtest;

namespace {

const Mat kA = {4, 1, 2, 1, 5, 3, 2, 3, 6};  // symmetric positive definite, det 70

// Runs the calls in order until one fails; returns that code (0 if none).
template <class... F>
int32_t chain(F &&...calls) {
    int32_t code = 0;
    ((code = code ? code : calls()), ...);
    return code;
}

}  // namespace

ORIN_ALLOCATION_CASE(ContiguityScratchFallsBack, 3) {
    Mat lu = kA, c(9), p = {4, 1, 2, 5, 3, 6};
    std::vector<int32_t> perm(3);
    int32_t parity = 0, singular = 1;
    ASSERT_EQ(inj.call([&] {
        LU(lu.data(), perm.data(), 3, &parity, &singular);
        return chain([&] { return MatrixMul(kA.data(), kA.data(), 3, 3, 3, c.data()); },
                     [&] { return Cholesky(p.data(), 3); }, [&] { return singular; });
    }),
              0);
    EXPECT_EQ(c, product(kA, kA, 3, 3, 3));
    EXPECT_EQ(p[0], 2.0);
    Mat ref = kA;
    LU(ref.data(), perm.data(), 3, &parity, &singular);
    EXPECT_EQ(lu, ref);
}
