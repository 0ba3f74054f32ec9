"""orinanalysis: numerical analysis for measurement and signal processing,
over the library's C interface (ctypes; no compiled extension).

The library is the file named by the environment variable
``ORINANALYSIS_LIBRARY`` when set, else the installed
``liborinanalysis.so.0``; it is loaded at the first call. Every failure code
of the library raises :class:`OrinError`, which carries the routine, the code
and its symbolic name. ``orinanalysis.lowlevel`` reaches every export by name.
"""
from __future__ import annotations

from . import lowlevel
from .errors import CODE_NAMES, OrinError
from .fitting import exponential_fit, linear_fit
from .filters import IIRFilter, Sections, bessel, butter, cheby1, cheby2, ellip, sosfilt
from .generators import NoiseGenerator, WaveformGenerator, chirp
from .measure import MEASUREMENTS, Cursor, Measurement, Session, measure
from .spectral import cross_spectrum, fft, fht, hilbert_transform, ifft, irfft, power_spectrum, rfft
from .stats import mean, mean_std, median, moment, mse, rms, std
from .windows import apply_window, get_window

__version__ = "0.1.0"

__all__ = [
    "lowlevel", "OrinError", "CODE_NAMES",
    "fft", "ifft", "rfft", "irfft", "power_spectrum", "cross_spectrum", "hilbert_transform", "fht",
    "get_window", "apply_window",
    "Sections", "butter", "bessel", "cheby1", "cheby2", "ellip", "IIRFilter", "sosfilt",
    "NoiseGenerator", "WaveformGenerator", "chirp",
    "linear_fit", "exponential_fit",
    "mean", "std", "mean_std", "median", "rms", "moment", "mse",
    "Session", "Measurement", "Cursor", "MEASUREMENTS", "measure",
]
