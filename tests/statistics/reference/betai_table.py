#!/usr/bin/env python3
"""Reference table of the regularised incomplete beta function I_x(a, b).

Run once; writes betai_table.txt beside this script:

    python3 tests/statistics/reference/betai_table.py

Each line holds a, b, x (exact doubles, as hex floats), I_x(a, b) to 22
digits and kappa, the relative condition number of I at these inputs:
|a dI/da| + |b dI/db| + |x dI/dx|, over I. A routine that works in a
precision of u can be expected to be right to about kappa * u.

mpmath's betainc sums a hypergeometric series that stops converging for
parameters beyond about 1e5, so the values come from quadrature at 45 digits
instead, of the smaller tail: for x below the mean a/(a+b),

    I_x(a, b) = x^a (1-x)^(b-1) / B(a, b) * int_0^inf G(s) ds,
    G(s) = exp(-a s + (b-1) (log1p(-x e^-s) - log1p(-x)))      (t = x e^-s),

whose integrand is largest at s = 0 and falls monotonically from there; above
the mean, 1 - I_(1-x)(b, a). Where betainc converges the two agree to 30
digits (checked below).
"""

import math
import os

import mpmath as mp

mp.mp.dps = 45
CUTOFF = 120  # G is dropped below e^-120 of its peak


def lower_tail(a, b, x):
    """int_0^x t^(a-1) (1-t)^(b-1) dt / B(a, b), x below the mean."""
    a, b, x = mp.mpf(a), mp.mpf(b), mp.mpf(x)
    log_beta = mp.loggamma(a) + mp.loggamma(b) - mp.loggamma(a + b)
    log_front = a * mp.log(x) + (b - 1) * mp.log1p(-x) - log_beta
    base = mp.log1p(-x)

    def log_g(s):
        return -a * s + (b - 1) * (mp.log1p(-x * mp.exp(-s)) - base)

    # Breakpoints on the integrand's own scale at s = 0, doubling outwards.
    slope = abs(-a + (b - 1) * x / (1 - x))
    curvature = abs((b - 1) * x) / (1 - x) ** 2
    h = 1 / (slope + mp.sqrt(curvature))
    # G <= e^(-slope s) where it is log-concave (b >= 1), else G <= e^(-a s):
    # a tail that bound puts below the double range is not integrated.
    bound = 1 / slope if b >= 1 and slope > 0 else 1 / a if b < 1 else 1 / h
    if log_front + mp.log(bound) < -750:
        return mp.mpf(0)
    points = [mp.mpf(0)]
    step = h / 4
    while log_g(points[-1]) > -CUTOFF:
        points.append(points[-1] + step)
        step *= 2
        if len(points) > 4000:
            raise RuntimeError("no decay")
    integral, err = mp.quad(lambda s: mp.exp(log_g(s)), points, error=True)
    if err > integral * mp.mpf(10) ** -22:
        raise RuntimeError("quadrature error %s" % err)
    return mp.exp(log_front) * integral


def beta_inc(a, b, x):
    x = mp.mpf(x)
    a, b = mp.mpf(a), mp.mpf(b)
    if x <= a / (a + b):
        return lower_tail(a, b, x)
    return 1 - lower_tail(b, a, 1 - x)


def condition(a, b, x, value):
    """Relative condition number by one-sided differences (step 1e-20)."""
    eps = mp.mpf(10) ** -20
    density_x = mp.exp(
        (a - 1) * mp.log(mp.mpf(x)) + (b - 1) * mp.log1p(-mp.mpf(x))
        - mp.loggamma(a) - mp.loggamma(b) + mp.loggamma(mp.mpf(a) + b))
    kappa = abs(mp.mpf(x) * density_x)
    for which in (0, 1):
        up = [mp.mpf(a), mp.mpf(b)]
        up[which] *= 1 + eps
        kappa += abs(beta_inc(*up, x) - value) / eps
    return kappa / value


def grid():
    values = [1e-3, 0.5, 1.0, 7.5, 100.0, 1e4, 1e6, 1.2e7, 1e9, 1e12, 1e16, 1e20]
    pairs = [(v, v) for v in values]
    for big, small in [(1e20, 1e-3), (1e20, 0.5), (1e20, 1e6), (1e16, 1.0), (1e12, 7.5),
                       (1e9, 100.0), (1e6, 0.5), (1e4, 1e-3), (1e20, 1e16), (1e12, 1.2e7)]:
        pairs += [(big, small), (small, big)]
    for a, b in pairs:
        mean = a / (a + b)
        spread = math.sqrt(a * b / (a + b) ** 3)  # standard deviation, large a + b
        xs = {0.5, 0.1, 0.9, 1e-300, 1e-6, 1 - 1e-6, 1 - 2.0 ** -53}
        for k in (-30.0, -4.0, -1.0, 0.0, 1.0, 4.0, 30.0):
            # Near the mean, placed on the side where the double grid is finer.
            x = mean + k * spread if mean <= 0.5 else 1 - ((b / (a + b)) - k * spread)
            xs.add(x)
        for x in sorted(xs):
            if 0 < x < 1:
                yield a, b, x


def main():
    # The quadrature against mpmath's series where that converges.
    for a, b, x in [(0.5, 7.5, 0.03), (100.0, 1e4, 0.0101), (1e-3, 1.0, 0.7), (7.5, 0.5, 0.999)]:
        series = mp.betainc(a, b, 0, x, regularized=True)
        assert abs(beta_inc(a, b, x) - series) < mp.mpf(10) ** -30 * series, (a, b, x)
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "betai_table.txt")
    # A run that was stopped resumes: rows already written are kept.
    done = set()
    if os.path.exists(out):
        with open(out) as f:
            done = {tuple(line.split()[:3]) for line in f if not line.startswith("#")}
    rows = len(done)
    with open(out, "a") as f:
        if not done:
            f.write("# a b x I_x(a,b) kappa -- made by betai_table.py (mpmath, 45 digits)\n")
        for a, b, x in grid():
            if (a.hex(), b.hex(), x.hex()) in done:
                continue
            value = beta_inc(a, b, x)
            if value < mp.mpf(10) ** -300:
                continue  # below the double range's normal numbers
            kappa = condition(a, b, x, value)
            f.write("%s %s %s %s %s\n" % (a.hex(), b.hex(), x.hex(), mp.nstr(value, 22, min_fixed=1, max_fixed=0),
                                          mp.nstr(kappa, 6, min_fixed=1, max_fixed=0)))
            f.flush()
            rows += 1
    print("wrote %d rows to %s" % (rows, out))


if __name__ == "__main__":
    main()
