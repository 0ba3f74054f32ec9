#!/usr/bin/env python3
"""Writes orinanalysis/_generated.py from the public headers.

Run it after a header gains or changes a declaration, an error code or a
measurement id:
    python3 python/tools/gen_prototypes.py [include-dir]
The package's tests check that the generated file matches the headers.
"""
from __future__ import annotations

import importlib.util
import pathlib
import sys

HERE = pathlib.Path(__file__).resolve().parent

# The reader alone, without the package (which needs numpy and the library).
_spec = importlib.util.spec_from_file_location("_cdecl", HERE.parent / "orinanalysis" / "_cdecl.py")
_cdecl = importlib.util.module_from_spec(_spec)
sys.modules["_cdecl"] = _cdecl  # dataclasses look their module up
_spec.loader.exec_module(_cdecl)
scan_enumerators, scan_header = _cdecl.scan_enumerators, _cdecl.scan_header

# host.h declares the platform functions the library imports, not exports;
# common.h and the umbrella header declare no functions of their own.
SKIP = {"host.h", "orinanalysis.h"}


def render(include_dir: pathlib.Path) -> str:
    functions, data = [], []
    for header in sorted((include_dir / "orin").glob("*.h")):
        if header.name in SKIP:
            continue
        f, d = scan_header(header.read_text())
        functions += [(header.stem, decl) for decl in f]
        data += [(header.stem, decl) for decl in d]
    codes = scan_enumerators((include_dir / "orin" / "common.h").read_text(), "kErr")
    measurements = scan_enumerators((include_dir / "orin" / "measurement.h").read_text(), "kMeas")
    out = ['"""Declarations copied from the public headers by tools/gen_prototypes.py; do not edit."""', ""]
    out.append("FUNCTIONS = (")
    out += [f"    ({h!r}, {d!r})," for h, d in functions]
    out += [")", "", "DATA = ("]
    out += [f"    ({h!r}, {d!r})," for h, d in data]
    out += [")", "", "ERROR_NAMES = {"]
    out += [f"    {v}: {n!r}," for v, n in codes]
    out += ["}", "", "MEASUREMENT_IDS = {"]
    out += [f"    {n!r}: {v}," for v, n in measurements]
    out += ["}", ""]
    return "\n".join(out)


def main() -> None:
    include_dir = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else HERE.parent.parent / "include"
    target = HERE.parent / "orinanalysis" / "_generated.py"
    target.write_text(render(include_dir))
    print(f"wrote {target}")


if __name__ == "__main__":
    main()
