/* orinanalysis: measurement routines. */
#ifndef ORIN_MEASUREMENT_H
#define ORIN_MEASUREMENT_H

#include <orin/common.h>

#endif /* ORIN_MEASUREMENT_H */
