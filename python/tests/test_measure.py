"""Pulse measurements of trapezoid trains whose timing is known in closed
form. On a straight ramp, linear interpolation between samples is exact, so
the only errors are roundings of t0 + (i + fraction) dt: a few eps of the
record's end time."""
import gc

import numpy as np
import pytest

import orinanalysis as oa
from conftest import EPS

DT = 1e-9


def trapezoids(period=200, start=20, rise=16, high=70, fall=24, cycles=4, amplitude=2.0):
    """Train of trapezoids: low 0, ramps of `rise` and `fall` samples, flat
    top of `high` samples between them."""
    t = np.arange(period * cycles)
    p = t % period
    x = np.interp(p, [0, start, start + rise, start + rise + high, start + rise + high + fall, period],
                  [0, 0, 1, 1, 0, 0])
    return amplitude * x


def test_timing_follows_the_trapezoid_geometry():
    x = trapezoids()
    tol = 64 * EPS * len(x) * DT
    want = {
        "rise_time": 0.8 * 16 * DT, "fall_time": 0.8 * 24 * DT, "period": 200 * DT, "frequency": 1 / (200 * DT),
        "positive_width": (16 / 2 + 70 + 24 / 2) * DT, "negative_width": (200 - 90) * DT,
        "positive_duty_cycle": 90 / 200, "peak_to_peak": 2.0, "maximum": 2.0, "minimum": 0.0,
        "rising_slew_rate": 0.8 * 2.0 / (0.8 * 16 * DT),
        "mid_reference": 1.0, "high_reference": 1.8,
    }
    # Relative error of a time interval: the endpoint roundings (64 eps of
    # the record's end) over the shortest interval measured (12.8 samples).
    rel = 64 * EPS * len(x) / 12.8
    with oa.Session() as s:
        for name, value in want.items():
            got = getattr(s, name)(x, DT, (10, 50, 90), method="minmax")
            assert abs(got - value) <= rel * abs(value) + 8 * EPS, (name, got, value)
        m = s.measure("rise_time", x, DT, method="minmax", occurrence=2, t0=1e-6)
    # Second rise: from 10 % at sample 220 + 1.6 to 90 % at 220 + 14.4.
    np.testing.assert_allclose(m.cursor.x[0], 1e-6 + (220 + 1.6) * DT, rtol=0, atol=tol)
    np.testing.assert_allclose(m.cursor.x[2], 1e-6 + (220 + 14.4) * DT, rtol=0, atol=tol)
    np.testing.assert_allclose([m.cursor.y[0], m.cursor.y[2]], [0.2, 1.8], atol=4 * EPS)


def test_engine_errors_name_the_code():
    x = trapezoids(cycles=3)
    cases = [(dict(levels=(90, 50, 10)), -20313), (dict(dt=0.0), -20315), (dict(occurrence=4), -20308),
             (dict(x=[]), -20312)]
    with oa.Session() as s:
        for change, code in cases:
            args = dict(x=x, dt=DT, levels=(10, 50, 90))
            args.update(change)
            with pytest.raises(oa.OrinError) as info:
                s.measure("period", **args)
            e = info.value
            assert e.code == code and e.routine == "measurements_fetch" and e.name.startswith("kErr")
            assert "period" in str(e)
    with pytest.raises(ValueError, match="unknown measurement"):
        oa.measure("jitter", x, DT)


def test_sessions_are_destroyed_when_closed_or_dropped():
    with oa.Session() as s:
        sid = s.id
        s.amplitude(trapezoids(), DT)
    assert oa.lowlevel.measurements_clear(sid) == -20321
    s.close()  # idempotent
    with pytest.raises(ValueError, match="closed"):
        s.amplitude(trapezoids(), DT)
    dropped = oa.Session()
    sid = dropped.id
    assert oa.lowlevel.measurements_clear(sid) == 0
    del dropped
    gc.collect()
    assert oa.lowlevel.measurements_clear(sid) == -20321
