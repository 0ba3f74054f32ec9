"""Interpolation, polynomials, general fits and array operations against
numpy/scipy, closed forms and the NIST StRD Longley certified values."""
import numpy as np
import scipy.interpolate as si
import scipy.stats as st

import orinanalysis as oa
from conftest import EPS, agree

# NIST StRD "Longley" (y, then x1..x6) and its certified coefficients
# (intercept first): a notoriously ill-conditioned linear regression.
LONGLEY = np.array([
    [60323, 83.0, 234289, 2356, 1590, 107608, 1947], [61122, 88.5, 259426, 2325, 1456, 108632, 1948],
    [60171, 88.2, 258054, 3682, 1616, 109773, 1949], [61187, 89.5, 284599, 3351, 1650, 110929, 1950],
    [63221, 96.2, 328975, 2099, 3099, 112075, 1951], [63639, 98.1, 346999, 1932, 3594, 113270, 1952],
    [64989, 99.0, 365385, 1870, 3547, 115094, 1953], [63761, 100.0, 363112, 3578, 3350, 116219, 1954],
    [66019, 101.2, 397469, 2904, 3048, 117388, 1955], [67857, 104.6, 419180, 2822, 2857, 118734, 1956],
    [68169, 108.4, 442769, 2936, 2798, 120445, 1957], [66513, 110.8, 444546, 4681, 2637, 121950, 1958],
    [68655, 112.6, 482704, 3813, 2552, 123366, 1959], [69564, 114.2, 502601, 3931, 2514, 125368, 1960],
    [69331, 115.7, 518173, 4806, 2572, 127852, 1961], [70551, 116.9, 554894, 4007, 2827, 130081, 1962]])
LONGLEY_CERTIFIED = np.array([-3482258.63459582, 15.0618722713733, -0.358191792925910e-01, -2.02022980381683,
                              -1.03322686717359, -0.511041056535807e-01, 1829.15146461355])


def _ordered(roots):
    """Roots by real part (to 1e-8, so a conjugate pair is ordered by its
    imaginary parts), then imaginary part."""
    return np.array(sorted(roots, key=lambda c: (round(c.real, 8), c.imag)))


def test_interpolation_fitting_and_arrays_agree_with_references(rng):
    x = np.sort(rng.uniform(0, 10, 12))
    y = np.sin(x)
    xi = np.linspace(0.5, 9.5, 7)
    nodes, inside = x[[0, 2, 4, 6, 8, 11]], np.linspace(x[0], x[11], 7)
    quintic = [0.01, -0.2, 0.5, 1.0, -2.0, 3.0]  # degree 5, through 6 points exactly
    p = [2.0, -3.0, 0.5, 7.0, 1.0]
    z = rng.standard_normal((3, 4))
    H = np.vander(np.linspace(0, 1, 20), 4)
    sigma = rng.uniform(0.5, 2, 20)
    obs = H @ [1.0, 2.0, 3.0, 4.0] + 0.01 * sigma * rng.standard_normal(20)
    w = H / sigma[:, None]
    cases = [
        # Neville on 6 points of a quintic, inside their span: exact up to the
        # rounding of the tableau, a few hundred eps of the values (|p| < 1e3).
        ("poly_interp", oa.poly_interp(nodes, np.polyval(quintic, nodes), inside)[0], np.polyval(quintic, inside),
         512 * EPS * 1e3),
        ("rational_interp at a node", oa.rational_interp(x, y, x[3]), (y[3], 0.0), 0),
        ("polyval", oa.polyval(p, xi), np.polyval(p, xi), 16 * EPS * np.polyval(np.abs(p), xi.max())),
        ("roots", _ordered(oa.roots(p)), _ordered(np.roots(p)), 1e-12),
        ("roots leading zero", oa.roots([0, 1, 2]), [-2], 0),
        ("polar", oa.to_polar([3 + 4j, -1]), ([5, 1], [np.arctan2(4, 3), np.pi]), EPS),
        ("rect", oa.to_rect([5, 1], [np.arctan2(4, 3), np.pi]), [3 + 4j, -1], 8 * EPS),
        ("polar huge", oa.to_polar(3e300, 4e300)[0], 5e300, 4 * EPS * 5e300),
        ("normalize", oa.normalize(z)[0], st.zscore(z, axis=None), 16 * EPS),
        ("scale", oa.scale([1.0, 2.0, 5.0]), ([-1.0, -0.5, 1.0], 3.0, 2.0), EPS),
        ("scale_by_max", oa.scale_by_max([[-4.0, 2.0]]), ([[-1.0, 0.5]], 4.0), 0),
        ("unit_vector", oa.unit_vector([3.0, 4.0]), ([0.6, 0.8], 5.0), EPS),
        # Weighted fit: the same as the least squares of the scaled rows; the
        # covariance is (H^T W^2 H)^-1.
        ("weighted fit", oa.general_linear_fit(H, obs, sigma)[0], np.linalg.lstsq(w, obs / sigma, rcond=None)[0],
         64 * EPS * np.linalg.cond(w) * 10),
        ("covariance", oa.general_linear_fit(H, obs, sigma)[1], np.linalg.inv(w.T @ w),
         64 * EPS * np.linalg.cond(w) ** 2 * 1e3),
        ("lm_step", oa.lm_step([[4.0, 1.0], [1.0, 3.0]], [1.0, 2.0], [0.5, -0.5], 0.1),
         np.array([0.5, -0.5]) + np.linalg.solve([[4.0 * 1.1 + 0.1, 1.0], [1.0, 3.0 * 1.1 + 0.1]], [1.0, 2.0]),
         16 * EPS),
    ]
    for bc in ("natural", "clamped", ((1, 0.5), (1, -0.2))):
        cases.append((f"spline {bc}", oa.CubicSpline(x, y, bc)(xi), si.CubicSpline(x, y, bc_type=bc)(xi), 64 * EPS))
    agree(cases)

    # Longley: the default (Householder) keeps 14 digits; the normal
    # equations lose about half of them (cond(H)^2 ~ 1e15).
    h = np.hstack([np.ones((16, 1)), LONGLEY[:, 1:]])
    digits = {m: -np.log10(np.max(np.abs(oa.general_linear_fit(h, LONGLEY[:, 0], method=m, covariance=False)
                                         - LONGLEY_CERTIFIED) / np.abs(LONGLEY_CERTIFIED)))
              for m in ("householder", "givens", "svd", "cholesky")}
    assert digits["householder"] >= 13.5 and digits["givens"] >= 11
    assert digits["householder"] > max(digits.values()) - 1e-9

