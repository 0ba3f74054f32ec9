"""Descriptive statistics; sums are kept in extended precision."""
from __future__ import annotations

from typing import Any, Tuple

import numpy as np

from . import lowlevel
from ._arrays import count, real_view
from .errors import check

__all__ = ["mean", "std", "mean_std", "median", "rms", "moment", "mse"]


def _one(routine: str, x: Any, *extra: Any) -> float:
    data = real_view(x)
    out = np.zeros(1)
    check(routine, lowlevel.call(routine, data, len(data), *extra, out))
    return float(out[0])


def mean_std(x: Any) -> Tuple[float, float]:
    """Mean and population standard deviation (divisor n).

    Raises:
        OrinError: -20003 for an empty input.
    """
    data = real_view(x)
    m, s = np.zeros(1), np.zeros(1)
    check("StdDev", lowlevel.StdDev(data, len(data), m, s))
    return float(m[0]), float(s[0])


def mean(x: Any) -> float:
    """Arithmetic mean. Raises OrinError -20003 for an empty input."""
    return mean_std(x)[0]


def std(x: Any) -> float:
    """Population standard deviation (numpy's ``std`` with ``ddof=0``).
    Raises OrinError -20003 for an empty input."""
    return mean_std(x)[1]


def median(x: Any) -> float:
    """Median (mean of the middle pair for even n); x is not reordered.
    Raises OrinError -20003 (empty) or -20001 (memory)."""
    return _one("Median", x)


def rms(x: Any) -> float:
    """Root mean square ``sqrt(sum x**2 / n)``. Raises OrinError -20003."""
    return _one("RMS", x)


def moment(x: Any, order: int) -> float:
    """Central moment ``sum (x - mean)**order / n``.
    Raises OrinError -20003 (empty), -20021 (order < 1)."""
    return _one("Moment", x, count(order, "order"))


def mse(x: Any, y: Any) -> float:
    """Mean squared difference over the shorter of x and y.
    Raises OrinError -20003 when either is empty."""
    a, b = real_view(x), real_view(y, "y")
    out = np.zeros(1)
    check("MSE", lowlevel.MSE(a, len(a), b, float(len(b)), out))
    return float(out[0])
