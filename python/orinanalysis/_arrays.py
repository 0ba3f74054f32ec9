"""Conversion of caller arrays into what the routines read."""
from __future__ import annotations

from typing import Any

import numpy as np

INT32_MAX = 2**31 - 1


def _as_numeric(x: Any, name: str, complex_ok: bool) -> np.ndarray:
    arr = np.asarray(x)
    if arr.dtype.kind == "c" and not complex_ok:
        raise TypeError(f"{name} must be real, got a {arr.dtype} array (take .real or abs() first)")
    if arr.dtype.kind not in "biufc":
        raise TypeError(f"{name} must be numeric, got a {arr.dtype} array")
    if arr.ndim != 1:
        raise ValueError(f"{name} must be one-dimensional, got shape {arr.shape}")
    if arr.size > INT32_MAX:
        raise ValueError(f"{name} has {arr.size} elements, more than the library's int32 counts allow")
    return arr


def _vector_of(x: Any, dtype: np.dtype) -> bool:
    """True for a one-dimensional ndarray of exactly dtype (any strides), the
    common case, which needs no conversion and no further checks."""
    return type(x) is np.ndarray and x.dtype is dtype and x.ndim == 1 and x.size <= INT32_MAX


_FLOAT64, _COMPLEX128 = np.dtype(np.float64), np.dtype(np.complex128)


def real_view(x: Any, name: str = "x") -> np.ndarray:
    """x as a C-contiguous float64 vector; no copy when it already is one.
    For routines that only read."""
    if _vector_of(x, _FLOAT64) and x.flags.c_contiguous:
        return x
    return np.ascontiguousarray(_as_numeric(x, name, False), dtype=np.float64)


def real_copy(x: Any, name: str = "x") -> np.ndarray:
    """A fresh C-contiguous float64 copy of x, for routines that work in place."""
    if _vector_of(x, _FLOAT64):
        return x.copy()
    return np.array(_as_numeric(x, name, False), dtype=np.float64, order="C", copy=True)


def complex_copy(x: Any, name: str = "x") -> np.ndarray:
    """A fresh C-contiguous complex128 copy of x."""
    if _vector_of(x, _COMPLEX128):
        return x.copy()
    return np.array(_as_numeric(x, name, True), dtype=np.complex128, order="C", copy=True)


def complex_from_real(x: Any, name: str = "x") -> np.ndarray:
    """A fresh C-contiguous complex128 array whose real parts are x (real)
    and imaginary parts zero."""
    return (x if _vector_of(x, _FLOAT64) else real_view(x, name)).astype(_COMPLEX128)


def complex_view(x: Any, name: str = "x") -> np.ndarray:
    """x as a one-dimensional complex128 array, any strides; no copy when it
    already is one. For wrappers that only read it through numpy."""
    if _vector_of(x, _COMPLEX128):
        return x
    return np.asarray(_as_numeric(x, name, True), dtype=np.complex128)


def in_place(x: Any, dtype: Any) -> bool:
    """True when x can be overwritten as it is: a writeable, C-contiguous,
    one-dimensional array of exactly dtype."""
    return (isinstance(x, np.ndarray) and x.dtype == dtype and x.ndim == 1
            and x.flags.c_contiguous and x.flags.writeable and x.size <= INT32_MAX)


def count(n: Any, name: str = "n") -> int:
    """A sample count as a Python int that fits int32."""
    if isinstance(n, (bool, np.bool_)) or not isinstance(n, (int, np.integer)):
        raise TypeError(f"{name} must be an integer, got {type(n).__name__}")
    n = int(n)
    if n > INT32_MAX:
        raise ValueError(f"{name} = {n} does not fit the library's int32 counts")
    return n
