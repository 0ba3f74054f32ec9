"""Descriptive statistics against numpy and direct formulas."""
import numpy as np
import pytest

import orinanalysis as oa
from conftest import EPS


def test_statistics_agree_with_numpy(rng):
    for n in (1, 2, 7, 1000):
        x = rng.standard_normal(n) * 3 + 1
        tol = 4 * n * EPS * np.abs(x).max()
        assert abs(oa.mean(x) - np.mean(x)) <= tol
        assert abs(oa.median(x) - np.median(x)) == 0
        assert abs(oa.rms(x) - np.sqrt(np.mean(x**2))) <= tol
        assert abs(oa.moment(x, 3) - np.mean((x - x.mean()) ** 3)) <= tol * np.abs(x).max() ** 2 * 8
        y = rng.standard_normal(n + 3)
        assert abs(oa.mse(x, y) - np.mean((x - y[:n]) ** 2)) <= tol * 8 * np.abs(x - y[:n]).max()
    # One-pass sdev sqrt(|E x^2 - mean^2|) loses digits to cancellation:
    # its error is about eps * E x^2 / sdev.
    x = rng.standard_normal(1000) + 1
    assert abs(oa.std(x) - np.std(x)) <= 64 * EPS * np.mean(x**2) / np.std(x)


def test_inputs_of_other_types_are_converted():
    ints = np.array([3, 1, 2, 10], dtype=np.int64)
    assert oa.median(ints) == 2.5
    assert oa.mean(np.array([1, 2], np.float32)) == 1.5
    assert oa.median(np.arange(10.0)[::3]) == 4.5  # 0, 3, 6, 9
    with pytest.raises(TypeError, match="must be real"):
        oa.mean([1j])


def test_empty_input_and_bad_order_raise():
    for fn in (oa.mean, oa.median, oa.rms):
        with pytest.raises(oa.OrinError, match="kErrEmptyArray"):
            fn([])
    with pytest.raises(oa.OrinError) as info:
        oa.moment([1.0, 2.0], 0)
    assert (info.value.routine, info.value.code) == ("Moment", -20021)


def test_fits_agree_with_numpy_polyfit(rng):
    x = np.linspace(0, 5, 40)
    y = 2.5 * x - 1 + 0.1 * rng.standard_normal(40)
    slope, intercept = oa.linear_fit(x, y)
    want = np.polyfit(x, y, 1)
    # Normal equations of a well-conditioned 2x2 problem: a few hundred eps.
    np.testing.assert_allclose([slope, intercept], want, rtol=1e-12, atol=1e-12)
    z = -3.0 * np.exp(-0.7 * x) * np.exp(0.01 * rng.standard_normal(40))
    amp, damping = oa.exponential_fit(x, z)
    b, a = np.polyfit(x, np.log(-z), 1)
    np.testing.assert_allclose([amp, damping], [-np.exp(a), b], rtol=1e-12)
    with pytest.raises(oa.OrinError) as info:
        oa.exponential_fit(x, np.where(x < 2, z, -z))
    assert info.value.code == -20036
    with pytest.raises(ValueError, match="differ in length"):
        oa.linear_fit(x, y[:-1])
