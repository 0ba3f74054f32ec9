"""IIR designs against closed-form responses, and streaming against
scipy's lfilter. The designs' numerics are the C suite's; these check that
orders, ripples, attenuations, band types and states reach the library."""
import numpy as np
import pytest
import scipy.signal as ss

import orinanalysis as oa


def butterworth_gain(f, fc, fs, order):
    # Bilinear Butterworth: |H|^2 = 1 / (1 + (tan(pi f/fs) / tan(pi fc/fs))^(2N)).
    r = np.tan(np.pi * np.asarray(f) / fs) / np.tan(np.pi * fc / fs)
    return 1 / np.sqrt(1 + r ** (2 * order))


def cascade_by_lfilter(sections, x):
    """scipy's direct form (transposed), one section after the other."""
    for a, b in zip(sections.a, sections.b):
        x = ss.lfilter(b, np.concatenate([[1.0], a]), x)
    return x


def test_butterworth_designs_follow_the_closed_form():
    fs = 1000.0
    f = np.linspace(1, 499, 200)
    for order in (1, 2, 5, 8):
        s = oa.butter(order, 100, fs)
        np.testing.assert_allclose(abs(s.frequency_response(f, fs)), butterworth_gain(f, 100, fs, order), atol=1e-12)
        hp = oa.butter(order, 100, fs, "highpass")
        assert abs(abs(hp.frequency_response(100, fs)) - 2**-0.5) < 1e-12
        assert s.sos.shape == ((order + 1) // 2, 6)
    band = oa.butter(3, (100, 200), fs, "bandpass")
    assert band.a.shape == (2, 4) and band.b.shape == (2, 5)
    np.testing.assert_allclose(abs(band.frequency_response([100, 200], fs)), 2**-0.5, atol=1e-12)
    with pytest.raises(ValueError, match="fourth-order"):
        band.sos


def test_ripple_designs_reach_their_ripple_at_the_edge():
    fs, fc = 1000.0, 100.0
    ch = oa.cheby1(5, 1.0, fc, fs)
    assert abs(20 * np.log10(abs(ch.frequency_response(fc, fs))) + 1.0) < 1e-9
    # Even order: the pass-band edge at the ripple, and fs/2 (the analogue
    # infinity under the bilinear map) exactly at the stop-band level.
    el = oa.ellip(4, 0.5, 60, fc, fs)
    assert abs(20 * np.log10(abs(el.frequency_response(fc, fs))) + 0.5) < 1e-6
    assert abs(20 * np.log10(abs(el.frequency_response(fs / 2, fs))) + 60) < 1e-6
    inv = oa.cheby2(4, 40, fc, fs)
    assert abs(20 * np.log10(abs(inv.frequency_response(fc, fs))) + 40) < 1e-6


def test_design_arguments_are_checked_before_the_call():
    with pytest.raises(ValueError, match="btype"):
        oa.butter(2, 100, 1000, "notch")
    with pytest.raises(ValueError, match=r"\(low, high\)"):
        oa.butter(2, 100, 1000, "bandpass")


def test_streaming_equals_one_pass_and_the_reference(rng):
    x = rng.standard_normal(1500)
    for sections in (oa.ellip(5, 0.5, 60, 100, 1000), oa.cheby1(3, 1, (50, 150), 1000, "bandstop")):
        whole = oa.sosfilt(sections, x)
        np.testing.assert_allclose(whole, cascade_by_lfilter(sections, x), rtol=0, atol=1e-12)
        f = oa.IIRFilter(sections)
        cuts = np.sort(rng.choice(np.arange(1, 1500), 9, replace=False))
        pieces = [f(block) for block in np.split(x, cuts)]
        np.testing.assert_array_equal(np.concatenate(pieces), whole)
        # zi / zf hand the state over to a fresh filter.
        y1, zf = oa.sosfilt(sections, x[:700], zi=np.zeros(sections.a.shape))
        y2, _ = oa.sosfilt(sections, x[700:], zi=zf)
        np.testing.assert_array_equal(np.concatenate([y1, y2]), whole)
        f.reset()
        frozen = x.copy()
        frozen.flags.writeable = False  # read in place, never written
        np.testing.assert_array_equal(f(frozen), whole)
