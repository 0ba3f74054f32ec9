"""Interpolation (polynomial, rational, cubic spline) and polynomials
(evaluation and roots), with numpy's coefficient order (highest power first)
where numpy has the function.
"""
from __future__ import annotations

from typing import Any, Tuple, Union

import numpy as np

from . import _library, lowlevel
from ._arrays import complex_copy, count, real_view
from .errors import OrinError, check

__all__ = ["poly_interp", "rational_interp", "CubicSpline", "polyval", "roots"]


def _table(x: Any, y: Any) -> Tuple[np.ndarray, np.ndarray]:
    xs, ys = real_view(x, "x"), real_view(y, "y")
    if len(xs) != len(ys):
        raise OrinError("PolyInterp", -20002, f"x has {len(xs)} points, y {len(ys)}")
    return xs, ys


def _interp(routine: str, x: Any, y: Any, xi: Any) -> Tuple[Any, Any]:
    xs, ys = _table(x, y)
    at = np.asarray(xi, dtype=np.float64)
    values, errors = np.empty(at.shape), np.empty(at.shape)
    out, err = np.zeros(1), np.zeros(1)
    fn = lowlevel.function(routine)
    with _library.quiet_trace():
        for idx in np.ndindex(at.shape):
            check(routine, fn(xs, ys, len(xs), float(at[idx]), out, err))
            values[idx], errors[idx] = out[0], err[0]
    if at.ndim == 0:
        return float(values), float(errors)
    return values, errors


def poly_interp(x: Any, y: Any, xi: Any) -> Tuple[Any, Any]:
    """The polynomial through all points (x, y), evaluated at xi by Neville's
    scheme (scipy.interpolate.BarycentricInterpolator's values).

    Returns:
        ``(values, error_estimates)`` shaped as xi (the estimate is the
        tableau's last correction).

    Raises:
        OrinError: -20003 (no points), -20049 (coinciding abscissae).

    Library: ``PolyInterp``.
    """
    return _interp("PolyInterp", x, y, xi)


def rational_interp(x: Any, y: Any, xi: Any) -> Tuple[Any, Any]:
    """The diagonal rational function through all points, at xi
    (Bulirsch-Stoer); exact at a tabulated abscissa.

    Raises:
        OrinError: -20003, -20049, -20050 (a pole at xi).

    Library: ``RatInterp``.
    """
    return _interp("RatInterp", x, y, xi)


# Spline end derivatives above this mean a natural end (zero second derivative).
_NATURAL = 1e30


class CubicSpline:
    """Interpolating cubic spline (scipy.interpolate.CubicSpline for the end
    conditions the library offers).

    Args:
        x: abscissae, strictly ascending or descending.
        y: values.
        bc_type: ``"natural"`` (zero second derivatives, the default),
            ``"clamped"`` (zero first derivatives), or a pair of end
            conditions ``((1, slope0), (1, slope1))`` / ``(2, 0.0)`` for a
            natural end, as scipy.

    Raises:
        OrinError: -20003 (no points), -20049 (equal consecutive
            abscissae), -20006 (a clamped end on one point).
        ValueError: an end condition the library does not offer (not-a-knot,
            periodic, a non-zero second derivative).

    Library: ``Spline`` (second derivatives, once), ``SpInterp`` (each value).
    """

    def __init__(self, x: Any, y: Any, bc_type: Any = "natural") -> None:
        self.x, self.y = _table(x, y)
        self.x, self.y = self.x.copy(), self.y.copy()
        ends = (self._end(bc_type[0]), self._end(bc_type[1])) if isinstance(bc_type, (tuple, list)) else \
            {"natural": (_NATURAL, _NATURAL), "clamped": (0.0, 0.0)}.get(bc_type)
        if ends is None:
            raise ValueError(f"bc_type must be 'natural', 'clamped' or a pair of end conditions, not {bc_type!r}")
        self.y2 = np.zeros(len(self.x))
        check("Spline", lowlevel.Spline(self.x, self.y, len(self.x), ends[0], ends[1], self.y2))

    @staticmethod
    def _end(cond: Any) -> float:
        if isinstance(cond, str):
            return {"natural": _NATURAL, "clamped": 0.0}[cond]
        order, value = cond
        if order == 1:
            return float(value)
        if order == 2 and value == 0:
            return _NATURAL
        raise ValueError(f"end condition {cond!r}: the spline offers a first derivative or a zero second one")

    def __call__(self, xi: Any) -> Any:
        """The spline's values at xi."""
        at = np.asarray(xi, dtype=np.float64)
        values = np.empty(at.shape)
        out = np.zeros(1)
        fn = lowlevel.function("SpInterp")
        for idx in np.ndindex(at.shape):
            check("SpInterp", fn(self.x, self.y, self.y2, len(self.x), float(at[idx]), out))
            values[idx] = out[0]
        return float(values) if at.ndim == 0 else values


def polyval(p: Any, x: Any) -> Any:
    """``p[0] x**(m-1) + ... + p[m-1]`` at real x (numpy.polyval's order).

    Raises:
        OrinError: -20003 (no coefficients or no x).

    Library: ``PolyEv1D`` (constant term first; the powers by repeated
    multiplication).
    """
    c = np.ascontiguousarray(real_view(np.ravel(p), "p")[::-1])
    at = np.asarray(x, dtype=np.float64)
    flat = np.ascontiguousarray(at.ravel())
    out = np.zeros_like(flat)
    check("PolyEv1D", lowlevel.PolyEv1D(flat, len(flat), c, len(c), out))
    return float(out[0]) if at.ndim == 0 else out.reshape(at.shape)


def roots(p: Any, restarts: int = 10) -> np.ndarray:
    """Roots of ``p[0] z**(m-1) + ... + p[m-1]`` (numpy.roots' order; leading
    zeros are dropped as numpy does), real or complex coefficients.

    Args:
        p: coefficients, highest power first.
        restarts: how often Laguerre's iteration may restart from a new point.

    Returns:
        complex128 array of the roots (zero roots for trailing zeros).

    Raises:
        OrinError: -20063 (a non-finite coefficient), -20062 (no convergence).

    Library: ``CxPolyRoots`` (Laguerre with deflation, each root polished
    against the whole polynomial).
    """
    c = complex_copy(np.ravel(p), "p")
    nz = np.flatnonzero(c)
    if len(nz) == 0:
        return np.zeros(0, dtype=np.complex128)
    c = np.ascontiguousarray(c[nz[0]:][::-1])  # constant term first
    if len(c) < 2:
        return np.zeros(0, dtype=np.complex128)
    out = np.zeros(len(c) - 1, dtype=np.complex128)
    check("CxPolyRoots", lowlevel.CxPolyRoots(c, len(c), count(restarts, "restarts"), out))
    return out
