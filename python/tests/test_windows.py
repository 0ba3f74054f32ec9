"""Windows against their closed forms (periodic forms, denominator n)."""
import numpy as np
import pytest

import orinanalysis as oa
from conftest import EPS


def cosine_sum(a, n):
    i = np.arange(n)
    return sum((-1) ** k * c * np.cos(2 * np.pi * k * i / n) for k, c in enumerate(a))


def test_cosine_windows_match_their_sums():
    for name, a in oa.windows.COSINE_WINDOWS.items():
        for n in (1, 2, 7, 64, 1001):
            # The weights come from a rotation recurrence: error grows ~ n eps.
            np.testing.assert_allclose(oa.get_window(name, n), cosine_sum(a, n), rtol=0, atol=8 * n * EPS,
                                       err_msg=f"{name} n={n}")
    np.testing.assert_allclose(oa.get_window(("general_cosine", [0.3, 0.7]), 16), cosine_sum([0.3, 0.7], 16),
                               atol=1e-14)


def test_parametric_windows_match_closed_forms():
    n = 50
    i = np.arange(n)
    beta = 6.0
    t = 1 - 2 * i / n
    # The library's Bessel series stops at 1e-8 per term.
    np.testing.assert_allclose(oa.get_window(("kaiser", beta), n), np.i0(beta * np.sqrt(1 - t**2)) / np.i0(beta),
                               rtol=1e-7)
    h = n // 2
    tri = np.where(i <= h, i / h, (n - i) / h)
    np.testing.assert_allclose(oa.get_window("triangle", n), tri, atol=1e-15)
    np.testing.assert_allclose(oa.get_window(("exponential", 0.1), n), np.exp(i * np.log(0.1) / (n - 1)), rtol=1e-14)
    np.testing.assert_array_equal(oa.get_window(("force", 30), n), (i < 15).astype(float))


def test_complex_signals_get_the_same_weight_on_both_parts(rng):
    z = rng.standard_normal(40) + 1j * rng.standard_normal(40)
    for window in ("hann", ("kaiser", 3.0), "triangle"):
        w = oa.get_window(window, 40)
        np.testing.assert_allclose(oa.apply_window(z, window), z * w, rtol=1e-15)


def test_window_arguments_are_checked_before_the_call():
    with pytest.raises(ValueError, match="unknown window"):
        oa.get_window("gaussian", 10)
    with pytest.raises(ValueError, match="beta"):
        oa.get_window("kaiser", 10)
