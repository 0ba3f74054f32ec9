"""Time-domain operations: unwrapping, decimation, running integral and
derivative, integration rules, streaming peak and trigger detection, pulse
parameters.

Times are in the unit of ``dx`` (seconds when it is); indices are sample
positions from the first sample ever given to a streaming object.
"""
from __future__ import annotations

import ctypes
import threading
import weakref
from dataclasses import dataclass
from typing import Any, Dict, List, Optional, Sequence, Tuple

import numpy as np

from . import lowlevel
from ._arrays import INT32_MAX, count, real_copy, real_view
from .errors import OrinError, check

__all__ = ["unwrap", "decimate", "integral", "derivative", "integrate", "threshold_peaks", "Peaks",
           "PeakDetector", "TriggerDetector", "PulseParameters", "pulse_parameters"]


def unwrap(p: Any) -> np.ndarray:
    """Phase unwrapping (numpy.unwrap with the default period 2 pi): each
    step is brought into [-pi, pi) by whole turns, against the already
    unwrapped previous sample. A step of exactly +pi counts as a wrap (numpy
    keeps it); other steps agree with numpy.

    Raises:
        OrinError: -20003 (no samples).

    Library: ``UnWrap1D``.
    """
    x = real_copy(p, "p")
    check("UnWrap1D", lowlevel.UnWrap1D(x, len(x)))
    return x


def decimate(x: Any, q: int, average: bool = False) -> np.ndarray:
    """Keeps the first sample (or the mean, ``average=True``) of each whole
    group of q samples; a trailing partial group is dropped. No anti-alias
    filter (unlike scipy.signal.decimate): filter first if the signal has
    content above the new Nyquist frequency.

    Raises:
        OrinError: -20003 (no samples), -20022 (q below 1 or above n).

    Library: ``Decimate``.
    """
    data = real_copy(x)
    factor = count(q, "q")
    check("Decimate", lowlevel.Decimate(data, len(data), factor, int(bool(average)), data))
    return data[: len(data) // factor].copy() if factor >= 1 else data


def _calculus(routine: str, x: Any, dx: float, initial: float, final: float) -> np.ndarray:
    with lowlevel.HostArray("double", real_copy(x)) as h:
        error = np.zeros(1, dtype=np.int32)
        status = lowlevel.call(routine, h, np.array([initial], float), np.array([final], float),
                               np.array([dx], float), error)
        check(routine, int(error[0]) or status)
        return h.to_numpy()


def integral(x: Any, dx: float = 1.0, initial: float = 0.0, final: float = 0.0) -> np.ndarray:
    """Running integral ``out[i] = sum_{k<=i} (x[k-1] + 4 x[k] + x[k+1]) dx/6``
    (Simpson's weights around each sample), summed in extended precision.

    Args:
        x: samples.
        dx: sampling interval, > 0.
        initial, final: the samples before the first and after the last
            (``x[-1]`` and ``x[n]``).

    Raises:
        OrinError: -20003 (no samples), -20016 (dx not positive).

    Library: ``Integral``.
    """
    return _calculus("Integral", x, dx, initial, final)


def derivative(x: Any, dx: float = 1.0, initial: float = 0.0, final: float = 0.0) -> np.ndarray:
    """Central difference ``(x[i+1] - x[i-1]) / (2 dx)``, with ``initial`` and
    ``final`` standing for ``x[-1]`` and ``x[n]`` (numpy.gradient's interior).

    Raises:
        OrinError: -20016 (dx not positive), -20003 (no samples).

    Library: ``Derivative``.
    """
    return _calculus("Derivative", x, dx, initial, final)


_RULES = {"trapezoid": 0, "simpson": 1, "simpson38": 2, "boole": 3}


def integrate(y: Any, dx: float = 1.0, rule: str = "simpson") -> float:
    """Integral of the whole record by a composite closed rule
    (scipy.integrate.trapezoid / simpson).

    Args:
        y: samples at step dx (its magnitude is used).
        rule: ``"trapezoid"`` (n >= 2), ``"simpson"`` (n >= 3),
            ``"simpson38"`` (n >= 4), ``"boole"`` (n >= 5); intervals left
            over after the whole panels are integrated by the lower rules.

    Raises:
        OrinError: -20008 (too few samples for the rule).

    Library: ``NumerIntegration``.
    """
    try:
        method = _RULES[rule]
    except KeyError:
        raise ValueError(f"rule must be one of {', '.join(_RULES)}, not {rule!r}") from None
    data = real_view(y, "y")
    out = np.zeros(1)
    check("NumerIntegration", lowlevel.NumerIntegration(data, len(data), float(dx), out, method))
    return float(out[0])


def threshold_peaks(x: Any, threshold: float, width: int) -> np.ndarray:
    """Start indices of every run of at least ``width`` consecutive samples
    not below ``threshold``.

    Raises:
        OrinError: -20003 (no samples), -20013 (width below 1 or not below n).

    Library: ``PeakDetector``.
    """
    with lowlevel.HostArray("double", real_view(x)) as h, lowlevel.HostArray("int32") as loc:
        n_found, error = np.zeros(1, dtype=np.int32), np.zeros(1, dtype=np.int32)
        status = lowlevel.PeakDetector(h, np.array([threshold], float), np.array([count(width, "width")], np.int32),
                                       loc, n_found, error)
        check("PeakDetector", int(error[0]) or status)
        return loc.to_numpy()


# ---- Streaming least-squares peak detector ---------------------------------------

class _PeakControl(ctypes.Structure):
    _pack_ = 4
    _fields_ = [("data", ctypes.c_void_p), ("threshold", ctypes.c_double), ("width", ctypes.c_int32),
                ("polarity", ctypes.c_int32), ("locations", ctypes.c_void_p), ("amplitudes", ctypes.c_void_p),
                ("secondDerivatives", ctypes.c_void_p), ("count", ctypes.c_int32), ("control", ctypes.c_int32)]


class _PeakState(ctypes.Structure):
    _pack_ = 4
    _fields_ = [("width", ctypes.c_int32), ("fitsDone", ctypes.c_int32), ("historyCount", ctypes.c_int32),
                ("available", ctypes.c_int32), ("rising", ctypes.c_int32), ("lastReported", ctypes.c_int32),
                ("rows", ctypes.c_void_p), ("window", ctypes.c_void_p), ("history", ctypes.c_void_p),
                ("prevCoeffs", ctypes.c_void_p), ("current", ctypes.c_void_p)]


@dataclass(frozen=True)
class Peaks:
    """Peaks (or valleys) found: fractional sample positions, the fitted
    values there, and the fitted second derivatives (per sample squared)."""

    locations: np.ndarray
    amplitudes: np.ndarray
    second_derivatives: np.ndarray

    @staticmethod
    def join(parts: Sequence["Peaks"]) -> "Peaks":
        """The peaks of several calls, in order."""
        if not parts:
            return Peaks(np.zeros(0), np.zeros(0), np.zeros(0))
        return Peaks(*(np.concatenate([getattr(p, f) for p in parts])
                       for f in ("locations", "amplitudes", "second_derivatives")))


def _dispose_peak_state(handle: ctypes.c_void_p) -> None:
    if handle.value:
        lowlevel.DisposePeakCINData(ctypes.byref(handle))


class PeakDetector:
    """Streaming peak (or valley) detection by a quadratic least-squares fit
    over a sliding window of ``width`` samples: a peak is reported where the
    fitted slope changes sign, the vertex lies inside the window, curves the
    right way and lies above (valleys: below) the threshold.

    Feed blocks of any size with :meth:`process`, then call :meth:`finish`
    for the last window; the peaks are the same as those of the whole signal
    in one call (the object holds back the last ``width`` samples, since
    each library call needs a whole window). Locations count from the first
    sample given.

    Args:
        threshold: level a peak must exceed (a valley stay below).
        width: window length, at least 3.
        valleys: detect valleys instead of peaks.

    Raises (from process/finish):
        OrinError: -20061 (width below 3), -20013 (fewer than width samples
            in the whole signal), -20041, -20001.

    Library: ``PeakD`` (its state block held by the object and released by
    the last call, on failure, or when the object is collected).
    """

    def __init__(self, threshold: float, width: int, valleys: bool = False) -> None:
        self.threshold = float(threshold)
        self.width = count(width, "width")
        self.polarity = int(bool(valleys))
        self._pending = np.zeros(0)
        self._first = True
        self._state = _PeakState()
        self._handle = ctypes.c_void_p(None)
        self._finalizer = weakref.finalize(self, _dispose_peak_state, self._handle)
        self._lock = threading.Lock()

    def _call(self, block: np.ndarray, last: bool) -> Peaks:
        flags = (1 if self._first else 0) | (4 if last else 0)
        with lowlevel.HostArray("double", block) as data, lowlevel.HostArray("double") as loc, \
                lowlevel.HostArray("double") as amp, lowlevel.HostArray("double") as d2:
            control = _PeakControl(data._as_parameter_.value, self.threshold, self.width, self.polarity,
                                   loc._as_parameter_.value, amp._as_parameter_.value, d2._as_parameter_.value,
                                   0, flags)
            error = np.zeros(1, dtype=np.int32)
            status = lowlevel.PeakD(ctypes.byref(control), ctypes.byref(self._state), ctypes.byref(self._handle),
                                    error)
            self._first = False
            if error[0] or status:
                self._first = True  # the library released the series
                self._pending = np.zeros(0)
            check("PeakD", int(error[0]) or status)
            return Peaks(loc.to_numpy(), amp.to_numpy(), d2.to_numpy())

    def process(self, block: Any) -> Peaks:
        """Analyses the next block; returns the peaks completed so far."""
        with self._lock:
            self._pending = np.concatenate([self._pending, real_view(block, "block")])
            if len(self._pending) < 2 * self.width:
                return Peaks.join([])
            send, self._pending = self._pending[: -self.width], self._pending[-self.width:].copy()
            return self._call(send, last=False)

    def finish(self) -> Peaks:
        """Analyses what is held back, with the last window, and ends the
        series; the object then starts a new signal."""
        with self._lock:
            send, self._pending = self._pending, np.zeros(0)
            try:
                return self._call(send, last=True)
            finally:
                self._first = True

    def detect(self, x: Any) -> Peaks:
        """All peaks of one whole signal (a new series)."""
        self.reset()
        return Peaks.join([self.process(x), self.finish()])

    def reset(self) -> None:
        """Drops the series in progress."""
        with self._lock:
            _dispose_peak_state(self._handle)
            self._pending = np.zeros(0)
            self._first = True


# ---- Streaming multi-channel trigger ----------------------------------------------

# Hysteresis states of a channel: below the band, risen into it, above it,
# fallen into it.
_BELOW, _RISEN, _ABOVE, _FALLEN = range(4)
# The library's list of trigger indices per call.
_LISTED = 50


class TriggerDetector:
    """Level triggers with hysteresis over one or several channels, block
    after block.

    Channel k's band is ``levels[k] -+ hysteresis[k]/2``. A rising channel
    triggers where the signal, having been below the band, first reaches
    its lower edge; a falling one where, having been above, it comes down
    to the upper edge; before the next trigger of the same direction the
    signal must cross the whole band and come back. NaN samples change
    nothing.

    The object carries each channel's exact hysteresis state from block to
    block (the library alone starts a block from the last sample, which
    cannot tell "risen into the band" from "fallen into it"), so a signal
    cut into blocks triggers exactly as in one piece.

    Args:
        levels: one level per channel.
        hysteresis: band widths (default 0).
        rising: one flag per channel, or one for all (default True).
        previous: the sample before the first block, per channel (default:
            NaN, "inside the band").

    Library: ``qaTriggerDetection``.
    """

    def __init__(self, levels: Any, hysteresis: Any = None, rising: Any = True, previous: Any = None) -> None:
        self.levels = np.atleast_1d(np.asarray(levels, dtype=np.float64)).copy()
        k = len(self.levels)
        self.hysteresis = np.broadcast_to(np.asarray(0.0 if hysteresis is None else hysteresis, float), (k,)).copy()
        self.rising = np.broadcast_to(np.asarray(rising, bool), (k,)).copy()
        self._previous = np.broadcast_to(np.asarray(np.nan if previous is None else previous, float), (k,)).copy()
        self._states: List[Optional[int]] = [None] * k
        self._offset = 0
        self._lock = threading.Lock()

    @property
    def channels(self) -> int:
        return len(self.levels)

    def _scan(self, k: int, data: np.ndarray, previous: float, slope: int) -> Tuple[int, np.ndarray]:
        """One library call on one channel: (trigger count, listed indices)."""
        data = np.ascontiguousarray(data, dtype=np.float64)
        indices = np.zeros(_LISTED, dtype=np.int32)
        counts, triggered, last = np.zeros(1, np.int32), np.zeros(1, np.int32), np.zeros(1)
        check("qaTriggerDetection", lowlevel.qaTriggerDetection(
            data, len(data), 1, self.levels[k:k + 1].copy(), np.array([previous]), self.hysteresis[k:k + 1].copy(),
            np.array([slope], np.int32), INT32_MAX, indices, counts, triggered, last))
        return int(counts[0]), indices[: min(int(counts[0]), _LISTED)]

    def _channel(self, k: int, x: np.ndarray) -> List[int]:
        """Trigger indices of channel k in block x; updates its state."""
        lower = self.levels[k] - 0.5 * self.hysteresis[k]
        upper = self.levels[k] + 0.5 * self.hysteresis[k]
        state = self._states[k]
        # A start state the library takes from one previous sample: -inf
        # below, +inf above, NaN (inside) fallen. "Risen" is reached by a
        # one-sample prefix that rises from below into the band.
        if state is None:
            previous, prefix = self._previous[k], np.nan
        else:
            previous = {_BELOW: -np.inf, _RISEN: -np.inf, _ABOVE: np.inf, _FALLEN: np.nan}[state]
            prefix = lower if state == _RISEN else np.nan
        # Probe samples after the block reveal the end state by which
        # transitions fire: below fires rising at probe 0, above falling at
        # probe 0, risen falling at probe 1, fallen neither.
        data = np.concatenate([[prefix], x, [upper, lower]])
        n = len(x)
        results = {}
        for slope in (1, 0):
            total, listed = self._scan(k, data, previous, slope)
            if total > len(listed) or total >= _LISTED:
                # More triggers than the library lists: halve the block.
                half = n // 2
                first = self._channel(k, x[:half])
                return first + [half + i for i in self._channel(k, x[half:])]
            results[slope] = set(int(i) for i in listed)
        rise, fall = results[1], results[0]
        p0, p1 = n + 1, n + 2
        if p0 in rise:
            self._states[k] = _BELOW
        elif p0 in fall:
            self._states[k] = _ABOVE
        elif p1 in fall:
            self._states[k] = _RISEN
        else:
            self._states[k] = _FALLEN
        mine = rise if self.rising[k] else fall
        return sorted(i - 1 for i in mine if 1 <= i <= n)

    def process(self, block: Any) -> List[np.ndarray]:
        """Scans the next block.

        Args:
            block: samples, shape (channels, n) (or (n,) for one channel).

        Returns:
            one array of trigger indices per channel, counted from the first
            sample of the first block.
        """
        data = np.asarray(block, dtype=np.float64)
        if data.ndim == 1:
            data = data.reshape(1, -1)
        if data.ndim != 2 or data.shape[0] != self.channels:
            raise ValueError(f"a block has shape (channels={self.channels}, n), got {data.shape}")
        with self._lock:
            out = [np.asarray(self._channel(k, data[k]), dtype=np.int64) + self._offset for k in range(self.channels)]
            self._offset += data.shape[1]
        return out


# ---- Pulse parameters --------------------------------------------------------------

@dataclass(frozen=True)
class PulseParameters:
    """The parameters of one pulse; times in samples (fractional indices),
    levels in signal units. NaN where the record holds no crossing to
    measure. A pulse that starts above its 50 % level is negative-going:
    amplitude and slew rate negative, top and base exchanged."""

    amplitude: float
    top: float
    base: float
    high90: float
    mid50: float
    low10: float
    overshoot: float
    preshoot: float
    delay: float
    width: float
    rise_time: float
    fall_time: float
    slew_rate: float

    def as_dict(self) -> Dict[str, float]:
        return dict(self.__dict__)


def pulse_parameters(x: Any) -> PulseParameters:
    """Amplitude, levels, overshoot, delay, width, rise and fall times and
    slew rate of one pulse, levels from a 101-bin histogram (base the fullest
    bin of the lower half, top of the upper half).

    Raises:
        OrinError: -20003 (no samples).

    Library: ``PulseParam``.
    """
    data = real_copy(x)
    names = ("amplitude", "high90", "mid50", "low10", "top", "base", "overshoot", "preshoot", "delay", "width",
             "rise_time", "fall_time", "slew_rate")
    outs = {name: np.full(1, np.nan) for name in names}
    error = np.zeros(1, dtype=np.int32)
    lowlevel.PulseParam(data, len(data), *(outs[name] for name in names), error)
    check("PulseParam", int(error[0]))
    return PulseParameters(**{name: float(v[0]) for name, v in outs.items()})
