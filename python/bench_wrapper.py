#!/usr/bin/env python3
"""What the Python wrapper adds to the library's routines, and how the
wrapped calls compare with numpy and scipy, all measured in this process.

    ORINANALYSIS_LIBRARY=build/liborinanalysis.so python3 python/bench_wrapper.py

For each function and length: the wrapped call, the C routine it calls alone
(bound with fixed types, on buffers prepared beforehand), their difference
(the wrapper's own cost) and the peer's time with our/peer ratio. Times are
the best of several runs of many calls each, in microseconds. Not a test.
"""
from __future__ import annotations

import ctypes
import sys
import timeit

import numpy as np
import scipy.signal

import orinanalysis as oa
from orinanalysis._fast import address, bind

SIZES = (64, 1024, 4096, 65536)


def best(*fns, seconds=0.02, rounds=15):
    """Best time of one call of each fn in microseconds: the fastest of many
    short rounds, the functions taking turns round by round so that other
    work on the machine weighs on all of them alike."""
    numbers = [max(1, int(seconds * 10 / max(timeit.timeit(fn, number=10), 1e-6))) for fn in fns]
    times = [float("inf")] * len(fns)
    for _ in range(rounds):
        for i, (fn, number) in enumerate(zip(fns, numbers)):
            times[i] = min(times[i], timeit.timeit(fn, number=number) / number * 1e6)
    return times


def in_place(name, src, *extra):
    """The in-place routine name(buf, n, *extra) alone, as a refill of the
    buffer plus the call, and the refill by itself."""
    buf = src.copy()
    fn, a, n = bind(name), address(buf), len(src)
    return (lambda: (np.copyto(buf, src), fn(a, n, *extra))), (lambda: np.copyto(buf, src))


def nothing():
    pass


def rows(n, rng):
    """(name, our call, (the C routine, what of its time to subtract), peer)."""
    x = rng.standard_normal(n)
    c = x + 1j * rng.standard_normal(n)
    X = np.fft.rfft(x)
    sos = oa.butter(4, 0.1, fs=1.0)
    scipy_sos = sos.sos
    out = np.zeros(2)
    pa, pb = address(out), address(out[1:])
    yield "fft", lambda: oa.fft(c), in_place("FFTCx", c), lambda: np.fft.fft(c)
    yield "ifft", lambda: oa.ifft(c), in_place("InvFFTCx", c), lambda: np.fft.ifft(c)
    yield "rfft", lambda: oa.rfft(x), in_place("ReFFTCx", x.astype(np.complex128)), lambda: np.fft.rfft(x)
    inv, full = bind("ReInvFFT"), np.concatenate([X, np.conj(X[-2:0:-1])])
    fre, fim, re = full.real.copy(), full.imag.copy(), np.empty(n)
    yield ("irfft", lambda: oa.irfft(X, n), ((lambda: (np.copyto(re, fre), inv(address(re), address(fim), n))),
                                             lambda: np.copyto(re, fre)), lambda: np.fft.irfft(X, n))
    a, b, state = sos.a.ravel(), sos.b.ravel(), np.zeros(sos.a.size)
    dp = ctypes.POINTER(ctypes.c_double)
    info = oa.lowlevel.IIRFilterInfo(0, sos.order, 0, a.size, a.ctypes.data_as(dp), b.size, b.ctypes.data_as(dp),
                                     state.size, state.ctypes.data_as(dp))
    filt, y = bind("IIR_Filtering2"), np.empty(n)
    yield ("sosfilt", lambda: oa.sosfilt(sos, x),
           (lambda: filt(address(x), n, ctypes.addressof(info), address(y)), nothing),
           lambda: scipy.signal.sosfilt(scipy_sos, x))
    yield ("get_window hann", lambda: oa.get_window("hann", n),
           in_place("GenCosWin", np.ones(n), address(np.array([0.5, 0.5])), 2, 0),
           lambda: scipy.signal.get_window("hann", n))
    std, rms = bind("StdDev"), bind("RMS")
    yield "std", lambda: oa.std(x), (lambda: std(address(x), n, pa, pb), nothing), lambda: np.std(x)
    yield "rms", lambda: oa.rms(x), (lambda: rms(address(x), n, pa), nothing), lambda: np.sqrt(np.mean(x * x))


def main():
    rng = np.random.default_rng(0)
    print(f"{'function':16} {'n':>6} {'ours':>9} {'C alone':>9} {'wrapper':>8} {'peer':>9} {'ours/peer':>9}")
    for n in SIZES:
        for name, ours, (routine, less), peer in rows(n, rng):
            t, r, l, p = best(ours, routine, less, peer)
            c_time = max(r - l, 0.0)
            print(f"{name:16} {n:6d} {t:9.2f} {c_time:9.2f} {t - c_time:8.2f} {p:9.2f} {t / p:9.2f}")
            sys.stdout.flush()


if __name__ == "__main__":
    main()
