// The chi-square test of a contingency table against Pearson's definition
// in long double and the 2 x 2 closed form.
#include <orin/statistics.h>

#include "support/prelude.h"

#include "distribution_reference.h"

namespace ref = orintest::ref;

TEST(ContingencyTable, AgainstPearsonsDefinitionAndTheTwoByTwoClosedForm) {
    std::mt19937_64 gen(2024);
    std::uniform_int_distribution<int32_t> count(1, 500);
    for (int rows : {2, 3, 5})
        for (int cols : {2, 4, 9}) {
            std::vector<int32_t> t(static_cast<size_t>(rows * cols));
            for (int32_t &v : t) v = count(gen);
            std::vector<long double> r(static_cast<size_t>(rows)), c(static_cast<size_t>(cols));
            long double n = 0, expected = 0;
            for (size_t k = 0; k < t.size(); ++k) r[k / cols] += t[k], c[k % cols] += t[k], n += t[k];
            for (size_t k = 0; k < t.size(); ++k) {
                const long double e = r[k / cols] * c[k % cols] / n;
                expected += (t[k] - e) * (t[k] - e) / e;
            }
            double chi2 = 0, p = 0, hChi2 = 0, hp = 0;
            ASSERT_EQ(Contingency_Table(rows, cols, t.data(), &chi2, &p), 0) << rows << "x" << cols;
            // The entry point gives the core's result (its refused allocations: the sweep).
            int32_t err = 9;
            EXPECT_EQ(Contingency_head(orintest::Int32MatrixHandle(rows, cols, t), &hChi2, &hp, &err), 0);
            EXPECT_TRUE(err == 0 && hChi2 == chi2 && hp == p) << rows << "x" << cols;
            // Extended sums of rows * cols terms, one rounding.
            EXPECT_NEAR(chi2, static_cast<double>(expected), 4 * kEps * static_cast<double>(expected))
                << rows << "x" << cols;
            const int df = (rows - 1) * (cols - 1);
            EXPECT_NEAR(p, static_cast<double>(1 - ref::chiSquareCdf(expected, df)),
                        df % 2 ? ref::kOddChiBudget : 8 * kEps)
                << rows << "x" << cols;
        }
    // 2 x 2, chi2 = N (ad - bc)^2 / ((a+b)(c+d)(a+c)(b+d)), with row totals
    // beyond the int32 range: 7e9 (2e18)^2 / (4e9 3e9 3e9 4e9).
    const int32_t huge[] = {2000000000, 2000000000, 1000000000, 2000000000};
    double chi2 = 0, p = 0;
    Contingency_Table(2, 2, huge, &chi2, &p);
    EXPECT_NEAR(chi2, 7e9L * 4e36L / 144e36L, 4 * kEps * chi2);
    EXPECT_EQ(p, 0.0);
}

TEST(ContingencyTable, ChecksAndDegenerateTables) {
    const int32_t t[] = {1, 2, 3, 4, 5, 6}, zeroRow[] = {0, 0, 3, 4};
    double chi2 = 7, p = 7;
    // Negative dimensions are a table too small, not a failed allocation.
    EXPECT_EQ(Contingency_Table(-3, -2, t, &chi2, &p), kErrTableTooSmall);
    // 2^32 cells cannot be addressed: refused before a count is read.
    EXPECT_EQ(Contingency_Table(65536, 65536, t, &chi2, &p), kErrOutOfMemory);
    EXPECT_TRUE(chi2 == 7 && p == 7);
    // A zero row leaves the statistic undefined: NaN, and no error.
    ASSERT_EQ(Contingency_Table(2, 2, zeroRow, &chi2, &p), 0);
    EXPECT_TRUE(std::isnan(chi2) && std::isnan(p));
}

// A table, one entry per line:
// clang-format off
ORIN_CONTRACT_TABLE(Contingency) {
    return {
        ORIN_ROW(kErrNegativeCount, Contingency_head(c.input<Int32Matrix>(-2, 3, {}), c.scalar(), c.scalar(), e)),
        ORIN_ROW(kErrTableTooSmall, Contingency_head(c.input<Int32Matrix>(1, 3, {1, 2, 3}), c.scalar(), c.scalar(), e)),
        ORIN_ROW(kErrNegativeCount, Contingency_head(c.input<Int32Matrix>(2, 2, {1, -1, 2, 2}), c.scalar(), c.scalar(), e)),
    };
}
// clang-format on
