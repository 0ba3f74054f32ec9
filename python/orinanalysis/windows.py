"""Window functions.

Window names follow scipy.signal.get_window; the cosine-sum windows, the
Kaiser and the triangle windows are the periodic (DFT-even) forms, symmetric
about n/2, as scipy's default ``fftbins=True``.
"""
from __future__ import annotations

from typing import Any, Dict, Sequence, Tuple, Union

import numpy as np

from . import lowlevel
from ._arrays import complex_copy, count, real_copy
from ._fast import address, bind
from .errors import check

__all__ = ["get_window", "apply_window", "COSINE_WINDOWS"]

#: Coefficients a[k] of the cosine-sum windows w = sum (-1)^k a[k] cos(2 pi k i / n).
COSINE_WINDOWS: Dict[str, Tuple[float, ...]] = {
    "rectangular": (1.0,),
    "hann": (0.5, 0.5),
    "hamming": (0.54, 0.46),
    "blackman": (0.42, 0.5, 0.08),
    "exact_blackman": (7938 / 18608, 9240 / 18608, 1430 / 18608),
    "blackmanharris": (0.35875, 0.48829, 0.14128, 0.01168),
    # Flat top of scipy.signal.windows.flattop (D'Antona and Ferrero).
    "flattop": (0.21557895, 0.41663158, 0.277263158, 0.083578947, 0.006947368),
}

# The same as arrays, made once.
_COEFFICIENTS = {name: np.array(a) for name, a in COSINE_WINDOWS.items()}

_ALIASES = {"boxcar": "rectangular", "hanning": "hann", "blackman-harris": "blackmanharris",
            "triang": "triangle", "bartlett": "triangle"}

WindowSpec = Union[str, Tuple[str, Any]]


def _parse(window: WindowSpec) -> Tuple[str, Any]:
    if isinstance(window, str):
        name, param = window, None
    elif isinstance(window, tuple) and len(window) == 2 and isinstance(window[0], str):
        name, param = window
    else:
        raise TypeError(f"a window is a name or a (name, parameter) pair, not {window!r}")
    name = name.lower()
    return _ALIASES.get(name, name), param


def _apply(data: np.ndarray, window: WindowSpec) -> np.ndarray:
    name, param = _parse(window)
    cx = data.dtype.kind == "c"
    n = len(data)
    coeffs = _COEFFICIENTS.get(name)
    if coeffs is not None or name == "general_cosine":
        if coeffs is None:
            coeffs = np.ascontiguousarray(param, dtype=np.float64)
        if coeffs.ndim != 1:
            raise ValueError("general_cosine takes a sequence of coefficients")
        routine = "CxGenCosWin" if cx else "GenCosWin"
        check(routine, bind(routine)(address(data), n, address(coeffs), len(coeffs), 0))
        return data
    if cx:
        # The remaining windows are real-only routines: weight both parts.
        weights = _apply(_ones(n), window)
        data *= weights
        return data
    if name == "kaiser":
        if param is None:
            raise ValueError("the kaiser window needs its beta: ('kaiser', beta)")
        check("KsrWin", lowlevel.KsrWin(data, n, float(param)))
    elif name == "triangle":
        check("TriWin", lowlevel.TriWin(data, n))
    elif name == "exponential":
        if param is None:
            raise ValueError("the exponential window needs its final value: ('exponential', final)")
        check("ExpWin", lowlevel.ExpWin(data, n, float(param)))
    elif name == "force":
        if param is None:
            raise ValueError("the force window needs its duty in percent: ('force', duty)")
        check("ForceWin", lowlevel.ForceWin(data, n, float(param)))
    elif name == "cosine_tapered":
        check("CosTaperedWin", lowlevel.CosTaperedWin(data, n))
    else:
        known = sorted(set(COSINE_WINDOWS) | {"general_cosine", "kaiser", "triangle", "exponential", "force",
                                                "cosine_tapered"})
        raise ValueError(f"unknown window {name!r}; known: {', '.join(known)}")
    return data


def apply_window(x: Any, window: WindowSpec) -> np.ndarray:
    """A windowed copy of a real or complex signal.

    Args:
        x: the samples.
        window: a name (``"hann"``, ``"hamming"``, ``"blackman"``,
            ``"exact_blackman"``, ``"blackmanharris"``, ``"flattop"``,
            ``"rectangular"``, ``"triangle"``, ``"cosine_tapered"``) or a pair
            with its parameter: ``("kaiser", beta)``, ``("exponential",
            final_value)``, ``("force", duty_percent)``,
            ``("general_cosine", coefficients)``.

    Returns:
        float64 or complex128 array, x times the window.

    Raises:
        OrinError: the window's own checks (too few samples -20006 or
            -20003, a final value <= 0 -20027).
        ValueError: an unknown window or a missing parameter.
    """
    arr = np.asarray(x)
    data = complex_copy(arr) if arr.dtype.kind == "c" else real_copy(arr)
    return _apply(data, window)


def get_window(window: WindowSpec, n: int) -> np.ndarray:
    """The n weights of a window (see :func:`apply_window` for the names)."""
    return _apply(_ones(count(n)), window)


def _ones(n: int) -> np.ndarray:
    """np.ones(n) at a sixth of its cost (np.ones is written in Python)."""
    a = np.empty(n)
    a.fill(1.0)
    return a


