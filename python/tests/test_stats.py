"""Descriptive statistics against numpy and direct formulas."""
import numpy as np
import pytest
import scipy.special as sp
import scipy.stats as st

import orinanalysis as oa
from conftest import EPS, agree


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


def _main_effect_ss(cells, axis):
    """Sum of squares of one factor of a balanced design held as an array
    indexed by the levels of each factor, replicates last."""
    means = cells.mean(axis=tuple(i for i in range(cells.ndim) if i != axis))
    return cells.size / len(means) * np.sum((means - cells.mean()) ** 2)


def test_histograms_distributions_and_tests_agree_with_scipy(rng):
    x = rng.standard_normal(1000)
    v = np.linspace(-3, 3, 13)
    q = np.array([0.01, 0.3, 0.5, 0.9, 0.999])
    groups = [rng.standard_normal(n) + 0.3 * i for i, n in enumerate((5, 8, 11))]
    a, b = np.repeat(np.arange(3), 8), np.tile(np.repeat(np.arange(2), 4), 3)
    y = rng.standard_normal(24) + 0.5 * a
    table = np.array([[10, 20, 30], [6, 9, 17]])
    cases = [
        ("histogram counts", oa.histogram(x, 17)[0], np.histogram(x, 17)[0], 0),
        ("histogram edges", oa.histogram(x, 17)[1], np.histogram(x, 17)[1], 0),
        ("histogram density", oa.histogram(x, 5, (-1, 1), density=True)[0],
         np.histogram(x, 5, (-1, 1), density=True)[0], 4 * EPS),
        ("histogram constant", oa.histogram([2.0, 2.0], 3)[0], np.histogram([2.0, 2.0], 3)[0], 0),
        ("general histogram", oa.general_histogram([0, 1, 2, 3, 4], [(0, 1), (1, 3)], "[]")[0], [2, 3], 0),
        # Accuracies the routines state: erf to 1e-15 relative, the incomplete
        # beta to 1e-7, the Lanczos series to 2e-10, the normal function
        # (A&S 26.2.16) to about 1e-5 and its inverse (26.2.23) to 4.5e-4,
        # t and F through the incomplete beta (2e-7), chi-square odd degrees
        # twice the normal's error, bisected inverses to a 1e-4 bracket.
        ("erf", oa.erf(v), sp.erf(v), 4 * EPS),
        ("betainc", oa.betainc(2.5, 3.0, np.linspace(0, 1, 11)), sp.betainc(2.5, 3.0, np.linspace(0, 1, 11)), 1e-7),
        ("gammaln", oa.gammaln([0.5, 3.0, 10.5, 100.0]), sp.gammaln([0.5, 3.0, 10.5, 100.0]), 2e-10 * 400),
        ("norm cdf", oa.stats.norm.cdf(v, 1.0, 2.0), st.norm.cdf(v, 1.0, 2.0), 1.2e-5),
        ("norm ppf", oa.stats.norm.ppf(q[:-1]), st.norm.ppf(q[:-1]), 4.5e-4),
        ("t cdf", oa.stats.t.cdf(v, 5), st.t.cdf(v, 5), 2e-7),
        ("t ppf", oa.stats.t.ppf(q, 5), st.t.ppf(q, 5), 1e-4),
        ("chi2 cdf odd", oa.stats.chi2.cdf(v + 3, 3), st.chi2.cdf(v + 3, 3), 2.4e-5),
        ("chi2 ppf", oa.stats.chi2.ppf(q[:-1], 4), st.chi2.ppf(q[:-1], 4), 1e-4),
        ("f cdf", oa.stats.f.cdf(v + 3, 3, 7), st.f.cdf(v + 3, 3, 7), 2e-7),
        ("f ppf", oa.stats.f.ppf(q[:-1], 3, 7), st.f.ppf(q[:-1], 3, 7), 1e-4),
        ("f_oneway", list(oa.f_oneway(*groups)), list(st.f_oneway(*groups)), 2e-7),
        ("chi2_contingency", np.hstack(oa.chi2_contingency(table)[:3] + (oa.chi2_contingency(table)[3].ravel(),)),
         np.hstack(st.chi2_contingency(table, correction=False)[:3] + (
             st.chi2_contingency(table, correction=False)[3].ravel(),)), 1e-7),
    ]
    agree(cases)
    # Two- and three-way balanced designs (4 and 3 per cell): the main
    # effects' and the cells' sums of squares, the interactions' by the total;
    # then each row's MS, F and p (F through the incomplete beta, 2e-7).
    idx = np.array(np.meshgrid(range(2), range(2), range(2), range(3), indexing="ij")).reshape(4, -1)
    z = rng.standard_normal(24) + idx[0]
    for t, cells in ((oa.anova2(y, a, b).table, y.reshape(3, 2, 4)),
                     (oa.anova3(z, idx[0], idx[1], idx[2]).table, z.reshape(2, 2, 2, 3))):
        tol = 64 * EPS * np.sum(cells**2)
        for axis in range(cells.ndim - 1):
            assert abs(t["SS"][axis] - _main_effect_ss(cells, axis)) <= tol, axis
        assert abs(t["SS"][-1] - np.sum((cells - cells.mean(-1, keepdims=True)) ** 2)) <= tol
        assert abs(t["SS"].sum() - np.sum((cells - cells.mean()) ** 2)) <= tol
        np.testing.assert_allclose(t["MS"], t["SS"] / t["df"], rtol=4 * EPS)
        np.testing.assert_allclose(t["F"][:-1], t["MS"][:-1] / t["MS"][-1], rtol=8 * EPS)
        np.testing.assert_allclose(t["p"][:-1], st.f.sf(t["F"][:-1], t["df"][:-1], t["df"][-1]), atol=2e-7)
