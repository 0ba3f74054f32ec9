"""Array operations: polar and rectangular forms, normalisation and scaling.

One- and two-dimensional real arrays are accepted; a 2D array is treated as
its elements in row-major order and comes back in its shape. Degenerate data
(a constant array, a zero vector) are not errors: they give infinite or NaN
results, as the division does.
"""
from __future__ import annotations

from typing import Any, Tuple

import numpy as np

from . import lowlevel
from ._arrays import INT32_MAX
from .errors import check

__all__ = ["to_polar", "to_rect", "normalize", "scale", "scale_by_max", "unit_vector"]


def _real(x: Any, name: str = "x") -> np.ndarray:
    arr = np.asarray(x)
    if arr.dtype.kind == "c":
        raise TypeError(f"{name} must be real, got a {arr.dtype} array")
    if arr.ndim not in (1, 2):
        raise ValueError(f"{name} must be one- or two-dimensional, got shape {arr.shape}")
    if arr.size > INT32_MAX:
        raise ValueError(f"{name} has {arr.size} elements, more than the library's int32 counts allow")
    return np.array(arr, dtype=np.float64, order="C", copy=True)


def _pair(routine: str, a: Any, b: Any) -> Tuple[np.ndarray, np.ndarray]:
    x, y = np.broadcast_arrays(np.asarray(a, dtype=np.float64), np.asarray(b, dtype=np.float64))
    shape = x.shape
    p, q = np.ascontiguousarray(x.ravel()).copy(), np.ascontiguousarray(y.ravel()).copy()
    check(routine, lowlevel.call(routine, p, q, len(p), p, q))
    return p.reshape(shape), q.reshape(shape)


def to_polar(z: Any, im: Any = None) -> Tuple[np.ndarray, np.ndarray]:
    """Magnitudes and phases (``atan2``, in (-pi, pi]) of complex values, or
    of real parts ``z`` and imaginary parts ``im`` (numpy's abs and angle).
    The magnitude is formed without spurious overflow.

    Raises:
        OrinError: -20003 (no values).

    Library: ``ToPolar1D``.
    """
    if im is None:
        c = np.asarray(z)
        re, im = c.real, (c.imag if c.dtype.kind == "c" else np.zeros(c.shape))
    else:
        re = z
    return _pair("ToPolar1D", re, im)


def to_rect(magnitude: Any, phase: Any) -> np.ndarray:
    """Complex values ``magnitude * exp(1j * phase)``.

    Raises:
        OrinError: -20003 (no values).

    Library: ``ToRect1D``.
    """
    re, im = _pair("ToRect1D", magnitude, phase)
    return re + 1j * im


def _by_shape(routine1: str, routine2: str, x: Any, nscalars: int):
    data = _real(x)
    outs = [np.zeros(1) for _ in range(nscalars)]
    if data.ndim == 1:
        check(routine1, lowlevel.call(routine1, data, len(data), data, *outs))
    else:
        check(routine2, lowlevel.call(routine2, data, data.shape[0], data.shape[1], data, *outs))
    return (data, *(float(o[0]) for o in outs))


def normalize(x: Any) -> Tuple[np.ndarray, float, float]:
    """``(x - mean) / sd`` with the population standard deviation (the
    z-score, scipy.stats.zscore with ddof 0).

    Returns:
        ``(normalised, mean, sd)``.

    Raises:
        OrinError: -20003 (no values).

    Library: ``Normal1D``, ``Normal2D``.
    """
    return _by_shape("Normal1D", "Normal2D", x, 2)


def scale(x: Any) -> Tuple[np.ndarray, float, float]:
    """Maps the range of x onto [-1, 1]: ``(x - offset) / factor`` with
    ``factor = (max - min)/2`` and ``offset = min + factor``.

    Returns:
        ``(scaled, offset, factor)``.

    Library: ``Scale1D``, ``Scale2D``.
    """
    return _by_shape("Scale1D", "Scale2D", x, 2)


def scale_by_max(x: Any) -> Tuple[np.ndarray, float]:
    """``x / max|x|`` (an all-zero array gives NaN).

    Returns:
        ``(scaled, max|x|)``.

    Library: ``QScale1D``, ``QScale2D``.
    """
    return _by_shape("QScale1D", "QScale2D", x, 1)


def unit_vector(x: Any) -> Tuple[np.ndarray, float]:
    """``x / ||x||`` with the Euclidean norm summed in extended precision.

    Returns:
        ``(unit, norm)``.

    Library: ``UnitVector``.
    """
    data = _real(x).ravel()
    out = np.zeros(1)
    check("UnitVector", lowlevel.UnitVector(data, len(data), out))
    return data.reshape(np.shape(x)), float(out[0])
