/* orinanalysis: generation routines. */
#ifndef ORIN_GENERATION_H
#define ORIN_GENERATION_H

#include <orin/common.h>

#endif /* ORIN_GENERATION_H */
