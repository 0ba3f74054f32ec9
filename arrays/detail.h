// What the array operations share: the kit, and the element count of a 2D
// array treated as rows * cols elements in storage order.
#ifndef ORIN_ARRAYS_DETAIL_H
#define ORIN_ARRAYS_DETAIL_H

#include <orin/arrays.h>

#include "../frame/kit.h"

namespace orin::arrays {

// rows * cols into count, or the code of a shape that holds no element
// (-20003) or cannot be held at all (-20001).
inline int32_t elementCount(int32_t rows, int32_t cols, int32_t *count) {
    if (const int32_t code = checkShape(rows, cols)) return code;
    *count = rows * cols;
    return kErrNone;
}

}  // namespace orin::arrays

#endif  // ORIN_ARRAYS_DETAIL_H
