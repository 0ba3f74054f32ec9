"""Pulse measurements and spectra of many capture files at once: on local
worker processes by default, or on a Dask cluster.

::

    from orinanalysis import batch
    rows = batch.measure_files(paths, dt=1e-9)                  # local processes
    rows = batch.measure_files(paths, dt=1e-9, client="tcp://head:8786")   # a cluster
    rows.to_numpy()      # structured array, one record per file
    rows.to_pandas()     # DataFrame (pandas needed)

One row per file, in the order of ``paths``. A file that cannot be read or
measured gives a row with its ``error`` text and NaN values; the others are
measured all the same. A measurement that does not apply to a waveform (no
second edge for a period, say) is NaN in an otherwise good row.

On a cluster every worker must import ``orinanalysis`` and load the library
(``ORINANALYSIS_LIBRARY`` set in the worker's environment), and the paths
must name the same files there (shared storage). The work is handed to Dask
as it is; nothing here schedules.

Files: ``.npy`` (1D samples, or 2D time and value columns); CSV or text
(comma, semicolon or tab; header lines that are not numbers are skipped;
one column of samples, or time in the first column and values in
``column``; a decimal comma where the delimiter is a semicolon); anything
else with bytes that are not text, or named ``.bin``/``.raw``/``.f64``: raw
little-endian doubles. Files without times need ``dt``.

Command: ``python3 -m orinanalysis.batch FILES... [--dt DT] [--scheduler
tcp://HOST:PORT] [--json] [--spectra]`` prints one line per file and exits
with status 2 when any file failed.
"""
from __future__ import annotations

import argparse
import concurrent.futures
import json
import math
import multiprocessing
import os
import re
import sys
from typing import Any, Callable, Dict, Iterable, List, Optional, Sequence, Tuple

import numpy as np

from .errors import OrinError

__all__ = ["DEFAULT_MEASUREMENTS", "Rows", "read_capture", "measure_file", "spectrum_file", "measure_files",
           "spectrum_files", "main"]

#: The measurements made when none are named.
DEFAULT_MEASUREMENTS: Tuple[str, ...] = (
    "low", "high", "amplitude", "rise_time", "fall_time", "positive_width", "period", "frequency",
    "positive_duty_cycle", "rising_overshoot", "rising_slew_rate")

_RAW_SUFFIXES = (".bin", ".raw", ".f64", ".dat")
_NUMBER = re.compile(r"^[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$|^[+-]?(inf|nan)$", re.IGNORECASE)


# ---- reading ------------------------------------------------------------------

def _read_text(path: str, text: str, column: Optional[int]) -> Tuple[np.ndarray, Optional[np.ndarray]]:
    lines = text.splitlines()
    first = next((ln for ln in lines if ln.strip()), "")
    delimiter = max((";", "\t", ","), key=first.count) if any(d in first for d in ";\t,") else None
    rows: List[List[float]] = []
    for number, line in enumerate(lines, 1):
        line = line.strip()
        if not line:
            continue
        fields = [f.strip() for f in (line.split(delimiter) if delimiter else line.split())]
        while fields and fields[-1] == "":
            fields.pop()  # trailing delimiters
        if delimiter == ";":
            fields = [f.replace(",", ".") for f in fields]
        if not fields or not all(f and _NUMBER.match(f) for f in fields):
            if rows:
                raise ValueError(f"{path}:{number}: not a row of numbers: {line[:60]!r}")
            continue  # a header line (names, units, settings)
        if rows and len(fields) != len(rows[0]):
            raise ValueError(f"{path}:{number}: {len(fields)} fields, the rows above have {len(rows[0])}")
        rows.append([float(f) for f in fields])
    if not rows:
        raise ValueError(f"{path}: no numeric rows")
    table = np.array(rows)
    if table.shape[1] == 1:
        return table[:, 0], None
    col = 1 if column is None else column
    if not 1 <= col < table.shape[1]:
        raise ValueError(f"{path}: no value column {col} (columns 1..{table.shape[1] - 1}; column 0 is time)")
    return table[:, col], table[:, 0]


def read_capture(path: str, dt: Optional[float] = None, column: Optional[int] = None) -> Tuple[np.ndarray, float, float]:
    """Reads one capture file.

    Args:
        path: the file (see the module doc for the formats).
        dt: sampling interval for files without times.
        column: value column of a CSV with a time column (default 1).

    Returns:
        ``(samples, dt, t0)``.

    Raises:
        ValueError: the file is not a capture, or has no times and dt is None.
        OSError: the file cannot be read.
    """
    name = str(path)
    times: Optional[np.ndarray] = None
    if name.lower().endswith(".npy"):
        data = np.load(name, allow_pickle=False)
        if data.dtype.kind not in "iuf":
            raise ValueError(f"{name}: a {data.dtype} array, not samples")
        if data.ndim == 2 and data.shape[1] >= 2:
            col = 1 if column is None else column
            samples, times = data[:, col], data[:, 0]
        elif data.ndim == 1:
            samples = data
        else:
            raise ValueError(f"{name}: an array of shape {data.shape}: expected samples or time/value columns")
    else:
        with open(name, "rb") as fh:
            raw = fh.read()
        head = raw[:4096]
        binary = name.lower().endswith(_RAW_SUFFIXES) or any(c == 0 or (c < 32 and c not in b"\t\n\r\f\v")
                                                             for c in head)
        if binary:
            if len(raw) % 8:
                raise ValueError(f"{name}: {len(raw)} bytes is not a whole number of 8-byte samples")
            samples = np.frombuffer(raw, dtype="<f8")
        else:
            samples, times = _read_text(name, raw.decode("utf-8", errors="replace"), column)
    samples = np.ascontiguousarray(samples, dtype=np.float64)
    if len(samples) == 0:
        raise ValueError(f"{name}: no samples")
    if times is not None and len(times) >= 2:
        step = (float(times[-1]) - float(times[0])) / (len(times) - 1)
        if not step > 0:
            raise ValueError(f"{name}: the times do not increase")
        return samples, step, float(times[0])
    if dt is None:
        raise ValueError(f"{name}: the samples carry no time: give dt")
    return samples, float(dt), 0.0


# ---- one file -------------------------------------------------------------------

def _error_text(exc: BaseException) -> str:
    return f"{type(exc).__name__}: {exc}"


def measure_file(path: str, measurements: Sequence[str] = DEFAULT_MEASUREMENTS,
                 levels: Sequence[float] = (10, 50, 90), bins: int = 256, dt: Optional[float] = None,
                 column: Optional[int] = None) -> Dict[str, Any]:
    """The row of one file: ``file``, ``samples``, ``dt``, ``error`` (None
    when read) and one value per measurement (NaN where it does not apply).
    Never raises for a bad file: its row carries the error."""
    from .measure import Session

    row: Dict[str, Any] = {"file": str(path), "samples": 0, "dt": math.nan, "error": None}
    row.update((m, math.nan) for m in measurements)
    try:
        x, step, t0 = read_capture(path, dt, column)
        row.update(samples=len(x), dt=step)
        if not np.all(np.isfinite(x)):
            raise ValueError(f"{path}: samples that are not finite")
        with Session() as s:
            for m in measurements:
                try:
                    row[m] = s.measure(m, x, step, levels, t0=t0, bins=bins).value
                except OrinError:
                    pass  # does not apply to this waveform: stays NaN
    except Exception as exc:  # noqa: BLE001 - a bad file is a row, never a lost batch
        row["error"] = _error_text(exc)
    return row


def spectrum_file(path: str, window: Optional[Any] = None, dt: Optional[float] = None,
                  column: Optional[int] = None) -> Dict[str, Any]:
    """The spectrum row of one file: ``file``, ``samples``, ``dt``,
    ``error``, the one-sided power spectrum (``frequencies`` in hertz when
    dt is in seconds, ``power`` in squared signal units: a sine of
    amplitude A gives A**2/2 at its bin), ``peak_frequency`` and
    ``peak_power`` of the largest bin above DC, and ``total_power`` (the
    mean square). Never raises for a bad file."""
    from .spectral import power_spectrum
    from .windows import apply_window

    row: Dict[str, Any] = {"file": str(path), "samples": 0, "dt": math.nan, "error": None,
                           "peak_frequency": math.nan, "peak_power": math.nan, "total_power": math.nan,
                           "frequencies": np.zeros(0), "power": np.zeros(0)}
    try:
        x, step, _ = read_capture(path, dt, column)
        row.update(samples=len(x), dt=step)
        if window is not None:
            x = apply_window(x, window)
        two_sided = power_spectrum(x)
        n = len(two_sided)
        half = n // 2
        power = two_sided[: half + 1].copy()
        power[1:(n + 1) // 2] *= 2  # fold the negative frequencies
        freqs = np.arange(half + 1) / (n * step)
        k = int(np.argmax(power[1:])) + 1 if len(power) > 1 else 0
        row.update(frequencies=freqs, power=power, peak_frequency=float(freqs[k]), peak_power=float(power[k]),
                   total_power=float(two_sided.sum()))
    except Exception as exc:  # noqa: BLE001
        row["error"] = _error_text(exc)
    return row


def _chunk(work: Callable[..., Dict[str, Any]], paths: Sequence[str], options: Dict[str, Any]) -> List[Dict[str, Any]]:
    return [work(p, **options) for p in paths]


def _measure_chunk(paths: Sequence[str], options: Dict[str, Any]) -> List[Dict[str, Any]]:
    return _chunk(measure_file, paths, options)


def _spectrum_chunk(paths: Sequence[str], options: Dict[str, Any]) -> List[Dict[str, Any]]:
    return _chunk(spectrum_file, paths, options)


# ---- results ------------------------------------------------------------------------

class Rows(list):
    """One dict per file, in the order given, with conversions."""

    @property
    def failed(self) -> List[Dict[str, Any]]:
        """The rows of files that could not be read or measured."""
        return [r for r in self if r["error"]]

    def to_numpy(self) -> np.ndarray:
        """A structured array, one record per file: text fields as str
        (``error`` empty when none), numbers as float64 (``samples`` int64),
        array fields as objects."""
        if not self:
            return np.zeros(0, dtype=[("file", "U1")])
        fields = []
        for key, value in self[0].items():
            if key in ("file", "error"):
                width = max(1, max(len(r[key] or "") for r in self))
                fields.append((key, f"U{width}"))
            elif key == "samples":
                fields.append((key, "i8"))
            elif isinstance(value, np.ndarray):
                fields.append((key, object))
            else:
                fields.append((key, "f8"))
        out = np.zeros(len(self), dtype=fields)
        for i, r in enumerate(self):
            for key, _ in fields:
                out[key][i] = r[key] if r[key] is not None else ""
        return out

    def to_pandas(self):
        """A pandas DataFrame, one row per file (needs pandas)."""
        import pandas as pd

        return pd.DataFrame(list(self))


# ---- running ------------------------------------------------------------------------

def _chunks(paths: Sequence[str], workers: int) -> List[List[str]]:
    # A few chunks per worker: the load evens out, and the per-task cost of
    # the executor is paid per chunk, not per file.
    size = max(1, math.ceil(len(paths) / (4 * max(workers, 1))))
    return [list(paths[i:i + size]) for i in range(0, len(paths), size)]


def _failed_chunk(paths: Sequence[str], exc: BaseException, blank: Dict[str, Any]) -> List[Dict[str, Any]]:
    return [dict(blank, file=str(p), error=f"worker failed: {_error_text(exc)}") for p in paths]


def _run(chunk_fn: Callable, blank: Dict[str, Any], paths: Iterable[str], options: Dict[str, Any],
         client: Any, workers: Optional[int]) -> Rows:
    paths = [str(p) for p in paths]
    if not paths:
        return Rows()
    own_client = None
    if isinstance(client, str):
        from distributed import Client

        client = own_client = Client(client)
    try:
        if client is not None:
            n = max(1, len(client.scheduler_info().get("workers", {})))
            chunks = _chunks(paths, n)
            futures = client.map(chunk_fn, chunks, options=options, pure=False)
            results = []
            for chunk, fut in zip(chunks, futures):
                try:
                    results.append(fut.result())
                except Exception as exc:  # noqa: BLE001 - a lost worker costs its chunk's rows only
                    results.append(_failed_chunk(chunk, exc, blank))
        elif workers == 0:
            results = [chunk_fn(paths, options)]
        else:
            n = workers or os.cpu_count() or 1
            chunks = _chunks(paths, n)
            # Workers forked from a clean server process, not from this one,
            # whose other threads may hold the library's locks.
            method = "forkserver" if "forkserver" in multiprocessing.get_all_start_methods() else "spawn"
            with concurrent.futures.ProcessPoolExecutor(max_workers=n,
                                                        mp_context=multiprocessing.get_context(method)) as pool:
                futures = [pool.submit(chunk_fn, c, options) for c in chunks]
                results = []
                for chunk, fut in zip(chunks, futures):
                    try:
                        results.append(fut.result())
                    except Exception as exc:  # noqa: BLE001
                        results.append(_failed_chunk(chunk, exc, blank))
    finally:
        if own_client is not None:
            own_client.close()
    return Rows(row for chunk in results for row in chunk)


def measure_files(paths: Iterable[str], measurements: Sequence[str] = DEFAULT_MEASUREMENTS,
                  levels: Sequence[float] = (10, 50, 90), bins: int = 256, client: Any = None, *,
                  dt: Optional[float] = None, column: Optional[int] = None, workers: Optional[int] = None) -> Rows:
    """Pulse measurements of many files, one row per file.

    Args:
        paths: capture files.
        measurements: names of :data:`orinanalysis.MEASUREMENTS`.
        levels: (low, mid, high) reference levels, percent of the
            low-to-high range of the value histogram.
        bins: histogram bins for the levels (with 256 the levels are bin
            centres: more bins resolve them finer, at a small cost).
        client: a ``distributed.Client``, or a scheduler address such as
            ``"tcp://host:8786"``; None runs on local processes.
        dt: sampling interval of files without times.
        column: value column of CSV files with a time column.
        workers: local processes (default: one per CPU; 0 runs in this
            process).

    Returns:
        :class:`Rows`.

    Raises:
        ValueError: an unknown measurement name (before any file is read).
    """
    from .measure import MEASUREMENTS

    unknown = [m for m in measurements if m not in MEASUREMENTS]
    if unknown:
        raise ValueError(f"unknown measurements {unknown}; see orinanalysis.MEASUREMENTS")
    options = dict(measurements=tuple(measurements), levels=tuple(float(v) for v in levels), bins=int(bins), dt=dt,
                   column=column)
    blank = {"file": "", "samples": 0, "dt": math.nan, "error": None, **{m: math.nan for m in measurements}}
    return _run(_measure_chunk, blank, paths, options, client, workers)


def spectrum_files(paths: Iterable[str], window: Optional[Any] = None, client: Any = None, *,
                   dt: Optional[float] = None, column: Optional[int] = None, workers: Optional[int] = None) -> Rows:
    """One-sided power spectra of many files, one row per file (see
    :func:`spectrum_file`); ``window`` a name of :func:`orinanalysis.get_window`
    or None; the other arguments as :func:`measure_files`."""
    options = dict(window=window, dt=dt, column=column)
    blank = {"file": "", "samples": 0, "dt": math.nan, "error": None, "peak_frequency": math.nan,
             "peak_power": math.nan, "total_power": math.nan, "frequencies": np.zeros(0), "power": np.zeros(0)}
    return _run(_spectrum_chunk, blank, paths, options, client, workers)


# ---- command ------------------------------------------------------------------------

def _json_value(v: Any) -> Any:
    if isinstance(v, np.ndarray):
        return [_json_value(x) for x in v.tolist()]
    if isinstance(v, float) and not math.isfinite(v):
        return None
    return v


def main(argv: Optional[Sequence[str]] = None) -> int:
    p = argparse.ArgumentParser(prog="python3 -m orinanalysis.batch",
                                description="Measure (or take the spectra of) many capture files at once, on local "
                                            "processes or on a Dask cluster.")
    p.add_argument("files", nargs="+", help="capture files: CSV, .npy or raw little-endian doubles")
    p.add_argument("--scheduler", help="Dask scheduler address, e.g. tcp://host:8786 (default: local processes)")
    p.add_argument("--workers", type=int, help="local worker processes (default: one per CPU)")
    p.add_argument("--json", action="store_true", help="one JSON object per line")
    p.add_argument("--spectra", action="store_true", help="power spectra instead of pulse measurements")
    p.add_argument("--dt", type=float, help="sampling interval of files without a time column (seconds)")
    p.add_argument("--column", type=int, help="value column of CSV files with a time column (default 1)")
    p.add_argument("--levels", default="10,50,90", help="low,mid,high reference levels in percent")
    p.add_argument("--bins", type=int, default=256, help="level histogram bins (default 256)")
    p.add_argument("--measurements", help="comma-separated names (default: %s)" % ",".join(DEFAULT_MEASUREMENTS))
    p.add_argument("--window", help="window for --spectra (e.g. hann)")
    a = p.parse_args(argv)
    try:
        levels = tuple(float(v) for v in a.levels.split(","))
        if len(levels) != 3:
            raise ValueError
    except ValueError:
        p.error(f"--levels takes three numbers, not {a.levels!r}")
    if a.spectra:
        rows = spectrum_files(a.files, a.window, a.scheduler, dt=a.dt, column=a.column, workers=a.workers)
        columns = ["samples", "peak_frequency", "peak_power", "total_power"]
    else:
        names = tuple(a.measurements.split(",")) if a.measurements else DEFAULT_MEASUREMENTS
        try:
            rows = measure_files(a.files, names, levels, a.bins, a.scheduler, dt=a.dt, column=a.column,
                                 workers=a.workers)
        except ValueError as exc:
            p.error(str(exc))
        columns = ["samples", *names]
    if a.json:
        for r in rows:
            print(json.dumps({k: _json_value(v) for k, v in r.items()}))
    else:
        width = max(len(r["file"]) for r in rows)
        print("file".ljust(width), *(c.rjust(12) for c in columns))
        for r in rows:
            if r["error"]:
                print(r["file"].ljust(width), "error:", r["error"])
            else:
                print(r["file"].ljust(width), *(f"{r[c]:12.5g}" for c in columns))
    return 2 if rows.failed else 0


if __name__ == "__main__":
    sys.exit(main())
