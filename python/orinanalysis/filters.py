"""IIR filter design (cascaded sections) and streaming filtering.

Every design maps an analogue prototype to the z-plane by the bilinear
transform with pre-warped band edges, and returns a cascade of second-order
sections (lowpass, highpass) or fourth-order sections (bandpass, bandstop).
Frequencies are in hertz (any one unit, the same for ``fs`` and the edges).
"""
from __future__ import annotations

import ctypes
import threading
from dataclasses import dataclass
from typing import Any, Optional, Sequence, Tuple, Union

import numpy as np

from . import lowlevel
from ._arrays import real_view
from ._fast import address, bind
from .errors import check

__all__ = ["Sections", "butter", "bessel", "cheby1", "cheby2", "ellip", "IIRFilter", "sosfilt"]

_BTYPES = {"lowpass": 0, "low": 0, "highpass": 1, "high": 1, "bandpass": 2, "band": 2, "bandstop": 3, "stop": 3}
_BNAMES = ("lowpass", "highpass", "bandpass", "bandstop")

Cutoff = Union[float, Tuple[float, float], Sequence[float]]


@dataclass(frozen=True)
class Sections:
    """A cascade of IIR sections, section 0 applied first.

    Attributes:
        a: feedback coefficients, shape (S, m): ``a1 .. am`` per section
            (``a0 = 1`` is implied); m is 2 or 4.
        b: feed-forward coefficients, shape (S, m + 1): ``b0 .. bm``.
        btype: ``"lowpass"``, ``"highpass"``, ``"bandpass"`` or ``"bandstop"``.
        order: the prototype order.
    """

    a: np.ndarray
    b: np.ndarray
    btype: str
    order: int

    @property
    def section_order(self) -> int:
        """2 for second-order sections, 4 for fourth-order ones."""
        return self.a.shape[1]

    @property
    def sos(self) -> np.ndarray:
        """Second-order sections in scipy's layout, rows ``[b0 b1 b2 1 a1 a2]``
        (lowpass and highpass designs only).

        Raises:
            ValueError: the cascade is of fourth-order sections.
        """
        if self.section_order != 2:
            raise ValueError("a band design is a cascade of fourth-order sections; use a and b")
        return np.hstack([self.b, np.ones((len(self.a), 1)), self.a])

    def frequency_response(self, f: Any, fs: float) -> np.ndarray:
        """Complex response ``H(exp(2 pi i f / fs))`` of the cascade at the
        frequencies ``f`` (hertz), evaluated from the coefficients."""
        z1 = np.exp(-2j * np.pi * np.asarray(f, dtype=np.float64) / fs)
        h = np.ones_like(z1)
        m = self.section_order
        for a, b in zip(self.a, self.b):
            num = sum(b[k] * z1**k for k in range(m + 1))
            den = 1 + sum(a[k - 1] * z1**k for k in range(1, m + 1))
            h = h * num / den
        return h


def _scalar(v: float) -> np.ndarray:
    return np.array([v], dtype=np.float64)


def _design(routine: str, extra: Sequence[float], order: int, cutoff: Cutoff, fs: float, btype: str) -> Sections:
    try:
        code = _BTYPES[btype.lower()]
    except (KeyError, AttributeError):
        raise ValueError(f"btype must be one of {', '.join(_BNAMES)}, not {btype!r}") from None
    edges = np.atleast_1d(np.asarray(cutoff, dtype=np.float64))
    if code < 2:
        if edges.size != 1:
            raise ValueError(f"a {_BNAMES[code]} design takes one cut-off frequency, got {edges.size}")
        fl, fh = float(edges[0]), 0.0
    else:
        if edges.size != 2:
            raise ValueError(f"a {_BNAMES[code]} design takes (low, high) edge frequencies")
        fl, fh = float(edges[0]), float(edges[1])
    if isinstance(order, (bool, np.bool_)) or not isinstance(order, (int, np.integer)):
        raise TypeError(f"order must be an integer, got {type(order).__name__}")
    if not -2**31 <= order < 2**31:
        raise ValueError(f"order {order} does not fit int32")
    with lowlevel.HostArray("double") as ha, lowlevel.HostArray("double") as hb:
        error = np.zeros(1, dtype=np.int32)
        args = [_scalar(fs), _scalar(fl), _scalar(fh), *(_scalar(v) for v in extra),
                np.array([order], dtype=np.int32), np.array([code], dtype=np.int32), ha, hb, error]
        status = lowlevel.call(routine, *args)
        check(routine, int(error[0]) or status)
        m = 2 if code < 2 else 4
        a, b = ha.to_numpy(), hb.to_numpy()
    return Sections(a.reshape(-1, m), b.reshape(-1, m + 1), _BNAMES[code], int(order))


def butter(order: int, cutoff: Cutoff, fs: float, btype: str = "lowpass") -> Sections:
    """Butterworth design: maximally flat, ``|H| = 1/sqrt(2)`` at every edge.

    Args:
        order: prototype order, at least 1.
        cutoff: cut-off frequency (lowpass, highpass) or ``(low, high)``
            edges (bandpass, bandstop), in the unit of fs, at most fs/2.
        fs: sampling frequency.
        btype: ``"lowpass"``, ``"highpass"``, ``"bandpass"`` or ``"bandstop"``.

    Raises:
        OrinError: -20021 (order < 1), -20023 (a frequency not positive, or
            low >= high), -20020 (an edge above fs/2).
    """
    return _design("BWCoefs", (), order, cutoff, fs, btype)


def bessel(order: int, cutoff: Cutoff, fs: float, btype: str = "lowpass") -> Sections:
    """Bessel-type design (equal-spaced prototype poles on the unit circle);
    arguments and errors as :func:`butter`."""
    return _design("BesselCoefs", (), order, cutoff, fs, btype)


def cheby1(order: int, ripple_db: float, cutoff: Cutoff, fs: float, btype: str = "lowpass") -> Sections:
    """Chebyshev design with ``ripple_db`` dB of pass-band ripple, reached at
    the edges. Extra error: -20024 for a ripple that is not positive."""
    return _design("ChebyshevCoefs", (ripple_db,), order, cutoff, fs, btype)


def cheby2(order: int, attenuation_db: float, cutoff: Cutoff, fs: float, btype: str = "lowpass") -> Sections:
    """Inverse Chebyshev design: flat pass band, stop band ``attenuation_db``
    dB down from the edges (which are stop-band edges). Extra error: -20025."""
    return _design("InvChebyshevCoefs", (attenuation_db,), order, cutoff, fs, btype)


def ellip(order: int, ripple_db: float, attenuation_db: float, cutoff: Cutoff, fs: float,
          btype: str = "lowpass") -> Sections:
    """Elliptic design: ``ripple_db`` dB pass-band ripple (reached at the
    edges), ``attenuation_db`` dB stop band. Extra errors: -20024, -20025,
    -20028 (attenuation not above the ripple)."""
    return _design("EllipticCoefs", (ripple_db, attenuation_db), order, cutoff, fs, btype)


class IIRFilter:
    """A streaming cascade filter whose state carries over between calls, so
    a signal filtered block by block gives the same samples as in one piece.

    Args:
        sections: a design from :func:`butter`, :func:`ellip` ...
        zi: initial state, shape (S, m) (default zeros): ``zi[k]`` holds the
            m most recent intermediate values of section k's direct form II,
            newest first.

    One object may be shared between threads; its calls run one at a time.
    """

    def __init__(self, sections: Sections, zi: Optional[Any] = None) -> None:
        self.sections = sections
        self._a = np.ascontiguousarray(sections.a, dtype=np.float64).ravel().copy()
        self._b = np.ascontiguousarray(sections.b, dtype=np.float64).ravel().copy()
        self._state = np.zeros_like(self._a)
        self._info = _cascade(sections, self._state, self._a, self._b)
        self._lock = threading.Lock()
        if zi is not None:
            self.zi = zi

    @property
    def zi(self) -> np.ndarray:
        """A copy of the state, shape (S, m)."""
        with self._lock:
            return self._state.reshape(self.sections.a.shape).copy()

    @zi.setter
    def zi(self, value: Any) -> None:
        v = np.asarray(value, dtype=np.float64)
        if v.size != self._state.size:
            raise ValueError(f"the state has {self._state.size} values (shape {self.sections.a.shape}), got {v.size}")
        with self._lock:
            self._state[:] = v.ravel()

    def reset(self) -> None:
        """Clears the state, as for a new signal."""
        with self._lock:
            self._state[:] = 0.0

    def filter(self, x: Any) -> np.ndarray:
        """Filters the next block of samples.

        Args:
            x: real samples (at least 1).

        Returns:
            float64 array of the filtered block.

        Raises:
            OrinError: -20003 (an empty block), -20999 (inconsistent sections).
        """
        x = real_view(x)
        y = np.empty(len(x))
        with self._lock:
            check("IIR_Filtering2", bind("IIR_Filtering2")(address(x), len(x), ctypes.addressof(self._info),
                                                          address(y)))
        return y

    __call__ = filter


def sosfilt(sections: Sections, x: Any, zi: Optional[Any] = None) -> Union[np.ndarray, Tuple[np.ndarray, np.ndarray]]:
    """Filters x through the cascade (scipy.signal.sosfilt-like).

    Args:
        sections: the design.
        x: real samples.
        zi: initial state (see :class:`IIRFilter`), or None for zeros.

    Returns:
        y, or ``(y, zf)`` with the final state when zi is given.
    """
    if zi is not None:
        f = IIRFilter(sections, zi)
        return f.filter(x), f.zi
    # One call, one state: no filter object, the coefficients read in place.
    x = real_view(x)
    y = np.empty(len(x))
    info = _cascade(sections, np.zeros(sections.a.size))
    check("IIR_Filtering2", bind("IIR_Filtering2")(address(x), len(x), ctypes.addressof(info), address(y)))
    return y


class _Cascade(ctypes.Structure):
    """IIRFilterInfo with its pointers as plain addresses (the same layout),
    cheap to fill from arrays; it holds the arrays it points into."""
    _fields_ = [(name, ctypes.c_void_p if isinstance(kind(), ctypes._Pointer) else kind)
                for name, kind in lowlevel.IIRFilterInfo._fields_]


def _cascade(sections: Sections, state: np.ndarray, a: Optional[np.ndarray] = None,
             b: Optional[np.ndarray] = None) -> _Cascade:
    """The coefficient and state block of the cascade filter for sections;
    a and b default to the sections' own coefficients when they are already
    contiguous float64 (they are only read)."""
    a = np.ascontiguousarray(sections.a, dtype=np.float64) if a is None else a
    b = np.ascontiguousarray(sections.b, dtype=np.float64) if b is None else b
    info = _Cascade(_BTYPES[sections.btype], sections.order, 0, a.size, address(a), b.size, address(b),
                    state.size, address(state))
    info.keep = (a, b, state)
    return info
