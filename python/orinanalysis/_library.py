"""Finding and loading the shared library (once per process)."""
from __future__ import annotations

import contextlib
import ctypes
import ctypes.util
import os
import threading
from typing import Optional

ENV_VARIABLE = "ORINANALYSIS_LIBRARY"
_SONAME = "liborinanalysis.so.0"

_lock = threading.Lock()
_library: Optional[ctypes.CDLL] = None


def _candidates():
    path = os.environ.get(ENV_VARIABLE)
    if path:
        # An explicit choice is the only one tried: falling back to another
        # copy would hide a wrong path.
        yield path
        return
    found = ctypes.util.find_library("orinanalysis")
    if found:
        yield found
    yield _SONAME


def load() -> ctypes.CDLL:
    """The loaded library: the file named by ``ORINANALYSIS_LIBRARY`` when that
    variable is set, else the installed ``liborinanalysis.so.0``.

    Raises:
        OSError: the library cannot be found or loaded.
    """
    global _library
    if _library is not None:
        return _library
    with _lock:
        if _library is None:
            errors = []
            for path in _candidates():
                try:
                    # CDLL (not PyDLL) drops the interpreter lock during calls.
                    _library = ctypes.CDLL(path, mode=ctypes.RTLD_LOCAL)
                    break
                except OSError as exc:
                    errors.append(f"{path}: {exc}")
            else:
                raise OSError(
                    "cannot load the orinanalysis library ("
                    + "; ".join(errors)
                    + f"); build it and set {ENV_VARIABLE} to the path of liborinanalysis.so"
                )
    return _library


_trace_lock = threading.Lock()
_trace_depth = 0


@contextlib.contextmanager
def quiet_trace():
    """Keeps the design and interpolation traces that some routines write
    through the host's debug print off stderr: the stand-alone host buffers
    them while any such call runs, and the buffer is dropped afterwards. A
    host without the buffering hooks prints as before."""
    global _trace_depth
    lib = load()
    try:
        capture, clear = lib.OrinHostCaptureDebug, lib.OrinHostClearDebugText
    except AttributeError:
        yield
        return
    capture.argtypes, capture.restype, clear.restype = [ctypes.c_int32], None, None
    with _trace_lock:
        if _trace_depth == 0:
            capture(1)
        _trace_depth += 1
    try:
        yield
    finally:
        with _trace_lock:
            _trace_depth -= 1
            if _trace_depth == 0:
                clear()
                capture(0)
