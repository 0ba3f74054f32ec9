// Internals shared by the complex SVD and the measures built on it.
#ifndef ORIN_LINALG_CXSVD_H
#define ORIN_LINALG_CXSVD_H

#include <orin/common.h>

#include <cstdint>

namespace orin::linalg {

// Thin SVD of a tall p x q complex matrix B (p >= q >= 1): s gets the q
// singular values in descending order and, when u is not null, u (p x q) gets
// U and v (q x q) gets V, with B = U diag(s) V^H. B is a itself (p x q,
// row-major) or, when adjoint is true, the conjugate transpose of the wide
// q x p matrix a. a is only read, and u may be a. When scale is not null,
// s holds the values divided by 2^*scale (the power of two that brings B's
// largest part below 1), so that values beyond the double range stay usable
// in ratios and reciprocals. Returns 0, -20001, or -20062 for non-finite
// input or no convergence.
int32_t cxSingularValues(const complexnum *a, int32_t p, int32_t q, bool adjoint, double *s, complexnum *u,
                         complexnum *v, int *scale);

}  // namespace orin::linalg

#endif  // ORIN_LINALG_CXSVD_H
