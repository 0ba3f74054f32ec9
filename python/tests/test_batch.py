"""The batch layer: instrument-shaped files, error rows, local processes,
and a two-worker Dask cluster giving the same rows."""
import json
import math

import numpy as np
import pytest

import orinanalysis as oa
from orinanalysis import batch
from test_measure import trapezoids

DT = 1e-9


def _clock():
    """A clock of 4000 samples, 40 % high, with linear edges of 16 samples."""
    return trapezoids(period=1000, start=0, rise=16, high=384, fall=16, amplitude=1.0)


@pytest.fixture(scope="module")
def files(tmp_path_factory):
    d = tmp_path_factory.mktemp("captures")
    x = _clock()
    t = np.arange(len(x)) * DT
    paths = {}

    def put(name, content, mode="w"):
        p = d / name
        with open(p, mode, newline="" if mode == "w" else None) as fh:
            fh.write(content)
        paths[name] = str(p)

    np.save(d / "one.npy", x)
    np.save(d / "two.npy", np.column_stack([t, x]))
    paths.update({"one.npy": str(d / "one.npy"), "two.npy": str(d / "two.npy")})
    put("raw.bin", x.astype("<f8").tobytes(), "wb")
    rows = "".join(f"{a:.9e},{b:.17g},\r\n" for a, b in zip(t, x))  # CRLF, trailing delimiter
    put("scope.csv", "Model,DSO-X\r\nSample Interval,1e-9\r\nTime,CH1\r\ns,V\r\n" + rows)
    put("comma.csv", "Time;CH1\n" + "".join(f"{a:.9e};{b:.17g}\n".replace(".", ",") for a, b in zip(t, x)))
    put("column.txt", "\n".join(f"{b:.17g}" for b in x))
    put("ragged.csv", "t,v\n0,1\n1,2,3\n")
    put("text.csv", "t,v\n0,1\n1,abc\n")
    put("empty.csv", "")
    put("nan.csv", "t,v\n0,1\n1,nan\n2,0\n")
    return paths


GOOD = ["one.npy", "two.npy", "raw.bin", "scope.csv", "comma.csv", "column.txt"]
BAD = ["ragged.csv", "text.csv", "empty.csv", "nan.csv"]
NAMES = ("rise_time", "period", "positive_duty_cycle", "high", "negative_width")


def _same(rows_a, rows_b):
    assert [r["file"] for r in rows_a] == [r["file"] for r in rows_b]
    for a, b in zip(rows_a, rows_b):
        assert a.keys() == b.keys()
        for k in a:
            va, vb = a[k], b[k]
            if isinstance(va, np.ndarray):
                np.testing.assert_array_equal(va, vb)
            elif isinstance(va, float) and math.isnan(va):
                assert math.isnan(vb), (a["file"], k)
            else:
                assert va == vb, (a["file"], k)


def test_measure_files_reads_every_format_and_keeps_bad_files_as_rows(files, capsys):
    paths = [files[n] for n in GOOD + BAD] + [files["one.npy"] + ".missing"]
    rows = batch.measure_files(paths, NAMES, (10, 50, 90), 256, dt=DT, workers=2)
    assert [r["file"] for r in rows] == paths
    with oa.Session() as s:
        want = {m: s.measure(m, _clock(), DT).value for m in NAMES}
    for r in rows[: len(GOOD)]:
        assert r["error"] is None and r["samples"] == 4000 and r["dt"] == pytest.approx(DT, rel=1e-9), r["file"]
        for m in NAMES:  # the same samples, dt to the rounding of the times
            assert r[m] == pytest.approx(want[m], rel=1e-6), (r["file"], m)
    errors = [r["error"] for r in rows[len(GOOD):]]
    assert all(errors) and all(math.isnan(r["period"]) for r in rows[len(GOOD):])
    assert ":3:" in errors[0] and ":3:" in errors[1] and "not finite" in errors[3]
    assert "FileNotFoundError" in errors[4]
    assert rows.failed == rows[len(GOOD):]
    # One process or two: the same rows. Conversions keep one record per file.
    _same(batch.measure_files(paths, NAMES, dt=DT, workers=0), rows)
    arr = rows.to_numpy()
    assert arr.shape == (len(paths),) and arr["period"][0] == rows[0]["period"] and arr["error"][0] == ""
    pd = pytest.importorskip("pandas")
    assert isinstance(rows.to_pandas(), pd.DataFrame) and len(rows.to_pandas()) == len(paths)

    spectra = batch.spectrum_files([files["one.npy"], files["text.csv"]], dt=DT, workers=0)
    x = _clock()
    assert spectra[0]["peak_frequency"] == pytest.approx(1e6) and spectra[1]["error"]
    # Parseval: the one-sided power sums to the mean square.
    assert spectra[0]["power"].sum() == pytest.approx(np.mean(x**2), rel=1e-12)
    assert spectra[0]["total_power"] == pytest.approx(np.mean(x**2), rel=1e-12)

    assert batch.main([files["scope.csv"], files["text.csv"], "--json", "--workers", "0"]) == 2
    lines = [json.loads(line) for line in capsys.readouterr().out.splitlines()]
    assert lines[0]["period"] == pytest.approx(1e-6) and lines[1]["error"] and lines[1]["period"] is None
    with pytest.raises(ValueError, match="unknown measurements"):
        batch.measure_files(paths, ["rise_tme"])


def test_a_two_worker_cluster_gives_the_local_rows(files):
    distributed = pytest.importorskip("distributed")
    paths = [files[n] for n in GOOD + BAD]
    local = batch.measure_files(paths, NAMES, dt=DT, workers=0)
    local_spectra = batch.spectrum_files(paths, "hann", dt=DT, workers=0)
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None,
                                  silence_logs=50) as cluster, distributed.Client(cluster) as client:
        assert len(client.scheduler_info()["workers"]) == 2
        _same(batch.measure_files(paths, NAMES, dt=DT, client=client), local)
        _same(batch.spectrum_files(paths, "hann", client=client, dt=DT), local_spectra)
        # A scheduler address makes (and closes) its own client.
        _same(batch.measure_files(paths, NAMES, dt=DT, client=cluster.scheduler_address), local)
