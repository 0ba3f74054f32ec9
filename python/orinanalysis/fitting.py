"""Least-squares fits of a straight line and of an exponential."""
from __future__ import annotations

from typing import Any, Tuple

import numpy as np

from . import lowlevel
from ._arrays import real_view
from .errors import check

__all__ = ["linear_fit", "exponential_fit"]


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
