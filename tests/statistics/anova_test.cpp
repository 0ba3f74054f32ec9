// Analysis of variance against the textbook definitions in long double, two
// passes: each effect's sum of squares from its cell means with every
// lower-order mean removed (inclusion-exclusion over the factors), the error
// from the cell means; F denominators from the expected mean squares of the
// restricted mixed model; p-values from the reference F tail.
#include <orin/statistics.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "distribution_reference.h"
#include "support/allocation_failure.h"
#include "support/contract.h"
#include "support/handles.h"
#include "support/reference.h"

using orintest::isIDNaN;
using orintest::kEps;
namespace ref = orintest::ref;

namespace {

struct Design {
    std::vector<int> levels;
    std::vector<double> y;
    std::vector<std::vector<int32_t>> index;  // index[factor][observation]
    // The data are offset + v. Sums of squares do not change under a shift,
    // and y - offset is exact (Sterbenz), so the reference works on it and
    // keeps every digit the library could have.
    double offset;
    int factors() const { return static_cast<int>(levels.size()); }
    long double centred(size_t t) const { return static_cast<long double>(y[t] - offset); }
    // Mixed-radix number of observation t's cell over the factors in mask.
    size_t cell(unsigned mask, size_t t) const {
        size_t c = 0;
        for (int f = 0; f < factors(); ++f)
            if (mask >> f & 1) c = c * static_cast<size_t>(levels[f]) + static_cast<size_t>(index[f][t]);
        return c;
    }
    std::vector<long double> means(unsigned mask) const {
        std::vector<long double> sum(y.size()), count(y.size());
        for (size_t t = 0; t < y.size(); ++t) sum[cell(mask, t)] += centred(t), count[cell(mask, t)] += 1;
        for (size_t c = 0; c < sum.size(); ++c) sum[c] /= count[c] ? count[c] : 1;
        return sum;
    }
    // Effect of the factors in mask: over the observations, the square of
    // sum_{T subset of mask} (-1)^|mask - T| mean_T. The mask one past all
    // factors gives the error (observation minus its cell mean), mask 0 with
    // total = true the total sum of squares.
    long double ss(unsigned mask, bool total = false) const {
        const unsigned all = (1u << factors()) - 1;
        if (total || mask > all) {
            const auto m = means(total ? 0 : all);
            long double s = 0;
            for (size_t t = 0; t < y.size(); ++t) s += (centred(t) - m[cell(total ? 0 : all, t)]) * (centred(t) - m[cell(total ? 0 : all, t)]);
            return s;
        }
        std::vector<std::vector<long double>> sub(all + 1);
        for (unsigned t = 0; t <= all; ++t)
            if ((t & mask) == t) sub[t] = means(t);
        long double s = 0;
        for (size_t i = 0; i < y.size(); ++i) {
            long double dev = 0;
            for (unsigned t = 0; t <= all; ++t)
                if ((t & mask) == t) dev += (__builtin_popcount(mask & ~t) % 2 ? -1 : 1) * sub[t][cell(t, i)];
            s += dev * dev;
        }
        return s;
    }
    long df(unsigned mask) const {
        long d = 1;
        for (int f = 0; f < factors(); ++f)
            if (mask >> f & 1) d *= levels[f] - 1;
        return d;
    }
};

// Balanced, m per cell, shuffled; offset + cell effect + unit noise, the
// effects scaled so that the tests are neither certain nor hopeless.
Design balanced(std::vector<int> levels, int m, uint64_t seed, double offset = 10) {
    std::mt19937_64 gen(seed);
    std::normal_distribution<double> noise(0, 1);
    Design d{levels, {}, std::vector<std::vector<int32_t>>(levels.size()), offset};
    int cells = 1;
    for (int l : levels) cells *= l;
    std::vector<double> effect(static_cast<size_t>(cells));
    for (double &e : effect) e = 0.6 * noise(gen);
    std::vector<int> order;
    for (int c = 0; c < cells * m; ++c) order.push_back(c / m);
    std::shuffle(order.begin(), order.end(), gen);
    for (int c : order) {
        d.y.push_back(offset + effect[static_cast<size_t>(c)] + noise(gen));
        for (int f = d.factors() - 1, rest = c; f >= 0; rest /= levels[f], --f) d.index[f].push_back(rest % levels[f]);
    }
    return d;
}

double upperF(long double f, long double df1, long double df2) {
    return static_cast<double>(1 - ref::fCdf(f, static_cast<int>(df1), static_cast<int>(df2)));
}

// Runs the two- or three-way analysis with the factors in random declared
// random and checks every cell of the table and every p-value. Effects in
// table order: A, B, (C,) AB, (AC, BC, ABC), then the error.
void checkFactorial(const Design &d, int m, unsigned random, const std::string &where) {
    const bool three = d.factors() == 3;
    const std::vector<unsigned> effects = three ? std::vector<unsigned>{1, 2, 4, 3, 5, 6, 7} : std::vector<unsigned>{1, 2, 3};
    const unsigned error = three ? 8 : 4;
    int32_t k[3];
    for (int f = 0; f < d.factors(); ++f) k[f] = random >> f & 1 ? -d.levels[f] : d.levels[f];
    double table[32] = {}, p[7];
    const int32_t n = static_cast<int32_t>(d.y.size());
    const int32_t code = three ? ANOVA3Way(d.y.data(), d.index[0].data(), d.index[1].data(), d.index[2].data(), n, m, k[0], k[1], k[2],
                                           table, p, p + 1, p + 2, p + 3, p + 4, p + 5, p + 6)
                               : ANOVA2Way(d.y.data(), d.index[0].data(), d.index[1].data(), n, m, k[0], k[1], table, p, p + 1, p + 2);
    ASSERT_EQ(code, 0) << where;
    // Each sum of squares is a difference of extended sums rounded once.
    const double tol = static_cast<double>(16 * kEps * d.ss(0, true));
    const auto rowSS = [&](unsigned e) { return e == error ? d.ss(error) : d.ss(e); };
    long cells = 1;
    for (int l : d.levels) cells *= l;
    const auto rowDf = [&](unsigned e) -> long double { return e == error ? static_cast<long double>(n - cells) : d.df(e); };
    std::vector<unsigned> rows = effects;
    rows.push_back(error);
    for (size_t r = 0; r < rows.size(); ++r) {
        const unsigned e = rows[r];
        EXPECT_NEAR(table[4 * r], static_cast<double>(rowSS(e)), tol) << where << " row " << r;
        EXPECT_EQ(table[4 * r + 1], static_cast<double>(rowDf(e))) << where << " row " << r;
        EXPECT_NEAR(table[4 * r + 2], static_cast<double>(rowSS(e) / rowDf(e)), tol) << where << " row " << r;
        if (e == error) continue;
        // Restricted mixed model: no random factor outside the effect, the
        // error; one, the effect's interaction with it; two, no exact test.
        const unsigned outside = random & ~e;
        if (__builtin_popcount(outside) > 1) {
            EXPECT_EQ(table[4 * r + 3], -1.0) << where << " row " << r;
            EXPECT_EQ(p[r], -1.0) << where << " row " << r;
            continue;
        }
        const unsigned den = outside ? (e | outside) : error;
        const long double f = (rowSS(e) / rowDf(e)) / (rowSS(den) / rowDf(den));
        const double rel = tol / static_cast<double>(rowSS(e)) + tol / static_cast<double>(rowSS(den));
        EXPECT_NEAR(table[4 * r + 3], static_cast<double>(f), static_cast<double>(f) * rel) << where << " row " << r;
        EXPECT_NEAR(p[r], upperF(f, rowDf(e), rowDf(den)), ref::kBetaBudget) << where << " row " << r;
    }
    if (three) {
        EXPECT_EQ(table[31], 0.0) << where;
    }
}

}  // namespace

TEST(ANOVA1Way, KnownAnswersAndUnbalancedGroupsAgainstTheDefinitions) {
    const double x[] = {1, 3, 5, 7};
    const int32_t g[] = {0, 0, 1, 1};
    double o[7];
    ASSERT_EQ(ANOVA1Way(x, g, 4, 2, o, o + 1, o + 2, o + 3, o + 4, o + 5, o + 6), 0);
    EXPECT_EQ(std::vector<double>(o, o + 7), (std::vector<double>{16, 16, 8, o[3], 4, 2, 20}));
    // F(1, 2) is T_2 squared: p = 1 - sqrt(8 / (2 + 8)).
    EXPECT_NEAR(o[3], 1 - std::sqrt(0.8), ref::kBetaBudget);
    // Near 1e7 with spread 1, sum x^2 - (sum x)^2 / n taken naively in
    // extended precision would lose about 1e-5 of the total.
    for (double offset : {0.0, 1e7})
        for (int k : {2, 3, 7}) {
            std::mt19937_64 gen(40 + k);
            std::normal_distribution<double> noise(0, 1);
            Design d{{k}, {}, {{}}, offset};
            for (int j = 0; j < k; ++j)
                for (int r = 0; r < 2 + 3 * j; ++r) d.y.push_back(offset + 0.5 * j + noise(gen)), d.index[0].push_back(j);
            const int32_t n = static_cast<int32_t>(d.y.size());
            ASSERT_EQ(ANOVA1Way(d.y.data(), d.index[0].data(), n, k, o, o + 1, o + 2, o + 3, o + 4, o + 5, o + 6), 0);
            const long double sst = d.ss(0, true), ssa = d.ss(1), sse = d.ss(2), f = (ssa / (k - 1)) / (sse / (n - k));
            const double tol = static_cast<double>(16 * kEps * sst);
            const std::string where = "offset " + std::to_string(offset) + " k " + std::to_string(k);
            EXPECT_NEAR(o[0], static_cast<double>(ssa), tol) << where;
            EXPECT_NEAR(o[1], static_cast<double>(ssa / (k - 1)), tol) << where;
            EXPECT_NEAR(o[2], static_cast<double>(f), static_cast<double>(f) * (tol / static_cast<double>(ssa) + tol / static_cast<double>(sse))) << where;
            EXPECT_NEAR(o[3], upperF(f, k - 1, n - k), ref::kBetaBudget) << where;
            EXPECT_NEAR(o[4], static_cast<double>(sse), tol) << where;
            EXPECT_NEAR(o[5], static_cast<double>(sse / (n - k)), tol) << where;
            EXPECT_NEAR(o[6], static_cast<double>(sst), tol) << where;
        }
}

TEST(ANOVA2Way, EveryRandomPatternAgainstTheDefinitions) {
    for (double offset : {10.0, 1e7})
        for (int m : {2, 3})
            for (unsigned random = 0; random < 4; ++random)
                checkFactorial(balanced({3, 4}, m, 7 + m, offset), m, random,
                               "offset " + std::to_string(offset) + " m " + std::to_string(m) + " random " + std::to_string(random));
}

TEST(ANOVA2Way, MainEffectOverTheInteractionUsesItsDegreesOfFreedom) {
    // B random: F_A = MSA / MSAB, whose p-value takes (a-1)(b-1) = 4
    // denominator degrees of freedom, not N - ab = 27 (those of MSE).
    const Design d = balanced({3, 3}, 4, 321);
    double t[16], p[3];
    ASSERT_EQ(ANOVA2Way(d.y.data(), d.index[0].data(), d.index[1].data(), 36, 4, 3, -3, t, p, p + 1, p + 2), 0);
    ASSERT_GT(std::fabs(upperF(t[3], 2, 4) - upperF(t[3], 2, 27)), 100 * ref::kBetaBudget) << "the design tells them apart";
    EXPECT_NEAR(p[0], upperF(t[3], 2, 4), ref::kBetaBudget);
}

TEST(ANOVA2Way, OneObservationPerCellTakesTheInteractionAsError) {
    const Design d = balanced({3, 2}, 1, 99);
    double t[16], p[3];
    ASSERT_EQ(ANOVA2Way(d.y.data(), d.index[0].data(), d.index[1].data(), 6, 1, 3, 2, t, p, p + 1, p + 2), 0);
    EXPECT_EQ(std::vector<double>(t + 8, t + 12), std::vector<double>(4, 0.0));
    EXPECT_EQ(p[2], 0.0);
    const long double sse = d.ss(3), msa = d.ss(1) / 2;
    EXPECT_NEAR(t[12], static_cast<double>(sse), static_cast<double>(16 * kEps * d.ss(0, true)));
    EXPECT_EQ(t[13], 2.0);
    EXPECT_NEAR(p[0], upperF(msa / (sse / 2), 2, 2), ref::kBetaBudget);
}

TEST(ANOVA3Way, EveryRandomPatternAgainstTheDefinitions) {
    for (double offset : {10.0, 1e7})
        for (unsigned random = 0; random < 8; ++random)
            checkFactorial(balanced({2, 3, 4}, 2, 77, offset), 2, random,
                           "offset " + std::to_string(offset) + " random " + std::to_string(random));
}

TEST(ANOVA, ChecksInTheirOrder) {
    const Design d = balanced({2, 2, 2}, 2, 8);
    const double *y = d.y.data();
    const int32_t *ia = d.index[0].data(), *ib = d.index[1].data(), *ic = d.index[2].data();
    std::vector<int32_t> bad(ia, ia + 16), moved(ia, ia + 16);
    bad[3] = 2;
    // One observation moves from an A = 1 cell to the A = 0 cell beside it.
    moved[static_cast<size_t>(std::find(moved.begin(), moved.end(), 1) - moved.begin())] = 0;
    double o[32];
    const auto one = [&](const int32_t *g, int32_t n, int32_t k) { return ANOVA1Way(y, g, n, k, o, o + 1, o + 2, o + 3, o + 4, o + 5, o + 6); };
    const auto two = [&](const int32_t *a, int32_t n, int32_t m, int32_t kA, int32_t kB) {
        return ANOVA2Way(y, a, ib, n, m, kA, kB, o, o + 1, o + 2, o + 3);
    };
    const auto three = [&](const int32_t *a, int32_t n, int32_t m, int32_t kA, int32_t kB, int32_t kC) {
        return ANOVA3Way(y, a, ib, ic, n, m, kA, kB, kC, o, o + 1, o + 2, o + 3, o + 4, o + 5, o + 6, o + 7);
    };
    const int32_t sparse[] = {0, 1, 0, 1, 0}, emptyAndBad[] = {0, 1, 0, 1, 7}, cellA[] = {0, 0, 1, 1}, cellB[] = {0, 1, 0, 1};
    const struct {
        const char *name;
        int32_t got, code;
    } rows[] = {
        {"1: n 0 before k", one(ia, 0, 0), kErrEmptyArray},
        {"1: k 1", one(ia, 16, 1), kErrAnovaLevels},
        {"1: k = n", one(ia, 16, 16), kErrAnovaLevels},
        {"1: index k", one(bad.data(), 16, 2), kErrAnovaLevelIndex},
        {"1: empty group", one(sparse, 5, 3), kErrAnovaNoObservations},
        {"1: index before empty group", one(emptyAndBad, 5, 4), kErrAnovaLevelIndex},
        {"2: size", two(ia, 8, 2, 2, 3), kErrAnovaSize},
        // 65536 * 65536 wraps to 0 in 32 bits; the product is formed wide.
        {"2: size wraps", two(ia, 0, 1, 65536, -65536), kErrAnovaSize},
        {"2: most negative count", two(ia, 0, 1, INT32_MIN, 2), kErrAnovaSize},
        {"2: one level", two(ia, 8, 8, 1, 1), kErrAnovaLevels},
        {"2: m 0", two(ia, 0, 0, 2, 2), kErrAnovaNoObservations},
        {"2: index", two(bad.data(), 16, 4, 2, 2), kErrAnovaLevelIndex},
        {"2: unbalanced", two(moved.data(), 16, 4, 2, 2), kErrAnovaUnbalanced},
        {"2: random, one per cell", ANOVA2Way(y, cellA, cellB, 4, 1, 2, -2, o, o + 1, o + 2, o + 3), kErrAnovaRandomSingle},
        {"3: size", three(ia, 16, 2, 2, 2, 3), kErrAnovaSize},
        {"3: size wraps", three(ia, 0, 2, 2048, 2048, 2048), kErrAnovaSize},
        {"3: m 1", three(ia, 8, 1, 2, 2, 2), kErrAnovaNoObservations},
        {"3: one level", three(ia, 16, 2, 1, 4, 2), kErrAnovaLevels},
        {"3: index", three(bad.data(), 16, 2, 2, 2, 2), kErrAnovaLevelIndex},
        {"3: unbalanced", three(moved.data(), 16, 2, 2, 2, 2), kErrAnovaUnbalanced},
    };
    for (const auto &row : rows) EXPECT_EQ(row.got, row.code) << row.name;
}

// ---- handle entry points ----------------------------------------------------

TEST(AnovaEntryPoints, FillTheirTablesAsTheCoreRoutines) {
    const Design d = balanced({2, 2, 2}, 2, 3);
    using orintest::DoubleHandle, orintest::Int32Handle, orintest::DoubleMatrixHandle;
    DoubleHandle x(d.y);
    Int32Handle a(d.index[0]), b(d.index[1]), c(d.index[2]);
    const int32_t m = 2, m4 = 4, k = 2, kr = -2;
    double got[8], want[8], core[32];
    int32_t err = 9;
    ASSERT_EQ(Anova1Way_head(x, a, &k, got, got + 1, got + 2, got + 3, got + 4, got + 5, got + 6, &err), 0);
    ANOVA1Way(d.y.data(), d.index[0].data(), 16, 2, want, want + 1, want + 2, want + 3, want + 4, want + 5, want + 6);
    EXPECT_EQ(err, 0);
    EXPECT_EQ(std::vector<double>(got, got + 7), std::vector<double>(want, want + 7));
    DoubleMatrixHandle t2(4, 4, std::vector<double>(16, 7)), t3(1, 1, {7});
    ASSERT_EQ(Anova2Way_head(x, a, b, &m4, &k, &kr, t2, got, got + 1, got + 2, &err), 0);
    ANOVA2Way(d.y.data(), d.index[0].data(), d.index[1].data(), 16, 4, 2, -2, core, want, want + 1, want + 2);
    core[15] = 0;  // the error row has no F
    EXPECT_EQ(err, 0);
    EXPECT_EQ(t2.rows() * 10 + t2.cols(), 44);
    EXPECT_EQ(t2.values(), std::vector<double>(core, core + 16));
    EXPECT_EQ(std::vector<double>(got, got + 3), std::vector<double>(want, want + 3));
    ASSERT_EQ(ANOVA3Way_head(x, a, b, c, &m, &kr, &k, &kr, t3, got, got + 1, got + 2, got + 3, got + 4, got + 5, got + 6, &err), 0);
    ANOVA3Way(d.y.data(), d.index[0].data(), d.index[1].data(), d.index[2].data(), 16, 2, -2, 2, -2, core, want, want + 1, want + 2,
              want + 3, want + 4, want + 5, want + 6);
    EXPECT_EQ(err, 0);
    EXPECT_EQ(t3.rows() * 10 + t3.cols(), 84);
    EXPECT_EQ(t3.values(), std::vector<double>(core, core + 32));
    EXPECT_EQ(std::vector<double>(got, got + 7), std::vector<double>(want, want + 7));
}

ORIN_CONTRACT_TABLE(Anova) {
    using orintest::Contract;
    static const int32_t one = 1, two = 2, three = 3, minusTwo = -2;
    using V = std::vector<double>;
    using I = std::vector<int32_t>;
    const V y{1, 2, 4, 3, 6, 5, 8, 9};
    const I ia{0, 0, 0, 0, 1, 1, 1, 1}, ib{0, 0, 1, 1, 0, 0, 1, 1}, shortI{0, 1, 1};
    const auto oneWay = [](V x, I g, const int32_t *k) {
        return [=](Contract &c) {
            int32_t err = 0;
            Anova1Way_head(c.input<DoubleArray>(x), c.input<Int32Array>(g), k, c.scalar(), c.scalar(), c.scalar(), c.scalar(),
                           c.scalar(), c.scalar(), c.scalar(), &err);
            return err;
        };
    };
    const auto twoWay = [](V x, I a, I b, const int32_t *m, const int32_t *kB) {
        return [=](Contract &c) {
            int32_t err = 0;
            Anova2Way_head(c.input<DoubleArray>(x), c.input<Int32Array>(a), c.input<Int32Array>(b), m, &two, kB,
                           c.output<DoubleMatrix>(2, 2, V{1, 2, 3, 4}), c.scalar(), c.scalar(), c.scalar(), &err);
            return err;
        };
    };
    const auto threeWay = [](V x, I a, I cl, const int32_t *m) {
        return [=](Contract &c) {
            int32_t err = 0;
            ANOVA3Way_head(c.input<DoubleArray>(x), c.input<Int32Array>(a), c.input<Int32Array>(a), c.input<Int32Array>(cl), m, &two,
                           &two, &two, c.output<DoubleMatrix>(1, 2, V{1, 2}), c.scalar(), c.scalar(), c.scalar(), c.scalar(),
                           c.scalar(), c.scalar(), c.scalar(), &err);
            return err;
        };
    };
    return {
        {"Anova1Way_head empty", kErrEmptyArray, oneWay({}, {}, &two)},
        {"Anova1Way_head lengths", kErrArraySizeMismatch, oneWay({1, 3, 5, 7}, shortI, &two)},
        {"Anova1Way_head core", kErrAnovaLevels, oneWay({1, 3, 5}, shortI, &three)},
        {"Anova2Way_head empty", kErrEmptyArray, twoWay({}, {}, {}, &two, &two)},
        {"Anova2Way_head lengths", kErrArraySizeMismatch, twoWay(y, ia, {0, 1}, &two, &two)},
        {"Anova2Way_head core", kErrAnovaRandomSingle, twoWay({1, 2, 3, 4}, {0, 0, 1, 1}, {0, 1, 0, 1}, &one, &minusTwo)},
        {"ANOVA3Way_head empty", kErrEmptyArray, threeWay({}, {}, {}, &two)},
        {"ANOVA3Way_head lengths", kErrArraySizeMismatch, threeWay(y, ia, shortI, &two)},
        {"ANOVA3Way_head core", kErrAnovaNoObservations, threeWay(y, ia, ib, &one)},
    };
}

// Every allocation made to fail: the core's one scratch block, and for the
// two- and three-way entry points first the table's resize (the host's
// status returned) and then the scratch.
ORIN_ALLOCATION_CASE(AnovaCoreRoutines, 3) {
    const Design d = balanced({2, 2, 2}, 2, 5);
    double o[32];
    const int32_t *ia = d.index[0].data(), *ib = d.index[1].data(), *ic = d.index[2].data();
    int32_t codes[3];
    inj.call([&] {
        codes[0] = ANOVA1Way(d.y.data(), ia, 16, 2, o, o + 1, o + 2, o + 3, o + 4, o + 5, o + 6);
        codes[1] = ANOVA2Way(d.y.data(), ia, ib, 16, 4, 2, 2, o, o + 1, o + 2, o + 3);
        return codes[2] = ANOVA3Way(d.y.data(), ia, ib, ic, 16, 2, 2, 2, 2, o, o + 1, o + 2, o + 3, o + 4, o + 5, o + 6, o + 7);
    });
    for (int i = 0; i < 3; ++i) EXPECT_EQ(codes[i], inj.site() == i + 1 ? kErrOutOfMemory : 0) << i;
}

ORIN_ALLOCATION_CASE(AnovaEntryPoints, 5) {
    const Design d = balanced({2, 2, 2}, 2, 5);
    orintest::DoubleHandle x(d.y);
    orintest::Int32Handle a(d.index[0]), b(d.index[1]), c(d.index[2]);
    orintest::DoubleMatrixHandle t2(1, 1, {0}), t3(1, 1, {0});
    const int32_t m = 2, m4 = 4, k = 2;
    double p[3][7];
    int32_t err[3], status[3];
    inj.call([&] {
        status[0] = Anova1Way_head(x, a, &k, p[0], p[0] + 1, p[0] + 2, p[0] + 3, p[0] + 4, p[0] + 5, p[0] + 6, err);
        status[1] = Anova2Way_head(x, a, b, &m4, &k, &k, t2, p[1], p[1] + 1, p[1] + 2, err + 1);
        return status[2] = ANOVA3Way_head(x, a, b, c, &m, &k, &k, &k, t3, p[2], p[2] + 1, p[2] + 2, p[2] + 3, p[2] + 4, p[2] + 5,
                                          p[2] + 6, err + 2);
    });
    // Sites: 1 one-way scratch; 2, 3 two-way resize, scratch; 4, 5 three-way.
    const int first[] = {1, 2, 4}, count[] = {1, 2, 2};
    for (int i = 0; i < 3; ++i) {
        const bool hit = inj.site() >= first[i] && inj.site() < first[i] + count[i];
        EXPECT_EQ(err[i], hit ? kErrOutOfMemory : 0) << i;
        EXPECT_EQ(status[i] != 0, hit && i > 0 && inj.site() == first[i]) << i;
        EXPECT_EQ(isIDNaN(p[i][0]), hit) << i;
    }
    EXPECT_EQ(t2.emptied(), inj.site() == 2 || inj.site() == 3);
    EXPECT_EQ(t3.emptied(), inj.site() >= 4);
}
