"""orinanalysis: numerical analysis for measurement and signal processing,
over the library's C interface (ctypes; no compiled extension).

The library is the file named by the environment variable
``ORINANALYSIS_LIBRARY`` when set, else the installed
``liborinanalysis.so.0``; it is loaded at the first call. Every failure code
of the library raises :class:`OrinError`, which carries the routine, the code
and its symbolic name. ``orinanalysis.lowlevel`` reaches every export by name.

Families as modules, numpy/scipy style: ``linalg`` (numpy.linalg and
scipy.linalg names), ``fir``, ``timedomain``, ``interpolate``, ``arrays``,
``stats`` (with the distributions ``stats.norm``, ``stats.t``,
``stats.chi2``, ``stats.f``), ``fitting``, ``batch`` (many files at once,
locally or on a Dask cluster). Names that clash between families (``norm``)
are reached through their module only.
"""
from __future__ import annotations

from . import arrays, fir, fitting, interpolate, linalg, lowlevel, stats, timedomain
from .arrays import normalize, scale, scale_by_max, to_polar, to_rect, unit_vector
from .errors import CODE_NAMES, OrinError
from .fir import NarrowbandFIR, convolve, correlate, deconvolve, firwin, medfilt, narrowband, remez
from .fitting import exponential_fit, general_linear_fit, linear_fit, lm_step
from .filters import IIRFilter, Sections, bessel, butter, cheby1, cheby2, ellip, sosfilt
from .generators import NoiseGenerator, WaveformGenerator, chirp
from .measure import MEASUREMENTS, Cursor, Measurement, Session, measure
from .spectral import cross_spectrum, fft, fht, hilbert_transform, ifft, irfft, power_spectrum, rfft
from .interpolate import CubicSpline, poly_interp, polyval, rational_interp, roots
from .stats import (AnovaResult, anova2, anova3, betainc, chi2_contingency, erf, f_oneway, gammaln, general_histogram,
                    histogram, mean, mean_std, median, moment, mse, rms, std)
from .timedomain import (PeakDetector, Peaks, PulseParameters, TriggerDetector, decimate, derivative, integral,
                         integrate, pulse_parameters, threshold_peaks, unwrap)
from .windows import apply_window, get_window

__version__ = "0.1.0"

__all__ = [
    "lowlevel", "linalg", "fir", "timedomain", "interpolate", "arrays", "stats", "fitting",
    "OrinError", "CODE_NAMES",
    "fft", "ifft", "rfft", "irfft", "power_spectrum", "cross_spectrum", "hilbert_transform", "fht",
    "get_window", "apply_window",
    "Sections", "butter", "bessel", "cheby1", "cheby2", "ellip", "IIRFilter", "sosfilt",
    "NoiseGenerator", "WaveformGenerator", "chirp",
    "linear_fit", "exponential_fit", "general_linear_fit", "lm_step",
    "mean", "std", "mean_std", "median", "rms", "moment", "mse",
    "remez", "firwin", "narrowband", "NarrowbandFIR", "convolve", "correlate", "deconvolve", "medfilt",
    "unwrap", "decimate", "integral", "derivative", "integrate", "threshold_peaks", "Peaks", "PeakDetector",
    "TriggerDetector", "PulseParameters", "pulse_parameters",
    "histogram", "general_histogram", "erf", "betainc", "gammaln", "f_oneway", "anova2", "anova3", "AnovaResult",
    "chi2_contingency",
    "poly_interp", "rational_interp", "CubicSpline", "polyval", "roots",
    "to_polar", "to_rect", "normalize", "scale", "scale_by_max", "unit_vector",
    "Session", "Measurement", "Cursor", "MEASUREMENTS", "measure",
]
