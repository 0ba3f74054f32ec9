"""The by-name layer: declarations in step with the headers, every export
reachable, arguments checked before they reach C, errors carried whole."""
import ctypes
import os
import pickle
import struct

import numpy as np
import pytest

from orinanalysis import OrinError, lowlevel

from conftest import REPO


def test_generated_table_matches_the_headers():
    include = REPO / "include"
    if not (include / "orin" / "common.h").exists():
        pytest.skip("the public headers are not beside the package")
    import importlib.util
    spec = importlib.util.spec_from_file_location("gen", REPO / "python" / "tools" / "gen_prototypes.py")
    gen = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(gen)
    generated = (REPO / "python" / "orinanalysis" / "_generated.py").read_text()
    # Prototypes, error names and measurement ids alike.
    assert gen.render(include) == generated, "run python/tools/gen_prototypes.py"


def test_every_declared_function_is_exported_and_typed():
    assert not lowlevel.unsupported
    names = set(lowlevel.names())
    assert {"FFT", "BWCoefs", "measurements_fetch", "Median", "GaussNoise", "KsrWin"} <= names
    # Every exported function is declared (the headers against the export
    # lists: tests/frame/test_exports.py; the table against the headers: above).
    for name in names:
        assert lowlevel.function(name).__name__ == name


def test_arrays_of_the_wrong_kind_are_refused_by_name():
    good = np.zeros(8)
    cases = [
        (np.zeros(8, np.float32), "float64"),
        (np.zeros(16)[::2], "C-contiguous"),
        ([0.0] * 8, "array or a ctypes pointer"),
    ]
    for bad, words in cases:
        with pytest.raises(TypeError, match=words) as info:
            lowlevel.FFT(bad, good, 8)
        assert "FFT() parameter re" in str(info.value)
    ro = np.zeros(8)
    ro.flags.writeable = False
    with pytest.raises(TypeError, match="writes to its array"):
        lowlevel.FFT(ro, good, 8)
    # A read-only array is fine where the parameter is const.
    lowlevel.check("CxMul1D", lowlevel.CxMul1D(ro, ro, ro, ro, 8, good, good))
    with pytest.raises(TypeError, match="takes 3 arguments"):
        lowlevel.FFT(good, good)


def test_host_arrays_round_trip_and_check_their_kind():
    values = np.arange(6.0).reshape(2, 3)
    with lowlevel.HostArray("double", values) as h:
        assert h.shape == (2, 3)
        np.testing.assert_array_equal(h.to_numpy(), values)
        err = np.zeros(1, np.int32)
        with pytest.raises(TypeError, match="1D double HostArray"):
            lowlevel.Spectrum(h, err)
    with pytest.raises(ValueError, match="released"):
        h.to_numpy()
    with lowlevel.HostArray("complex", [1 + 2j, 3]) as c:
        with pytest.raises(TypeError, match="DoubleArrayHdl"):
            lowlevel.Spectrum(c, err)
        np.testing.assert_array_equal(c.to_numpy(), [1 + 2j, 3])
    with pytest.raises(TypeError, match="complex values"):
        lowlevel.HostArray("double", [1j])


def test_handle_failure_empties_the_output_and_raises_with_the_code():
    with lowlevel.HostArray("double", []) as h:
        err = np.ones(1, np.int32)
        lowlevel.Spectrum(h, err)
        assert err[0] == -20005 and h.shape == (0,)
    mean = np.zeros(1)
    with lowlevel.HostArray("double", []) as h:
        lowlevel.Mean_head(h, mean, err)
    assert err[0] == -20003
    assert struct.pack("<d", lowlevel.data("iDNaN")) == bytes.fromhex("ffffff7fffffffff")
    with pytest.raises(OrinError) as info:
        lowlevel.check("Mean_head", int(err[0]))
    e = info.value
    assert (e.routine, e.code, e.name) == ("Mean_head", -20003, "kErrEmptyArray")
    assert "Mean_head" in str(e) and "-20003" in str(e)
    # The routine, the code and the wrapper's detail (the offending value)
    # survive pickling.
    e = pickle.loads(pickle.dumps(OrinError("ReInvFFTCx", -20008, "n = 0")))
    assert (e.detail, str(e)) == ("n = 0", "ReInvFFTCx failed with code -20008 (kErrBadArraySize): n = 0")


def test_data_exports_and_ctypes_arguments():
    assert "orinanalysis" in lowlevel.data("notice")
    assert lowlevel.data("initStatus") == 0
    assert lowlevel.data("AnlysRandGenMutex") != 0
    s1, s2, s3 = ctypes.c_int32(), ctypes.c_int32(), ctypes.c_int32()
    lowlevel.srandnum(1, ctypes.byref(s1), ctypes.byref(s2), ctypes.byref(s3))
    assert (s1.value, s2.value, s3.value) == (1, 8191, (8191 * 8191) & 16383)
    with pytest.raises(AttributeError, match="no function named"):
        lowlevel.function("NoSuchRoutine")
    # A ctypes pointer of another type is refused.
    with pytest.raises(TypeError, match=r"srandnum\(\) parameter s1"):
        lowlevel.srandnum(1, ctypes.byref(ctypes.c_double()), None, None)


def test_a_wrong_library_path_is_reported_not_replaced(tmp_path):
    # A fresh interpreter: the library is loaded once per process.
    import subprocess
    import sys
    env = dict(os.environ, ORINANALYSIS_LIBRARY=str(tmp_path / "missing.so"))
    r = subprocess.run([sys.executable, "-c", "import orinanalysis; orinanalysis.fft([1.0])"], env=env,
                       capture_output=True, text=True, timeout=60)
    assert r.returncode != 0
    assert "missing.so" in r.stderr and "ORINANALYSIS_LIBRARY" in r.stderr
