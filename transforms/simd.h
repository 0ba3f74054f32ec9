// Run-time choice of the vector width of the power-of-two kernels (simd.cpp).
// The 128-bit SSE2 code is the baseline of both builds; the 256-bit AVX forms
// compute the same bits and are used where the processor has AVX.
#ifndef ORIN_TRANSFORMS_SIMD_H
#define ORIN_TRANSFORMS_SIMD_H

#include <cstdint>

namespace orin::tf {

// True when the AVX forms are used (decided once per process).
bool simdAvx();

// L-butterflies j = 0 .. count-1 (twiddle j at index j) of one block in
// 256-bit registers; both return the number of j done (count rounded down
// to the register's multiple), the rest being left to the caller.
int64_t avxLBlockInterleaved(double *x0, double *x1, double *x2, double *x3, int64_t count, const double *c1,
                             const double *s1, const double *c3, const double *s3);
int64_t avxLBlockSplit(double *x0, double *x1, double *x2, double *x3, double *y0, double *y1, double *y2, double *y3,
                       int64_t count, const double *c1, const double *s1, const double *c3, const double *s3);

// One self-sorting pass of factor p (2, 3, 4 or 5) of stockham.cpp, with
// its arguments, in 256-bit registers: the same bits as the 128-bit pass.
void avxPass(int32_t p, int64_t ido, int64_t l1, const double *cc, double *ch, const double *wa);

}  // namespace orin::tf

#endif  // ORIN_TRANSFORMS_SIMD_H
