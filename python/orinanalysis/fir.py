"""FIR design (equiripple, truncated ideal, narrow-band interpolated),
convolution, correlation, deconvolution and the median filter.

Frequencies are in the unit of ``fs`` (hertz when fs is).
"""
from __future__ import annotations

import ctypes
from dataclasses import dataclass
from typing import Any, Optional, Sequence, Tuple, Union

import numpy as np

from . import _library, lowlevel
from ._arrays import count, real_view
from .errors import OrinError, check
from .windows import get_window

__all__ = ["remez", "firwin", "NarrowbandFIR", "narrowband", "convolve", "correlate", "deconvolve", "medfilt"]

_REMEZ_TYPES = {"bandpass": 1, "differentiator": 2, "hilbert": 3}


def remez(numtaps: int, bands: Sequence[float], desired: Sequence[float], *, weight: Optional[Sequence[float]] = None,
          type: str = "bandpass", maxiter: int = 100, fs: float = 1.0,
          full_output: bool = False) -> Union[np.ndarray, Tuple[np.ndarray, float]]:
    """Equiripple (minimax) linear-phase FIR design by the Parks-McClellan
    exchange (scipy.signal.remez), on a grid of 16 points per extremal.

    Args:
        numtaps: filter length, at least 3.
        bands: band edges, 2 per band, increasing, from 0 to ``fs/2`` for
            ``"bandpass"`` (the last within 0.001 of fs/2) and
            ``"differentiator"``; a Hilbert transformer's first edge lies above 0.
        desired: one gain per band (the slope, gain per unit of f/fs, for a
            differentiator).
        weight: one positive weight per band (default ones).
        type: ``"bandpass"`` (symmetric taps), ``"differentiator"`` or
            ``"hilbert"`` (antisymmetric taps).
        maxiter: exchange iterations allowed (scipy's default is 25).
        fs: sampling frequency.
        full_output: also return the largest weighted error on the grid.

    Returns:
        the taps, or ``(taps, deviation)``.

    Raises:
        OrinError: -20031 (bands that admit no design, or the exchange did not
            settle), -20023 (edges not increasing, negative gain, weight not
            positive), -20020 (an edge above fs/2), -20033 (a bandpass design
            with an even length whose last band is not a stop band), -20061.

    Library: ``Equi_Ripple_Iter``.
    """
    try:
        kind = _REMEZ_TYPES[type]
    except KeyError:
        raise ValueError(f"type must be one of {', '.join(_REMEZ_TYPES)}, not {type!r}") from None
    edges = real_view(np.asarray(bands, dtype=np.float64).ravel(), "bands")
    gains = real_view(np.asarray(desired, dtype=np.float64).ravel(), "desired")
    nb = len(gains)
    if len(edges) != 2 * nb:
        raise ValueError(f"bands needs 2 edges per band: {len(edges)} edges for {nb} gains")
    w = real_view(np.ones(nb) if weight is None else np.asarray(weight, dtype=np.float64).ravel(), "weight")
    if len(w) != nb:
        raise ValueError(f"weight needs one value per band, got {len(w)} for {nb}")
    n = count(numtaps, "numtaps")
    h = np.zeros(max(n, 0))
    dev = np.zeros(1)
    check("Equi_Ripple_Iter", lowlevel.Equi_Ripple_Iter(nb, gains, w, float(fs), edges, kind, n, h, dev,
                                                         count(maxiter, "maxiter")))
    return (h, float(dev[0])) if full_output else h


def _pass_zero_type(pass_zero: Union[bool, str], nedges: int) -> int:
    names = {"lowpass": 0, "highpass": 1, "bandpass": 2, "bandstop": 3}
    if isinstance(pass_zero, str):
        try:
            code = names[pass_zero]
        except KeyError:
            raise ValueError(f"pass_zero must be a bool or one of {', '.join(names)}, not {pass_zero!r}") from None
        if (code < 2) != (nedges == 1):
            raise ValueError(f"a {pass_zero} design takes {'one cut-off' if code < 2 else 'two edges'}")
        return code
    if nedges == 1:
        return 0 if pass_zero else 1
    return 3 if pass_zero else 2


def firwin(numtaps: int, cutoff: Union[float, Sequence[float]], *, window: Any = "hamming",
           pass_zero: Union[bool, str] = True, scale: bool = True, fs: float = 2.0) -> np.ndarray:
    """Windowed truncated-ideal FIR design (scipy.signal.firwin, one or two
    edges).

    The taps are the ideal impulse response at ``t = k - (numtaps-1)/2``,
    times the symmetric form of ``window`` (``"boxcar"`` for the bare
    truncated response); with ``scale`` the gain is normalised to 1 at 0
    (lowpass, bandstop), at fs/2 (highpass) or at the pass band's centre.

    Args:
        numtaps: length, odd for highpass and bandstop.
        cutoff: one cut-off, or (low, high) edges, in the unit of fs.
        window: a name or (name, parameter) of :func:`get_window`.
        pass_zero: True/"lowpass"/"bandstop" or False/"highpass"/"bandpass".
        scale: normalise the pass-band gain.
        fs: sampling frequency (scipy's default 2: edges relative to Nyquist).

    Raises:
        OrinError: -20021 (numtaps < 1), -20020 (an edge above fs/2), -20023
            (an edge not positive, or low >= high), -20033 (even length for
            highpass or bandstop).

    Library: ``FIR_Coef``; the window from the window routines.
    """
    edges = np.atleast_1d(np.asarray(cutoff, dtype=np.float64)).ravel()
    if edges.size not in (1, 2):
        raise ValueError(f"firwin takes one cut-off or two edges, got {edges.size}")
    code = _pass_zero_type(pass_zero, edges.size)
    fl = float(edges[0])
    fh = float(edges[1]) if edges.size == 2 else 0.0
    n = count(numtaps, "numtaps")
    h = np.zeros(max(n, 0))
    check("FIR_Coef", lowlevel.FIR_Coef(code, float(fs), fl, fh, n, h))
    # Symmetric window of n points: the periodic window of n - 1, closed.
    w = np.ones(1) if n == 1 else np.append(win := get_window(window, n - 1), win[0])
    h *= w
    if scale:
        f0 = {0: 0.0, 3: 0.0, 1: fs / 2, 2: (fl + fh) / 2}[code]
        t = np.arange(n) - (n - 1) / 2
        h /= np.sum(h * np.cos(2 * np.pi * f0 / fs * t))
    return h


# ---- Narrow-band interpolated FIR ---------------------------------------------

class _Design(ctypes.Structure):
    _fields_ = [("kind", ctypes.c_int32), ("M", ctypes.c_int32), ("modelCount", ctypes.c_int32),
                ("model", ctypes.POINTER(ctypes.c_double)), ("imageCount", ctypes.c_int32),
                ("image", ctypes.POINTER(ctypes.c_double))]


_NARROW_TYPES = {"lowpass": 0, "highpass": 1, "bandpass": 2, "bandstop": 3}


@dataclass(frozen=True)
class NarrowbandFIR:
    """A narrow-band interpolated FIR: a model filter with ``M - 1`` zeros
    between its taps, followed by an image filter (none when M is 1).

    Attributes:
        kind: the cascade's kind code (0 lowpass .. 5 wide highpass).
        M: interpolation factor.
        model, image: the taps of both stages.
    """

    kind: int
    M: int
    model: np.ndarray
    image: np.ndarray

    def filter(self, x: Any) -> np.ndarray:
        """The full convolution of x with the cascade:
        ``n + (len(model)-1) M + len(image) - 1`` samples.

        Library: ``FIRNarrowBandFilter``."""
        data = real_view(x)
        n = len(data)
        extra = (len(self.model) - 1) * self.M + (len(self.image) - 1 if self.M > 1 else 0)
        y = np.zeros(max(n + extra, 0))
        check("FIRNarrowBandFilter", lowlevel.FIRNarrowBandFilter(
            data, n, self.kind, self.M, len(self.model), self.model, len(self.image), self.image, y))
        return y

    __call__ = filter


def narrowband(fs: float, passband: float, stopband: float, *, btype: str = "lowpass", fc: float = 0.0,
               ripple: float = 0.01, attenuation_db: float = 60.0) -> NarrowbandFIR:
    """Designs a narrow-band interpolated FIR filter (both stages equiripple,
    each lengthened by 5 % until its deviation is at most ripple/2).

    Args:
        fs: sampling frequency.
        passband, stopband: lowpass/highpass: the pass and stop edges;
            bandpass/bandstop: the pass-band and stop-band widths, centred
            on fc.
        btype: ``"lowpass"``, ``"highpass"``, ``"bandpass"``, ``"bandstop"``.
        fc: centre frequency of a band design.
        ripple: pass-band deviation (linear).
        attenuation_db: stop-band attenuation in dB.

    Raises:
        OrinError: -20031 (edges out of order or beyond fs/2, a stage longer
            than 500 taps, a parameter not positive) and the equiripple codes.

    Library: ``FIRNarrowCoef``, ``FreeFIRNarrowMem``.
    """
    try:
        code = _NARROW_TYPES[btype]
    except KeyError:
        raise ValueError(f"btype must be one of {', '.join(_NARROW_TYPES)}, not {btype!r}") from None
    design = ctypes.POINTER(_Design)()
    with _library.quiet_trace():
        status = lowlevel.FIRNarrowCoef(float(fs), float(passband), float(stopband), float(fc), float(ripple),
                                        float(attenuation_db), code, ctypes.byref(design))
    try:
        check("FIRNarrowCoef", status)
        d = design.contents
        model = np.ctypeslib.as_array(d.model, (d.modelCount,)).copy() if d.modelCount else np.zeros(0)
        image = np.ctypeslib.as_array(d.image, (d.imageCount,)).copy() if d.imageCount else np.zeros(0)
        return NarrowbandFIR(int(d.kind), int(d.M), model, image)
    finally:
        if design:
            lowlevel.FreeFIRNarrowMem(ctypes.byref(design), 0)


# ---- Convolution, correlation, deconvolution, median ------------------------------

def _mode_slice(full: np.ndarray, n1: int, n2: int, mode: str) -> np.ndarray:
    if mode == "full":
        return full
    longer, shorter = max(n1, n2), min(n1, n2)
    if mode == "same":
        start = (shorter - 1) // 2
        return full[start:start + longer].copy()
    if mode == "valid":
        return full[shorter - 1:longer].copy()
    raise ValueError(f"mode must be 'full', 'same' or 'valid', not {mode!r}")


def convolve(a: Any, v: Any, mode: str = "full") -> np.ndarray:
    """Linear convolution of two real sequences (numpy.convolve).

    The direct sum (each output in extended precision) while it is not much
    dearer than an FFT, the product of real FFTs beyond.

    Args:
        a, v: real sequences of at least 1 sample.
        mode: ``"full"`` (n1+n2-1), ``"same"`` (max(n1, n2)), ``"valid"``
            (max - min + 1), as numpy.

    Raises:
        OrinError: -20003 (an empty sequence).

    Library: ``Convolve``.
    """
    x, y = real_view(a, "a"), real_view(v, "v")
    out = np.zeros(max(len(x) + len(y) - 1, 0))
    check("Convolve", lowlevel.Convolve(x, len(x), y, len(y), out))
    return _mode_slice(out, len(x), len(y), mode)


def correlate(a: Any, v: Any, mode: str = "valid") -> np.ndarray:
    """Cross-correlation ``c[k] = sum_n a[n + k] v[n]`` of two real sequences
    (numpy.correlate, whose default mode is ``"valid"``); in ``"full"`` mode
    element ``len(v) - 1`` is lag 0.

    Raises:
        OrinError: -20003 (an empty sequence).

    Library: ``Rxy``.
    """
    x, y = real_view(a, "a"), real_view(v, "v")
    # Rxy(x, y)[k] = sum_i x[i] y[i + k - (nx-1)]: with x = v and y = a this
    # is numpy's full correlation.
    with lowlevel.HostArray("double", y) as hx, lowlevel.HostArray("double", x) as hy, \
            lowlevel.HostArray("double") as out:
        error = np.zeros(1, dtype=np.int32)
        status = lowlevel.Rxy(hx, hy, out, np.zeros(1, dtype=np.int32), error)
        check("Rxy", int(error[0]) or status)
        full = out.to_numpy()
    return _mode_slice(full, len(x), len(y), mode)


def deconvolve(signal: Any, divisor: Any) -> Tuple[np.ndarray, np.ndarray]:
    """Deconvolution by spectral division (scipy.signal.deconvolve's return
    convention): ``quotient`` of ``len(signal) - len(divisor) + 1`` values with
    ``convolve(quotient, divisor) + remainder == signal``.

    Exact for a signal that is a convolution by divisor (to rounding); a
    divisor whose spectrum vanishes at some bin gives non-finite values.

    Raises:
        OrinError: -20008 (divisor longer than signal + 1), -20010 (a length
            outside 1..8388607, or divisor exactly one longer than signal).

    Library: ``Deconvolution``.
    """
    y, h = real_view(signal, "signal"), real_view(divisor, "divisor")
    with lowlevel.HostArray("double", y) as hy, lowlevel.HostArray("double", h) as hh:
        error = np.zeros(1, dtype=np.int32)
        status = lowlevel.Deconvolution(hy, hh, error)
        check("Deconvolution", int(error[0]) or status)
        quotient = hy.to_numpy()
    remainder = y - convolve(quotient, h) if len(quotient) else y.copy()
    return quotient, remainder


def medfilt(volume: Any, kernel_size: int = 3) -> np.ndarray:
    """Median filter over an odd window, samples beyond the ends taken as
    zeros (scipy.signal.medfilt on one-dimensional data).

    Args:
        volume: real samples.
        kernel_size: odd window length ``2 r + 1``.

    Raises:
        ValueError: an even kernel_size.
        OrinError: -20008 (the signal not longer than r).

    Library: ``MedianFilter``.
    """
    k = count(kernel_size, "kernel_size")
    if k < 1 or k % 2 == 0:
        raise ValueError(f"kernel_size must be odd and positive, got {k}")
    x = real_view(volume, "volume")
    y = np.zeros_like(x)
    check("MedianFilter", lowlevel.MedianFilter(x, len(x), k // 2, y))
    return y
