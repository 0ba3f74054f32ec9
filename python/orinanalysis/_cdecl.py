"""A reader for the C declarations of the library's public headers and for
the subsystems' export lists.

The headers are the one description of every export (name, return type,
parameter types and constness), so the low-level layer is driven by them
rather than by a second, hand-kept list: ``tools/gen_prototypes.py`` copies
the declarations into ``_generated.py`` and this module turns each into a
:class:`Prototype`. The sweep's table generator (tests/sweep) reads the
headers through this module too. It needs nothing beyond the standard
library, so tools can load it by path without the package.
"""
from __future__ import annotations

import pathlib
import re
from dataclasses import dataclass
from typing import Dict, List, Optional, Tuple, Union

_QUALIFIERS = {"const", "volatile", "struct", "enum"}


@dataclass(frozen=True)
class CType:
    """A parameter or return type: base name, pointer depth, const target."""

    base: str
    pointers: int = 0
    const: bool = False  # the object pointed to (or the value) is const
    array: bool = False  # declared with [] (data exports only)

    def __str__(self) -> str:
        text = ("const " if self.const else "") + self.base
        return text + " " + "*" * self.pointers if self.pointers else text


@dataclass(frozen=True)
class Prototype:
    """One exported function: its name, return type and parameters."""

    name: str
    result: CType
    params: Tuple[Tuple[str, CType], ...]

    def __str__(self) -> str:
        args = ", ".join(f"{t} {n}".replace("* ", "*") for n, t in self.params) or "void"
        return f"{self.result} {self.name}({args})"


def _type_and_name(text: str, allow_anonymous: bool) -> Tuple[CType, Optional[str]]:
    text = text.strip()
    array = text.endswith("]")
    if array:
        text = text[: text.index("[")].strip()
    tokens = re.findall(r"[A-Za-z_][A-Za-z0-9_]*|\*", text)
    if not tokens:
        raise ValueError(f"cannot read the declaration {text!r}")
    const = False
    pointers = 0
    words: List[str] = []
    for tok in tokens:
        if tok == "*":
            pointers += 1
        elif tok == "const":
            # "const T *p" and "T const *p" make the target const; a const
            # after the last star ("T *const p") only fixes the pointer.
            if pointers == 0:
                const = True
        elif tok in _QUALIFIERS:
            continue
        else:
            words.append(tok)
    name: Optional[str] = None
    if len(words) >= 2:
        name = words.pop()
    elif not allow_anonymous:
        raise ValueError(f"no name in the declaration {text!r}")
    if not words:
        raise ValueError(f"no type in the declaration {text!r}")
    base = " ".join(words)
    if base in ("unsigned", "signed"):
        base += " int"
    return CType(base, pointers, const, array), name


def parse_prototype(decl: str) -> Prototype:
    """Reads one function declaration such as
    ``int32_t FFT(double *re, double *im, int32_t n);``."""
    decl = " ".join(decl.replace("ORIN_API", " ").split()).rstrip(";").strip()
    m = re.fullmatch(r"(.*?)\b([A-Za-z_][A-Za-z0-9_]*)\s*\((.*)\)", decl)
    if not m:
        raise ValueError(f"not a function declaration: {decl!r}")
    result, _ = _type_and_name(m.group(1), allow_anonymous=True)
    name = m.group(2)
    inner = m.group(3).strip()
    params: List[Tuple[str, CType]] = []
    if inner and inner != "void":
        if "(" in inner or "..." in inner:
            raise ValueError(f"{name}: function-pointer and variadic parameters are not supported")
        for i, part in enumerate(inner.split(",")):
            ctype, pname = _type_and_name(part, allow_anonymous=True)
            params.append((pname or f"arg{i}", ctype))
    return Prototype(name, result, tuple(params))


def parse_data(decl: str) -> Tuple[str, CType]:
    """Reads one exported data declaration such as ``const double iDNaN;``."""
    decl = " ".join(decl.replace("ORIN_API", " ").split()).rstrip(";").strip()
    ctype, name = _type_and_name(decl, allow_anonymous=False)
    if name is None:
        raise ValueError(f"not a data declaration: {decl!r}")
    return name, ctype


def scan_header(text: str) -> Tuple[List[str], List[str]]:
    """The ``ORIN_API`` function and data declarations of a header, each on
    one line with comments removed: (functions, data)."""
    text = re.sub(r"/\*.*?\*/", " ", text, flags=re.S)
    text = re.sub(r"//[^\n]*", " ", text)
    functions: List[str] = []
    data: List[str] = []
    for m in re.finditer(r"\bORIN_API\b([^;{]*);", text):
        decl = " ".join(m.group(1).split()) + ";"
        if decl.startswith("#") or "define" in decl:
            continue
        (functions if "(" in decl else data).append(decl)
    return functions, data


def scan_enumerators(text: str, prefix: str) -> List[Tuple[int, str]]:
    """The ``<prefix>... = N`` enumerators of a header, such as the error
    codes (``kErr``) or the measurement identifiers (``kMeas``)."""
    return [(int(v), n) for n, v in re.findall(rf"\b({prefix}[A-Za-z0-9]+)\s*=\s*(-?\d+)", text)]


def read_export_lists(source_dir: Union[str, pathlib.Path]) -> Dict[str, str]:
    """Every name in the subsystems' ``<dir>/exports.txt`` lists (one a
    line, ``#`` starts a comment), mapped to its subsystem directory."""
    where: Dict[str, str] = {}
    for path in sorted(pathlib.Path(source_dir).glob("*/exports.txt")):
        for line in path.read_text().splitlines():
            name = line.split("#")[0].strip()
            if name:
                where[name] = path.parent.name
    return where
