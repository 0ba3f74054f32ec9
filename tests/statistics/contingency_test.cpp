// The chi-square test of a contingency table against Pearson's definition
// in long double and the 2 x 2 closed form.
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

using orintest::kEps;
namespace ref = orintest::ref;

TEST(ContingencyTable, AgainstPearsonsDefinitionAndTheTwoByTwoClosedForm) {
    std::mt19937_64 gen(2024);
    std::uniform_int_distribution<int32_t> count(1, 500);
    // The second table's row totals exceed the int32 range.
    std::vector<std::vector<int32_t>> tables{{10, 20, 30, 40}, {2000000000, 2000000000, 1000000000, 2000000000}};
    std::vector<int> shapes{2, 2, 2, 2};
    for (int rows : {2, 3, 5})
        for (int cols : {3, 4, 9}) {
            tables.emplace_back(static_cast<size_t>(rows * cols));
            for (int32_t &v : tables.back()) v = count(gen);
            shapes.insert(shapes.end(), {rows, cols});
        }
    for (size_t i = 0; i < tables.size(); ++i) {
        const int rows = shapes[2 * i], cols = shapes[2 * i + 1];
        const auto &t = tables[i];
        std::vector<long double> r(static_cast<size_t>(rows)), c(static_cast<size_t>(cols));
        long double n = 0, expected = 0;
        for (int k = 0; k < rows * cols; ++k) r[static_cast<size_t>(k / cols)] += t[static_cast<size_t>(k)], c[static_cast<size_t>(k % cols)] += t[static_cast<size_t>(k)], n += t[static_cast<size_t>(k)];
        for (int k = 0; k < rows * cols; ++k) {
            const long double e = r[static_cast<size_t>(k / cols)] * c[static_cast<size_t>(k % cols)] / n, d = t[static_cast<size_t>(k)] - e;
            expected += d * d / e;
        }
        double chi2 = 0, p = 0;
        ASSERT_EQ(Contingency_Table(rows, cols, t.data(), &chi2, &p), 0) << i;
        // Extended sums of rows * cols terms, one rounding.
        EXPECT_NEAR(chi2, static_cast<double>(expected), 4 * kEps * static_cast<double>(expected)) << i;
        const int df = (rows - 1) * (cols - 1);
        // (The power-series reference needs about chi2/2 terms: the huge
        // statistic of the second table is left to its closed form above.)
        if (expected < 1000) {
            EXPECT_NEAR(p, static_cast<double>(1 - ref::chiSquareCdf(expected, df)), df % 2 ? ref::kOddChiBudget : 8 * kEps) << i;
        }
    }
    // 2 x 2: chi2 = N (ad - bc)^2 / ((a+b)(c+d)(a+c)(b+d)) = 100 * 200^2 / 5040000.
    double chi2 = 0, p = 0;
    Contingency_Table(2, 2, tables[0].data(), &chi2, &p);
    EXPECT_NEAR(chi2, 4000000.0L / 5040000, 2 * kEps);
    EXPECT_NEAR(chi2, 0.7937, 5e-5);
    EXPECT_EQ((Contingency_Table(2, 2, tables[1].data(), &chi2, &p), p), 0.0);
}

TEST(ContingencyTable, ChecksAndDegenerateTables) {
    const int32_t t[] = {1, 2, 3, 4, 5, 6}, negative[] = {1, 2, 3, -4}, zeroRow[] = {0, 0, 3, 4};
    double chi2 = 7, p = 7;
    EXPECT_EQ(Contingency_Table(1, 6, t, &chi2, &p), kErrTableTooSmall);
    EXPECT_EQ(Contingency_Table(3, 1, t, &chi2, &p), kErrTableTooSmall);
    // Negative dimensions are a table too small, not a failed allocation.
    EXPECT_EQ(Contingency_Table(-3, -2, t, &chi2, &p), kErrTableTooSmall);
    EXPECT_EQ(Contingency_Table(2, 2, negative, &chi2, &p), kErrNegativeCount);
    EXPECT_EQ(chi2, 7.0);
    // A zero row leaves the statistic undefined: NaN, and no error.
    ASSERT_EQ(Contingency_Table(2, 2, zeroRow, &chi2, &p), 0);
    EXPECT_TRUE(std::isnan(chi2) && std::isnan(p));

    orintest::Int32MatrixHandle table(2, 3, {5, 9, 2, 7, 1, 8});
    double c2 = 0, cp = 0;
    int32_t err = 9;
    ASSERT_EQ(Contingency_head(table, &chi2, &p, &err), 0);
    ASSERT_EQ(Contingency_Table(2, 3, table.data(), &c2, &cp), 0);
    EXPECT_EQ(err, 0);
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
        {"Contingency_head negative count", kErrNegativeCount, run(2, 2, {1, -1, 2, 2})},
    };
}

ORIN_ALLOCATION_CASE(Contingency, 2) {
    orintest::Int32MatrixHandle table(2, 2, {10, 20, 30, 40});
    double chi2 = 0, p = 0, c2, cp;
    int32_t err = 0, code = 0;
    inj.call([&] {
        code = Contingency_Table(2, 2, table.data(), &c2, &cp);
        return Contingency_head(table, &chi2, &p, &err);
    });
    EXPECT_EQ(code, inj.site() == 1 ? kErrOutOfMemory : 0);
    EXPECT_EQ(err, inj.site() == 2 ? kErrOutOfMemory : 0);
    EXPECT_EQ(orintest::isIDNaN(chi2) && orintest::isIDNaN(p), inj.site() == 2);
}
