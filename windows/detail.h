// Helpers shared by the window routines.
#ifndef ORIN_WINDOWS_DETAIL_H
#define ORIN_WINDOWS_DETAIL_H

#include "../frame/kit.h"

namespace orin::windows {

// Both parts of a complex sample take the same real weight.
inline void scale(double &x, extended w) { x = static_cast<double>(x * w); }
inline void scale(complexnum &c, extended w) {
    c.re = static_cast<double>(c.re * w);
    c.im = static_cast<double>(c.im * w);
}

// The handle form of an in-place window with an error output: the signal
// handle's elements and count go to the core routine, and on failure the
// signal handle is emptied.
template <class Core>
int32_t applyInPlace(DoubleArrayHdl x, int32_t *error, Core &&core) {
    return runEntry(error, {x}, [&]() -> Outcome {
        const DoubleArrayView v(x);
        return core(v.data(), v.size());
    });
}

}  // namespace orin::windows

#endif  // ORIN_WINDOWS_DETAIL_H
