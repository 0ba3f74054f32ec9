"""Generators: state held by the Python objects across blocks, and
closed-form waveforms."""
import numpy as np
import pytest

import orinanalysis as oa
from conftest import EPS


def test_uniform_noise_continues_the_objects_own_stream():
    # The stream is the C suite's (Wichmann-Hill from its definition); here
    # the seeds live in the object: a block equals the same seed's values
    # drawn one at a time and scaled to [-amp, amp). frandnum rounds the sum
    # to double, the block may keep it extended: eps amp, and eps amp for
    # each of the scaling's roundings.
    for seed in (1, 4711, 30000):
        g, one = oa.NoiseGenerator(seed), oa.NoiseGenerator(seed)
        assert g.state == (seed, seed * 8191 & 16383, (seed * 8191 & 16383) * 8191 & 16383)
        want = np.array([(one.random() - 0.5) * 2 * 2.5 for _ in range(500)])
        np.testing.assert_allclose(g.uniform(500, 2.5), want, rtol=0, atol=4 * 2.5 * EPS)
        assert g.state == one.state


def test_blocks_continue_one_sequence():
    whole_u, whole_g = oa.NoiseGenerator(99).uniform(1001), oa.NoiseGenerator(99).gaussian(1001)
    gu, gg = oa.NoiseGenerator(99), oa.NoiseGenerator(99)
    sizes = [1, 2, 3, 333, 662]  # odd sizes leave a Gaussian spare between calls
    np.testing.assert_array_equal(np.concatenate([gu.uniform(k) for k in sizes]), whole_u)
    np.testing.assert_array_equal(np.concatenate([gg.gaussian(k) for k in sizes]), whole_g)
    # sd reaches the library (a power of two scales exactly); the distribution
    # is the C suite's (the polar method on the reference stream).
    np.testing.assert_array_equal(oa.NoiseGenerator(99).gaussian(1001, sd=2.0), 2 * whole_g)


def test_periodic_noise_has_a_flat_spectrum():
    for n in (64, 99):
        x = oa.NoiseGenerator(7).periodic(n, amplitude=0.5)
        mag = np.abs(np.fft.fft(x))
        k = (n - 1) // 2 if n % 2 else n // 2 - 1
        np.testing.assert_allclose(mag[1 : k + 1], 0.5 * n / 2, rtol=1e-12)
        assert mag[0] < 1e-12 and (n % 2 or mag[n // 2] < 1e-12)


def test_waveforms_follow_their_closed_forms_across_blocks():
    f, phase0 = 0.013, 30.0
    w = oa.WaveformGenerator("sine", frequency=f, amplitude=1.5, phase=phase0)
    x = np.concatenate([w.generate(k) for k in (100, 1, 399)])
    i = np.arange(500)
    # The phase is reduced to [0, 360) between blocks: one rounding there.
    np.testing.assert_allclose(x, 1.5 * np.sin(np.deg2rad(phase0 + 360 * f * i)), atol=1e-11)
    assert abs(w.phase - (phase0 + 360 * f * 500) % 360) < 1e-9
    sq = oa.WaveformGenerator("square", frequency=0.01, duty=25).generate(200)
    q = (360 * 0.01 * np.arange(200)) % 360
    np.testing.assert_array_equal(sq[np.abs(q - 90) > 1e-6], np.where(q < 90, 1.0, -1.0)[np.abs(q - 90) > 1e-6])


def test_chirp_and_argument_checks():
    n, f1, f2 = 400, 0.01, 0.2
    i = np.arange(n)
    np.testing.assert_allclose(oa.chirp(n, f1, f2, 2.0), 2.0 * np.sin(i * ((f2 - f1) * np.pi / n * i + 2 * np.pi * f1)),
                               atol=1e-12)
    with pytest.raises(ValueError, match="seed"):
        oa.NoiseGenerator(0)
    with pytest.raises(TypeError, match="integer"):
        oa.NoiseGenerator(1).uniform(2.5)
