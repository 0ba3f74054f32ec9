/* orinanalysis: arrays routines. */
#ifndef ORIN_ARRAYS_H
#define ORIN_ARRAYS_H

#include <orin/common.h>

#endif /* ORIN_ARRAYS_H */
