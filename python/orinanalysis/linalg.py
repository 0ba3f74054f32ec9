"""Linear algebra on real and complex matrices, with numpy's and scipy's names.

The element type picks the routine family: float arrays (and integers) go to
the real routines, complex arrays to the complex ones. Matrices are copied
into C-contiguous row-major blocks, as the routines read them; inputs are
never modified. Sums and products inside the library are kept in extended
precision.

Shape faults the routines cannot see (they take one size for a square
matrix) raise :class:`OrinError` with the code the handle entry points give
for them: -20040 (not square), -20002 (a right-hand side of the wrong
length), -20003 (an empty matrix).
"""
from __future__ import annotations

from typing import Any, Optional, Tuple, Union

import numpy as np

from . import lowlevel
from ._arrays import INT32_MAX
from .errors import OrinError, check

__all__ = [
    "solve", "inv", "det", "lu_factor", "lu_solve", "cholesky", "cho_solve", "qr", "svd", "svdvals",
    "pinv", "matrix_rank", "norm", "cond", "eig", "eigvals", "eigh", "lstsq", "toeplitz", "vander", "companion",
]

_QR_ALGORITHMS = {"householder": 0, "givens": 1, "fast_givens": 2}


def _matrix(a: Any, name: str = "a", square: Optional[str] = None, cx: Optional[bool] = None) -> np.ndarray:
    """A fresh C-contiguous float64 or complex128 copy of a 2D array; square
    names the routine that needs it square."""
    arr = np.asarray(a)
    if arr.dtype.kind not in "biufc":
        raise TypeError(f"{name} must be numeric, got a {arr.dtype} array")
    if arr.ndim != 2:
        raise ValueError(f"{name} must be two-dimensional, got shape {arr.shape}")
    if cx is None:
        cx = arr.dtype.kind == "c"
    dtype = np.complex128 if cx else np.float64
    if arr.dtype.kind == "c" and not cx:
        raise TypeError(f"{name} must be real here, got a {arr.dtype} array")
    m, n = arr.shape
    if m * n > INT32_MAX:
        raise ValueError(f"{name} has {m * n} elements, more than the library's int32 counts allow")
    if square:
        if m < 1 or n < 1:
            raise OrinError(square, -20003, f"{name} has shape {arr.shape}")
        if m != n:
            raise OrinError(square, -20040, f"{name} has shape {arr.shape}")
    return np.array(arr, dtype=dtype, order="C", copy=True)


def _rhs(b: Any, n: int, routine: str, cx: bool) -> np.ndarray:
    """b as a float64/complex128 array whose first axis has n entries."""
    arr = np.asarray(b)
    if arr.dtype.kind not in "biufc":
        raise TypeError(f"b must be numeric, got a {arr.dtype} array")
    if arr.ndim not in (1, 2):
        raise ValueError(f"b must be one- or two-dimensional, got shape {arr.shape}")
    if arr.shape[0] != n:
        raise OrinError(routine, -20002, f"b has {arr.shape[0]} rows, the matrix {n}")
    return np.array(arr, dtype=np.complex128 if cx else np.float64, order="C", copy=True)


def _columns(b: np.ndarray, solve_one) -> np.ndarray:
    """Applies a vector solver to b or to each column of b."""
    if b.ndim == 1:
        return solve_one(b)
    out = np.empty_like(b)
    for j in range(b.shape[1]):
        out[:, j] = solve_one(np.ascontiguousarray(b[:, j]))
    return out


def _is_cx(*arrays: Any) -> bool:
    return any(np.asarray(x).dtype.kind == "c" for x in arrays)


# ---- LU: systems, inverse, determinant ------------------------------------

def lu_factor(a: Any) -> Tuple[np.ndarray, np.ndarray]:
    """LU factorisation with partial pivoting (scipy.linalg.lu_factor).

    Args:
        a: square matrix, real or complex.

    Returns:
        ``(lu, piv)``: U on and above the diagonal, the multipliers of the
        unit lower L below it; ``piv[j]`` is the row exchanged with row j at
        step j (0-based, as scipy's).

    Raises:
        OrinError: -20041 when no usable pivot is left. Real matrices need a
            pivot above 1e-12 in absolute value (not relative to the scale of
            the matrix: scale a matrix of tiny entries first); complex ones
            use scaled partial pivoting with a growth test.

    Library: ``LUFactor``, ``CxLU``.
    """
    lu = _matrix(a, square="LUFactor")
    n = lu.shape[0]
    piv = np.zeros(n, dtype=np.int32)
    parity = np.zeros(1, dtype=np.int32)
    routine = "CxLU" if lu.dtype.kind == "c" else "LUFactor"
    check(routine, lowlevel.call(routine, lu, n, piv, parity))
    return lu, piv


def lu_solve(lu_and_piv: Tuple[Any, Any], b: Any) -> np.ndarray:
    """Solves ``A x = b`` from :func:`lu_factor`'s result (scipy.linalg.lu_solve).

    Args:
        lu_and_piv: ``(lu, piv)``.
        b: right-hand side, n entries or n rows (one system per column).

    Raises:
        OrinError: -20002 when b has the wrong number of rows, -20041 for a
            zero diagonal of U (complex).

    Library: ``LULinEqs``, ``CxLULinEqs``.
    """
    lu, piv = lu_and_piv
    cx = np.asarray(lu).dtype.kind == "c"
    lu = _matrix(lu, "lu", square="LULinEqs", cx=cx)
    n = lu.shape[0]
    piv = np.ascontiguousarray(piv, dtype=np.int32)
    if piv.shape != (n,) or np.any((piv < 0) | (piv >= n)):
        raise OrinError("LULinEqs", -20017, "piv must hold n row indices in 0..n-1")
    routine = "CxLULinEqs" if cx else "LULinEqs"
    if not cx and _is_cx(b):
        raise TypeError("a real factorisation solves real right-hand sides; factor a complex matrix for complex b")
    rhs = _rhs(b, n, routine, cx)

    def one(v: np.ndarray) -> np.ndarray:
        check(routine, lowlevel.call(routine, lu, piv, v, n, v))
        return v

    return _columns(rhs, one)


def solve(a: Any, b: Any) -> np.ndarray:
    """Solves ``a x = b`` for a square a by LU with partial pivoting
    (numpy.linalg.solve).

    Args:
        a: n x n matrix; complex when a or b is complex.
        b: n entries, or n rows of right-hand sides.

    Raises:
        OrinError: -20040 (a not square), -20002 (b of the wrong length),
            -20041 (singular; see :func:`lu_factor` for the pivot rule).

    Library: ``LUFactor`` / ``LULinEqs``, ``CxLU`` / ``CxLULinEqs``.
    """
    cx = _is_cx(a, b)
    return lu_solve(lu_factor(_matrix(a, square="LUFactor", cx=cx)), b)


def inv(a: Any) -> np.ndarray:
    """Inverse of a square matrix (numpy.linalg.inv).

    Raises:
        OrinError: -20040 (not square), -20041 (singular).

    Library: ``InvMatrix``, ``CxLU`` / ``CxLUInvMatrix``.
    """
    m = _matrix(a, square="InvMatrix")
    n = m.shape[0]
    out = np.empty_like(m)
    if m.dtype.kind == "c":
        lu, piv = lu_factor(m)
        check("CxLUInvMatrix", lowlevel.CxLUInvMatrix(lu, piv, n, out))
    else:
        check("InvMatrix", lowlevel.InvMatrix(m, n, out))
    return out


def det(a: Any) -> Union[float, complex]:
    """Determinant of a square matrix (numpy.linalg.det); 0 for a singular
    factorisation, NaN for NaN entries.

    Library: ``Determinant`` (type 0, LU), ``CxDeterminant``.
    """
    m = _matrix(a, square="Determinant")
    n = m.shape[0]
    if m.dtype.kind == "c":
        out = np.zeros(1, dtype=np.complex128)
        check("CxDeterminant", lowlevel.CxDeterminant(m, n, 0, out))
        return complex(out[0])
    out = np.zeros(1)
    check("Determinant", lowlevel.Determinant(m, n, 0, out))
    return float(out[0])


# ---- Cholesky ----------------------------------------------------------------

def _packed_lower(c: np.ndarray, mode: int) -> np.ndarray:
    n = c.shape[0]
    packed = np.zeros(n * (n + 1) // 2, dtype=c.dtype)
    routine = "CxMatrix_to_Compact" if c.dtype.kind == "c" else "Matrix_to_Compact"
    check(routine, lowlevel.call(routine, c, n, mode, packed))
    return packed


def cholesky(a: Any, lower: bool = False) -> np.ndarray:
    """Cholesky factor of a symmetric (Hermitian) positive definite matrix
    (scipy.linalg.cholesky): ``a = U^H U`` (default) or ``a = L L^H`` with
    ``lower=True``. Only the lower triangle of a is read.

    Raises:
        OrinError: -20040 (not square), -20041 (not positive definite: a
            diagonal not positive before its square root, or below
            ``sqrt(2^-63)`` of the largest entry of the factor so far).

    Library: ``Matrix_to_Compact``, ``Cholesky``, ``Compact_to_Matrix``
    (``CxCholesky`` and the complex packing routines for complex a).
    """
    m = _matrix(a, square="Cholesky")
    n = m.shape[0]
    cx = m.dtype.kind == "c"
    packed = _packed_lower(m, 2)
    routine = "CxCholesky" if cx else "Cholesky"
    check(routine, lowlevel.call(routine, packed, n))
    low = np.zeros_like(m)
    unpack = "CxCompact_to_Matrix" if cx else "Compact_to_Matrix"
    check(unpack, lowlevel.call(unpack, packed, n, 0, low))
    return low if lower else np.ascontiguousarray(low.conj().T)


def cho_solve(c_and_lower: Tuple[Any, bool], b: Any) -> np.ndarray:
    """Solves ``a x = b`` from a Cholesky factor (scipy.linalg.cho_solve).

    Args:
        c_and_lower: ``(c, lower)`` as :func:`cholesky` made it.
        b: n entries or n rows.

    Library: ``CholeskyLinEqs``, ``CxCholeskyLinEqs``.
    """
    c, lower = c_and_lower
    cx = _is_cx(c, b)
    f = _matrix(c, "c", square="CholeskyLinEqs", cx=cx)
    if not lower:
        f = np.ascontiguousarray(f.conj().T)
    n = f.shape[0]
    packed = _packed_lower(f, 0)
    routine = "CxCholeskyLinEqs" if cx else "CholeskyLinEqs"
    rhs = _rhs(b, n, routine, cx)

    def one(v: np.ndarray) -> np.ndarray:
        check(routine, lowlevel.call(routine, packed, v, n, v))
        return v

    return _columns(rhs, one)


# ---- QR, SVD and what follows from it ----------------------------------------

def qr(a: Any, mode: str = "full", algorithm: str = "householder") -> Tuple[np.ndarray, np.ndarray]:
    """QR decomposition ``a = Q R`` (scipy.linalg.qr).

    Args:
        a: m x n matrix.
        mode: ``"full"`` (Q m x m, R m x n) or ``"economic"`` (Q m x k,
            R k x n, k = min(m, n)).
        algorithm: ``"householder"``, ``"givens"`` or ``"fast_givens"``
            (square-root-free Givens); complex matrices have Householder
            only (the others give OrinError -20061).

    Returns:
        ``(Q, R)``; R is upper triangular (a staircase for rank-deficient a).
        Signs of the rows of R may differ from LAPACK's.

    Library: ``qrd``, ``Cxqrd``.
    """
    if mode not in ("full", "economic"):
        raise ValueError(f"mode must be 'full' or 'economic', not {mode!r}")
    try:
        code = _QR_ALGORITHMS[algorithm]
    except KeyError:
        raise ValueError(f"algorithm must be one of {', '.join(_QR_ALGORITHMS)}, not {algorithm!r}") from None
    m_ = _matrix(a)
    m, n = m_.shape
    if m < 1 or n < 1:
        raise OrinError("qrd", -20003, f"a has shape {m_.shape}")
    q = np.zeros((m, m), dtype=m_.dtype)
    r = np.zeros((m, n), dtype=m_.dtype)
    rank = np.zeros(1, dtype=np.int32)
    routine = "Cxqrd" if m_.dtype.kind == "c" else "qrd"
    check(routine, lowlevel.call(routine, m_, m, n, code, q, r, rank))
    if mode == "economic":
        k = min(m, n)
        return np.ascontiguousarray(q[:, :k]), np.ascontiguousarray(r[:k])
    return q, r


def _tall(a: Any) -> Tuple[np.ndarray, bool]:
    """a, or its conjugate transpose when it is wide, as a fresh copy."""
    m_ = _matrix(a)
    if m_.shape[0] < 1 or m_.shape[1] < 1:
        raise OrinError("SVD", -20003, f"a has shape {m_.shape}")
    wide = m_.shape[0] < m_.shape[1]
    return (np.ascontiguousarray(m_.conj().T) if wide else m_), wide


def svdvals(a: Any) -> np.ndarray:
    """Singular values in descending order (scipy.linalg.svdvals).

    Raises:
        OrinError: -20003 (empty), -20062 (no convergence, or non-finite
            entries).

    Library: ``SVDS``, ``CxSVDS``.
    """
    t, _ = _tall(a)
    m, n = t.shape
    s = np.zeros(n)
    routine = "CxSVDS" if t.dtype.kind == "c" else "SVDS"
    check(routine, lowlevel.call(routine, t, m, n, s))
    return s


def svd(a: Any, full_matrices: bool = True, compute_uv: bool = True):
    """Singular value decomposition ``a = U diag(s) Vh`` (numpy.linalg.svd).

    Args:
        a: m x n matrix, real or complex.
        full_matrices: U m x m and Vh n x n (default), else U m x k and Vh
            k x n with k = min(m, n). The columns beyond k complete the
            basis (from a Householder QR of the thin factor).
        compute_uv: False returns s alone.

    Returns:
        ``(U, s, Vh)``, s descending.

    Library: ``SVD`` (Golub-Reinsch), ``CxSVD`` (one-sided Jacobi); a wide
    matrix is decomposed through its (conjugate) transpose; ``qrd`` for the
    completion.
    """
    if not compute_uv:
        return svdvals(a)
    t, wide = _tall(a)
    m, n = t.shape
    cx = t.dtype.kind == "c"
    s = np.zeros(n)
    v = np.zeros((n, n), dtype=t.dtype)
    routine = "CxSVD" if cx else "SVD"
    check(routine, lowlevel.call(routine, t, m, n, s, v))
    u = t  # U (m x n) replaced the matrix
    if full_matrices and m > n:
        q, _ = qr(u, "full")
        u = np.hstack([u, q[:, n:]])
    if wide:  # a^H = U S V^H, so a = V S U^H
        return v, s, np.ascontiguousarray(u.conj().T)
    return u, s, np.ascontiguousarray(v.conj().T)


def _tolerance(a: np.ndarray, atol: Optional[float], rtol: Optional[float]) -> float:
    if atol is None and rtol is None:
        return -1.0  # the library's max(m, n) * s_max * 2^-52
    tol = float(atol or 0.0)
    if rtol:
        tol = max(tol, float(rtol) * norm(a, 2))
    return tol


def pinv(a: Any, atol: Optional[float] = None, rtol: Optional[float] = None) -> np.ndarray:
    """Moore-Penrose pseudo-inverse (scipy.linalg.pinv).

    Args:
        a: m x n matrix.
        atol, rtol: singular values at most ``max(atol, rtol * s_max)`` are
            dropped; both None: ``max(m, n) * s_max * 2^-52``.

    Returns:
        n x m matrix.

    Library: ``PseudoInverse``, ``CxPseudoInverse``.
    """
    m_ = _matrix(a)
    m, n = m_.shape
    tol = _tolerance(m_, atol, rtol)
    out = np.zeros((n, m), dtype=m_.dtype)
    routine = "CxPseudoInverse" if m_.dtype.kind == "c" else "PseudoInverse"
    check(routine, lowlevel.call(routine, m_, m, n, tol, out))
    return out


def matrix_rank(A: Any, tol: Optional[float] = None) -> int:
    """Number of singular values above tol (numpy.linalg.matrix_rank);
    default ``max(m, n) * s_max * 2^-52``.

    Library: ``Rank``, ``CxRank``.
    """
    m_ = _matrix(A, "A")
    m, n = m_.shape
    rank = np.zeros(1, dtype=np.int32)
    routine = "CxRank" if m_.dtype.kind == "c" else "Rank"
    check(routine, lowlevel.call(routine, m_, m, n, -1.0 if tol is None else float(tol), rank))
    return int(rank[0])


# numpy ord -> the library's norm code.
_NORM_CODES = {None: 2, "fro": 2, 2: 0, 1: 1, np.inf: 3}


def _norm_code(ord: Any, routine: str) -> int:
    try:
        return _NORM_CODES[ord]
    except (KeyError, TypeError):
        raise ValueError(f"{routine}: ord must be one of None, 'fro', 1, 2, inf; got {ord!r}") from None


def norm(x: Any, ord: Any = None) -> float:
    """Matrix or vector norm (numpy.linalg.norm).

    Args:
        x: a vector or a matrix, real or complex.
        ord: matrices: None or ``"fro"`` Frobenius, 2 the largest singular
            value, 1 the largest column sum, ``inf`` the largest row sum of
            magnitudes. Vectors: None or 2 Euclidean, 1 sum, ``inf`` largest
            magnitude.

    Library: ``Norm``, ``CxNorm``; ``Vnorm2``, ``CxVnorm2`` for vectors
    (scaled: no overflow or underflow before the result's).
    """
    arr = np.asarray(x)
    cx = arr.dtype.kind == "c"
    if arr.ndim == 1:
        if ord in (None, 2):
            v = np.ascontiguousarray(arr, dtype=np.complex128 if cx else np.float64)
            out = np.zeros(1)
            routine = "CxVnorm2" if cx else "Vnorm2"
            check(routine, lowlevel.call(routine, v, len(v), out))
            return float(out[0])
        if ord not in (1, np.inf):
            raise ValueError(f"vector ord must be one of None, 1, 2, inf; got {ord!r}")
        # The 1-norm of a vector is the row sum of the 1 x n matrix, the
        # inf-norm its largest column sum.
        return norm(arr.reshape(1, -1), np.inf if ord == 1 else 1)
    routine = "CxNorm" if cx else "Norm"
    code = _norm_code(ord, routine)
    m_ = _matrix(arr, "x")
    out = np.zeros(1)
    check(routine, lowlevel.call(routine, m_, m_.shape[0], m_.shape[1], code, out))
    return float(out[0])


def cond(x: Any, p: Any = None) -> float:
    """Condition number (numpy.linalg.cond): p None or 2 ``s_max / s_min`` of
    any matrix; 1, ``"fro"``, ``inf`` ``||A|| ||A^-1||`` of a square one.

    Raises:
        OrinError: -20041 (singular, or s_min below ``s_max max(m, n)
            2^-63``), -20040 (p other than 2 for a non-square matrix).

    Library: ``CondNumber``, ``CxCondNumber``.
    """
    m_ = _matrix(x, "x")
    routine = "CxCondNumber" if m_.dtype.kind == "c" else "CondNumber"
    code = 0 if p is None else _norm_code(p, routine)
    out = np.zeros(1)
    check(routine, lowlevel.call(routine, m_, m_.shape[0], m_.shape[1], code, out))
    return float(out[0])


# ---- Eigenvalues --------------------------------------------------------------

def _general_eig(a: Any, vectors: bool):
    m_ = _matrix(a, square="GenEigenValueVector")
    n = m_.shape[0]
    w = np.zeros(n, dtype=np.complex128)
    v = np.zeros((n, n), dtype=np.complex128) if vectors else None
    if m_.dtype.kind == "c":
        check("CxGenEigenVectorValue", lowlevel.CxGenEigenVectorValue(m_, n, int(vectors), w, v))
    else:
        check("GenEigenValueVector", lowlevel.GenEigenValueVector(m_, n, int(vectors), w, v))
    return w, v


def eig(a: Any) -> Tuple[np.ndarray, np.ndarray]:
    """Eigenvalues and right eigenvectors of a general square matrix
    (numpy.linalg.eig; complex results always).

    Returns:
        ``(w, v)``: ``a @ v[:, i] = w[i] v[:, i]``; each column has unit
        2-norm and its component of largest magnitude real and positive.
        Complex pairs of a real matrix come positive imaginary part first.

    Raises:
        OrinError: -20040 (not square), -20062 (no convergence in 30 n QR
            steps, or non-finite entries).

    Library: ``GenEigenValueVector``, ``CxGenEigenVectorValue``.
    """
    return _general_eig(a, True)


def eigvals(a: Any) -> np.ndarray:
    """Eigenvalues of a general square matrix (numpy.linalg.eigvals);
    see :func:`eig`."""
    return _general_eig(a, False)[0]


def eigh(a: Any, UPLO: str = "L") -> Tuple[np.ndarray, np.ndarray]:
    """Eigenvalues (ascending) and orthonormal eigenvectors of a symmetric or
    Hermitian matrix (numpy.linalg.eigh).

    Args:
        a: square matrix; only the triangle named by UPLO (``"L"`` or
            ``"U"``) is read, the other taken as its (conjugate) mirror.

    Returns:
        ``(w, v)`` with ``a @ v = v @ diag(w)``; each column of unit norm.

    Raises:
        OrinError: -20040 (not square), -20062 (no convergence).

    Library: ``SymEvectorEvalue``, ``HermEvectorEvalue`` (tridiagonal
    reduction and implicit QL); the columns, which the library scales to a
    largest component of 1, are normalised and sorted here.
    """
    if UPLO not in ("L", "U"):
        raise ValueError(f"UPLO must be 'L' or 'U', not {UPLO!r}")
    m_ = _matrix(a, square="SymEvectorEvalue")
    n = m_.shape[0]
    tri = np.tril(m_) if UPLO == "L" else np.triu(m_)
    full = tri + np.tril(tri, -1).conj().T if UPLO == "L" else tri + np.triu(tri, 1).conj().T
    full = np.ascontiguousarray(full)
    w = np.zeros(n)
    v = np.zeros_like(full)
    if full.dtype.kind == "c":
        check("HermEvectorEvalue", lowlevel.HermEvectorEvalue(full, n, 1, v, w))
    else:
        check("SymEvectorEvalue", lowlevel.SymEvectorEvalue(full, n, 1, v, w))
    order = np.argsort(w, kind="stable")
    v = v[:, order]
    return w[order], v / np.linalg.norm(v, axis=0)


# ---- Least squares -------------------------------------------------------------

def lstsq(a: Any, b: Any) -> Tuple[np.ndarray, np.ndarray, int, np.ndarray]:
    """Least-squares, minimum-norm solution of ``a x = b`` (numpy.linalg.lstsq).

    Singular values up to ``max(m, n) * s_max * 2^-52`` are dropped, as
    numpy's default ``rcond=None`` does.

    Returns:
        ``(x, residuals, rank, s)`` as numpy: residuals are the squared
        2-norms of ``b - a x`` per column when a has full column rank and
        more rows than columns, else empty.

    Library: ``GenLinEqs``, ``CxGenLinEqs`` (SVD); ``Rank``, ``SVDS`` for
    rank and s.
    """
    cx = _is_cx(a, b)
    m_ = _matrix(a, cx=cx)
    m, n = m_.shape
    routine = "CxGenLinEqs" if cx else "GenLinEqs"
    rhs = _rhs(b, m, routine, cx)

    def one(v: np.ndarray) -> np.ndarray:
        x = np.zeros(n, dtype=m_.dtype)
        check(routine, lowlevel.call(routine, m_, m, n, v, x))
        return x

    if rhs.ndim == 1:
        x = one(rhs)
    else:
        x = np.stack([one(np.ascontiguousarray(rhs[:, j])) for j in range(rhs.shape[1])], axis=1) \
            if rhs.shape[1] else np.zeros((n, 0), dtype=m_.dtype)
    rank = matrix_rank(m_)
    s = svdvals(m_)
    if rank == n and m > n:
        r = rhs - m_ @ x
        residuals = np.atleast_1d(np.sum(np.abs(r) ** 2, axis=0))
    else:
        residuals = np.zeros(0)
    return x, residuals, rank, s


# ---- Special matrices -------------------------------------------------------------

def _vector(x: Any, name: str, cx: bool) -> np.ndarray:
    arr = np.asarray(x)
    if arr.ndim != 1:
        arr = arr.ravel()
    return np.ascontiguousarray(arr, dtype=np.complex128 if cx else np.float64)


def toeplitz(c: Any, r: Any = None) -> np.ndarray:
    """Toeplitz matrix with first column c and first row r (scipy.linalg.toeplitz;
    ``r[0]`` is ignored, r defaults to ``conj(c)``).

    Library: ``ToeplitzMatrix``, ``CxToeplitzMatrix``.
    """
    if r is None:
        r = np.conj(c)
    cx = _is_cx(c, r)
    x, y = _vector(c, "c", cx), _vector(r, "r", cx)
    out = np.zeros((len(x), len(y)), dtype=x.dtype)
    routine = "CxToeplitzMatrix" if cx else "ToeplitzMatrix"
    check(routine, lowlevel.call(routine, x, len(x), y, len(y), out))
    return out


def vander(x: Any, N: Optional[int] = None, increasing: bool = False) -> np.ndarray:
    """Square Vandermonde matrix ``x[i]**(n-1-j)`` (numpy.vander); the library
    makes n x n only, so N must be None or len(x).

    Library: ``VanderMatrix``, ``CxVanderMatrix``.
    """
    v = _vector(x, "x", _is_cx(x))
    n = len(v)
    if N is not None and N != n:
        raise ValueError(f"vander makes square matrices: N must be len(x) = {n}, not {N}")
    out = np.zeros((n, n), dtype=v.dtype)
    routine = "CxVanderMatrix" if v.dtype.kind == "c" else "VanderMatrix"
    check(routine, lowlevel.call(routine, v, n, out))
    return np.ascontiguousarray(out[:, ::-1]) if increasing else out


def companion(a: Any) -> np.ndarray:
    """Companion matrix of the polynomial ``a[0] z^(m-1) + ... + a[m-1]``
    (scipy.linalg.companion): first row ``-a[1:] / a[0]``, ones below the
    diagonal; (m-1) x (m-1).

    Raises:
        ValueError: a has fewer than 2 coefficients or ``a[0] == 0``.

    Library: ``CompanMatrix``, ``CxCompanMatrix``.
    """
    c = _vector(a, "a", _is_cx(a))
    if len(c) < 2 or c[0] == 0:
        raise ValueError("companion needs at least 2 coefficients and a non-zero leading one")
    out = np.zeros((len(c) - 1, len(c) - 1), dtype=c.dtype)
    routine = "CxCompanMatrix" if c.dtype.kind == "c" else "CompanMatrix"
    check(routine, lowlevel.call(routine, c, len(c), out))
    return out
