// Shared by the equiripple design and its handle entry point.
#ifndef ORIN_FILTERS_EQUIRIPPLE_H
#define ORIN_FILTERS_EQUIRIPPLE_H

#include "detail.h"

namespace orin::equiripple {

// Filter kinds of the core routines (the handle entry point's 0, 1, 2 plus 1).
enum Kind : int32_t { kMultiband = 1, kDifferentiator = 2, kHilbert = 3 };

}  // namespace orin::equiripple

#endif  // ORIN_FILTERS_EQUIRIPPLE_H
