"""Library error codes as Python exceptions."""
from __future__ import annotations

from typing import Dict

from ._generated import ERROR_NAMES

#: Symbolic name of every code the library can return, keyed by the code.
CODE_NAMES: Dict[int, str] = dict(ERROR_NAMES)


class OrinError(Exception):
    """A library routine returned a non-zero error code.

    Attributes:
        routine: name of the exported routine that failed.
        code: the int32 code it returned (negative).
        detail: what the wrapper adds to the code (the offending value), or "".
        name: the code's symbolic name, such as ``"kErrEmptyArray"``, or
            ``"unknown"`` for a value outside the library's table (a memory
            manager status, for example).
    """

    def __init__(self, routine: str, code: int, detail: str = "") -> None:
        self.routine = routine
        self.code = int(code)
        self.name = CODE_NAMES.get(self.code, "unknown")
        self.detail = detail
        message = f"{routine} failed with code {self.code} ({self.name})"
        if detail:
            message += f": {detail}"
        super().__init__(message)

    def __reduce__(self):  # keeps the attributes through pickling
        return (type(self), (self.routine, self.code, self.detail))


def check(routine: str, code: int) -> None:
    """Raises :class:`OrinError` for a non-zero ``code`` returned by ``routine``."""
    if code:
        raise OrinError(routine, code)
