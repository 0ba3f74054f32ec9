"""Calls from several threads at once give the results of one at a time."""
import threading

import numpy as np

import orinanalysis as oa
from test_measure import DT, trapezoids


def work(i):
    rng = np.random.default_rng(i)
    x = rng.standard_normal(1000 + 7 * i)
    sections = oa.ellip(4 + i % 3, 0.5, 50, 100, 1000)
    with oa.Session() as s:
        pulse = trapezoids(period=180 + 10 * i)
        timing = [s.period(pulse, DT), s.rise_time(pulse, DT), s.positive_width(pulse, DT)]
    return [oa.fft(x), oa.power_spectrum(x), oa.sosfilt(sections, x), oa.NoiseGenerator(i + 1).gaussian(501),
            oa.median(x), timing]


def run_threads(jobs, count):
    results = [None] * count
    errors = []

    def target(k):
        try:
            results[k] = jobs(k)
        except Exception as exc:  # reported below, not lost in the thread
            errors.append(exc)

    threads = [threading.Thread(target=target, args=(k,)) for k in range(count)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert not errors, errors
    return results


def same(a, b):
    for u, v in zip(a, b):
        np.testing.assert_array_equal(np.asarray(u), np.asarray(v))


def test_parallel_calls_equal_serial_ones():
    serial = [work(i) for i in range(8)]
    for _ in range(3):
        for got, want in zip(run_threads(lambda k: work(k % 8), 16), serial + serial):
            same(got, want)


def test_a_shared_session_keeps_waveforms_apart():
    a, b = trapezoids(period=200), trapezoids(period=300)
    want = {True: oa.measure("period", a, DT).value, False: oa.measure("period", b, DT).value}
    assert want[True] != want[False]
    with oa.Session() as s:
        results = run_threads(lambda k: [s.period(a if k % 2 else b, DT) for _ in range(20)], 8)
    for k, periods in enumerate(results):
        assert set(periods) == {want[bool(k % 2)]}
