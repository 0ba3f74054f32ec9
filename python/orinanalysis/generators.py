"""Noise and waveform generators whose state lives in the Python object, so
consecutive calls continue one signal."""
from __future__ import annotations

import threading
from typing import Tuple

import numpy as np

from . import lowlevel
from ._arrays import count
from .errors import check

__all__ = ["NoiseGenerator", "WaveformGenerator", "chirp"]


class NoiseGenerator:
    """Uniform, Gaussian and periodic noise from a Wichmann-Hill generator
    (AS 183) seeded once; each call continues the sequence.

    Args:
        seed: a positive integer below 2**31.

    One object may be shared between threads; its calls run one at a time.
    """

    def __init__(self, seed: int) -> None:
        if isinstance(seed, (bool, np.bool_)) or not isinstance(seed, (int, np.integer)):
            raise TypeError(f"seed must be an integer, got {type(seed).__name__}")
        if not 0 < seed < 2**31:
            # Seed 0 would leave the generator at its fixed point 0, 0, 0.
            raise ValueError(f"seed must be between 1 and 2**31 - 1, got {seed}")
        self._s = np.zeros(3, dtype=np.int32)  # s1, s2, s3
        self._have_spare = np.zeros(1, dtype=np.int32)
        self._spare = np.zeros(1, dtype=np.float64)
        self._lock = threading.Lock()
        lowlevel.srandnum(int(seed), self._s[0:1], self._s[1:2], self._s[2:3])

    @property
    def state(self) -> Tuple[int, int, int]:
        """The three generator seeds s1, s2, s3."""
        with self._lock:
            return tuple(int(v) for v in self._s)

    def _seeds(self):
        return self._s[0:1], self._s[1:2], self._s[2:3]

    def random(self) -> float:
        """The next uniform value in [0, 1)."""
        with self._lock:
            return float(lowlevel.frandnum(*self._seeds()))

    def uniform(self, n: int, amplitude: float = 1.0) -> np.ndarray:
        """n samples of uniform white noise in ``[-amplitude, amplitude)``.

        Raises:
            OrinError: -20003 for n < 1.
        """
        n = count(n)
        out = np.empty(max(n, 0))
        with self._lock:
            check("WhiteNoise", lowlevel.WhiteNoise(n, float(amplitude), -1, out, *self._seeds()))
        return out

    def gaussian(self, n: int, sd: float = 1.0) -> np.ndarray:
        """n samples of Gaussian white noise of standard deviation ``sd``
        (polar Box-Muller; the second value of a pair is kept for the next
        sample, in this call or the next).

        Raises:
            OrinError: -20003 for n < 1.
        """
        n = count(n)
        out = np.empty(max(n, 0))
        with self._lock:
            check("GaussNoise", lowlevel.GaussNoise(n, float(sd), -1, out, *self._seeds(),
                                                    self._have_spare, self._spare))
        return out

    def periodic(self, n: int, amplitude: float = 1.0) -> np.ndarray:
        """One period of n samples of periodic random noise: every harmonic
        1 .. n/2 - 1 (even n) or (n-1)/2 (odd n) at amplitude ``amplitude``
        with a random phase, no DC and no Nyquist component.

        Raises:
            OrinError: -20003 (n < 1), -20006 (n = 1), -20009 (n too long).
        """
        n = count(n)
        with lowlevel.HostArray("double") as h, self._lock:
            error = np.zeros(1, dtype=np.int32)
            status = lowlevel.PeriodNoise(np.array([n], np.int32), np.array([amplitude], np.float64),
                                          np.array([-1], np.int32), h, error, *self._seeds())
            check("PeriodNoise", int(error[0]) or status)
            return h.to_numpy()


_SHAPES = {"sine": "SineWave", "square": "SquareWave", "triangle": "TriangleWave", "sawtooth": "SawtoothWave"}


class WaveformGenerator:
    """A periodic waveform whose phase carries over between calls.

    Args:
        shape: ``"sine"``, ``"square"``, ``"triangle"`` or ``"sawtooth"``.
        frequency: cycles per sample (``f_hz / fs``); negative runs backwards.
        amplitude: peak value.
        phase: starting phase in degrees.
        duty: square wave's duty cycle in percent.

    ``generate(n)`` returns the next n samples; ``phase`` is where the next
    block starts, in degrees within [0, 360).
    """

    def __init__(self, shape: str = "sine", frequency: float = 0.01, amplitude: float = 1.0,
                 phase: float = 0.0, duty: float = 50.0) -> None:
        if shape not in _SHAPES:
            raise ValueError(f"shape must be one of {', '.join(_SHAPES)}, not {shape!r}")
        self.shape = shape
        self.frequency = float(frequency)
        self.amplitude = float(amplitude)
        self.duty = float(duty)
        self._phase = np.array([phase], dtype=np.float64)
        self._lock = threading.Lock()

    @property
    def phase(self) -> float:
        """Phase in degrees at which the next block starts."""
        return float(self._phase[0])

    def generate(self, n: int) -> np.ndarray:
        """The next n samples.

        Raises:
            OrinError: -20003 for n < 1.
        """
        n = count(n)
        out = np.empty(max(n, 0))
        routine = _SHAPES[self.shape]
        with self._lock:
            if self.shape == "square":
                code = lowlevel.SquareWave(n, self.amplitude, self.frequency, self._phase, self.duty, out)
            else:
                code = lowlevel.call(routine, n, self.amplitude, self.frequency, self._phase, out)
            check(routine, code)
        return out


def chirp(n: int, f1: float, f2: float, amplitude: float = 1.0) -> np.ndarray:
    """Linear chirp ``amplitude * sin(i (a i + 2 pi f1))``, ``a = (f2 - f1) pi / n``:
    the frequency sweeps from f1 at the first sample towards f2 at sample n
    (cycles per sample).

    Raises:
        OrinError: -20003 for n < 1.
    """
    n = count(n)
    out = np.empty(max(n, 0))
    check("Chirp", lowlevel.Chirp(n, float(amplitude), float(f1), float(f2), out))
    return out


