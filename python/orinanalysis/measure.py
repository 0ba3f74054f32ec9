"""Pulse measurements of a sampled waveform, as an oscilloscope reports them.

Times are in the unit of ``dt`` (seconds when dt is), levels in signal
units; overshoot and preshoot are percent of the amplitude, duty cycles
fractions between 0 and 1. Occurrences are 1-based.
"""
from __future__ import annotations

import ctypes
import re
import threading
import weakref
from dataclasses import dataclass
from typing import Any, Dict, Optional, Sequence, Tuple, Union

import numpy as np

from . import lowlevel
from ._arrays import real_view
from ._generated import MEASUREMENT_IDS
from .errors import OrinError, check

__all__ = ["MEASUREMENTS", "Cursor", "Measurement", "Session", "measure"]

#: Measurement names and their engine identifiers: the header's ``kMeas...``
#: names in snake case (``kMeasPeakToPeak`` is ``"peak_to_peak"``), without
#: the placeholder ``kMeasNone``.
MEASUREMENTS: Dict[str, int] = {
    re.sub(r"(?<!^)(?=[A-Z])", "_", name[len("kMeas"):]).lower(): value
    for name, value in MEASUREMENT_IDS.items() if name != "kMeasNone"
}

_METHODS = {"histogram": 0, "minmax": 1, "base_top": 2}
_UNITS = {"absolute": 0, "percent": 1}


@dataclass(frozen=True)
class Cursor:
    """Where a measurement's cursors go: three times and three levels."""

    x: Tuple[float, float, float]
    y: Tuple[float, float, float]


@dataclass(frozen=True)
class Measurement:
    """A measured value with its cursors."""

    value: float
    cursor: Cursor


def _meas_id(what: Union[str, int]) -> int:
    if isinstance(what, str):
        try:
            return MEASUREMENTS[what]
        except KeyError:
            raise ValueError(f"unknown measurement {what!r}") from None
    return int(what)


def _blocks(levels: Sequence[float], units: str, method: str, bins: int):
    if len(levels) != 3:
        raise ValueError(f"levels are (low, mid, high), got {levels!r}")
    if units not in _UNITS:
        raise ValueError(f"units must be 'percent' or 'absolute', not {units!r}")
    if method not in _METHODS:
        raise ValueError(f"method must be one of {', '.join(_METHODS)}, not {method!r}")
    low, mid, high = (float(v) for v in levels)
    return (lowlevel.tRefLevels(high, mid, low, _UNITS[units]),
            lowlevel.tRefOptions(_METHODS[method], int(bins)))


def _fetch(session: int, meas_id: int, x: np.ndarray, dt: float, t0: float, occurrence: int,
           levels: Sequence[float], units: str, method: str, bins: int) -> Measurement:
    ref, opt = _blocks(levels, units, method, bins)
    result = ctypes.c_double()
    cursor = lowlevel.tCursorStruct()
    code = lowlevel.measurements_fetch(session, meas_id, ctypes.byref(ref), ctypes.byref(opt), int(occurrence),
                                       float(t0), float(dt), x, len(x), ctypes.byref(result), ctypes.byref(cursor))
    if code:
        names = {v: k for k, v in MEASUREMENTS.items()}
        raise OrinError("measurements_fetch", code, f"measurement {names.get(meas_id, meas_id)}")
    return Measurement(result.value, Cursor((cursor.x1, cursor.x2, cursor.x3), (cursor.y1, cursor.y2, cursor.y3)))


def _destroy(session_id: int) -> None:
    lowlevel.measurements_destroy(session_id)


class Session:
    """A measurement session: shared intermediates (levels, histogram, edge
    and crossing lists) are computed once per waveform and reused by every
    measurement of it. A new waveform (or dt, t0, levels) is noticed and the
    caches dropped.

    Use it in a ``with`` block or call :meth:`close`; a session that is
    dropped without either is destroyed when the object is collected.

    Example::

        with Session() as s:
            tr = s.rise_time(x, dt, levels=(10, 50, 90))

    Every measurement method takes ``(x, dt, levels=(10, 50, 90), *,
    t0=0.0, occurrence=1, units="percent", method="histogram", bins=256)``:
    x the samples, dt the sampling interval, levels the (low, mid, high)
    reference levels in percent of the range chosen by method
    (``"histogram"`` low to high level, ``"minmax"``, ``"base_top"``) or, with
    ``units="absolute"``, in signal units; returns the value as a float.

    Raises:
        OrinError: the engine's codes, e.g. -20308 too few crossings, -20310
            too few edges, -20313 levels out of order, -20315 dt <= 0,
            -20312 no samples, -20318 a value that is not finite.
    """

    def __init__(self) -> None:
        sid = ctypes.c_int32()
        check("measurements_create", lowlevel.measurements_create(ctypes.byref(sid)))
        self.id: Optional[int] = sid.value
        self._finalizer = weakref.finalize(self, _destroy, sid.value)
        self._lock = threading.Lock()
        self._x: Optional[np.ndarray] = None
        self._key: Optional[Tuple[Any, ...]] = None

    def close(self) -> None:
        """Destroys the session (idempotent)."""
        self._finalizer()
        self.id = None

    def __enter__(self) -> "Session":
        return self

    def __exit__(self, *exc: Any) -> None:
        self.close()

    def measure(self, what: Union[str, int], x: Any, dt: float, levels: Sequence[float] = (10, 50, 90), *,
                t0: float = 0.0, occurrence: int = 1, units: str = "percent", method: str = "histogram",
                bins: int = 256) -> Measurement:
        """Measures ``what`` (a name of :data:`MEASUREMENTS` or an id) and
        returns the value with its cursors; arguments as in the class doc."""
        if self.id is None:
            raise ValueError("the session is closed")
        meas_id = _meas_id(what)
        key = (float(dt), float(t0), tuple(float(v) for v in levels), units, method, int(bins))
        with self._lock:
            data = real_view(x)
            # The engine's caches assume one waveform between clears: keep
            # a private copy and clear whenever the waveform or its setting
            # changes.
            if self._x is None or key != self._key or not np.array_equal(self._x, data, equal_nan=True):
                check("measurements_clear", lowlevel.measurements_clear(self.id))
                self._x = data.copy()
                self._key = key
            return _fetch(self.id, meas_id, self._x, dt, t0, occurrence, levels, units, method, bins)


def _method(name: str, meas_id: int):
    def measurement(self: Session, x: Any, dt: float, levels: Sequence[float] = (10, 50, 90), **kw: Any) -> float:
        return self.measure(meas_id, x, dt, levels, **kw).value

    measurement.__name__ = name
    measurement.__doc__ = f"The {name.replace('_', ' ')} of x (engine id {meas_id}); see :class:`Session`."
    return measurement


for _name, _id in MEASUREMENTS.items():
    setattr(Session, _name, _method(_name, _id))


def measure(what: Union[str, int], x: Any, dt: float, levels: Sequence[float] = (10, 50, 90), *,
            t0: float = 0.0, occurrence: int = 1, units: str = "percent", method: str = "histogram",
            bins: int = 256) -> Measurement:
    """One measurement in a one-shot session (nothing cached); arguments as
    :meth:`Session.measure`."""
    return _fetch(-1, _meas_id(what), real_view(x), dt, t0, occurrence, levels, units, method, bins)
