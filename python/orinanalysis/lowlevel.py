"""Every export of the library, callable by name, and the host arrays that
the handle entry points take.

Each function is typed from its declaration in the public headers::

    from orinanalysis import lowlevel
    re = numpy.arange(8.0); im = numpy.zeros(8)
    lowlevel.check("FFT", lowlevel.FFT(re, im, 8))

Pointer parameters take numpy arrays of exactly the element type (float64
for ``double *``, int32 for ``int32_t *``, uint8 for ``uint8_t *``,
complex128 for ``complexnum *``), C-contiguous, and writeable unless the
parameter is ``const``; anything else is refused with a ``TypeError`` naming
the parameter, never reinterpreted. ctypes objects (``ctypes.byref``,
structures) and ``None`` (a null pointer) are passed as they are. Host array
handles (``DoubleArrayHdl`` ...) take a :class:`HostArray` of the matching
element type. Calls release the interpreter lock.
"""
from __future__ import annotations

import ctypes
import re
import threading
import weakref
from typing import Any, Dict, Optional, Sequence, Tuple

import numpy as np

from . import _library
from ._cdecl import CType, Prototype, parse_data, parse_prototype
from ._generated import DATA, FUNCTIONS
from .errors import OrinError, check

__all__ = [
    "Complexnum", "IIRFilterInfo", "tRefLevels", "tRefOptions", "tCursorStruct", "HistogramBin",
    "HostArray", "Function", "function", "call", "prototype", "names", "data", "check", "OrinError",
]


# ---- structures of the public headers ------------------------------------

class Complexnum(ctypes.Structure):
    """``complexnum``: real part, then imaginary part."""
    _fields_ = [("re", ctypes.c_double), ("im", ctypes.c_double)]


class IIRFilterInfo(ctypes.Structure):
    """The coefficient and state block of the IIR designs and cascade filter."""
    _fields_ = [
        ("type", ctypes.c_int32), ("order", ctypes.c_int32), ("init", ctypes.c_int32),
        ("aCount", ctypes.c_int32), ("a", ctypes.POINTER(ctypes.c_double)),
        ("bCount", ctypes.c_int32), ("b", ctypes.POINTER(ctypes.c_double)),
        ("stateCount", ctypes.c_int32), ("state", ctypes.POINTER(ctypes.c_double)),
    ]


class tRefLevels(ctypes.Structure):  # noqa: N801 - the C name
    """Reference levels of a measurement fetch (high, mid, low, units)."""
    _fields_ = [("highRef", ctypes.c_double), ("midRef", ctypes.c_double),
                ("lowRef", ctypes.c_double), ("units", ctypes.c_int32)]


class tRefOptions(ctypes.Structure):  # noqa: N801
    """Reference method and histogram bins of a measurement fetch."""
    _fields_ = [("method", ctypes.c_int32), ("histogramBins", ctypes.c_int32)]


class tCursorStruct(ctypes.Structure):  # noqa: N801
    """Cursor abscissae and ordinates of a measurement."""
    _fields_ = [("x1", ctypes.c_double), ("x2", ctypes.c_double), ("x3", ctypes.c_double),
                ("y1", ctypes.c_double), ("y2", ctypes.c_double), ("y3", ctypes.c_double)]


class HistogramBin(ctypes.Structure):
    """A 20-byte bin record of the general histogram."""
    _pack_ = 4
    _fields_ = [("lower", ctypes.c_double), ("upper", ctypes.c_double), ("inclusion", ctypes.c_int32)]


_STRUCTS = {
    "complexnum": Complexnum, "IIRFilterInfo": IIRFilterInfo, "tRefLevels": tRefLevels,
    "tRefOptions": tRefOptions, "tCursorStruct": tCursorStruct, "HistogramBin": HistogramBin,
}

_SCALARS = {
    "int32_t": ctypes.c_int32, "uint32_t": ctypes.c_uint32, "MutexRef": ctypes.c_uint32,
    "uint8_t": ctypes.c_uint8, "int": ctypes.c_int, "double": ctypes.c_double,
    "size_t": ctypes.c_size_t, "char": ctypes.c_char, "MgErr": ctypes.c_int32,
}

# numpy element type behind each pointer target.
_ELEMENTS = {
    "double": np.dtype(np.float64), "int32_t": np.dtype(np.int32), "uint8_t": np.dtype(np.uint8),
    "uint32_t": np.dtype(np.uint32), "complexnum": np.dtype(np.complex128),
}

# ---- host array handles ----------------------------------------------------

# Host element kinds: type code, numpy dtype, dimensions.
_HANDLE_KINDS = {
    "DoubleArrayHdl": ("double", 1), "Int32ArrayHdl": ("int32", 1), "ComplexArrayHdl": ("complex", 1),
    "DoubleMatrixHdl": ("double", 2), "Int32MatrixHdl": ("int32", 2), "ComplexMatrixHdl": ("complex", 2),
}
_KIND_CODES = {"double": (10, np.dtype(np.float64)), "int32": (3, np.dtype(np.int32)),
               "complex": (13, np.dtype(np.complex128))}

_host_lock = threading.Lock()
_host_functions: Dict[str, Any] = {}


def _host(name: str):
    """A host platform function (NumericArrayResize, DSDisposeHandle), found
    through the library, which imports them."""
    fn = _host_functions.get(name)
    if fn is None:
        lib = _library.load()
        fn = getattr(lib, name)
        if name == "NumericArrayResize":
            fn.argtypes = [ctypes.c_int32, ctypes.c_int32, ctypes.POINTER(ctypes.c_void_p), ctypes.c_size_t]
            fn.restype = ctypes.c_int32
        elif name == "DSDisposeHandle":
            fn.argtypes = [ctypes.c_void_p]
            fn.restype = ctypes.c_int32
        with _host_lock:
            _host_functions[name] = fn
    return fn


def _dispose(handle: int) -> None:
    _host("DSDisposeHandle")(handle)


class HostArray:
    """A host array handle made and released by the host memory manager, for
    the handle entry points (``FFTH``, ``Spectrum``, ``BWCoefs`` ...).

    Args:
        kind: element type, ``"double"``, ``"int32"`` or ``"complex"``.
        values: initial contents (converted to the element type; a 2D array
            makes a 2D handle), or None for an empty array.
        ndim: 1 or 2; taken from ``values`` when given.

    The handle is released by :meth:`close`, at the end of a ``with`` block,
    or when the object is collected.
    """

    def __init__(self, kind: str = "double", values: Any = None, ndim: Optional[int] = None) -> None:
        if kind not in _KIND_CODES:
            raise ValueError(f"HostArray kind must be one of {sorted(_KIND_CODES)}, not {kind!r}")
        self.kind = kind
        self._code, self._dtype = _KIND_CODES[kind]
        data = None
        if values is not None:
            data = np.asarray(values)
            if data.dtype.kind == "c" and kind != "complex":
                raise TypeError(f"complex values given to a {kind} host array")
            data = np.ascontiguousarray(data, dtype=self._dtype)
            ndim = ndim or max(1, data.ndim)
        self.ndim = ndim or 1
        if self.ndim not in (1, 2) or (data is not None and data.ndim > self.ndim):
            raise ValueError("host arrays have 1 or 2 dimensions")
        shape: Tuple[int, ...] = (0,) * self.ndim
        if data is not None:
            shape = data.shape if data.ndim == self.ndim else (1,) + data.shape
        h = ctypes.c_void_p(None)
        self._resize(h, shape)
        self._handle = h.value
        self._finalizer = weakref.finalize(self, _dispose, self._handle)
        if data is not None and data.size:
            ctypes.memmove(self._elements(), data.ctypes.data, data.nbytes)

    def _resize(self, h: ctypes.c_void_p, shape: Sequence[int]) -> None:
        count = int(np.prod(shape)) if shape else 0
        if any(s < 0 or s > 2**31 - 1 for s in shape):
            raise ValueError(f"host array dimensions {tuple(shape)} do not fit int32")
        status = _host("NumericArrayResize")(self._code, self.ndim, ctypes.byref(h), count)
        if status or not h.value:
            raise MemoryError(f"the host memory manager refused {count} elements (status {status})")
        dims = ctypes.cast(ctypes.cast(h.value, ctypes.POINTER(ctypes.c_void_p))[0],
                           ctypes.POINTER(ctypes.c_int32))
        for i, s in enumerate(shape):
            dims[i] = s

    def _block(self) -> int:
        if self._handle is None:
            raise ValueError("the host array has been released")
        return ctypes.cast(self._handle, ctypes.POINTER(ctypes.c_void_p))[0]

    def _elements(self) -> int:
        return self._block() + 4 * self.ndim

    @property
    def shape(self) -> Tuple[int, ...]:
        """The dimension words of the block (rows, columns for 2D)."""
        dims = ctypes.cast(self._block(), ctypes.POINTER(ctypes.c_int32))
        return tuple(int(dims[i]) for i in range(self.ndim))

    def to_numpy(self) -> np.ndarray:
        """A copy of the elements, shaped by the dimension words."""
        shape = self.shape
        out = np.empty(shape, dtype=self._dtype)
        if out.size:
            ctypes.memmove(out.ctypes.data, self._elements(), out.nbytes)
        return out

    @property
    def _as_parameter_(self) -> ctypes.c_void_p:
        if self._handle is None:
            raise ValueError("the host array has been released")
        return ctypes.c_void_p(self._handle)

    def close(self) -> None:
        """Releases the handle (idempotent)."""
        self._finalizer()
        self._handle = None

    def __enter__(self) -> "HostArray":
        return self

    def __exit__(self, *exc: Any) -> None:
        self.close()

    def __repr__(self) -> str:
        state = "released" if self._handle is None else f"shape {self.shape}"
        return f"HostArray({self.kind!r}, {state})"


# ---- argument conversion ---------------------------------------------------

def _describe(obj: Any) -> str:
    if isinstance(obj, np.ndarray):
        layout = "C-contiguous" if obj.flags.c_contiguous else "non-contiguous"
        ro = "" if obj.flags.writeable else ", read-only"
        return f"a {layout} {obj.dtype} array of shape {obj.shape}{ro}"
    return f"a {type(obj).__name__}"


def _pointer_converter(routine: str, pname: str, ctype: CType):
    """An argtype class whose from_param checks one pointer argument."""
    dtype = _ELEMENTS.get(ctype.base) if ctype.pointers == 1 else None
    struct = _STRUCTS.get(ctype.base)
    target = struct or _SCALARS.get(ctype.base)
    pointer_type = ctypes.POINTER(target) if target is not None and ctype.pointers == 1 else None
    writable = not ctype.const
    what = f"{routine}() parameter {pname} ({ctype})"

    class Pointer:
        @classmethod
        def from_param(cls, obj: Any):
            if obj is None:
                return ctypes.c_void_p(None)
            if isinstance(obj, np.ndarray):
                if dtype is None or obj.dtype != dtype:
                    want = dtype if dtype is not None else "no numpy"
                    raise TypeError(f"{what} takes a {want} array, got {_describe(obj)}")
                if not obj.flags.c_contiguous:
                    raise TypeError(f"{what} needs a C-contiguous array, got {_describe(obj)}")
                if writable and not obj.flags.writeable:
                    raise TypeError(f"{what} writes to its array, got {_describe(obj)}")
                return ctypes.c_void_p(obj.ctypes.data)
            if isinstance(obj, ctypes.c_void_p):
                return obj  # a raw address: the caller vouches for it
            if pointer_type is not None:
                try:
                    return pointer_type.from_param(obj)
                except TypeError:
                    pass
            elif isinstance(obj, (ctypes._Pointer, ctypes.Array)) or type(obj).__name__ == "CArgObject":
                return obj  # a target type this layer does not model: the caller's ctypes object
            raise TypeError(f"{what} takes an array or a ctypes pointer, got {_describe(obj)}")

    Pointer.__name__ = f"{ctype.base}_pointer"
    return Pointer


def _handle_converter(routine: str, pname: str, ctype: CType):
    kind, ndim = _HANDLE_KINDS[ctype.base]
    what = f"{routine}() parameter {pname} ({ctype.base})"

    class Handle:
        @classmethod
        def from_param(cls, obj: Any):
            if obj is None:
                return ctypes.c_void_p(None)
            if isinstance(obj, HostArray):
                if obj.kind != kind or obj.ndim != ndim:
                    raise TypeError(f"{what} takes a {ndim}D {kind} HostArray, got {obj!r}")
                return obj._as_parameter_
            if isinstance(obj, ctypes.c_void_p):
                return obj
            raise TypeError(f"{what} takes a HostArray, got {_describe(obj)}")

    Handle.__name__ = ctype.base
    return Handle


def _by_value(routine: str, ctype: CType):
    if ctype.base in _STRUCTS:
        return _STRUCTS[ctype.base]
    if ctype.base in _SCALARS:
        return _SCALARS[ctype.base]
    raise TypeError(f"{routine}: the type {ctype.base} is not known to orinanalysis.lowlevel; "
                    "add it to _SCALARS or _STRUCTS")


def _restype(routine: str, ctype: CType):
    if ctype.base == "void" and ctype.pointers == 0:
        return None
    if ctype.pointers:
        return ctypes.c_void_p
    return _by_value(routine, ctype)


def _argtype(routine: str, pname: str, ctype: CType):
    if ctype.base in _HANDLE_KINDS and ctype.pointers == 0:
        return _handle_converter(routine, pname, ctype)
    if ctype.base.endswith("Hdl"):
        return ctypes.c_void_p  # record-array handles: pass c_void_p yourself
    if ctype.pointers:
        return _pointer_converter(routine, pname, ctype)
    return _by_value(routine, ctype)


# ---- functions by name -----------------------------------------------------

_prototypes: Dict[str, Tuple[str, Prototype]] = {}
#: Declarations this layer cannot read (a function-pointer parameter, say),
#: by name: they are left out rather than breaking the import.
unsupported: Dict[str, str] = {}
for _header, _decl in FUNCTIONS:
    try:
        _p = parse_prototype(_decl)
    except ValueError as _exc:
        _m = re.search(r"([A-Za-z_][A-Za-z0-9_]*)\s*\(", _decl)
        unsupported[_m.group(1) if _m else _decl] = str(_exc)
        continue
    _prototypes[_p.name] = (_header, _p)
_data_decls: Dict[str, CType] = dict(parse_data(d) for _, d in DATA)

_functions: Dict[str, Any] = {}
_functions_lock = threading.Lock()


def names(header: Optional[str] = None) -> Tuple[str, ...]:
    """Names of every exported function (of one header, e.g. ``"transforms"``)."""
    return tuple(n for n, (h, _) in _prototypes.items() if header is None or h == header)


def prototype(name: str) -> Prototype:
    """The C declaration of an exported function."""
    if name in unsupported:
        raise AttributeError(f"{name} cannot be called through lowlevel: {unsupported[name]}")
    try:
        return _prototypes[name][1]
    except KeyError:
        raise AttributeError(f"orinanalysis exports no function named {name!r}") from None


class Function:
    """An exported function bound to its declaration. Calling it passes the
    arguments through the checks of the module docstring; a refused argument
    raises ``TypeError`` naming the routine and the parameter."""

    __slots__ = ("__name__", "prototype", "_fn", "__dict__")

    def __init__(self, name: str, proto: Prototype, fn: Any) -> None:
        self.__name__ = name
        self.prototype = proto
        self.__doc__ = str(proto)
        self._fn = fn

    def __call__(self, *args: Any) -> Any:
        if len(args) != len(self.prototype.params):
            raise TypeError(f"{self.__name__}() takes {len(self.prototype.params)} arguments, got {len(args)}")
        try:
            return self._fn(*args)
        except ctypes.ArgumentError as exc:
            raise TypeError(str(exc)) from None

    def __repr__(self) -> str:
        return f"<orinanalysis function {self.prototype}>"


def function(name: str) -> Function:
    """The exported function ``name`` as a ctypes function typed from its
    declaration.

    Raises:
        AttributeError: no such export is declared, or the loaded library
            (a partial build) lacks it.
    """
    fn = _functions.get(name)
    if fn is not None:
        return fn
    proto = prototype(name)
    lib = _library.load()
    try:
        raw = getattr(lib, name)
    except AttributeError:
        raise AttributeError(f"the loaded library does not export {name}") from None
    # A private function object per name, so setting its types cannot clash
    # with another user of the same CDLL.
    fn = ctypes.CFUNCTYPE(_restype(name, proto.result),
                          *[_argtype(name, n, t) for n, t in proto.params])(ctypes.cast(raw, ctypes.c_void_p).value)
    with _functions_lock:
        _functions.setdefault(name, Function(name, proto, fn))
    return _functions[name]


def call(name: str, *args: Any) -> Any:
    """Calls the exported function ``name`` with ``args`` and returns its
    result unchanged (use :func:`check` on error codes)."""
    return function(name)(*args)


def data(name: str) -> Any:
    """The value of an exported data object: ``iDNaN`` (float),
    ``AnlysRandGenMutex`` and ``initStatus`` (int), ``notice`` (str)."""
    ctype = _data_decls.get(name)
    if ctype is None:
        raise AttributeError(f"orinanalysis exports no data object named {name!r}")
    lib = _library.load()
    if ctype.array and ctype.base == "char":
        return ctypes.c_char_p(ctypes.addressof(ctypes.c_char.in_dll(lib, name))).value.decode()
    return _SCALARS[ctype.base].in_dll(lib, name).value


def __getattr__(name: str) -> Any:
    if name in _prototypes:
        return function(name)
    raise AttributeError(f"module 'orinanalysis.lowlevel' has no attribute {name!r}")


def __dir__():
    return sorted(list(globals()) + list(_prototypes))
