// The chi-square test of a contingency table against Pearson's definition
// in long double, the 2 x 2 closed form, and the documented failures.
#include <orin/statistics.h>

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "distribution_reference.h"
#include "support/allocation_failure.h"
#include "support/contract.h"
#include "support/handles.h"
#include "support/reference.h"

using orintest::Int32MatrixHandle;
using orintest::isIDNaN;
using orintest::kEps;
namespace ref = orintest::ref;

TEST(ContingencyTable, TwoByTwoClosedForm) {
    // chi2 = N (ad - bc)^2 / ((a+b)(c+d)(a+c)(b+d)); with one degree of
    // freedom p = erfc(sqrt(chi2/2)), through the normal approximation.
    const auto closed = [](long double a, long double b, long double c, long double d) {
        const long double n = a + b + c + d, det = a * d - b * c;
        return n * det * det / ((a + b) * (c + d) * (a + c) * (b + d));
    };
    const int32_t small[] = {10, 20, 30, 40};
    double chi2 = 0, p = 0;
    ASSERT_EQ(Contingency_Table(2, 2, small, &chi2, &p), 0);
    EXPECT_NEAR(chi2, static_cast<double>(closed(10, 20, 30, 40)), 4 * kEps);
    EXPECT_NEAR(chi2, 0.7937, 5e-5);
    EXPECT_NEAR(p, static_cast<double>(std::erfc(std::sqrt(closed(10, 20, 30, 40) / 2))), 2 * ref::kNormalBudget + 2e-7);
    // Row totals beyond the int32 range.
    const int32_t large[] = {2000000000, 2000000000, 1000000000, 2000000000};
    ASSERT_EQ(Contingency_Table(2, 2, large, &chi2, &p), 0);
    const long double expected = closed(2e9L, 2e9L, 1e9L, 2e9L);
    EXPECT_NEAR(chi2, static_cast<double>(expected), 8 * kEps * static_cast<double>(expected));
}

TEST(ContingencyTable, RandomTablesAgainstPearsonsDefinition) {
    std::mt19937_64 gen(2024);
    std::uniform_int_distribution<int32_t> count(1, 500);
    for (int rows : {2, 3, 5})
        for (int cols : {2, 3, 4, 9}) {
            std::vector<int32_t> t(static_cast<size_t>(rows * cols));
            for (int32_t &v : t) v = count(gen);
            std::vector<long double> r(static_cast<size_t>(rows)), c(static_cast<size_t>(cols));
            long double n = 0;
            for (int i = 0; i < rows; ++i)
                for (int j = 0; j < cols; ++j) {
                    r[static_cast<size_t>(i)] += t[static_cast<size_t>(i * cols + j)];
                    c[static_cast<size_t>(j)] += t[static_cast<size_t>(i * cols + j)];
                    n += t[static_cast<size_t>(i * cols + j)];
                }
            long double expected = 0;
            for (int i = 0; i < rows; ++i)
                for (int j = 0; j < cols; ++j) {
                    const long double e = r[static_cast<size_t>(i)] * c[static_cast<size_t>(j)] / n;
                    expected += (t[static_cast<size_t>(i * cols + j)] - e) * (t[static_cast<size_t>(i * cols + j)] - e) / e;
                }
            double chi2 = 0, p = 0;
            ASSERT_EQ(Contingency_Table(rows, cols, t.data(), &chi2, &p), 0);
            const std::string where = std::to_string(rows) + "x" + std::to_string(cols);
            // Extended sums of rows * cols terms, one rounding.
            EXPECT_NEAR(chi2, static_cast<double>(expected), 4 * kEps * static_cast<double>(expected)) << where;
            const int df = (rows - 1) * (cols - 1);
            const double budget = df % 2 ? 2 * ref::kNormalBudget + 2e-7 : 8 * kEps;
            EXPECT_NEAR(p, static_cast<double>(1 - ref::chiSquareCdf(expected, df)), budget) << where;
        }
}

TEST(ContingencyTable, ChecksAndDegenerateTables) {
    const int32_t t[] = {1, 2, 3, 4, 5, 6};
    double chi2 = 7, p = 7;
    EXPECT_EQ(Contingency_Table(1, 6, t, &chi2, &p), kErrTableTooSmall);
    EXPECT_EQ(Contingency_Table(3, 1, t, &chi2, &p), kErrTableTooSmall);
    // Negative dimensions are too small, not an allocation failure.
    EXPECT_EQ(Contingency_Table(-3, -2, t, &chi2, &p), kErrTableTooSmall);
    const int32_t negative[] = {1, 2, 3, -4};
    EXPECT_EQ(Contingency_Table(2, 2, negative, &chi2, &p), kErrNegativeCount);
    EXPECT_EQ(chi2, 7.0);
    // A zero row leaves the statistic undefined: NaN, no error.
    const int32_t zeroRow[] = {0, 0, 3, 4};
    ASSERT_EQ(Contingency_Table(2, 2, zeroRow, &chi2, &p), 0);
    EXPECT_TRUE(std::isnan(chi2));
    EXPECT_TRUE(std::isnan(p));
}

TEST(ContingencyHead, ForwardsTheCoreOrFailsWithIDNaN) {
    Int32MatrixHandle table(2, 3, {5, 9, 2, 7, 1, 8});
    double chi2 = 0, p = 0, c2 = 0, cp = 0;
    int32_t err = 9;
    ASSERT_EQ(Contingency_head(table, &chi2, &p, &err), 0);
    EXPECT_EQ(err, 0);
    ASSERT_EQ(Contingency_Table(2, 3, table.data(), &c2, &cp), 0);
    EXPECT_EQ(chi2, c2);
    EXPECT_EQ(p, cp);
}

ORIN_CONTRACT_TABLE(Contingency) {
    const auto run = [](int32_t rows, int32_t cols, std::vector<int32_t> counts) {
        return [=](orintest::Contract &c) {
            int32_t err = 0;
            Contingency_head(c.input<Int32Matrix>(rows, cols, counts), c.scalar(), c.scalar(), &err);
            return err;
        };
    };
    return {
        {"Contingency_head negative dimensions", kErrNegativeCount, run(-2, 3, {})},
        {"Contingency_head one row", kErrTableTooSmall, run(1, 3, {1, 2, 3})},
        {"Contingency_head empty", kErrTableTooSmall, run(0, 0, {})},
        {"Contingency_head negative count", kErrNegativeCount, run(2, 2, {1, -1, 2, 2})},
    };
}

ORIN_ALLOCATION_CASE(Contingency_Table, 1) {
    const int32_t t[] = {10, 20, 30, 40};
    double chi2 = 0, p = 0;
    const int32_t code = inj.call([&] { return Contingency_Table(2, 2, t, &chi2, &p); });
    EXPECT_EQ(code, inj.failing() ? kErrOutOfMemory : 0);
}

ORIN_ALLOCATION_CASE(Contingency_head, 1) {
    Int32MatrixHandle table(2, 2, {10, 20, 30, 40});
    double chi2 = 0, p = 0;
    int32_t err = 0;
    EXPECT_EQ(inj.call([&] { return Contingency_head(table, &chi2, &p, &err); }), 0);
    EXPECT_EQ(err, inj.failing() ? kErrOutOfMemory : 0);
    EXPECT_EQ(isIDNaN(chi2), inj.failing());
    EXPECT_EQ(isIDNaN(p), inj.failing());
}
