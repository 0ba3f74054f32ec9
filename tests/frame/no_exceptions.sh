#!/usr/bin/env bash
# No exception may leave the C boundary. The numerical subsystems hold no
# throwing construct at all: none of their objects may refer to the runtime's
# throw machinery, to the throwing operator new, or to the standard library's
# throw helpers (a std::vector that grows, say). The measurement engine is the
# one part that may throw inside; it catches at its exported functions.
set -u
objects=$1
files=$(find "$objects" -name '*.o' -not -path "$objects/measurement/*")
[ -n "$files" ] || { echo "no objects under $objects"; exit 1; }
hits=$(nm -C -A --undefined-only $files | grep -E '__cxa_throw|__cxa_allocate_exception|__cxa_rethrow|std::__throw_|operator new(\[\])?\(unsigned (long|int)\)$')
if [ -n "$hits" ]; then
  echo "throwing constructs in numerical code:"
  echo "$hits" | sed "s|$objects/||"
  exit 1
fi
echo "no throwing construct in the numerical objects"
