"""Every wrapper that calls a library routine raises OrinError carrying the
routine's name and the code it returned: one row for each routine a wrapper
calls (the codes themselves are held by the C suites' contract rows)."""
import numpy as np
import pytest

import orinanalysis as oa
from orinanalysis import linalg as la


@pytest.mark.parametrize("call, routine, code", [
    # Transforms, windows, IIR and FIR filters, generators.
    (lambda: oa.fft([]), "FFTCx", -20003),
    (lambda: oa.ifft([]), "InvFFTCx", -20008),
    (lambda: oa.power_spectrum([]), "Spectrum", -20005),
    (lambda: oa.hilbert_transform([1.0]), "Hilbert", -20006),
    (lambda: oa.fht(np.ones(12)), "FHT", -20009),
    (lambda: oa.get_window(("exponential", 0.0), 10), "ExpWin", -20027),
    (lambda: oa.butter(0, 100, 1000), "BWCoefs", -20021),
    (lambda: oa.cheby1(2, -1, 100, 1000), "ChebyshevCoefs", -20024),
    (lambda: oa.ellip(3, 1, 0.5, 100, 1000), "EllipticCoefs", -20028),
    (lambda: oa.IIRFilter(oa.butter(2, 100, 1000)).filter([]), "IIR_Filtering2", -20003),
    (lambda: oa.remez(2, [0, 0.5], [1]), "Equi_Ripple_Iter", -20031),
    (lambda: oa.firwin(30, 0.3, pass_zero=False), "FIR_Coef", -20033),
    (lambda: oa.convolve([], [1.0]), "Convolve", -20003),
    (lambda: oa.medfilt([1.0, 2.0], 5), "MedianFilter", -20008),
    (lambda: oa.deconvolve([1.0, 2.0], [1.0, 1, 1, 1]), "Deconvolution", -20008),
    (lambda: oa.narrowband(1000.0, 20.0, 10.0), "FIRNarrowCoef", -20031),
    (lambda: oa.WaveformGenerator("sine", frequency=0.013).generate(0), "SineWave", -20003),
    # Statistics.
    (lambda: oa.mean([]), "StdDev", -20003),
    (lambda: oa.median([]), "Median", -20003),
    (lambda: oa.rms([]), "RMS", -20003),
    (lambda: oa.moment([1.0, 2.0], 0), "Moment", -20021),
    (lambda: oa.general_histogram([], [(0, 1)]), "GeneralHistogram", -20003),
    (lambda: oa.betainc(1.0, 1.0, 1.5), "BetaI", -20057),
    (lambda: oa.stats.t.cdf(1.0, 0), "T_Dist", -20052),
    (lambda: oa.stats.norm.ppf(1.0), "InvN_Dist", -20053),
    (lambda: oa.f_oneway([1.0, 2.0]), "ANOVA1Way", -20042),
    (lambda: oa.anova2(np.arange(5.0), np.array([0, 0, 1, 1, 1]), np.array([0, 1, 0, 1, 1])), "ANOVA2Way", -20045),
    (lambda: oa.chi2_contingency([[1, 2]]), "Contingency_Table", -20055),
    # Linear algebra.
    (lambda: la.solve(np.ones((2, 3)), [1, 2]), "LUFactor", -20040),
    (lambda: la.solve(np.eye(2), [1, 2, 3]), "LULinEqs", -20002),
    (lambda: la.inv(np.zeros((0, 0))), "InvMatrix", -20003),
    (lambda: la.lu_solve((np.eye(2), [0, 5]), [1, 2]), "LULinEqs", -20017),
    (lambda: la.cholesky([[1.0, 2], [2, 1]]), "Cholesky", -20041),
    (lambda: la.qr(np.eye(2, dtype=complex), algorithm="givens"), "Cxqrd", -20061),
    (lambda: la.svd([[1.0, np.nan], [0, 1]]), "SVD", -20062),
    (lambda: la.cond(np.zeros((2, 2))), "CondNumber", -20041),
    (lambda: la.eig(np.ones((2, 3))), "GenEigenValueVector", -20040),
    # Time-domain operations.
    (lambda: oa.unwrap([]), "UnWrap1D", -20003),
    (lambda: oa.decimate([1.0, 2.0], 3), "Decimate", -20022),
    (lambda: oa.integral([1.0], 0.0), "Integral", -20016),
    (lambda: oa.derivative([], 1.0), "Derivative", -20003),
    (lambda: oa.integrate([1.0, 2.0], 1.0, "boole"), "NumerIntegration", -20008),
    (lambda: oa.threshold_peaks([1.0, 2.0], 0.0, 2), "PeakDetector", -20013),
    (lambda: oa.PeakDetector(0.0, 2).detect(np.ones(10)), "PeakD", -20061),
    (lambda: oa.pulse_parameters([]), "PulseParam", -20003),
    # Interpolation, fitting and array operations.
    (lambda: oa.poly_interp([1.0, 1.0], [1.0, 2.0], 0.5), "PolyInterp", -20049),
    (lambda: oa.CubicSpline([1.0], [2.0], "clamped"), "Spline", -20006),
    (lambda: oa.roots([1.0, np.nan]), "CxPolyRoots", -20063),
    (lambda: oa.polyval([], [1.0]), "PolyEv1D", -20003),
    (lambda: oa.general_linear_fit(np.ones((2, 3)), [1.0, 2.0]), "GenLSFitCoef", -20037),
    (lambda: oa.normalize(np.zeros(0)), "Normal1D", -20003),
])
def test_errors_carry_the_routine_and_its_code(call, routine, code):
    with pytest.raises(oa.OrinError) as info:
        call()
    assert (info.value.routine, info.value.code) == (routine, code)
    assert info.value.name.startswith("kErr") and str(code) in str(info.value)
