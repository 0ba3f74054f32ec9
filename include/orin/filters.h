/* orinanalysis: filters routines. */
#ifndef ORIN_FILTERS_H
#define ORIN_FILTERS_H

#include <orin/common.h>

#endif /* ORIN_FILTERS_H */
