"""Descriptive statistics (sums kept in extended precision), histograms,
distributions, analysis of variance and contingency tables."""
from __future__ import annotations

from typing import Any, Dict, Optional, Tuple

import numpy as np

from . import lowlevel
from ._arrays import count, real_view
from ._fast import address, bind
from .errors import OrinError, check

__all__ = ["mean", "std", "mean_std", "median", "rms", "moment", "mse", "histogram", "general_histogram", "erf",
           "betainc", "gammaln", "norm", "t", "chi2", "f", "AnovaResult", "f_oneway", "anova2", "anova3",
           "chi2_contingency"]


def _one(routine: str, x: Any, *extra: Any) -> float:
    data = real_view(x)
    out = np.zeros(1)
    check(routine, bind(routine)(address(data), len(data), *extra, address(out)))
    return float(out[0])


def mean_std(x: Any) -> Tuple[float, float]:
    """Mean and population standard deviation (divisor n).

    Raises:
        OrinError: -20003 for an empty input.
    """
    data = real_view(x)
    out = np.zeros(2)
    check("StdDev", bind("StdDev")(address(data), len(data), address(out), address(out[1:])))
    return float(out[0]), float(out[1])


def mean(x: Any) -> float:
    """Arithmetic mean. Raises OrinError -20003 for an empty input."""
    return mean_std(x)[0]


def std(x: Any) -> float:
    """Population standard deviation (numpy's ``std`` with ``ddof=0``).
    Raises OrinError -20003 for an empty input."""
    return mean_std(x)[1]


def median(x: Any) -> float:
    """Median (mean of the middle pair for even n); x is not reordered.
    Raises OrinError -20003 (empty) or -20001 (memory)."""
    return _one("Median", x)


def rms(x: Any) -> float:
    """Root mean square ``sqrt(sum x**2 / n)``. Raises OrinError -20003."""
    return _one("RMS", x)


def moment(x: Any, order: int) -> float:
    """Central moment ``sum (x - mean)**order / n``.
    Raises OrinError -20003 (empty), -20021 (order < 1)."""
    return _one("Moment", x, count(order, "order"))


def mse(x: Any, y: Any) -> float:
    """Mean squared difference over the shorter of x and y.
    Raises OrinError -20003 when either is empty."""
    a, b = real_view(x), real_view(y, "y")
    out = np.zeros(1)
    check("MSE", bind("MSE")(address(a), len(a), address(b), float(len(b)), address(out)))
    return float(out[0])


# ---- Histograms ----------------------------------------------------------------

def histogram(a: Any, bins: int = 10, range: Optional[Tuple[float, float]] = None,
              density: bool = False) -> Tuple[np.ndarray, np.ndarray]:
    """Equal-width histogram with numpy.histogram's return convention.

    Args:
        a: samples; NaN and samples outside the range are not counted.
        bins: number of bins, at least 1.
        range: ``(lower, upper)``; default the finite extremes of a (a
            zero-width range becomes ``(v - 0.5, v + 0.5)``, as numpy).
        density: divide by the count and the bin width.

    Returns:
        ``(counts, edges)``: int64 counts (float with density) of bins
        ``[e_k, e_k+1)``, the last closed; bins+1 edges.

    Raises:
        OrinError: -20003 (bins below 1).

    Library: ``Histogra``.
    """
    x = real_view(a, "a")
    nbins = count(bins, "bins")
    if nbins < 1:
        raise OrinError("Histogra", -20003, f"bins = {nbins}")
    if range is None:
        finite = x[np.isfinite(x)]
        lo, hi = (float(finite.min()), float(finite.max())) if finite.size else (0.0, 1.0)
    else:
        lo, hi = (float(v) for v in range)
        if not (np.isfinite(lo) and np.isfinite(hi)) or lo > hi:
            raise ValueError(f"range must be finite and increasing, got {range!r}")
    if lo == hi:
        lo, hi = lo - 0.5, hi + 0.5
    counts = np.zeros(nbins, dtype=np.int32)
    centres = np.zeros(nbins)
    lowlevel.Histogra(x, len(x), hi, lo, counts, centres, nbins)
    edges = np.linspace(lo, hi, nbins + 1)
    if density:
        total = counts.sum()
        return counts / (total * np.diff(edges)) if total else counts.astype(float), edges
    return counts.astype(np.int64), edges


_INCLUSIONS = {"[)": 0, "(]": 1, "[]": 2, "()": 3}


def general_histogram(a: Any, bins: Any, inclusion: Any = "[)") -> Tuple[np.ndarray, Dict[str, int]]:
    """Histogram over arbitrary bins, each sample counted in every bin that
    holds it.

    Args:
        a: samples (at least 1).
        bins: (lower, upper) pairs in ascending order, shape (k, 2).
        inclusion: which limits belong to a bin: ``"[)"``, ``"(]"``,
            ``"[]"`` or ``"()"``, one for all bins or one per bin.

    Returns:
        ``(counts, totals)``: per-bin counts, and a dict of the samples
        ``"outside"`` every bin, ``"below"`` the first, ``"above"`` the last.

    Raises:
        OrinError: -20003 (no samples).

    Library: ``GeneralHistogram``.
    """
    x = real_view(a, "a")
    limits = np.asarray(bins, dtype=np.float64).reshape(-1, 2)
    incl = [inclusion] * len(limits) if isinstance(inclusion, str) else list(inclusion)
    if len(incl) != len(limits):
        raise ValueError(f"inclusion needs one entry per bin ({len(limits)}), got {len(incl)}")
    records = (lowlevel.HistogramBin * max(len(limits), 1))()
    for rec, (lo, hi), inc in zip(records, limits, incl):
        if inc not in _INCLUSIONS:
            raise ValueError(f"inclusion must be one of {', '.join(_INCLUSIONS)}, not {inc!r}")
        rec.lower, rec.upper, rec.inclusion = lo, hi, _INCLUSIONS[inc]
    counts = np.zeros(max(len(limits), 1), dtype=np.int32)
    totals = np.zeros(3, dtype=np.int32)
    check("GeneralHistogram", lowlevel.GeneralHistogram(x, len(x), records, len(limits), counts, totals))
    return counts[: len(limits)].astype(np.int64), dict(zip(("outside", "below", "above"), map(int, totals)))


# ---- Special functions and distributions -----------------------------------------

def _elementwise(fn, *args: Any) -> Any:
    """fn over broadcast arguments; a float for scalar arguments."""
    arrays = np.broadcast_arrays(*(np.asarray(a) for a in args))
    out = np.empty(arrays[0].shape)
    for idx in np.ndindex(out.shape):
        out[idx] = fn(*(a[idx] for a in arrays))
    return float(out) if out.ndim == 0 else out


def _df(v: Any, routine: str) -> int:
    if float(v) != int(v):
        raise ValueError(f"{routine}: degrees of freedom must be whole numbers, got {v}")
    return int(v)


def _scalar_call(routine: str, *args: Any) -> float:
    out = np.zeros(1)
    check(routine, lowlevel.call(routine, *args, out))
    return float(out[0])


def erf(x: Any) -> Any:
    """Error function by its power series (summed to a relative 1e-15;
    exactly 1 from about 5.7355 on). Library: ``erf``."""
    return _elementwise(lambda v: float(lowlevel.erf(float(v))), x)


def betainc(a: Any, b: Any, x: Any) -> Any:
    """Regularised incomplete beta function I_x(a, b) (scipy.special.betainc),
    by its continued fraction to a relative 1e-7.

    Raises:
        OrinError: -20057 (x outside [0, 1], a or b not positive).

    Library: ``BetaI``.
    """
    return _elementwise(lambda p, q, v: _scalar_call("BetaI", float(p), float(q), float(v)), a, b, x)


def gammaln(x: Any) -> Any:
    """ln Gamma(x) for x > 0 by a six-term Lanczos series (error below
    2e-10); NaN for x <= 0 (scipy.special.gammaln). Library: ``GammLn``."""
    return _elementwise(lambda v: float(lowlevel.GammLn(float(v))), x)


class _Distribution:
    """A distribution with scipy.stats' ``cdf``/``sf``/``ppf`` names; shape
    parameters (degrees of freedom) are whole numbers >= 1."""

    def __init__(self, name: str, cdf: str, ppf: str, shapes: int) -> None:
        self.name, self._cdf, self._ppf, self._shapes = name, cdf, ppf, shapes

    def _dfs(self, dfs: Tuple[Any, ...], routine: str) -> Tuple[int, ...]:
        if len(dfs) != self._shapes:
            raise TypeError(f"{self.name} takes {self._shapes} degrees-of-freedom arguments, got {len(dfs)}")
        return tuple(_df(d, routine) for d in dfs)

    def cdf(self, x: Any, *df: Any) -> Any:
        return _elementwise(lambda v, *d: _scalar_call(self._cdf, float(v), *self._dfs(d, self._cdf)), x, *df)

    def sf(self, x: Any, *df: Any) -> Any:
        """Upper tail ``1 - cdf``."""
        return 1.0 - np.asarray(self.cdf(x, *df)) if np.ndim(x) else 1.0 - self.cdf(x, *df)

    def ppf(self, q: Any, *df: Any) -> Any:
        return _elementwise(lambda v, *d: _scalar_call(self._ppf, float(v), *self._dfs(d, self._ppf)), q, *df)

    def __repr__(self) -> str:
        return f"<orinanalysis distribution {self.name}>"


class _Normal(_Distribution):
    def cdf(self, x: Any, loc: float = 0.0, scale: float = 1.0) -> Any:
        return super().cdf((np.asarray(x, dtype=float) - loc) / scale)

    def sf(self, x: Any, loc: float = 0.0, scale: float = 1.0) -> Any:
        return super().sf((np.asarray(x, dtype=float) - loc) / scale)

    def ppf(self, q: Any, loc: float = 0.0, scale: float = 1.0) -> Any:
        z = super().ppf(q)
        return loc + scale * z


#: Standard normal (``cdf(x, loc, scale)``): A&S 26.2.16, absolute error
#: about 1e-5; ``ppf`` A&S 26.2.23, absolute error below 4.5e-4.
#: Library: ``N_Dist``, ``InvN_Dist``.
norm = _Normal("norm", "N_Dist", "InvN_Dist", 0)
#: Student t (``cdf(x, df)``), through the incomplete beta (about 2e-7);
#: ``ppf`` by bisection to 1e-4. Library: ``T_Dist``, ``InvT_Dist``.
t = _Distribution("t", "T_Dist", "InvT_Dist", 1)
#: Chi-square (``cdf(x, df)``), closed forms; ``ppf`` by bisection to 1e-4.
#: Library: ``XX_Dist``, ``InvXX_Dist``.
chi2 = _Distribution("chi2", "XX_Dist", "InvXX_Dist", 1)
#: F (``cdf(x, dfn, dfd)``), through the incomplete beta; ``ppf`` by
#: bisection to 1e-4. Library: ``F_Dist``, ``InvF_Dist``.
f = _Distribution("f", "F_Dist", "InvF_Dist", 2)


# ---- Analysis of variance and contingency tables ---------------------------------

_TABLE = np.dtype([("source", "U5"), ("SS", "f8"), ("df", "f8"), ("MS", "f8"), ("F", "f8"), ("p", "f8")])


class AnovaResult:
    """An analysis of variance: ``statistic`` and ``pvalue`` (unpacks as that
    pair, like scipy's results) and the whole ``table``, a structured array
    with fields source, SS, df, MS, F, p, one row per effect and a last row
    ``"Error"``."""

    def __init__(self, table: np.ndarray) -> None:
        self.table = table
        self.statistic = float(table["F"][0]) if len(table) == 2 else table["F"][:-1].copy()
        self.pvalue = float(table["p"][0]) if len(table) == 2 else table["p"][:-1].copy()

    def __iter__(self):
        return iter((self.statistic, self.pvalue))

    def __repr__(self) -> str:
        return f"AnovaResult(statistic={self.statistic!r}, pvalue={self.pvalue!r})"


def _levels(index: Any, n: int, name: str) -> Tuple[np.ndarray, int]:
    lv = np.ascontiguousarray(index)
    if lv.shape != (n,) or lv.dtype.kind not in "iu":
        raise ValueError(f"{name} must hold one integer level index per observation")
    return lv.astype(np.int32), int(lv.max()) + 1 if n else 0


def f_oneway(*samples: Any) -> AnovaResult:
    """One-way analysis of variance of two or more groups of any sizes
    (scipy.stats.f_oneway).

    Raises:
        OrinError: -20042 (fewer than 2 groups, or not more observations
            than groups), -20044 (an empty group).

    Library: ``ANOVA1Way``.
    """
    groups = [real_view(np.ravel(s), "sample") for s in samples]
    x = np.ascontiguousarray(np.concatenate(groups) if groups else np.zeros(0))
    levels = np.concatenate([np.full(len(g), i, np.int32) for i, g in enumerate(groups)]) if groups else \
        np.zeros(0, np.int32)
    outs = [np.zeros(1) for _ in range(7)]
    check("ANOVA1Way", lowlevel.ANOVA1Way(x, levels, len(x), len(groups), *outs))
    ssa, msa, fv, p, sse, mse_, sst = (float(o[0]) for o in outs)
    k, n = len(groups), len(x)
    return AnovaResult(np.array([("A", ssa, k - 1, msa, fv, p), ("Error", sse, n - k, mse_, np.nan, np.nan)],
                                dtype=_TABLE))


def anova2(x: Any, a: Any, b: Any, random: Tuple[bool, bool] = (False, False)) -> AnovaResult:
    """Balanced two-way analysis of variance.

    Args:
        x: observations.
        a, b: 0-based level index of each observation for factors A and B.
        random: which factors have random effects (main effects are then
            tested over the interaction).

    Returns:
        rows A, B, AB and Error (with one observation per cell the
        interaction is the error: its row is 0).

    Raises:
        OrinError: -20045 (not levels_a x levels_b x m observations), -20047
            (an unbalanced cell), -20042, -20043, -20044, -20048.

    Library: ``ANOVA2Way``.
    """
    data = real_view(x)
    n = len(data)
    la, ka = _levels(a, n, "a")
    lb, kb = _levels(b, n, "b")
    m = n // (ka * kb) if ka * kb else 0
    table = np.zeros(15)
    ps = [np.zeros(1) for _ in range(3)]
    check("ANOVA2Way", lowlevel.ANOVA2Way(data, la, lb, n, m, -ka if random[0] else ka, -kb if random[1] else kb,
                                          table, *ps))
    rows = [(name, *table[4 * i:4 * i + 4], float(ps[i][0])) for i, name in enumerate(("A", "B", "AB"))]
    rows.append(("Error", *table[12:15], np.nan, np.nan))
    return AnovaResult(np.array(rows, dtype=_TABLE))


def anova3(x: Any, a: Any, b: Any, c: Any, random: Tuple[bool, bool, bool] = (False, False, False)) -> AnovaResult:
    """Balanced three-way analysis of variance, at least 2 observations per
    cell; rows A, B, C, AB, AC, BC, ABC, Error. An effect without an exact
    test under the random factors has F and p of -1.

    Library: ``ANOVA3Way``.
    """
    data = real_view(x)
    n = len(data)
    (la, ka), (lb, kb), (lc, kc) = (_levels(v, n, nm) for v, nm in ((a, "a"), (b, "b"), (c, "c")))
    m = n // (ka * kb * kc) if ka * kb * kc else 0
    table = np.zeros(32)
    ps = [np.zeros(1) for _ in range(7)]
    ks = [-k if r else k for k, r in zip((ka, kb, kc), random)]
    check("ANOVA3Way", lowlevel.ANOVA3Way(data, la, lb, lc, n, m, *ks, table, *ps))
    names = ("A", "B", "C", "AB", "AC", "BC", "ABC")
    rows = [(name, *table[4 * i:4 * i + 4], float(ps[i][0])) for i, name in enumerate(names)]
    rows.append(("Error", *table[28:31], np.nan, np.nan))
    return AnovaResult(np.array(rows, dtype=_TABLE))


def chi2_contingency(observed: Any) -> Tuple[float, float, int, np.ndarray]:
    """Chi-square test of independence of a table of counts
    (scipy.stats.chi2_contingency with ``correction=False``: no Yates
    correction is applied to 2 x 2 tables).

    Returns:
        ``(chi2, p, dof, expected)``.

    Raises:
        OrinError: -20055 (fewer than 2 rows or columns), -20056 (a negative
            count).

    Library: ``Contingency_Table``.
    """
    obs = np.asarray(observed)
    if obs.ndim != 2 or obs.dtype.kind not in "iub" and not np.all(obs == np.round(obs)):
        raise ValueError("observed must be a two-dimensional table of whole counts")
    counts = np.ascontiguousarray(obs, dtype=np.int32)
    rows, cols = counts.shape
    c2, p = np.zeros(1), np.zeros(1)
    check("Contingency_Table", lowlevel.Contingency_Table(rows, cols, counts, c2, p))
    total = counts.sum(dtype=np.float64)
    expected = np.outer(counts.sum(1, dtype=np.float64), counts.sum(0, dtype=np.float64)) / total
    return float(c2[0]), float(p[0]), (rows - 1) * (cols - 1), expected
