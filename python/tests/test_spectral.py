"""Transforms and spectra against numpy.fft and closed forms.

Tolerances: a floating-point FFT has a norm-wise error of order
eps * log2(n) * ||X||; the bound below allows a factor 8 on that (the
chirp-z path for large primes runs two extra transforms of twice the size).
"""
import numpy as np
import pytest

import orinanalysis as oa
from conftest import EPS

LENGTHS = [1, 2, 3, 5, 8, 12, 97, 210, 1000, 1024, 4099]


def close(got, want, n):
    rel = 8 * EPS * max(1.0, np.log2(n))
    if n & (n - 1):
        # The mixed-radix butterflies of 3, 5 and 10 use constants rounded to
        # 14 significant digits: up to about 1e-14 relative per stage.
        rel += 2e-14 * np.log2(n)
    bound = rel * np.linalg.norm(want)
    assert np.linalg.norm(got - want) <= bound, (n, np.linalg.norm(got - want), bound)


def test_transforms_agree_with_numpy(rng):
    for n in LENGTHS:
        z = rng.standard_normal(n) + 1j * rng.standard_normal(n)
        x = rng.standard_normal(n)
        close(oa.fft(z), np.fft.fft(z), n)
        close(oa.ifft(z), np.fft.ifft(z), n)
        close(oa.rfft(x), np.fft.rfft(x), n)
        # Imaginary DC and Nyquist parts are ignored; bins beyond n/2 too,
        # missing ones count as zero (as numpy).
        X = np.fft.rfft(x) + 1j
        for m in (1, n, n + 1, 2 * n):
            close(oa.irfft(X, m), np.fft.irfft(X, m), m)


def test_inputs_are_converted_never_misread(rng):
    x = rng.standard_normal(64)
    strided = np.repeat(x, 2)[::2]  # non-contiguous view of x
    assert not strided.flags.c_contiguous
    close(oa.fft(strided), np.fft.fft(x), 64)
    z = x + 1j * x[::-1]
    close(oa.fft(np.repeat(z, 2)[::2]), np.fft.fft(z), 64)
    close(oa.rfft(x.astype(">f8")), np.fft.rfft(x), 64)
    frozen = x.copy()
    frozen.flags.writeable = False
    assert oa.std(frozen) == oa.std(x) and oa.rms(x[::2]) == oa.rms(x[::2].copy())
    # Integers, float32 and strided views (0, 3, 6, 9) for the statistics too.
    assert oa.median(np.array([3, 1, 2, 10])) == 2.5 and oa.median(np.arange(10.0)[::3]) == 4.5
    assert oa.mean(np.array([1, 2], np.float32)) == 1.5
    close(oa.fft(x.astype(np.float32)), np.fft.fft(x.astype(np.float32).astype(np.float64)), 64)
    np.testing.assert_array_equal(oa.rfft(np.arange(6)), oa.rfft(np.arange(6.0)))
    np.testing.assert_array_equal(strided, x.repeat(2)[::2])  # input untouched
    with pytest.raises(TypeError, match="must be real"):
        oa.rfft(x + 1j)
    with pytest.raises(ValueError, match="one-dimensional"):
        oa.fft(np.zeros((4, 4)))
    with pytest.raises(TypeError, match="numeric"):
        oa.fft(np.array(["a", "b"]))


def test_overwrite_x_works_in_place_and_copies_otherwise(rng):
    z = rng.standard_normal(30) + 0j
    want = np.fft.fft(z)
    out = oa.fft(z, overwrite_x=True)
    assert out is z
    close(z, want, 30)
    y = rng.standard_normal(30)  # real: cannot hold the spectrum, so copied
    assert oa.fft(y, overwrite_x=True) is not y


def test_spectra_hilbert_and_hartley_come_back_from_their_handles(rng):
    # Their numerics are the C suite's (direct DFTs, closed forms); one
    # comparison each shows the handles and the halves of the cross spectrum
    # come back in place. A product of two transforms, each within
    # rel ||X|| (see close), is within 2 rel ||X|| ||Y||.
    x, y = rng.standard_normal(100), rng.standard_normal(60)
    X, Y = np.fft.fft(x), np.fft.fft(np.concatenate([y, np.zeros(40)]))  # the shorter is zero-padded
    rel = 8 * EPS * np.log2(100) + 2e-14 * np.log2(100)
    assert np.max(np.abs(oa.power_spectrum(x) - np.abs(X) ** 2 / 100**2)) <= 2 * rel * np.linalg.norm(X) ** 2 / 100**2
    bound = 2 * rel * np.linalg.norm(X) * np.linalg.norm(Y) / 100**2
    assert np.max(np.abs(oa.cross_spectrum(x, y) - np.conj(X) * Y / 100**2)) <= bound
    t = np.arange(100)
    x = np.cos(2 * np.pi * 3 * t / 100) + 0.5 * np.cos(2 * np.pi * 7 * t / 100 + 0.3) + 2.0
    want = np.sin(2 * np.pi * 3 * t / 100) + 0.5 * np.sin(2 * np.pi * 7 * t / 100 + 0.3)
    np.testing.assert_allclose(oa.hilbert_transform(x), want, atol=1e-13)
    x = rng.standard_normal(256)
    X = np.fft.fft(x)
    close(oa.fht(x), X.real - X.imag, 256)
    close(oa.fht(oa.fht(x), inverse=True), x, 256)
