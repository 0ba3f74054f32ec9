#include <orin/windows.h>

#include "detail.h"

int32_t CosTapered(DoubleArrayHdl x, int32_t *error) { return orin::windows::applyInPlace(x, error, CosTaperedWin); }
