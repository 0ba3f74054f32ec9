"""FIR design, convolution and the median filter against scipy.signal and numpy."""
import numpy as np
import scipy.signal as ss

import orinanalysis as oa
from conftest import EPS, agree


def test_fir_family_agrees_with_scipy(rng):
    a, v = rng.standard_normal(50), rng.standard_normal(7)
    cases = [
        # The same exchange on the same 16-point grid: the same taps to rounding.
        ("remez lowpass", oa.remez(31, [0, 0.1, 0.2, 0.5], [1, 0], weight=[1, 5]),
         ss.remez(31, [0, 0.1, 0.2, 0.5], [1, 0], weight=[1, 5]), 1e-12),
        ("remez hilbert", oa.remez(31, [0.05, 0.45], [1], type="hilbert"),
         ss.remez(31, [0.05, 0.45], [1], type="hilbert"), 1e-12),
        ("remez differentiator", oa.remez(30, [0, 0.5], [1], type="differentiator"),
         ss.remez(30, [0, 0.5], [1], type="differentiator"), 1e-12),
        # Windows from the library's Kaiser series (relative error ~1e-13).
        ("firwin kaiser highpass", oa.firwin(31, 0.3, window=("kaiser", 5.0), pass_zero=False),
         ss.firwin(31, 0.3, window=("kaiser", 5.0), pass_zero=False), 1e-11),
        ("deconvolve", oa.deconvolve(np.convolve(a, v), v)[0], a, 1e-12),
        ("medfilt", oa.medfilt(a, 5), ss.medfilt(a, 5), 0),
    ]
    for pass_zero, cutoff in ((True, 0.3), (False, 0.3), (False, (0.2, 0.5)), (True, (0.2, 0.5))):
        for scale in (True, False):
            cases.append((f"firwin {pass_zero} {cutoff} {scale}", oa.firwin(31, cutoff, pass_zero=pass_zero, scale=scale),
                          ss.firwin(31, cutoff, pass_zero=pass_zero, scale=scale), 8 * EPS))
    for mode in ("full", "same", "valid"):
        for x, y in ((a, v), (v, a)):
            # Direct sums in extended precision: within a few eps of sum |x y|.
            bound = 4 * EPS * np.sum(np.abs(x)) * np.max(np.abs(y))
            cases.append((f"convolve {mode}", oa.convolve(x, y, mode), np.convolve(x, y, mode), bound))
            cases.append((f"correlate {mode}", oa.correlate(x, y, mode), np.correlate(x, y, mode), bound))
    agree(cases)

    # The narrow-band design: unit gain in the pass band, the stop band at
    # least the attenuation down, and the filter the convolution of its stages.
    fs = 1000.0
    nb = oa.narrowband(fs, 10.0, 20.0, ripple=0.01, attenuation_db=60)
    assert nb.M > 1
    taps = np.convolve(np.kron(nb.model, np.eye(1, nb.M)[0])[: (len(nb.model) - 1) * nb.M + 1], nb.image)
    np.testing.assert_allclose(nb(a), np.convolve(a, taps), atol=1e-13)
    _, h = ss.freqz(taps, worN=np.array([0.0, 5.0, 25.0, 100.0, 400.0]), fs=fs)
    assert np.all(abs(abs(h[:2]) - 1) <= 0.01) and np.all(20 * np.log10(abs(h[2:])) <= -60 + 0.5)

