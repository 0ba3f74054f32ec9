// Analysis of variance against the textbook definitions in long double, two
// passes: each effect's sum of squares from its cell means with every
// lower-order mean removed (inclusion-exclusion over the factors), the error
// from the cell means; F denominators from the expected mean squares of the
// restricted mixed model; p-values from the reference F tail.
#include <orin/statistics.h>

#include "support/prelude.h"

#include "distribution_reference.h"

namespace ref = orintest::ref;

namespace {

struct Design {
    std::vector<int> levels;
    std::vector<double> y;
    std::vector<std::vector<int32_t>> index;  // index[factor][observation]
    // The data are offset + v. Sums of squares do not change under a shift,
    // and y - offset is exact (Sterbenz), so the reference works on it.
    double offset;
    int factors() const { return static_cast<int>(levels.size()); }
    // Mixed-radix number of observation t's cell over the factors in mask.
    size_t cell(unsigned mask, size_t t) const {
        size_t c = 0;
        for (int f = 0; f < factors(); ++f)
            if (mask >> f & 1) c = c * static_cast<size_t>(levels[f]) + static_cast<size_t>(index[f][t]);
        return c;
    }
    std::vector<long double> means(unsigned mask) const {
        std::vector<long double> sum(y.size()), count(y.size());
        for (size_t t = 0; t < y.size(); ++t) sum[cell(mask, t)] += y[t] - offset, count[cell(mask, t)] += 1;
        for (size_t c = 0; c < sum.size(); ++c) sum[c] /= count[c] ? count[c] : 1;
        return sum;
    }
    // Over the observations, the square of sum_{T subset of mask}
    // (-1)^|mask - T| mean_T: the effect of the factors in mask. total: the
    // deviation from the grand mean; mask past all factors: the error.
    long double ss(unsigned mask, bool total = false) const {
        const unsigned all = (1u << factors()) - 1;
        const bool error = !total && mask > all;
        std::vector<std::vector<long double>> sub(all + 1);
        for (unsigned t = 0; t <= all; ++t)
            if ((t & mask) == t || (error && t == all)) sub[t] = means(t);
        long double s = 0;
        for (size_t i = 0; i < y.size(); ++i) {
            long double dev = 0;
            if (total || error) dev = y[i] - offset - sub[total ? 0 : all][cell(total ? 0 : all, i)];
            else
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

// Balanced, m per cell, shuffled; offset + cell effect + unit noise.
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

// Runs the one-, two- or three-way analysis with the factors in random
// declared random and checks every cell of the table and every p-value, and
// that its entry point gives the same results.
// Effects in table order: A, B, (C,) AB, (AC, BC, ABC), then the error.
void checkFactorial(const Design &d, int32_t m, unsigned random, const std::string &where) {
    const int nf = d.factors();
    const std::vector<unsigned> effects = nf == 3   ? std::vector<unsigned>{1, 2, 4, 3, 5, 6, 7}
                                          : nf == 2 ? std::vector<unsigned>{1, 2, 3}
                                                    : std::vector<unsigned>{1};
    const unsigned error = 1u << nf;
    int32_t k[3];
    for (int f = 0; f < nf; ++f) k[f] = random >> f & 1 ? -d.levels[f] : d.levels[f];
    double table[32] = {}, p[7], o[7];
    const int32_t n = static_cast<int32_t>(d.y.size());
    const int32_t *a = d.index[0].data(), *b = nf > 1 ? d.index[1].data() : a, *c = nf > 2 ? d.index[2].data() : a;
    int32_t code;
    if (nf == 1) {
        // The one-way outputs in table order: SSA, MSA, F, p, SSE, MSE, SST.
        code = ANOVA1Way(d.y.data(), a, n, k[0], o, o + 1, o + 2, o + 3, o + 4, o + 5, o + 6);
        const double put[] = {o[0], d.levels[0] - 1.0, o[1], o[2], o[4], n - d.levels[0] + 0.0, o[5]};
        std::copy(put, put + 7, table), p[0] = o[3];
        EXPECT_NEAR(o[6], static_cast<double>(d.ss(0, true)), static_cast<double>(16 * kEps * d.ss(0, true))) << where;
    } else if (nf == 2) {
        code = ANOVA2Way(d.y.data(), a, b, n, m, k[0], k[1], table, p, p + 1, p + 2);
    } else {
        code =
            ANOVA3Way(d.y.data(), a, b, c, n, m, k[0], k[1], k[2], table, p, p + 1, p + 2, p + 3, p + 4, p + 5, p + 6);
    }
    ASSERT_EQ(code, 0) << where;
    // The entry point fills what the core gives: the table in its shape (the
    // error row has no F), the p-values beside it; scalars by pointer. (Its
    // refused allocations, and the core's, are the sweep's.)
    orintest::DoubleHandle hy(d.y);
    orintest::Int32Handle ha(d.index[0]), hb(d.index[nf > 1 ? 1 : 0]), hc(d.index[nf > 2 ? 2 : 0]);
    orintest::DoubleMatrixHandle ht(1, 1, {0});
    double hp[7];
    int32_t err = 9, ret;
    if (nf == 1) {
        ret = Anova1Way_head(hy, ha, k, hp, hp + 1, hp + 2, hp + 3, hp + 4, hp + 5, hp + 6, &err);
        EXPECT_EQ(std::vector<double>(hp, hp + 7), std::vector<double>(o, o + 7)) << where;
    } else {
        if (nf == 2) ret = Anova2Way_head(hy, ha, hb, &m, k, k + 1, ht, hp, hp + 1, hp + 2, &err);
        else
            ret = ANOVA3Way_head(hy, ha, hb, hc, &m, k, k + 1, k + 2, ht, hp, hp + 1, hp + 2, hp + 3, hp + 4, hp + 5,
                                 hp + 6, &err);
        std::vector<double> want(table, table + 16 * (nf - 1));
        want.back() = 0;
        EXPECT_EQ(ht.rows() * 10 + ht.cols(), nf == 2 ? 44 : 84) << where;
        EXPECT_EQ(ht.values(), want) << where;
        EXPECT_EQ(std::vector<double>(hp, hp + effects.size()), std::vector<double>(p, p + effects.size())) << where;
    }
    EXPECT_TRUE(ret == 0 && err == 0) << where;
    // Each sum of squares is a difference of extended sums rounded once.
    const double tol = static_cast<double>(16 * kEps * d.ss(0, true));
    long cells = 1;
    for (int l : d.levels) cells *= l;
    const auto rowDf = [&](unsigned e) -> long double {
        return e == error ? static_cast<long double>(n - cells) : d.df(e);
    };
    std::vector<unsigned> rows = effects;
    rows.push_back(error);
    for (size_t r = 0; r < rows.size(); ++r) {
        const unsigned e = rows[r];
        const size_t at = nf == 1 && e == error ? 4 : 4 * r;
        EXPECT_NEAR(table[at], static_cast<double>(d.ss(e)), tol) << where << " row " << r;
        EXPECT_TRUE(nf == 1 || table[at + 1] == static_cast<double>(rowDf(e))) << where << " row " << r << " df";
        EXPECT_NEAR(table[at + 2], static_cast<double>(d.ss(e) / rowDf(e)), tol) << where << " row " << r;
        if (e == error) continue;
        // Restricted mixed model: no random factor outside the effect, the
        // error; one, the effect's interaction with it; two, no exact test.
        const unsigned outside = random & ~e;
        if (__builtin_popcount(outside) > 1) {
            EXPECT_TRUE(table[4 * r + 3] == -1 && p[r] == -1) << where << " row " << r;
            continue;
        }
        const unsigned den = outside ? (e | outside) : error;
        const long double f = (d.ss(e) / rowDf(e)) / (d.ss(den) / rowDf(den));
        const double rel = tol / static_cast<double>(d.ss(e)) + tol / static_cast<double>(d.ss(den));
        EXPECT_NEAR(table[4 * r + 3], static_cast<double>(f), static_cast<double>(f) * rel) << where << " row " << r;
        EXPECT_NEAR(p[r], upperF(f, rowDf(e), rowDf(den)), ref::kBetaBudget) << where << " row " << r;
    }
    EXPECT_TRUE(nf < 3 || table[31] == 0) << where;
}

}  // namespace

TEST(ANOVA, EveryRandomPatternAgainstTheDefinitions) {
    // Near 1e7 with spread 1, sum x^2 - (sum x)^2 / n taken naively in
    // extended precision would lose about 1e-5 of the total.
    for (double offset : {10.0, 1e7}) {
        const std::string at = "offset " + std::to_string(offset);
        // Unbalanced groups of 2, 5 and 8 observations.
        Design one{{3}, {}, {{}}, offset};
        std::mt19937_64 gen(43);
        std::normal_distribution<double> noise(0, 1);
        for (int j = 0; j < 3; ++j)
            for (int r = 0; r < 2 + 3 * j; ++r)
                one.y.push_back(offset + 0.5 * j + noise(gen)), one.index[0].push_back(j);
        checkFactorial(one, 0, 0, "one-way " + at);
        for (unsigned random = 0; random < 4; ++random)
            checkFactorial(balanced({3, 4}, 2, 9, offset), 2, random,
                           "two-way " + at + " random " + std::to_string(random));
        for (unsigned random = 0; random < 8; ++random)
            checkFactorial(balanced({2, 3, 4}, 2, 77, offset), 2, random,
                           "three-way " + at + " random " + std::to_string(random));
    }
    // One observation per cell: the interaction is taken as the error.
    const Design d = balanced({3, 2}, 1, 99);
    double t[16], p[3];
    ASSERT_EQ(ANOVA2Way(d.y.data(), d.index[0].data(), d.index[1].data(), 6, 1, 3, 2, t, p, p + 1, p + 2), 0);
    EXPECT_EQ(std::vector<double>(t + 8, t + 12), std::vector<double>(4, 0.0));
    EXPECT_NEAR(t[12], static_cast<double>(d.ss(3)), static_cast<double>(16 * kEps * d.ss(0, true)));
    EXPECT_EQ(t[13], 2.0);
    EXPECT_NEAR(p[0], upperF(d.ss(1) / d.ss(3), 2, 2), ref::kBetaBudget);
}

TEST(ANOVA, ChecksInTheirOrder) {
    const Design d = balanced({2, 2, 2}, 2, 8);
    const double *y = d.y.data();
    const int32_t *ia = d.index[0].data(), *ib = d.index[1].data(), *ic = d.index[2].data();
    std::vector<int32_t> bad(ia, ia + 16);
    bad[3] = 2;
    double o[32];
    const auto one = [&](const int32_t *g, int32_t n, int32_t k) {
        return ANOVA1Way(y, g, n, k, o, o + 1, o + 2, o + 3, o + 4, o + 5, o + 6);
    };
    const auto two = [&](const int32_t *a, int32_t n, int32_t m, int32_t kA, int32_t kB) {
        return ANOVA2Way(y, a, ib, n, m, kA, kB, o, o + 1, o + 2, o + 3);
    };
    const auto three = [&](const int32_t *a, int32_t n, int32_t m, int32_t kA, int32_t kB, int32_t kC) {
        return ANOVA3Way(y, a, ib, ic, n, m, kA, kB, kC, o, o + 1, o + 2, o + 3, o + 4, o + 5, o + 6, o + 7);
    };
    const int32_t sparse[] = {0, 1, 0, 1, 0}, emptyAndBad[] = {0, 1, 0, 1, 7};
    const struct {
        const char *name;
        int32_t got, code;
    } rows[] = {
        {"1: n 0 before k", one(ia, 0, 0), kErrEmptyArray},
        {"1: k 1", one(ia, 16, 1), kErrAnovaLevels},
        {"1: index k", one(bad.data(), 16, 2), kErrAnovaLevelIndex},
        {"1: empty group", one(sparse, 5, 3), kErrAnovaNoObservations},
        {"1: index before empty group", one(emptyAndBad, 5, 4), kErrAnovaLevelIndex},
        // 65536 * 65536 wraps to 0 in 32 bits; the product is formed wide.
        {"2: size wraps", two(ia, 0, 1, 65536, -65536), kErrAnovaSize},
        {"2: most negative count", two(ia, 0, 1, INT32_MIN, 2), kErrAnovaSize},
        {"2: index", two(bad.data(), 16, 4, 2, 2), kErrAnovaLevelIndex},
        {"3: size wraps", three(ia, 0, 2, 2048, 2048, 2048), kErrAnovaSize},
        {"3: one level", three(ia, 16, 2, 1, 4, 2), kErrAnovaLevels},
        {"3: index", three(bad.data(), 16, 2, 2, 2, 2), kErrAnovaLevelIndex},
    };
    // Further rows (one level, k = n, m 0 and 1, random with one per cell)
    // are the contract table's, through the entry points; unbalanced cells
    // the sweep's (its rows draw the level indices at random).
    for (const auto &row : rows) EXPECT_EQ(row.got, row.code) << row.name;
}

// ---- handle entry points ----------------------------------------------------

// The entry points' own check is the lengths (-20002); past it the analysis
// judges, in its order, also empty arrays: a balanced design checks its size,
// m and the level counts before it ever counts data. Scalars by pointer.
// A table, one entry per line:
// clang-format off
ORIN_CONTRACT_TABLE(Anova) {
    using V = std::vector<double>;
    using I = std::vector<int32_t>;
    const V y{1, 2, 4, 3, 6, 5, 8, 9};
    const I ia{0, 0, 0, 0, 1, 1, 1, 1}, ib{0, 0, 1, 1, 0, 0, 1, 1}, shortI{0, 1, 1};
    const auto oneWay = [](Contract &c, V x, I g, int32_t k, int32_t *e) {
        return Anova1Way_head(c.input(x), c.input<Int32Array>(g), &k, c.scalar(), c.scalar(), c.scalar(), c.scalar(), c.scalar(),
                              c.scalar(), c.scalar(), e);
    };
    const auto twoWay = [](Contract &c, V x, I a, I b, int32_t m, int32_t kA, int32_t kB, int32_t *e) {
        return Anova2Way_head(c.input(x), c.input<Int32Array>(a), c.input<Int32Array>(b), &m, &kA, &kB,
                              c.output<DoubleMatrix>(2, 2, V{1, 2, 3, 4}), c.scalar(), c.scalar(), c.scalar(), e);
    };
    const auto threeWay = [](Contract &c, V x, I a, I cl, int32_t m, int32_t kA, int32_t kC, int32_t *e) {
        const int32_t kB = 2;
        return ANOVA3Way_head(c.input(x), c.input<Int32Array>(a), c.input<Int32Array>(a), c.input<Int32Array>(cl), &m, &kA, &kB, &kC,
                              c.output<DoubleMatrix>(1, 2, V{1, 2}), c.scalar(), c.scalar(), c.scalar(), c.scalar(), c.scalar(),
                              c.scalar(), c.scalar(), e);
    };
    return {
        ORIN_ROW(kErrArraySizeMismatch, oneWay(c, {}, {0}, 2, e)),  // lengths before empty
        ORIN_ROW(kErrAnovaLevels, oneWay(c, {1, 3, 5}, shortI, 3, e)),  // k = n
        ORIN_ROW(kErrArraySizeMismatch, twoWay(c, y, ia, {0, 1}, 0, 1, 2, e)),
        ORIN_ROW(kErrAnovaSize, twoWay(c, {}, {}, {}, 1, 2, 2, e)),
        ORIN_ROW(kErrAnovaLevels, twoWay(c, {}, {}, {}, 0, 1, 2, e)),  // levels before m
        ORIN_ROW(kErrAnovaNoObservations, twoWay(c, {}, {}, {}, 0, 2, -2, e)),
        ORIN_ROW(kErrAnovaRandomSingle, twoWay(c, {1, 2, 3, 4}, {0, 0, 1, 1}, {0, 1, 0, 1}, 1, 2, -2, e)),
        ORIN_ROW(kErrArraySizeMismatch, threeWay(c, y, ia, shortI, 0, 1, 2, e)),
        ORIN_ROW(kErrAnovaSize, threeWay(c, {}, {}, {}, 2, 2, 2, e)),
        ORIN_ROW(kErrAnovaNoObservations, threeWay(c, {}, {}, {}, 0, 1, 2, e)),  // m before levels
        ORIN_ROW(kErrAnovaLevels, threeWay(c, {}, {}, {}, 2, 0, -2, e)),
        ORIN_ROW(kErrAnovaNoObservations, threeWay(c, y, ia, ib, 1, 2, 2, e)),  // m 1
    };
}
// clang-format on
