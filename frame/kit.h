// The shared kit: everything a routine family needs from the frame.
#ifndef ORIN_FRAME_KIT_H
#define ORIN_FRAME_KIT_H

#include <orin/common.h>
#include <orin/host.h>

#include "carve.h"
#include "complex.h"
#include "entry.h"
#include "hostarray.h"
#include "matrix.h"
#include "numeric.h"
#include "outcome.h"
#include "scratch.h"

#endif  // ORIN_FRAME_KIT_H
