"""Files per second of orinanalysis.batch.measure_files on generated
captures, for 1 and 2 local worker processes (and a Dask LocalCluster of
the same sizes when distributed is installed). Not part of the test suite.

    ORINANALYSIS_LIBRARY=$PWD/build/liborinanalysis.so python3 python/bench_batch.py \
        [--files 1000] [--samples 100000] [--workers 1,2] [--dask]

The captures are raw little-endian doubles (a 1 MHz clock sampled at 1 ns,
with noise, a different phase per file) in a temporary directory that is
removed afterwards; the first run warms the page cache, so the figures are
for measuring, not for reading a cold disk.
"""
from __future__ import annotations

import argparse
import os
import sys
import tempfile
import time

import numpy as np

from orinanalysis import batch


def make_captures(directory: str, files: int, samples: int) -> list:
    rng = np.random.default_rng(1)
    t = np.arange(samples)
    paths = []
    for i in range(files):
        phase = (t + rng.integers(1000)) % 1000
        x = np.clip(np.minimum(phase / 16, (400 - phase) / 16 + 1), 0, 1) + 0.01 * rng.standard_normal(samples)
        path = os.path.join(directory, f"capture{i:05d}.bin")
        x.astype("<f8").tofile(path)
        paths.append(path)
    return paths


def run(paths: list, **kw) -> float:
    start = time.perf_counter()
    rows = batch.measure_files(paths, dt=1e-9, **kw)
    elapsed = time.perf_counter() - start
    if rows.failed:
        sys.exit(f"{len(rows.failed)} files failed: {rows.failed[0]['error']}")
    return len(paths) / elapsed


def main() -> None:
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--files", type=int, default=1000)
    p.add_argument("--samples", type=int, default=100_000)
    p.add_argument("--workers", default="1,2")
    p.add_argument("--dask", action="store_true", help="also run on a Dask LocalCluster of each size")
    a = p.parse_args()
    counts = [int(v) for v in a.workers.split(",")]
    with tempfile.TemporaryDirectory() as d:
        paths = make_captures(d, a.files, a.samples)
        run(paths[: max(counts) * 4], workers=max(counts))  # warm the pool's imports and the cache
        print(f"{a.files} files of {a.samples} samples, {len(batch.DEFAULT_MEASUREMENTS)} measurements each, "
              f"{os.cpu_count()} CPUs")
        for n in counts:
            print(f"local processes, {n} worker(s): {run(paths, workers=n):8.1f} files/s")
        if a.dask:
            from distributed import Client, LocalCluster

            for n in counts:
                with LocalCluster(n_workers=n, threads_per_worker=1, dashboard_address=None,
                                  silence_logs=50) as cluster, Client(cluster) as client:
                    run(paths[: n * 4], client=client)
                    print(f"dask LocalCluster, {n} worker(s): {run(paths, client=client):8.1f} files/s")


if __name__ == "__main__":
    main()
