"""Fourier transforms, power and cross spectra, Hartley and Hilbert transforms.

Conventions: the forward transform is unscaled,
``X[k] = sum_t x[t] exp(-2 pi i t k / n)``; the inverse scales by ``1/n``
(as numpy.fft). Any length from 1 up works: powers of two by split radix,
others by a mixed-radix transform.
"""
from __future__ import annotations

from typing import Any, Optional

import numpy as np

from . import lowlevel
from ._arrays import complex_copy, complex_from_real, complex_view, count, in_place, real_copy
from ._fast import address, bind
from .errors import OrinError, check

__all__ = ["fft", "ifft", "rfft", "irfft", "power_spectrum", "cross_spectrum", "hilbert_transform", "fht"]


# rfft hands out a view of the transform's array up to this length (a slice
# costs a tenth of a shrinking realloc); above it the memory is given back.
_TRIM_ABOVE = 4096


def _complex_work(x: Any, overwrite_x: bool) -> np.ndarray:
    if overwrite_x and in_place(x, np.complex128):
        return x
    return complex_copy(x)


def fft(x: Any, overwrite_x: bool = False) -> np.ndarray:
    """Discrete Fourier transform of a one-dimensional sequence.

    Args:
        x: samples (real or complex), length n >= 1.
        overwrite_x: transform ``x`` itself when it is a writeable
            C-contiguous complex128 vector (no copy).

    Returns:
        complex128 array of the n bins ``X[k]``, unscaled.

    Raises:
        OrinError: -20003 for an empty input, -20001 when memory is short.
        TypeError, ValueError: x is not a one-dimensional numeric sequence.
    """
    c = _complex_work(x, overwrite_x)
    check("FFTCx", bind("FFTCx")(address(c), len(c)))
    return c


def ifft(X: Any, overwrite_x: bool = False) -> np.ndarray:
    """Inverse discrete Fourier transform, scaled by 1/n.

    Args:
        X: n >= 1 spectrum bins.
        overwrite_x: transform ``X`` itself when possible (see :func:`fft`).

    Returns:
        complex128 array of the n samples.

    Raises:
        OrinError: -20008 for an empty input, -20001 when memory is short.
    """
    c = _complex_work(X, overwrite_x)
    check("InvFFTCx", bind("InvFFTCx")(address(c), len(c)))
    return c


def rfft(x: Any) -> np.ndarray:
    """Spectrum of a real signal, the non-negative frequency bins only.

    Args:
        x: n >= 1 real samples.

    Returns:
        complex128 array of the ``n // 2 + 1`` bins ``X[0] .. X[n // 2]``
        (as numpy.fft.rfft).

    Raises:
        OrinError: -20003 for an empty input, -20001 when memory is short.
        TypeError: x is complex.
    """
    # The signal goes straight into the real parts of the output; the full
    # spectrum comes back in place and the upper half is cut off.
    c = complex_from_real(x)
    n = len(c)
    check("ReFFTCx", bind("ReFFTCx")(address(c), n))
    if n <= _TRIM_ABOVE:
        return c[: n // 2 + 1]
    c.resize(n // 2 + 1, refcheck=False)  # c is ours alone: no view of it exists
    return c


def irfft(X: Any, n: Optional[int] = None) -> np.ndarray:
    """Real signal from its non-negative frequency bins (inverse of :func:`rfft`).

    Args:
        X: bins ``X[0] .. X[m-1]``.
        n: length of the signal; default ``2 (m - 1)``. Bins beyond
            ``n // 2`` are ignored, missing ones count as zero; the imaginary
            parts of ``X[0]`` and (for even n) ``X[n/2]`` are ignored.

    Returns:
        float64 array of n samples.

    Raises:
        OrinError: -20008 when n < 1.
        ValueError: n is not given and X has fewer than 2 bins.
    """
    bins = complex_view(X, "X")
    if n is None:
        if len(bins) < 2:
            raise ValueError("irfft needs n when X has fewer than 2 bins")
        n = 2 * (len(bins) - 1)
    else:
        n = count(n)
    if n < 1:
        raise OrinError("ReInvFFT", -20008, f"n = {n}")
    half = n // 2
    m = min(len(bins), half + 1)
    # The spectrum in split form; the signal comes back in re, which is the
    # result. For a power of two the routine reads only re[0 .. n/2] and
    # im[n/2+1 .. n-1] (so X[0] and X[n/2] count as real by themselves).
    re, im = np.empty(n), np.empty(n)
    re[:m] = bins.real[:m]
    if n > 1 and n & (n - 1) == 0 and m == half + 1:
        np.negative(bins.imag[half - 1 : 0 : -1], out=im[half + 1 :])
    else:
        im[:m] = bins.imag[:m]
        if m <= half:  # missing bins count as zero
            re[m : half + 1] = 0.0
            im[m : half + 1] = 0.0
        im[0] = 0.0
        if n % 2 == 0:
            im[half] = 0.0
        # Bins above the middle: X[n - k] = conj(X[k]).
        re[half + 1 :] = re[n - half - 1 : 0 : -1]
        np.negative(im[n - half - 1 : 0 : -1], out=im[half + 1 :])
    check("ReInvFFT", bind("ReInvFFT")(address(re), address(im), n))
    return re


def power_spectrum(x: Any) -> np.ndarray:
    """Two-sided power spectrum ``S[k] = |X[k]|**2 / n**2`` of a real signal.

    A sine of amplitude A at bin k puts ``A**2 / 4`` into bins k and n - k;
    Parseval: ``sum(S) == mean(x**2)``.

    Args:
        x: n real samples, 1 <= n <= 8388608 (power of two) or 4194303.

    Returns:
        float64 array of the n bins.

    Raises:
        OrinError: -20005 (empty), -20010 (too long), -20001 (memory).
    """
    with lowlevel.HostArray("double", real_copy(x)) as h:
        error = np.zeros(1, dtype=np.int32)
        status = lowlevel.Spectrum(h, error)
        check("Spectrum", int(error[0]) or status)
        return h.to_numpy()


def cross_spectrum(x: Any, y: Any) -> np.ndarray:
    """Cross power spectrum ``Sxy[k] = conj(X[k]) Y[k] / n**2``.

    The shorter signal is padded with zeros to the longer one's length n.

    Args:
        x, y: real signals of at least 2 samples each, at most 8388607.

    Returns:
        complex128 array of the n bins.

    Raises:
        OrinError: -20006 (a signal shorter than 2), -20010 (too long),
            -20001 (memory).
    """
    with lowlevel.HostArray("double", real_copy(x)) as hx, lowlevel.HostArray("double", real_copy(y, "y")) as hy:
        error = np.zeros(1, dtype=np.int32)
        status = lowlevel.CrossPowerCIN(hx, hy, error)
        check("CrossPowerCIN", int(error[0]) or status)
        return hx.to_numpy() + 1j * hy.to_numpy()


def hilbert_transform(x: Any) -> np.ndarray:
    """Hilbert transform of a real signal (not the analytic signal): bin k of
    the spectrum times -i below n/2 and +i above, DC and Nyquist removed, so
    ``cos`` becomes ``sin``.

    Args:
        x: 2 <= n <= 524288 (power of two) or 262143 real samples.

    Returns:
        float64 array of n samples.

    Raises:
        OrinError: -20006 (fewer than 2 samples), -20010 (too long), -20001.
    """
    with lowlevel.HostArray("double", real_copy(x)) as h:
        error = np.zeros(1, dtype=np.int32)
        status = lowlevel.Hilbert(h, error)
        check("Hilbert", int(error[0]) or status)
        return h.to_numpy()


def fht(x: Any, inverse: bool = False) -> np.ndarray:
    """Discrete Hartley transform ``H[k] = sum_t x[t] cas(2 pi t k / n)``
    (``cas = cos + sin``), unscaled; ``inverse=True`` scales by 1/n.

    Args:
        x: real samples, n a power of two.

    Raises:
        OrinError: -20003 (empty), -20009 (n not a power of two).
    """
    h = real_copy(x)
    name = "InvFHT" if inverse else "FHT"
    check(name, lowlevel.call(name, h, len(h)))
    return h
