"""Least-squares fits: a straight line, an exponential, general linear
least squares with weights and covariance, and the Levenberg-Marquardt step."""
from __future__ import annotations

from typing import Any, Optional, Tuple, Union

import numpy as np

from . import lowlevel
from ._arrays import real_view
from .errors import OrinError, check

__all__ = ["linear_fit", "exponential_fit", "general_linear_fit", "lm_step"]


def _pair(routine: str, x: Any, y: Any) -> Tuple[float, float]:
    xs, ys = real_view(x), real_view(y, "y")
    if len(xs) != len(ys):
        raise ValueError(f"x and y differ in length ({len(xs)} and {len(ys)})")
    p, q = np.zeros(1), np.zeros(1)
    check(routine, lowlevel.call(routine, xs, ys, len(xs), p, q))
    return float(p[0]), float(q[0])


def linear_fit(x: Any, y: Any) -> Tuple[float, float]:
    """Least-squares line ``y = slope * x + intercept``.

    Returns:
        ``(slope, intercept)``; not finite when every x is equal.

    Raises:
        OrinError: -20006 for fewer than 2 points.
        ValueError: x and y differ in length.
    """
    return _pair("LinFitCoef", x, y)


def exponential_fit(x: Any, y: Any) -> Tuple[float, float]:
    """Least-squares exponential ``y = amplitude * exp(damping * x)``, the
    line through ``(x, ln |y|)``.

    Returns:
        ``(amplitude, damping)``.

    Raises:
        OrinError: -20006 (fewer than 2 points), -20036 (y not all of one
            strict sign).
    """
    return _pair("ExpFitCoef", x, y)


_LS_METHODS = {"svd": 0, "givens": 1, "fast_givens": 2, "householder": 3, "lu": 4, "cholesky": 5}


def general_linear_fit(H: Any, y: Any, sigma: Optional[Any] = None, method: str = "householder",
                       covariance: bool = True) -> Union[np.ndarray, Tuple[np.ndarray, np.ndarray]]:
    """General linear least squares: the coefficients a minimising
    ``||W (H a - y)||``, W = diag(1/sigma).

    Args:
        H: observation matrix, n x k (one row per sample, one column per
            basis function), n >= k, k <= 90.
        y: n observations.
        sigma: n standard deviations (None: unweighted).
        method: ``"householder"`` (default: the most accurate; on the NIST
            Longley data about 14 correct digits), ``"givens"``,
            ``"fast_givens"``, ``"svd"`` (minimum-norm for rank-deficient
            H), ``"lu"`` or ``"cholesky"`` (normal equations: fast, but they
            square the condition number).
        covariance: also return ``(H^T W^2 H)^+``, k x k.

    Returns:
        the coefficients, or ``(coefficients, covariance)``.

    Raises:
        OrinError: -20037 (fewer points than coefficients), -20021 (k outside
            1..90), -20041 (singular normal equations), -20002 (sigma or y of
            another length).

    Library: ``GenLSFitCoef``.
    """
    try:
        algorithm = _LS_METHODS[method]
    except KeyError:
        raise ValueError(f"method must be one of {', '.join(_LS_METHODS)}, not {method!r}") from None
    h = np.array(H, dtype=np.float64, order="C", copy=True)
    if h.ndim != 2:
        raise ValueError(f"H must be two-dimensional, got shape {h.shape}")
    n, k = h.shape
    ys = real_view(y, "y")
    s = None if sigma is None else real_view(sigma, "sigma")
    if len(ys) != n or (s is not None and len(s) != n):
        raise OrinError("GenLSFitCoef", -20002, f"H has {n} rows, y {len(ys)}"
                        + ("" if s is None else f", sigma {len(s)}"))
    coef = np.zeros(max(k, 0))
    cov = np.zeros((k, k)) if covariance else None
    check("GenLSFitCoef", lowlevel.GenLSFitCoef(h, n, k, ys, s, coef, cov, algorithm))
    return (coef, cov) if covariance else coef


def lm_step(alpha: Any, beta: Any, coef: Any, lam: float) -> np.ndarray:
    """One Levenberg-Marquardt step: ``coef + delta`` with
    ``(alpha + diag(alpha_ii lam + lam)) delta = beta``, solved through a
    Cholesky-like R^T R factorisation (alpha must make the system positive
    definite).

    Args:
        alpha: k x k curvature matrix (J^T W J).
        beta: k gradient terms (J^T W r).
        coef: the k current coefficients.
        lam: the damping.

    Returns:
        the new coefficients.

    Library: ``GetNewCoef``.
    """
    c = np.array(real_view(coef, "coef"), dtype=np.float64, copy=True)
    k = len(c)
    a = np.ascontiguousarray(alpha, dtype=np.float64)
    b = real_view(beta, "beta")
    if a.shape != (k, k) or len(b) != k:
        raise OrinError("GetNewCoef", -20003, f"alpha {a.shape}, beta {len(b)}, coef {k}")
    check("GetNewCoef", lowlevel.GetNewCoef(a, b, k, float(lam), c))
    return c
