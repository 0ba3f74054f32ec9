/*
 * orinanalysis: real linear algebra.
 *
 * Matrices are row-major arrays of double: element (i, j) of an m x n matrix
 * is at i*n + j. Vectors are contiguous. Sums and products are kept in
 * extended precision and rounded when stored. Sizes are int32; a matrix whose
 * element count cannot be addressed is refused (-20001), never wrapped.
 *
 * Packed (compact) storage of an n x n triangle in n(n+1)/2 doubles, column
 * by column:
 *   lower layout: column j holds rows j..n-1; (i, j), i >= j, sits at
 *                 sum_{k<j}(n-k) + (i-j); diagonal at 0, n, 2n-1, 3n-3, ...
 *   upper layout: column j holds rows 0..j; (i, j), i <= j, sits at
 *                 j(j+1)/2 + i; diagonal at 0, 2, 5, 9, ...
 * Packing modes: 0 lower triangular (lower layout), 1 upper triangular (upper
 * layout), 2 symmetric (lower layout; unpacking fills both triangles).
 *
 * Common codes: -20001 kErrOutOfMemory, -20002 kErrArraySizeMismatch,
 * -20003 kErrEmptyArray (a side below 1), -20008 kErrBadArraySize,
 * -20039 kErrDimensionMismatch, -20040 kErrNotSquare, -20041
 * kErrSingularMatrix, -20061 kErrInvalidSelector, -20062 kErrNoConvergence.
 *
 * Handle entry points take host handles for arrays, every scalar input by
 * pointer (an int32 selector, order or flag as const int32_t *, a tolerance
 * as const double *), and put the code into their last parameter; they
 * return 0, or the memory manager's status after a refused resize. On any
 * failure every output array is emptied (dimension words 0) and every double
 * scalar output is iDNaN.
 */
#ifndef ORIN_LINALG_H
#define ORIN_LINALG_H

#include <orin/common.h>

/* ---- Construction and products ------------------------------------------ */

/* Special matrices into out (row-major). -20003 when a size is below 1.
   IdentityMatrix, ConstrUnitMatrix: n x n identity.
   DiagonalMatrix: n x n with x on the diagonal.
   ToeplitzMatrix: nx x ny, out[i][j] = x[i-j] for i >= j, y[j-i] for j > i
     (y[0] is never read).
   VanderMatrix: n x n, out[i][j] = x[i]^(n-1-j) (pow).
   CompanMatrix: coefficients c[0..m-1] of c[0] z^(m-1) + ... + c[m-1]
     (c[0] leading, non-zero); (m-1) x (m-1) with first row -c[j+1]/c[0] and
     ones on the sub-diagonal; m = 1 writes nothing. */
ORIN_API int32_t IdentityMatrix(int32_t n, double *out);
ORIN_API int32_t ConstrUnitMatrix(int32_t n, double *out);
ORIN_API int32_t DiagonalMatrix(const double *x, int32_t n, double *out);
ORIN_API int32_t ToeplitzMatrix(const double *x, int32_t nx, const double *y, int32_t ny, double *out);
ORIN_API int32_t VanderMatrix(const double *x, int32_t n, double *out);
ORIN_API int32_t CompanMatrix(const double *c, int32_t m, double *out);
/* code 0 identity (n), 1 diagonal (x, nx), 2 Toeplitz (x, nx, y, ny),
   3 Vandermonde (x, nx), 4 companion (x, nx); other codes -20061. */
ORIN_API int32_t SpecialMatrix(int32_t code, int32_t n, const double *x, int32_t nx, const double *y, int32_t ny,
                               double *out);

/* out (n x m) = a^T for a m x n. Works in place (out == a); a rectangular
   matrix in place takes a scratch copy (-20001 when refused). */
ORIN_API int32_t Transpose(const double *a, int32_t m, int32_t n, double *out);
/* c (m x n) = a (m x k) * b (k x n); c must not overlap a or b. */
ORIN_API int32_t MatrixMul(const double *a, const double *b, int32_t m, int32_t k, int32_t n, double *c);
/* y (m) = a (m x n) * x (n). */
ORIN_API int32_t AxVect(const double *a, int32_t m, int32_t n, const double *x, double *y);
ORIN_API int32_t DotProduct(const double *x, const double *y, int32_t n, double *out);
/* out (m x n): out[i][j] = x[i] * y[j]. */
ORIN_API int32_t OuterProduct(const double *x, int32_t m, const double *y, int32_t n, double *out);
/* Sum of a[i][i] over i < min(m, n). */
ORIN_API int32_t Trace(const double *a, int32_t m, int32_t n, double *out);
/* Euclidean norm of x (n), scaled so that it neither overflows nor
   underflows before the result does. */
ORIN_API int32_t Vnorm2(const double *x, int32_t n, double *out);
/* out (m) = column col of a (m x n); a col outside 0..n-1 gives m NaNs
   (iDNaN) and reads nothing. */
ORIN_API void IndexMatrixCol(const double *a, int32_t m, int32_t n, int32_t col, double *out);

/* Handle forms. SpecialMatrix_head: out is n x n (code 0), len(x) x len(x)
   (1, 3), len(x) x len(y) (2), (len(x)-1) x (len(x)-1) (4); other codes
   -20061, then a side below 1 -20003. */
ORIN_API int32_t SpecialMatrix_head(const int32_t *code, const int32_t *n, DoubleArrayHdl x, DoubleArrayHdl y,
                                    DoubleMatrixHdl out, int32_t *error);
/* c = a * b; -20003 empty, -20039 when a's columns differ from b's rows. */
ORIN_API int32_t MatrixMul_head(DoubleMatrixHdl a, DoubleMatrixHdl b, DoubleMatrixHdl c, int32_t *error);
/* -20002 lengths differ, -20003 empty; out = iDNaN on error. */
ORIN_API int32_t DotProduct_head(DoubleArrayHdl x, DoubleArrayHdl y, double *out, int32_t *error);
/* y = a * x; -20003 empty, -20039 when a's columns differ from len(x). */
ORIN_API int32_t AxVect_head(DoubleMatrixHdl a, DoubleArrayHdl x, DoubleArrayHdl y, int32_t *error);
ORIN_API int32_t OuterProd_head(DoubleArrayHdl x, DoubleArrayHdl y, DoubleMatrixHdl out, int32_t *error);
ORIN_API int32_t Trace_head(DoubleMatrixHdl a, double *out, int32_t *error);

/* ---- Complex construction and products ---- */

/* The complex counterparts of the block above, on row-major arrays of
   complexnum (real part first). Same shapes, argument orders and codes; the
   transpose is the conjugate transpose, products do not conjugate. Products
   accumulate each element (real and imaginary parts alike) in extended
   precision from 0, in index order, and round it once. */

/* z^n by repeated multiplication: z^0 = 1, z^1 = z, z^k = z^(k-1) * z.
   n < 0 gives (1/z)^|n| (the reciprocal by Smith's division, then the same
   repeated multiplication); z = 0 with n < 0 has no value and gives iDNaN in
   both parts. The multiplication stops once the power repeats a value it
   had before, bit for bit: it is then exactly 0, a fixed point (r z = r) or
   a short cycle (of subnormals or NaNs), and the result is the one the full
   recurrence gives, to the bit. So |n| complex multiplications are spent
   only where the power keeps moving (|z| at or near 1); otherwise the cost
   is about the number of steps to underflow or overflow. */
ORIN_API complexnum CxPow(complexnum z, int32_t n);
/* Special matrices into out (row-major complex). -20003 when a size is below
   1 (-20001 when the element count cannot be addressed).
   CxIdentityMatrix: n x n identity.
   CxDiagonalMatrix: n x n with x (n) on the diagonal.
   CxToeplitzMatrix: nx x ny, out[i][j] = x[i-j] for i >= j, y[j-i] for
     j > i (y[0] is never read; no conjugation).
   CxVanderMatrix: n x n, out[i][j] = CxPow(x[i], n-1-j) (descending powers).
   CxCompanMatrix: coefficients c[0..m-1] of c[0] z^(m-1) + ... + c[m-1]
     (c[0] leading; c[0] = 0 makes the first row non-finite); (m-1) x (m-1)
     with first row -c[j+1]/c[0] (Smith's division) and ones on the
     sub-diagonal; m = 1 writes nothing and returns 0. */
ORIN_API int32_t CxIdentityMatrix(int32_t n, complexnum *out);
ORIN_API int32_t CxDiagonalMatrix(const complexnum *x, int32_t n, complexnum *out);
ORIN_API int32_t CxToeplitzMatrix(const complexnum *x, int32_t nx, const complexnum *y, int32_t ny, complexnum *out);
ORIN_API int32_t CxVanderMatrix(const complexnum *x, int32_t n, complexnum *out);
ORIN_API int32_t CxCompanMatrix(const complexnum *c, int32_t m, complexnum *out);
/* code 0 identity (n), 1 diagonal (x, nx), 2 Toeplitz (x, nx, y, ny),
   3 Vandermonde (x, nx), 4 companion (x, nx); other codes -20061. */
ORIN_API int32_t CxSpecialMatrix(int32_t code, int32_t n, const complexnum *x, int32_t nx, const complexnum *y,
                                 int32_t ny, complexnum *out);
/* out (n x m) = a^H, out[j][i] = conj(a[i][j]), for a m x n; -20003 when a
   side is below 1. Works in place (out == a); a rectangular matrix in place
   takes a scratch copy (-20001 when refused, out untouched). */
ORIN_API int32_t CxTranspose(const complexnum *a, int32_t m, int32_t n, complexnum *out);
/* c (m x n) = a (m x k) * b (k x n); -20003 when a size is below 1; c must
   not overlap a or b. Scratch: a row of 2n extended accumulators, without
   which it sums element by element to the same result. */
ORIN_API int32_t MatrixMulCx(const complexnum *a, const complexnum *b, int32_t m, int32_t k, int32_t n, complexnum *c);
/* y (m) = a (m x n) * x (n); -20003 when m or n is below 1; y must not
   overlap a or x. */
ORIN_API int32_t AxVectCx(const complexnum *a, int32_t m, int32_t n, const complexnum *x, complexnum *y);
/* out = sum x[i] * y[i] (no conjugation) over n >= 1 (-20003). */
ORIN_API int32_t DotProductCx(const complexnum *x, const complexnum *y, int32_t n, complexnum *out);
/* out (m x n): out[i][j] = x[i] * y[j] (no conjugation), each product formed
   in extended precision and rounded once; -20003 when m or n is below 1. */
ORIN_API int32_t OuterProductCx(const complexnum *x, int32_t m, const complexnum *y, int32_t n, complexnum *out);
/* Sum of a[i][i] over i < min(m, n) (a m x n); -20003 when a side is below 1. */
ORIN_API int32_t CxTrace(const complexnum *a, int32_t m, int32_t n, complexnum *out);
/* out = sqrt(sum |x[i]|^2), real, over n >= 1 (-20003); scaled so that it
   neither overflows nor underflows before the result does. */
ORIN_API int32_t CxVnorm2(const complexnum *x, int32_t n, double *out);
/* out (m) = column col of a (m x n). A column outside 0..n-1 (or n < 1)
   fills out with iDNaN in both parts instead of reading outside a; m < 1
   writes nothing. */
ORIN_API void CxIndexMatrixCol(const complexnum *a, int32_t m, int32_t n, int32_t col, complexnum *out);

/* Handle forms (complex arrays, type code 13). On failure every output array
   is emptied and a complex scalar output gets iDNaN in both parts.
   CxSpecialMatrix_head: out is n x n (code 0), len(x) x len(x) (1, 3),
   len(x) x len(y) (2), (len(x)-1) x (len(x)-1) (4); other codes -20061,
   then a side below 1 -20003. */
ORIN_API int32_t CxSpecialMatrix_head(const int32_t *code, const int32_t *n, ComplexArrayHdl x, ComplexArrayHdl y,
                                      ComplexMatrixHdl out, int32_t *error);
/* out = a^H (resized to a's columns x rows); -20003 when a is empty. out may
   be the handle a (in place). */
ORIN_API int32_t CxTranspose_head(ComplexMatrixHdl a, ComplexMatrixHdl out, int32_t *error);
/* c = a * b, resized to a's rows x b's columns; -20003 when a or b is empty,
   -20039 when a's columns differ from b's rows. c may be the handle a or b
   (the product is then formed in scratch first; -20001 when refused). */
ORIN_API int32_t AxBCxCIN(ComplexMatrixHdl a, ComplexMatrixHdl b, ComplexMatrixHdl c, int32_t *error);
/* y = a * x, resized to a's rows; -20003 when a or x is empty, -20039 when
   a's columns differ from len(x). y may be the handle x (the product is then
   formed in scratch first; -20001 when refused). */
ORIN_API int32_t AxVectorCx(ComplexMatrixHdl a, ComplexArrayHdl x, ComplexArrayHdl y, int32_t *error);
/* out = sum x[i] * y[i] (no conjugation); -20002 lengths differ, -20003
   empty; out = iDNaN in both parts on error. */
ORIN_API int32_t DotprodCx(ComplexArrayHdl x, ComplexArrayHdl y, complexnum *out, int32_t *error);
/* out = x y^T (no conjugation), resized to len(x) x len(y); -20003 when
   either is empty. */
ORIN_API int32_t OuterProdCx_head(ComplexArrayHdl x, ComplexArrayHdl y, ComplexMatrixHdl out, int32_t *error);
/* out = trace of a; -20003 when a is empty (out = iDNaN in both parts). */
ORIN_API int32_t CxTrace_head(ComplexMatrixHdl a, complexnum *out, int32_t *error);

/* ---- Linear systems: LU ------------------------------------------------- */

/* LU factorisation with partial pivoting, in place: U on and above the
   diagonal, the multipliers of the unit lower L below it. perm (n) records
   the exchanges as transpositions: perm[j] is the row exchanged with row j at
   step j (applied in order j = 0..n-1). parity toggles 0/1 at each exchange.
   A pivot must exceed 1e-12 in absolute value (not relative to the matrix
   scale): a column without one is singular (-20041, LUFactor) or sets
   *singular = 1 (LU), leaving the matrix partly factored. Ties keep the
   earlier row. */
ORIN_API int32_t LUFactor(double *a, int32_t n, int32_t *perm, int32_t *parity);
ORIN_API void LU(double *a, int32_t *perm, int32_t n, int32_t *parity, int32_t *singular);
/* In place on b (n): ForwSub applies the exchanges and L^-1; BackSub U^-1.
   No checks (the pivot rule guarantees |U[i][i]| > 1e-12). */
ORIN_API void ForwSub(const double *lu, const int32_t *perm, int32_t n, double *b);
ORIN_API void BackSub(const double *lu, int32_t n, double *b);
/* x = A^-1 b from the factorisation; x may be b. */
ORIN_API int32_t LULinEqs(const double *lu, const int32_t *perm, const double *b, int32_t n, double *x);
/* inv = A^-1 from the factorisation; may run in place (inv == lu, which
   takes a scratch copy). -20001 when scratch is refused. */
ORIN_API int32_t LUInvMatrix(const double *lu, const int32_t *perm, int32_t n, double *inv);
/* inv = A^-1 of a general n x n matrix (a is kept); -20041 when singular. */
ORIN_API int32_t InvMatrix(const double *a, int32_t n, double *inv);
/* Least-squares, minimum-norm solution x (n) of the m x n system a x = b
   (b has m entries), from the SVD; singular values up to
   max(m, n) * s[0] * 2^-52 are dropped. */
ORIN_API int32_t GenLinEqs(const double *a, int32_t m, int32_t n, const double *b, double *x);
/* det (iDNaN until computed): type 0 general (LU), 1 symmetric positive
   definite (Cholesky of the lower triangle), 2 and 3 triangular (product of
   the diagonal). A singular factorisation gives det = 0 with code 0 (for
   type 1, any matrix that is not positive definite). A NaN or infinite
   entry anywhere gives det = NaN with code 0, for every type, as does an
   LU elimination that overflows (entries near the largest double). Other
   types -20061. */
ORIN_API int32_t Determinant(const double *a, int32_t n, int32_t type, double *det);

/* ---- Packed storage, Cholesky, triangular -------------------------------- */

/* Pack the triangle selected by mode (0, 1, 2) of a into packed, or unpack
   (mode 0 zeros above, mode 1 zeros below, mode 2 fills both triangles).
   -20003 for n < 1, -20061 for another mode (nothing written). */
ORIN_API int32_t Matrix_to_Compact(const double *a, int32_t n, int32_t mode, double *packed);
ORIN_API int32_t Compact_to_Matrix(const double *packed, int32_t n, int32_t mode, double *a);
/* A = L L^T in place on the packed lower layout. -20041 when a diagonal is
   not positive (or NaN) before its square root, or when any diagonal of L so
   far is below M * sqrt(2^-63) (M the largest |entry| of L so far). */
ORIN_API int32_t Cholesky(double *packed, int32_t n);
/* x = A^-1 b from the packed factor; x may be b. */
ORIN_API int32_t CholeskyLinEqs(const double *factor, const double *b, int32_t n, double *x);
/* inv = A^-1 in packed symmetric (lower) layout from the packed factor; may
   run in place. One n-vector of scratch (-20001). */
ORIN_API int32_t Cholesky_InvMatrix(const double *factor, int32_t n, double *inv);
/* Packed triangular solve and inverse: triangle 0 lower (lower layout),
   1 upper (upper layout), other values -20061 (checked first). -20041 when a
   diagonal has magnitude <= 2^-63 times the largest packed magnitude, or is
   NaN. Both may run in place. */
ORIN_API int32_t TriLinEqs(const double *packed, const double *b, int32_t n, int32_t triangle, double *x);
ORIN_API int32_t Tri_InvMatrix(const double *packed, int32_t n, int32_t triangle, double *inv);
/* *result = 1 when a is exactly symmetric and every eigenvalue is positive
   and at least 2^-63 times the largest, else 0 (NaN entries give 0). */
ORIN_API int32_t CheckPosdef(const double *a, int32_t n, int32_t *result);
/* Condition number (cond = iDNaN until computed) in the norm of Norm:
   code 0 s_max / s_min of any m x n matrix (-20041 when s_min is 0 or below
   s_max * max(m, n) * 2^-63); codes 1-3 ||A|| ||A^-1|| of a square matrix
   (-20040 otherwise; -20041 when LU finds it singular). Other codes -20061.
   Both size checks come before any allocation. */
ORIN_API int32_t CondNumber(const double *a, int32_t m, int32_t n, int32_t normCode, double *cond);

/* Handle forms of the systems. n x n means rows == columns (-20040 if not,
   after -20003 for an empty matrix); vectors must have n entries (-20002).
   LU_head: factorises a in place, perm resized to n, parity out.
   LULinEqs_head: b becomes x. LUInvMatrix_head: lu becomes A^-1. Both
   refuse a perm entry outside 0..n-1 with -20017.
   GenLinEqs_head: len(b) must equal a's rows; x resized to a's columns.
   Determinant_head: det = iDNaN on error.
   Packed handles: length L >= 1 (-20003) must be n(n+1)/2 (-20040).
   Cholesky_head: the factor replaces the packed matrix. CholeskyLinEqs_head,
   TriLinEqs_head: b becomes x. Cholesky_InvMatrix_head, Tri_InvMatrix_head:
   the packed inverse replaces the packed matrix.
   Matrix_to_Compact_head: packed resized to n(n+1)/2. Compact_to_Matrix_head:
   a resized to n x n.
   CheckPosdef_head: result 0 on error. CondNumber_head: cond iDNaN on error. */
ORIN_API int32_t LU_head(DoubleMatrixHdl a, Int32ArrayHdl perm, int32_t *parity, int32_t *error);
ORIN_API int32_t LULinEqs_head(DoubleMatrixHdl lu, Int32ArrayHdl perm, DoubleArrayHdl b, int32_t *error);
ORIN_API int32_t LUInvMatrix_head(DoubleMatrixHdl lu, Int32ArrayHdl perm, int32_t *error);
ORIN_API int32_t GenLinEqs_head(DoubleMatrixHdl a, DoubleArrayHdl b, DoubleArrayHdl x, int32_t *error);
ORIN_API int32_t Determinant_head(DoubleMatrixHdl a, const int32_t *type, double *det, int32_t *error);
ORIN_API int32_t Cholesky_head(DoubleArrayHdl packed, int32_t *error);
ORIN_API int32_t CholeskyLinEqs_head(DoubleArrayHdl packed, DoubleArrayHdl b, int32_t *error);
ORIN_API int32_t Cholesky_InvMatrix_head(DoubleArrayHdl packed, int32_t *error);
ORIN_API int32_t TriLinEqs_head(DoubleArrayHdl packed, const int32_t *triangle, DoubleArrayHdl b, int32_t *error);
ORIN_API int32_t Tri_InvMatrix_head(DoubleArrayHdl packed, const int32_t *triangle, int32_t *error);
ORIN_API int32_t Matrix_to_Compact_head(DoubleMatrixHdl a, const int32_t *mode, DoubleArrayHdl packed, int32_t *error);
ORIN_API int32_t Compact_to_Matrix_head(DoubleArrayHdl packed, const int32_t *mode, DoubleMatrixHdl a, int32_t *error);
ORIN_API int32_t CheckPosdef_head(DoubleMatrixHdl a, int32_t *result, int32_t *error);
ORIN_API int32_t CondNumber_head(DoubleMatrixHdl a, const int32_t *normCode, double *cond, int32_t *error);

/* ---- Complex packed storage, Cholesky, triangular, determinant ---- */

/* Packed storage of complex n x n matrices, the layouts of Matrix_to_Compact:
   mode 0 lower triangle (lower layout), 1 upper triangle (upper layout),
   2 Hermitian (lower layout; unpacking fills the upper triangle with the
   conjugates, the diagonal as stored).
   a       in   n x n (CxMatrix_to_Compact) / out (CxCompact_to_Matrix)
   packed  out  n(n+1)/2 (CxMatrix_to_Compact) / in (CxCompact_to_Matrix)
   -20003 for n < 1, -20061 for another mode (nothing written). */
ORIN_API int32_t CxMatrix_to_Compact(const complexnum *a, int32_t n, int32_t mode, complexnum *packed);
ORIN_API int32_t CxCompact_to_Matrix(const complexnum *packed, int32_t n, int32_t mode, complexnum *a);
/* A = L L^H in place on the packed lower layout of a Hermitian matrix; L has
   a real positive diagonal (stored with imaginary part 0). Only the real
   parts of the diagonal are read. -20003 for n < 1; -20041 when a diagonal's
   real part is not positive (or NaN) before its square root, or when any
   diagonal of L so far is below M * sqrt(2^-63) (M the largest |entry| of L
   so far). One n-vector of extended scratch, done without when refused. */
ORIN_API int32_t CxCholesky(complexnum *packed, int32_t n);
/* x = A^-1 b (b, x: n) from the packed lower factor L of A = L L^H (any lower
   L with a non-zero diagonal); x may be b. -20003 for n < 1. */
ORIN_API int32_t CxCholeskyLinEqs(const complexnum *factor, const complexnum *b, int32_t n, complexnum *x);
/* inv = A^-1 in packed Hermitian (mode 2) layout from the packed factor; may
   run in place. One complex n-vector of scratch (-20001). */
ORIN_API int32_t CxCholesky_InvMatrix(const complexnum *factor, int32_t n, complexnum *inv);
/* Packed triangular solve (b, x: n) and inverse: triangle 0 lower (lower
   layout), 1 upper (upper layout), other values -20061 (checked first), then
   -20003 for n < 1. -20041 when a diagonal has magnitude <= 2^-63 times the
   largest packed magnitude, or is NaN. Both may run in place. */
ORIN_API int32_t CxTriLinEqs(const complexnum *packed, const complexnum *b, int32_t n, int32_t triangle, complexnum *x);
ORIN_API int32_t CxTri_InvMatrix(const complexnum *packed, int32_t n, int32_t triangle, complexnum *inv);
/* *result = 1 when a (n x n) is exactly Hermitian (real diagonal, a(j, i) the
   conjugate of a(i, j)) and every eigenvalue is positive and at least 2^-63
   times the largest, else 0 (NaN or infinite entries give 0). -20003 for
   n < 1; -20001 when the scratch (2n + 4n^2 doubles: the eigenvalues of the
   real symmetric embedding of order 2n) is refused; -20062 when the
   eigenvalues do not converge. */
ORIN_API int32_t CxCheckPosdef(const complexnum *a, int32_t n, int32_t *result);
/* det (iDNaN in both parts until computed) of a (n x n): type 0 general
   (CxLU of a copy, negated for an odd number of exchanges), 1 Hermitian
   positive definite (CxCholesky of the lower triangle; the result is real),
   2 and 3 triangular (product of the diagonal). A singular factorisation
   gives det = 0 with code 0; a NaN or infinite entry anywhere (any type), or
   an elimination that overflows, gives NaN in both parts with code 0.
   -20003 for n < 1, -20061 for another type, -20001 when scratch is
   refused. */
ORIN_API int32_t CxDeterminant(const complexnum *a, int32_t n, int32_t type, complexnum *det);
/* Handle forms, with the checks of the real ones. Packed handles: length
   L >= 1 (-20003) must be n(n+1)/2 (-20040); vectors must have n entries
   (-20002); matrices must be square (-20040, after -20003 when empty).
   CxCholesky_head: the factor replaces the packed matrix.
   CxCholeskyLinEqs_head, CxTriLinEqs_head: b becomes x.
   CxCholesky_InvMatrix_head, CxTri_InvMatrix_head: the packed inverse
   replaces the packed matrix. The triangle code is checked first.
   CxMatrix_to_Compact_head: packed resized to n(n+1)/2 (-20001 when refused).
   CxCompact_to_Matrix_head: a resized to n x n (-20001 when refused).
   On error the output array is emptied (complex type code).
   CxCheckPosdef_head: result 0 on error. CxDeterminant_head: det iDNaN in
   both parts on error. */
ORIN_API int32_t CxCholesky_head(ComplexArrayHdl packed, int32_t *error);
ORIN_API int32_t CxCholeskyLinEqs_head(ComplexArrayHdl packed, ComplexArrayHdl b, int32_t *error);
ORIN_API int32_t CxCholesky_InvMatrix_head(ComplexArrayHdl packed, int32_t *error);
ORIN_API int32_t CxTriLinEqs_head(ComplexArrayHdl packed, const int32_t *triangle, ComplexArrayHdl b, int32_t *error);
ORIN_API int32_t CxTri_InvMatrix_head(ComplexArrayHdl packed, const int32_t *triangle, int32_t *error);
ORIN_API int32_t CxMatrix_to_Compact_head(ComplexMatrixHdl a, const int32_t *mode, ComplexArrayHdl packed,
                                          int32_t *error);
ORIN_API int32_t CxCompact_to_Matrix_head(ComplexArrayHdl packed, const int32_t *mode, ComplexMatrixHdl a,
                                          int32_t *error);
ORIN_API int32_t CxCheckPosdef_head(ComplexMatrixHdl a, int32_t *result, int32_t *error);
ORIN_API int32_t CxDeterminant_head(ComplexMatrixHdl a, const int32_t *type, complexnum *det, int32_t *error);

/* ---- Decompositions and measures ----------------------------------------- */

/* Thin SVD of a tall m x n matrix (m >= n): U (m x n) overwrites a, s (n)
   the singular values in descending order, v (n x n) V, A = U diag(s) V^T
   (Golub-Reinsch). SVDS: values only, a overwritten. -20003 for m or n
   below 1, -20008 for m < n, -20062 after 30 sweeps on one value without
   convergence or for non-finite input. */
ORIN_API int32_t SVD(double *a, int32_t m, int32_t n, double *s, double *v);
ORIN_API int32_t SVDS(double *a, int32_t m, int32_t n, double *s);
/* Eigenvalues (values, n, in the order the QL iteration leaves them) and,
   when wantVectors is 1, eigenvectors (columns of vectors, n x n) of a
   symmetric matrix; each eigenvector is divided by its first element of
   largest magnitude, which becomes exactly 1. a is copied into vectors when
   they differ (vectors is always n x n work space). -20062 after 30 QL steps
   on one eigenvalue. */
ORIN_API int32_t SymEvectorEvalue(const double *a, int32_t n, int32_t wantVectors, double *vectors, double *values);
/* Eigenvalues (values, n) of a general real matrix and, when wantVectors is
   1, its eigenvectors as the complex columns of vectors (n x n), each of
   unit 2-norm with its component of largest magnitude real and positive;
   complex eigenvalues come in conjugate pairs, the one with positive
   imaginary part first. Hessenberg reduction and Francis double-shift QR
   (a matrix whose largest magnitude lies outside 2^+-256 is first scaled by
   a power of two); an exactly zero sub-diagonal entry splits the matrix, so
   the zero, diagonal and triangular matrices converge at once. -20062 when
   30 n steps do not converge or for non-finite input. */
ORIN_API int32_t GenEigenValueVector(const double *a, int32_t n, int32_t wantVectors, complexnum *values,
                                     complexnum *vectors);
/* A = Q R with Q (m x m) orthogonal and R (m x n) upper staircase:
   algorithm 0 Householder, 1 Givens, 2 fast Givens (other values -20061).
   rank (Givens variants only) gets the number of pivot rows. */
ORIN_API int32_t qrd(const double *a, int32_t m, int32_t n, int32_t algorithm, double *q, double *r, int32_t *rank);
/* out (n x m) = pseudo-inverse of a (m x n), a kept. Singular values <= tol
   are dropped; tol < 0 selects max(m, n) * s[0] * 2^-52 (relative), an
   explicit tol >= 0 is absolute. */
ORIN_API int32_t PseudoInverse(const double *a, int32_t m, int32_t n, double tol, double *out);
/* *rank (-1 until computed) = singular values > tol; tol < 0 selects
   max(m, n) * s[0] * 2^-52. */
ORIN_API int32_t Rank(const double *a, int32_t m, int32_t n, double tol, int32_t *rank);
/* *out (iDNaN until computed): normCode 0 the 2-norm (largest singular
   value), 1 largest column sum of magnitudes, 2 Frobenius, 3 largest row sum
   of magnitudes; other codes -20061. NaN entries give NaN. */
ORIN_API int32_t Norm(const double *a, int32_t m, int32_t n, int32_t normCode, double *out);

/* Handle forms. SVD_head: U replaces a, s resized to n, v to n x n (-20003,
   -20008 as SVD). SVDS_head: a is kept. SymEvectorEvalue_head: -20040 unless
   square; values resized to n; the eigenvectors replace a when wantVectors is
   1, a is emptied otherwise. EigenValueVector_head: values resized to n and,
   only when wantVectors is 1, vectors to n x n (complex). qrd_head: q m x m,
   r m x n. PseudoInverse_head: in place, a becomes n x m. Rank_head: rank -1
   on error. Norm_head: out iDNaN on error. */
ORIN_API int32_t SVD_head(DoubleMatrixHdl a, DoubleArrayHdl s, DoubleMatrixHdl v, int32_t *error);
ORIN_API int32_t SVDS_head(DoubleMatrixHdl a, DoubleArrayHdl s, int32_t *error);
ORIN_API int32_t SymEvectorEvalue_head(DoubleMatrixHdl a, const int32_t *wantVectors, DoubleArrayHdl values,
                                       int32_t *error);
ORIN_API int32_t EigenValueVector_head(DoubleMatrixHdl a, const int32_t *wantVectors, ComplexArrayHdl values,
                                       ComplexMatrixHdl vectors, int32_t *error);
ORIN_API int32_t qrd_head(DoubleMatrixHdl a, const int32_t *algorithm, DoubleMatrixHdl q, DoubleMatrixHdl r,
                          int32_t *error);
ORIN_API int32_t PseudoInverse_head(DoubleMatrixHdl a, const double *tol, int32_t *error);
ORIN_API int32_t Rank_head(DoubleMatrixHdl a, const double *tol, int32_t *rank, int32_t *error);
ORIN_API int32_t Norm_head(DoubleMatrixHdl a, const int32_t *normCode, double *out, int32_t *error);

/* ---- Complex SVD and measures ---- */
/* Complex matrices are row-major arrays of complexnum (real part first).
   Thin SVD of a tall complex m x n matrix (m >= n) by one-sided Jacobi
   rotations: U (m x n, orthonormal columns, completed where A is rank
   deficient) overwrites a, s (n, real) the singular values in descending
   order, v (n x n) the unitary V, A = U diag(s) V^H. CxSVDS: values only, a
   is only read. -20003 for m or n below 1, -20008 for m < n, -20062 for
   non-finite input or 60 sweeps without convergence. A singular value beyond
   the double range comes back infinite. Scratch: the matrix and V once. */
ORIN_API int32_t CxSVD(complexnum *a, int32_t m, int32_t n, double *s, complexnum *v);
ORIN_API int32_t CxSVDS(const complexnum *a, int32_t m, int32_t n, double *s);
/* out (n x m) = pseudo-inverse of a (m x n), a kept; a wide matrix is
   decomposed through its conjugate transpose. Singular values <= tol are
   dropped; tol < 0 selects max(m, n) * s[0] * 2^-52 (relative), an explicit
   tol >= 0 is absolute. -20003, -20062 as CxSVD. */
ORIN_API int32_t CxPseudoInverse(const complexnum *a, int32_t m, int32_t n, double tol, complexnum *out);
/* *rank (-1 until computed) = singular values > tol of a (m x n, any shape);
   tol < 0 selects max(m, n) * s[0] * 2^-52, an explicit tol >= 0 is
   absolute. -20003, -20062 as CxSVD (rank -1). Pseudo-inverse, rank and
   least squares keep working where the singular values themselves overflow
   the double range. */
ORIN_API int32_t CxRank(const complexnum *a, int32_t m, int32_t n, double tol, int32_t *rank);
/* *out (iDNaN until computed, real): normCode 0 the 2-norm (largest singular
   value), 1 largest column sum of magnitudes, 2 Frobenius, 3 largest row sum
   of magnitudes; other codes -20061. A NaN part gives NaN; otherwise an
   infinite part gives infinity. */
ORIN_API int32_t CxNorm(const complexnum *a, int32_t m, int32_t n, int32_t normCode, double *out);
/* Condition number (real, cond = iDNaN until computed) in the norm of
   CxNorm: code 0 s_max / s_min of any m x n matrix (-20041 when s_min is 0
   or below s_max * max(m, n) * 2^-63; -20062 for non-finite entries); codes
   1-3 ||A|| ||A^-1|| of a square matrix (-20040 otherwise) with the inverse
   from CxLU and CxLUInvMatrix (-20041 when CxLU finds it singular; NaN
   entries give NaN). Other codes -20061. Both size checks come first. */
ORIN_API int32_t CxCondNumber(const complexnum *a, int32_t m, int32_t n, int32_t normCode, double *cond);
/* Least-squares, minimum-norm solution x (n) of the complex m x n system
   a x = b (b has m entries), from the SVD; singular values up to
   max(m, n) * s[0] * 2^-52 are dropped. -20003, -20062 as CxSVD. */
ORIN_API int32_t CxGenLinEqs(const complexnum *a, int32_t m, int32_t n, const complexnum *b, complexnum *x);
/* Handle forms (complex matrices and vectors use type code 13).
   CxSVD_head: U replaces a, s resized to n, v to n x n; -20003, -20008.
   CxSVDS_head: a is kept. CxPseudoInverse_head: in place, a becomes n x m.
   CxRank_head: rank -1 on error. CxNorm_head, CxCondNumber_head: the real
   result iDNaN on error. CxGenLinEqs_head: -20002 when len(b) differs from
   a's rows; x resized to a's columns. Outputs emptied on error. */
ORIN_API int32_t CxSVD_head(ComplexMatrixHdl a, DoubleArrayHdl s, ComplexMatrixHdl v, int32_t *error);
ORIN_API int32_t CxSVDS_head(ComplexMatrixHdl a, DoubleArrayHdl s, int32_t *error);
ORIN_API int32_t CxPseudoInverse_head(ComplexMatrixHdl a, const double *tol, int32_t *error);
ORIN_API int32_t CxRank_head(ComplexMatrixHdl a, const double *tol, int32_t *rank, int32_t *error);
ORIN_API int32_t CxNorm_head(ComplexMatrixHdl a, const int32_t *normCode, double *out, int32_t *error);
ORIN_API int32_t CxCondNumber_head(ComplexMatrixHdl a, const int32_t *normCode, double *cond, int32_t *error);
ORIN_API int32_t CxGenLinEqs_head(ComplexMatrixHdl a, ComplexArrayHdl b, ComplexArrayHdl x, int32_t *error);

/* ---- QR kernels ---------------------------------------------------------- */

/* A Householder reflection H = I + beta v v^T acting on length entries;
   v (caller storage, at least length entries) has v[0] = 1 and
   beta = -2 / ||v||^2. */
typedef struct {
    int32_t length;
    double beta;
    double *v;
} HouseholderVector;

/* Householder_Factor, givens_qrd, fast_giv_qrd: A = Q R (see qrd); a is
   kept. A column is reflected when its norm below the pivot row is at least
   2^-62 of its whole norm; the Givens variants skip entries inside
   +-(||column|| 2^-63 c / sqrt(m - p)) for column c and pivot row p. A
   non-finite column gives NaN in R from the pivot row on and in Q. */
ORIN_API int32_t Householder_Factor(const double *a, int32_t m, int32_t n, double *q, double *r);
ORIN_API int32_t givens_qrd(const double *a, int32_t m, int32_t n, double *q, double *r, int32_t *rank);
ORIN_API int32_t fast_giv_qrd(const double *a, int32_t m, int32_t n, double *q, double *r, int32_t *rank);
/* The reflection mapping x (len) onto a multiple of e_0; -20065 when
   ||x|| is 0 or NaN. */
ORIN_API int32_t house_calc(const double *x, int32_t len, HouseholderVector *hh);
/* y = x with entries offset..n-1 replaced by H applied to them; -20008
   unless offset + hh->length == n. y may be x. */
ORIN_API int32_t MVprod_house(const HouseholderVector *hh, int32_t offset, const double *x, int32_t n, double *y);
/* Forms the reflection of column 0 of s (p x q) into hh (hh->v holds p) and
   applies it to every column into out (p x q, may be s); out[1..p-1][0] = 0. */
ORIN_API int32_t Mhhld_step(const double *s, int32_t p, int32_t q, HouseholderVector *hh, double *out);
/* Rotation (c, s) with [c s; -s c]^T-style action zeroing b against a:
   b = 0 gives c = 1, s = 0. */
ORIN_API void givens(double a, double b, double *c, double *s);
/* Rows i and k of M (rows x cols): M[i] = s M[k] + c M[i],
   M[k] = c M[k] - s M[i] (old values); -20017 for a row out of range. */
ORIN_API int32_t MMprod_givens(double c, double s, int32_t i, int32_t k, double *M, int32_t rows, int32_t cols);
/* Square-root-free rotation zeroing b against a with scales d1, d2
   (updated); type 1 or 2 and multipliers alpha, beta for MMprod_fast_giv. */
ORIN_API void fast_givens(double a, double b, int32_t *type, double *alpha, double *beta, double *d1, double *d2);
ORIN_API int32_t MMprod_fast_giv(double alpha, double beta, int32_t type, int32_t i, int32_t k, double *M, int32_t rows,
                                 int32_t cols);
/* out = a diag(d) (len must equal cols) and out = diag(d) a (len must equal
   rows), -20008 otherwise; out may be a. */
ORIN_API int32_t MDprod(const double *a, int32_t rows, int32_t cols, const double *d, int32_t len, double *out);
ORIN_API int32_t DMprod(const double *a, int32_t rows, int32_t cols, const double *d, int32_t len, double *out);

/* ---- Complex LU ------------------------------------------------------------
   Complex matrices are row-major arrays of complexnum (real part first). */

/* LU factorisation in place with scaled partial pivoting: each row scaled by
   the reciprocal of its largest squared magnitude, the pivot the row with the
   largest scaled |a_ik|^2 (ties keep the earlier row). U on and above the
   diagonal, the unit lower factor's multipliers below; perm[k] (n) the row
   exchanged with row k at step k; parity toggled at each exchange.
   a       in/out  n x n        n >= 1 (-20003)
   -20041: a zero row, a zero pivot, or a pivot whose squared magnitude falls
   below the elimination's growth times 2^-126. Scratch: n doubles. */
ORIN_API int32_t CxLU(complexnum *a, int32_t n, int32_t *perm, int32_t *parity);
/* x = A^-1 b from CxLU's factors (x may be b); the forward substitution
   starts at the first non-zero entry of the permuted b. -20041 for a zero
   diagonal of U. */
ORIN_API int32_t CxLULinEqs(const complexnum *lu, const int32_t *perm, const complexnum *b, int32_t n, complexnum *x);
/* inv = A^-1 column by column from the unit vectors; in place when inv == lu
   (then from a copy). Scratch: n complex values (and n x n in place). */
ORIN_API int32_t CxLUInvMatrix(const complexnum *lu, const int32_t *perm, int32_t n, complexnum *inv);
/* CxLU_head: a (square, complex) factorised in place, perm resized to n;
   on failure a and perm come back empty. CxLULinEqs_head: b (n) solved in
   place (-20002 when perm or b is not of n entries; b emptied on failure).
   CLUInvMatrix_head: lu becomes the inverse (emptied on failure). Both
   refuse a perm entry outside 0..n-1 with -20017. */
ORIN_API int32_t CxLU_head(ComplexMatrixHdl a, Int32ArrayHdl perm, int32_t *parity, int32_t *error);
ORIN_API int32_t CxLULinEqs_head(ComplexMatrixHdl lu, Int32ArrayHdl perm, ComplexArrayHdl b, int32_t *error);
ORIN_API int32_t CLUInvMatrix_head(ComplexMatrixHdl lu, Int32ArrayHdl perm, int32_t *error);

/* ---- Complex QR and eigen-decompositions ---- */

/* A Hermitian complex reflection H = I - tau v v^H acting on length entries
   (H = H^H = H^-1); v (caller storage, at least length entries) has
   v[0] = 1 and tau = 2 / ||v||^2 (0 < tau <= 2, real). */
typedef struct {
    int32_t length;
    double tau;
    complexnum *v;
} CxHouseholderVector;

/* A = Q R of a complex m x n matrix a (kept unless r is a, which works in
   place): Q (m x m) unitary, R (m x n) upper staircase. A column is
   reflected when its norm below the pivot row is at least 2^-62 of its
   whole norm, else it is zeroed below the pivot row
   and skipped (a rank-deficient matrix gives a staircase). Each reflection
   maps the pivot x_p to -e^(i arg x_p) ||x||, so the identity gives
   Q = R = -I. A non-finite column gives NaN in R from the pivot row on and in
   all of Q. -20003 for m or n below 1, -20001 when scratch is refused
   (one block of m m + m + max(m, n) complex values). */
ORIN_API int32_t CxHouseholder_Factor(const complexnum *a, int32_t m, int32_t n, complexnum *q, complexnum *r);
/* Dispatcher: algorithm 0 is CxHouseholder_Factor; the rotation methods
   (1, 2) have no complex form here and, like any other value, give -20061.
   rank is not written (no algorithm that reports it is offered). */
ORIN_API int32_t Cxqrd(const complexnum *a, int32_t m, int32_t n, int32_t algorithm, complexnum *q, complexnum *r,
                       int32_t *rank);
/* The reflection mapping x (len) onto -e^(i arg x[0]) ||x|| e_0 (a phase of
   1 when x[0] is 0); hh->v must hold len values. -20065 when len is below 1
   or ||x|| is 0 or not finite. */
ORIN_API int32_t Cxhouse_calc(const complexnum *x, int32_t len, CxHouseholderVector *hh);
/* y = x with entries offset..n-1 replaced by H applied to them; -20008
   unless offset >= 0 and offset + hh->length == n. y may be x. */
ORIN_API int32_t CxMVprod_house(const CxHouseholderVector *hh, int32_t offset, const complexnum *x, int32_t n,
                                complexnum *y);
/* Forms the reflection of column 0 of s (p x q) into hh (hh->v holds p) and
   applies it to every column into out (p x q, may be s); out[1..p-1][0] = 0.
   -20003 for p or q below 1, -20065 as Cxhouse_calc, -20001 when its p-value
   column is refused. */
ORIN_API int32_t CxMhhld_step(const complexnum *s, int32_t p, int32_t q, CxHouseholderVector *hh, complexnum *out);
/* Handle form: q resized to m x m, r to m x n (complex); -20003 empty,
   -20061 for an algorithm other than 0 (before any resize). */
ORIN_API int32_t Cxqrd_head(ComplexMatrixHdl a, const int32_t *algorithm, ComplexMatrixHdl q, ComplexMatrixHdl r,
                            int32_t *error);

/* Eigenvalues (values, n) and, when wantVectors is 1, eigenvectors (the
   columns of vectors, n x n) of a general complex matrix: Householder
   reduction to Hessenberg form, complex QR with Wilkinson shifts to Schur
   form, eigenvectors by back-substitution in the triangular factor carried
   back through the Schur vectors. Each eigenvector has unit 2-norm and its
   component of largest magnitude real and positive. vectors may be NULL
   when wantVectors is not 1. A matrix whose largest part lies outside
   2^+-256 is first scaled by a power of two, so results do not depend on the
   scale. -20003 for n below 1, -20001 when scratch is refused, -20062 when
   30 n steps do not converge or for non-finite input. */
ORIN_API int32_t CxGenEigenVectorValue(const complexnum *a, int32_t n, int32_t wantVectors, complexnum *values,
                                       complexnum *vectors);
/* Eigenvalues (values, n real, in the order the QL iteration leaves them)
   and, when wantVectors is 1, eigenvectors (columns of vectors, n x n) of a
   Hermitian matrix: only the lower triangle and the real part of the
   diagonal are read. Reduction to a real symmetric tridiagonal by
   reflections and a diagonal unitary scaling, then implicit QL. Each
   eigenvector is divided by its first component of largest magnitude, which
   becomes exactly 1 + 0i. vectors may be a (in place) and may be NULL when
   wantVectors is not 1; it is written only when wantVectors is 1. -20003 for
   n below 1, -20001 when scratch is refused, -20062 after 30 QL steps on one
   eigenvalue or for non-finite input. */
ORIN_API int32_t HermEvectorEvalue(const complexnum *a, int32_t n, int32_t wantVectors, complexnum *vectors,
                                   double *values);
/* matrixType 0 (general): CxGenEigenVectorValue. 1 (Hermitian):
   HermEvectorEvalue, its real eigenvalues copied into values with imaginary
   part 0 and its vectors scaled as it scales them (-20001 when the n real
   values' scratch is refused). Other types -20061 (checked first). */
ORIN_API int32_t CxEigenValueVector(const complexnum *a, int32_t n, int32_t matrixType, int32_t wantVectors,
                                    complexnum *values, complexnum *vectors);
/* Handle form: both outputs emptied first; -20003 empty, -20040 not square,
   -20061 for another matrixType (before any resize); values resized to n
   and, only when wantVectors is 1, vectors to n x n (complex). */
ORIN_API int32_t CxEigenValueVector_head(ComplexMatrixHdl a, const int32_t *matrixType, const int32_t *wantVectors,
                                         ComplexArrayHdl values, ComplexMatrixHdl vectors, int32_t *error);

#endif /* ORIN_LINALG_H */
