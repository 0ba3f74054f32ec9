/* orinanalysis: transforms routines. */
#ifndef ORIN_TRANSFORMS_H
#define ORIN_TRANSFORMS_H

#include <orin/common.h>

#endif /* ORIN_TRANSFORMS_H */
