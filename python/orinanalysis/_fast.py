"""Hot exports bound once with fixed argument types, for the wrappers that
pass arrays they have just made (or checked) themselves.

:mod:`lowlevel` checks every argument against the declaration on each call,
which costs microseconds; a wrapper whose arrays are known to be owned,
C-contiguous and of the right element type passes their addresses instead.
The checks on what the user gave stay in the wrappers (``_arrays``).
"""
from __future__ import annotations

import ctypes
from typing import Any, Callable, Dict

import numpy as np

from . import _library
from .lowlevel import prototype

_TYPES = {"double": ctypes.c_double, "int32_t": ctypes.c_int32}
_bound: Dict[str, Callable[..., int]] = {}

_view = ctypes.c_char.from_buffer
_addressof = ctypes.addressof


def address(a: np.ndarray) -> Any:
    """The address of a's first element (None when a is empty). A
    non-contiguous array is refused."""
    try:
        # Through the buffer protocol, which insists on a writeable
        # C-contiguous buffer: far cheaper than a.ctypes.data.
        return _addressof(_view(a))
    except (TypeError, ValueError, BufferError):
        if not a.size:
            return None
        if not a.flags.c_contiguous:
            raise ValueError("a non-contiguous array reached the fast path") from None
        return a.ctypes.data  # read-only


def bind(name: str) -> Callable[..., int]:
    """The export ``name`` with pointers taken as addresses and scalars by
    value, typed from its declaration; it returns an int32 code."""
    fn = _bound.get(name)
    if fn is None:
        proto = prototype(name)
        args = [ctypes.c_void_p if t.pointers else _TYPES[t.base] for _, t in proto.params]
        raw = ctypes.cast(getattr(_library.load(), name), ctypes.c_void_p).value
        # CFUNCTYPE (not PYFUNCTYPE): the interpreter lock is released during the call.
        fn = _bound.setdefault(name, ctypes.CFUNCTYPE(ctypes.c_int32, *args)(raw))
    return fn
