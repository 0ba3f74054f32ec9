#include <orin/windows.h>

#include "detail.h"

int32_t TriangleWin(DoubleArrayHdl x, int32_t *error) { return orin::windows::applyInPlace(x, error, TriWin); }
