#!/usr/bin/python3
"""Reference figures for the equiripple and narrow-band tests, from an
independent implementation of the exchange (scipy.signal.remez, Debian's
python3-scipy) and the narrow-band lengthening procedure written out here.

The deviation of a design is its largest weighted error on the design grid
of the McClellan-Parks-Rabiner program (16 points per extremal, each band's
last point its upper edge, the point at fs/2 dropped for even symmetric
lengths), measured from the taps. Run once; the printed figures are the
test's constants:  /usr/bin/python3 tests/filters/equiripple_reference.py
"""
import math

import numpy as np
import scipy.signal as ss


def design_grid(n, edges, fs):
    nfcns = n // 2 + n % 2
    delf = 0.5 / (16 * nfcns)
    points, bands = [], []
    for b in range(len(edges) // 2):
        f = edges[2 * b] / fs
        while True:
            points.append(f)
            bands.append(b)
            f += delf
            if not f <= edges[2 * b + 1] / fs:
                break
        points[-1] = edges[2 * b + 1] / fs
    if n % 2 == 0 and points[-1] > 0.5 - delf:
        points.pop()
        bands.pop()
    return np.array(points), bands


def deviation(n, edges, desired, weights, fs):
    h = ss.remez(n, edges, desired, weight=weights, fs=fs, maxiter=100)
    f, bands = design_grid(n, edges, fs)
    k = np.arange(n) - (n - 1) / 2
    amplitude = np.cos(2 * np.pi * np.outer(f, k)) @ h
    want = np.array([desired[b] for b in bands])
    weight = np.array([weights[b] for b in bands])
    return float(np.max(np.abs(amplitude - want) * weight))


def kaiser(fs, da, db, df):
    return math.trunc((-20 * math.log10(math.sqrt(da * db)) - 13) / (14.6 * df / fs))


def narrowband_lowpass(fs, fp, fst, dp, As):
    """Stage lengths of the interpolated lowpass: Kaiser's estimates at the
    factor of Neuvo et al., lengths above 100 taken 10 % longer, each stage
    lengthened to ceil(1.05 n) until its deviation is at most dp/2."""
    ds = 10 ** (-As / 20)
    M = math.floor(fs / (fp + fst + math.sqrt(fs * (fst - fp))) + 0.5)
    while M * fst >= fs / 2:
        M -= 1
    image = kaiser(fs, dp / 2, ds, fs / M - fst - fp) if M > 1 else 0
    model = kaiser(fs, dp / 2, ds, M * (fst - fp))
    if kaiser(fs, dp, ds, fst - fp) <= model + image:
        raise ValueError("single stage")
    w = (dp / 2) / ds
    lengths = []
    for n, edges in ((model, [0, M * fp, M * fst, fs / 2]), (image, [0, fp, fs / M - fst, fs / 2])):
        if n > 100:
            n = int(n * 1.1)
        while True:
            dev = deviation(n, edges, [1, 0], [1, w], fs)
            print(f"  {n} taps: deviation {dev:.6g} = {dev / (dp / 2):.4f} dp/2")
            if dev <= dp / 2:
                break
            n = math.ceil(1.05 * n)
        lengths.append(n)
    return M, lengths[0], lengths[1]


if __name__ == "__main__":
    print("lowpass 20 taps of fs 1000, bands [0, 360] and [410, 500]: deviation "
          f"{deviation(20, [0, 360, 410, 500], [1, 0], [1, 1], 1000):.9g}")
    print("narrow-band lowpass fs 1000, pass 20, stop 25, dp 0.01, As 60:")
    print("  M %d, model %d taps, image %d taps" % narrowband_lowpass(1000, 20, 25, 0.01, 60))
