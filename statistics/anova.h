// Pieces shared by the one-, two- and three-way analyses of variance.
#ifndef ORIN_STATISTICS_ANOVA_H
#define ORIN_STATISTICS_ANOVA_H

#include <cstdint>
#include <cstdlib>
#include <initializer_list>

#include "probability.h"

namespace orin::stats {

// Running total and count of one group or cell.
struct GroupSum {
    extended sum;
    int64_t count;
};

// Number of levels of a factor whose sign marks it random; int64 so that
// the most negative int32 has a magnitude.
inline int64_t levelCount(int32_t k) { return std::llabs(static_cast<int64_t>(k)); }

// a * b * ... as int64, or INT64_MAX when the product does not fit: either
// way it then equals no int32 count of observations.
inline int64_t designSize(std::initializer_list<int64_t> factors) {
    int64_t product = 1;
    for (int64_t f : factors)
        if (__builtin_mul_overflow(product, f, &product)) return INT64_MAX;
    return product;
}

// Sum over groups of (total - size * mean)^2 / size: the between-groups sum
// of squares, formed from deviations so that nothing cancels.
struct Between {
    extended mean;
    extended value = 0;
    void add(extended total, extended size) {
        const extended d = total - size * mean;
        value += d * d / size;
    }
};

// Upper-tail p-value of an F ratio.
inline double upperF(double f, int64_t df1, int64_t df2) {
    double lower = 0;
    fCdf(f, static_cast<int32_t>(df1), static_cast<int32_t>(df2), &lower);
    return 1 - lower;
}

}  // namespace orin::stats

#endif  // ORIN_STATISTICS_ANOVA_H
