"""Time-domain operations against numpy/scipy and direct formulas; the
streaming detectors block after block against one whole call."""
import numpy as np
import pytest
import scipy.integrate as si

import orinanalysis as oa
from orinanalysis import lowlevel
from conftest import EPS, agree


def test_time_domain_agrees_with_references(rng):
    x = rng.standard_normal(103)
    dx = 0.5
    pad = np.concatenate([[0.25], x, [-0.5]])  # initial and final samples
    wrapped = np.angle(np.exp(1j * np.cumsum(rng.uniform(-3, 3, 200))))  # steps never exactly pi
    scale = np.sum(np.abs(x)) * dx
    cases = [
        ("unwrap", oa.unwrap(wrapped), np.unwrap(wrapped), 256 * EPS * 200),
        ("decimate", oa.decimate(x, 4), x[:100:4], 0),
        ("decimate average", oa.decimate(x, 4, average=True), x[:100].reshape(-1, 4).mean(axis=1), 4 * EPS * 4),
        ("derivative", oa.derivative(x, dx, 0.25, -0.5), (pad[2:] - pad[:-2]) / (2 * dx), 4 * EPS * 4),
        ("integral", oa.integral(x, dx, 0.25, -0.5), np.cumsum((pad[:-2] + 4 * pad[1:-1] + pad[2:]) * dx / 6),
         8 * EPS * scale),
        ("trapezoid", oa.integrate(x, dx, "trapezoid"), si.trapezoid(x, dx=dx), 8 * EPS * scale),
        ("simpson", oa.integrate(x, dx, "simpson"), si.simpson(x, dx=dx), 8 * EPS * scale),  # odd n: no leftover
        ("simpson38 on a cubic", oa.integrate(np.arange(10.0) ** 3, 1.0, "simpson38"), 9.0**4 / 4, 64 * EPS * 9**4),
        ("boole on a quintic", oa.integrate(np.linspace(0, 1, 9) ** 5, 1 / 8, "boole"), 1 / 6, 64 * EPS),
        ("threshold runs", oa.threshold_peaks([0, 2, 2, 0, 3, 3, 3, 0, 5], 1.0, 2), np.array([1, 4]), 0),
    ]
    agree(cases)

    # A trapezoidal pulse: 10-90 % rise over 8 of its 10 samples (linear edge).
    pulse = np.concatenate([np.zeros(20), np.linspace(0, 1, 11), np.ones(30), np.linspace(1, 0, 11), np.zeros(20)])
    p = oa.pulse_parameters(pulse)
    assert p.rise_time == pytest.approx(0.8 * 10 * (p.amplitude / 1.0), rel=0.02)
    assert p.delay == pytest.approx(25.0, abs=0.1) and p.width == pytest.approx(41.0, abs=0.1)
    assert np.isnan(oa.pulse_parameters(np.zeros(8)).rise_time)  # no crossing: NaN, not a stale value


def test_streaming_detectors_equal_one_call(rng):
    t = np.arange(3000)
    s = np.sin(2 * np.pi * t / 97) + 0.01 * rng.standard_normal(len(t))
    cuts = np.sort(rng.choice(np.arange(1, len(t)), 40, replace=False))

    det = oa.PeakDetector(0.5, 9)
    whole = det.detect(s)
    assert len(whole.locations) == 31  # one per period above 0.5
    # Vertices of sin: within a fraction of a sample of 97 (k + 1/4).
    assert np.max(np.abs((whole.locations - 97 / 4) / 97 - np.round((whole.locations - 97 / 4) / 97))) * 97 < 1.5
    parts = [det.process(b) for b in np.split(s, cuts)] + [det.finish()]
    for field in ("locations", "amplitudes", "second_derivatives"):
        np.testing.assert_array_equal(getattr(oa.Peaks.join(parts), field), getattr(whole, field))
    valleys = oa.PeakDetector(-0.5, 9, valleys=True).detect(s)
    assert len(valleys.locations) == 31 and np.all(valleys.amplitudes < -0.5)

    # Three channels, one falling; a noisy signal dwelling near the band
    # makes cuts land where the state is "risen into the band".
    noisy = s + 0.05 * rng.standard_normal(len(t))
    sig = np.vstack([noisy, -noisy, np.round(np.cos(2 * np.pi * t / 31), 1)])
    spec = dict(levels=[0.0, 0.2, 0.0], hysteresis=[0.3, 0.1, 0.5], rising=[True, False, True])
    whole = oa.TriggerDetector(**spec).process(sig)
    blocks = oa.TriggerDetector(**spec)
    got = [np.concatenate(c) for c in zip(*(blocks.process(b) for b in np.split(sig, cuts, axis=1)))]
    for g, w in zip(got, whole):
        np.testing.assert_array_equal(g, w)
    # One library call over a stretch with fewer than 50 triggers in all.
    n = 600
    idx, counts, trig, last = np.zeros(50, np.int32), np.zeros(3, np.int32), np.zeros(3, np.int32), np.zeros(3)
    lowlevel.check("qaTriggerDetection", lowlevel.qaTriggerDetection(
        np.ascontiguousarray(sig[:, :n]), n, 3, np.array(spec["levels"]), np.full(3, np.nan),
        np.array(spec["hysteresis"]), np.array(spec["rising"], np.int32), 1000, idx, counts, trig, last))
    assert counts.sum() < 50
    ref = np.split(idx[: counts.sum()], np.cumsum(counts)[:-1])
    for w, r in zip(whole, ref):
        np.testing.assert_array_equal(w[w < n], r)
    # One trigger per period; the sines start inside their bands (previous
    # NaN: "fallen into it"), so their first edge at t = 0 does not count.
    assert [len(w) for w in whole] == [len(t) // 97, len(t) // 97, -(-len(t) // 31)]

