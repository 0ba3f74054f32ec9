/* orinanalysis: fitting routines. */
#ifndef ORIN_FITTING_H
#define ORIN_FITTING_H

#include <orin/common.h>

#endif /* ORIN_FITTING_H */
