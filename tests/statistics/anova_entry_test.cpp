// The analysis-of-variance entry points: lengths, table shapes, the failure
// path, and every allocation made to fail.
#include <orin/statistics.h>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "support/allocation_failure.h"
#include "support/contract.h"
#include "support/handles.h"

using orintest::DoubleHandle;
using orintest::DoubleMatrixHandle;
using orintest::Int32Handle;
using orintest::isIDNaN;

namespace {

// 2 x 2 x 2 cells, two observations each, in a fixed order.
struct Cube {
    std::vector<double> y;
    std::vector<int32_t> a, b, c;
    Cube() {
        for (int r = 0; r < 2; ++r)
            for (int i = 0; i < 2; ++i)
                for (int j = 0; j < 2; ++j)
                    for (int k = 0; k < 2; ++k) {
                        y.push_back(1 + i + 2 * j + 0.5 * k + 0.25 * r + 0.125 * ((i + j + k + r) % 3));
                        a.push_back(i);
                        b.push_back(j);
                        c.push_back(k);
                    }
    }
};

}  // namespace

TEST(Anova1WayHead, ForwardsTheCoreAndFailsWithIDNaN) {
    DoubleHandle x({1, 3, 5, 7});
    Int32Handle g({0, 0, 1, 1});
    const int32_t k = 2;
    double o[7];
    int32_t err = 9;
    ASSERT_EQ(Anova1Way_head(x, g, &k, o, o + 1, o + 2, o + 3, o + 4, o + 5, o + 6, &err), 0);
    EXPECT_EQ(err, 0);
    double r[7];
    ASSERT_EQ(ANOVA1Way((*x.get())->elt, (*g.get())->elt, 4, 2, r, r + 1, r + 2, r + 3, r + 4, r + 5, r + 6), 0);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(o[i], r[i]) << i;
}

TEST(Anova2WayHead, FillsAFourByFourTableOrEmptiesIt) {
    DoubleHandle x({1, 2, 4, 3, 6, 5, 8, 9});
    Int32Handle a({0, 0, 0, 0, 1, 1, 1, 1}), b({0, 0, 1, 1, 0, 0, 1, 1});
    const int32_t m = 2, kA = 2, kB = -2;
    DoubleMatrixHandle table(1, 1, {42});
    double p[3];
    int32_t err = 9;
    ASSERT_EQ(Anova2Way_head(x, a, b, &m, &kA, &kB, table, p, p + 1, p + 2, &err), 0);
    EXPECT_EQ(err, 0);
    ASSERT_EQ(table.rows(), 4);
    ASSERT_EQ(table.cols(), 4);
    double core[16], q[3];
    ASSERT_EQ(ANOVA2Way((*x.get())->elt, (*a.get())->elt, (*b.get())->elt, 8, 2, 2, -2, core, q, q + 1, q + 2), 0);
    const auto got = table.values();
    for (int i = 0; i < 15; ++i) EXPECT_EQ(got[static_cast<size_t>(i)], core[i]) << i;
    EXPECT_EQ(got[15], 0.0) << "the error row has no F";
    for (int i = 0; i < 3; ++i) EXPECT_EQ(p[i], q[i]) << i;
}

TEST(ANOVA3WayHead, FillsAnEightByFourTableOrEmptiesIt) {
    const Cube cube;
    DoubleHandle x(cube.y);
    Int32Handle a(cube.a), b(cube.b), c(cube.c), shortC({0, 1});
    const int32_t m = 2, kRandom = -2;
    DoubleMatrixHandle table(1, 1, {0});
    double p[7], q[7], core[32];
    int32_t err = 9;
    ASSERT_EQ(ANOVA3Way_head(x, a, b, c, &m, &kRandom, &kRandom, &kRandom, table, p, p + 1, p + 2, p + 3, p + 4, p + 5, p + 6, &err), 0);
    EXPECT_EQ(err, 0);
    ASSERT_EQ(table.rows(), 8);
    ASSERT_EQ(table.cols(), 4);
    ASSERT_EQ(ANOVA3Way(cube.y.data(), cube.a.data(), cube.b.data(), cube.c.data(), 16, 2, -2, -2, -2, core, q, q + 1, q + 2, q + 3,
                        q + 4, q + 5, q + 6),
              0);
    EXPECT_EQ(table.values(), std::vector<double>(core, core + 32));
    for (int i = 0; i < 7; ++i) EXPECT_EQ(p[i], q[i]) << i;
    // All three random: the main effects have no exact test.
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(p[i], -1.0) << i;
        EXPECT_EQ(core[4 * i + 3], -1.0) << i;
    }
}

ORIN_CONTRACT_TABLE(Anova) {
    using orintest::Contract;
    static const int32_t one = 1, two = 2, three = 3, minusTwo = -2, nine = 9;
    const std::vector<double> y{1, 2, 4, 3, 6, 5, 8, 9};
    const std::vector<int32_t> ia{0, 0, 0, 0, 1, 1, 1, 1}, ib{0, 0, 1, 1, 0, 0, 1, 1};
    // One-way: all seven scalars; two-way: the table and three p-values.
    const auto oneWay = [](std::vector<double> x, std::vector<int32_t> g, const int32_t *k) {
        return [=](Contract &c) {
            int32_t err = 0;
            Anova1Way_head(c.input<DoubleArray>(x), c.input<Int32Array>(g), k, c.scalar(), c.scalar(), c.scalar(), c.scalar(),
                           c.scalar(), c.scalar(), c.scalar(), &err);
            return err;
        };
    };
    const auto twoWay = [](std::vector<double> x, std::vector<int32_t> a, std::vector<int32_t> b, const int32_t *m,
                           const int32_t *kB) {
        return [=](Contract &c) {
            int32_t err = 0;
            Anova2Way_head(c.input<DoubleArray>(x), c.input<Int32Array>(a), c.input<Int32Array>(b), m, &two, kB,
                           c.output<DoubleMatrix>(2, 2, std::vector<double>{1, 2, 3, 4}), c.scalar(), c.scalar(), c.scalar(),
                           &err);
            return err;
        };
    };
    const auto threeWay = [](std::vector<double> x, std::vector<int32_t> a, std::vector<int32_t> cLevels, const int32_t *m) {
        return [=](Contract &c) {
            int32_t err = 0;
            ANOVA3Way_head(c.input<DoubleArray>(x), c.input<Int32Array>(a), c.input<Int32Array>(a), c.input<Int32Array>(cLevels),
                           m, &two, &two, &two, c.output<DoubleMatrix>(1, 2, std::vector<double>{1, 2}), c.scalar(), c.scalar(),
                           c.scalar(), c.scalar(), c.scalar(), c.scalar(), c.scalar(), &err);
            return err;
        };
    };
    const std::vector<int32_t> shortLevels{0, 1, 1};
    return {
        {"Anova1Way_head no observations", kErrEmptyArray, oneWay({}, {}, &two)},
        {"Anova1Way_head lengths differ", kErrArraySizeMismatch, oneWay({1, 3, 5, 7}, shortLevels, &two)},
        {"Anova1Way_head k = n", kErrAnovaLevels, oneWay({1, 3, 5}, shortLevels, &three)},
        {"Anova2Way_head no observations", kErrEmptyArray, twoWay({}, {}, {}, &two, &two)},
        {"Anova2Way_head lengths differ", kErrArraySizeMismatch, twoWay(y, ia, {0, 1}, &two, &two)},
        {"Anova2Way_head size", kErrAnovaSize, twoWay(y, ia, ib, &three, &two)},
        {"Anova2Way_head random, one per cell", kErrAnovaRandomSingle,
         twoWay({1, 2, 3, 4}, {0, 0, 1, 1}, {0, 1, 0, 1}, &one, &minusTwo)},
        {"ANOVA3Way_head no observations", kErrEmptyArray, threeWay({}, {}, {}, &two)},
        {"ANOVA3Way_head lengths differ", kErrArraySizeMismatch, threeWay(y, ia, shortLevels, &two)},
        {"ANOVA3Way_head one per cell", kErrAnovaNoObservations, threeWay(y, ia, ib, &one)},
        {"ANOVA3Way_head size", kErrAnovaSize, threeWay(y, ia, ib, &nine)},
    };
}

// ---- allocation failures ----------------------------------------------------

ORIN_ALLOCATION_CASE(ANOVA1Way, 1) {
    const double x[] = {1, 3, 5, 7};
    const int32_t g[] = {0, 0, 1, 1};
    double o[7] = {};
    const int32_t code = inj.call([&] { return ANOVA1Way(x, g, 4, 2, o, o + 1, o + 2, o + 3, o + 4, o + 5, o + 6); });
    EXPECT_EQ(code, inj.failing() ? kErrOutOfMemory : 0);
    if (!inj.failing()) {
        EXPECT_EQ(o[2], 8.0);
    }
}

ORIN_ALLOCATION_CASE(ANOVA2Way, 1) {
    const double x[] = {1, 2, 4, 3, 6, 5, 8, 9};
    const int32_t a[] = {0, 0, 0, 0, 1, 1, 1, 1}, b[] = {0, 0, 1, 1, 0, 0, 1, 1};
    double t[16], p[3];
    const int32_t code = inj.call([&] { return ANOVA2Way(x, a, b, 8, 2, 2, 2, t, p, p + 1, p + 2); });
    EXPECT_EQ(code, inj.failing() ? kErrOutOfMemory : 0);
}

ORIN_ALLOCATION_CASE(ANOVA3Way, 1) {
    const Cube cube;
    double t[32], p[7];
    const int32_t code = inj.call([&] {
        return ANOVA3Way(cube.y.data(), cube.a.data(), cube.b.data(), cube.c.data(), 16, 2, 2, 2, 2, t, p, p + 1, p + 2, p + 3, p + 4,
                         p + 5, p + 6);
    });
    EXPECT_EQ(code, inj.failing() ? kErrOutOfMemory : 0);
}

ORIN_ALLOCATION_CASE(Anova1Way_head, 1) {
    DoubleHandle x({1, 3, 5, 7});
    Int32Handle g({0, 0, 1, 1});
    const int32_t k = 2;
    double o[7];
    int32_t err = 0;
    EXPECT_EQ(inj.call([&] { return Anova1Way_head(x, g, &k, o, o + 1, o + 2, o + 3, o + 4, o + 5, o + 6, &err); }), 0);
    EXPECT_EQ(err, inj.failing() ? kErrOutOfMemory : 0);
    for (double v : o) EXPECT_EQ(isIDNaN(v), inj.failing());
}

ORIN_ALLOCATION_CASE(Anova2Way_head, 2) {
    // Site 1: the table's resize (the host's status is returned); site 2:
    // the analysis's scratch.
    DoubleHandle x({1, 2, 4, 3, 6, 5, 8, 9});
    Int32Handle a({0, 0, 0, 0, 1, 1, 1, 1}), b({0, 0, 1, 1, 0, 0, 1, 1});
    const int32_t m = 2, k = 2;
    DoubleMatrixHandle table(1, 1, {0});
    double p[3];
    int32_t err = 0;
    const int32_t status = inj.call([&] { return Anova2Way_head(x, a, b, &m, &k, &k, table, p, p + 1, p + 2, &err); });
    EXPECT_EQ(status != 0, inj.site() == 1);
    EXPECT_EQ(err, inj.failing() ? kErrOutOfMemory : 0);
    EXPECT_EQ(table.emptied(), inj.failing());
    for (double v : p) EXPECT_EQ(isIDNaN(v), inj.failing());
}

ORIN_ALLOCATION_CASE(ANOVA3Way_head, 2) {
    const Cube cube;
    DoubleHandle x(cube.y);
    Int32Handle a(cube.a), b(cube.b), c(cube.c);
    const int32_t m = 2, k = 2;
    DoubleMatrixHandle table(1, 1, {0});
    double p[7];
    int32_t err = 0;
    const int32_t status =
        inj.call([&] { return ANOVA3Way_head(x, a, b, c, &m, &k, &k, &k, table, p, p + 1, p + 2, p + 3, p + 4, p + 5, p + 6, &err); });
    EXPECT_EQ(status != 0, inj.site() == 1);
    EXPECT_EQ(err, inj.failing() ? kErrOutOfMemory : 0);
    EXPECT_EQ(table.emptied(), inj.failing());
    for (double v : p) EXPECT_EQ(isIDNaN(v), inj.failing());
}
