/* orinanalysis: timedomain routines. */
#ifndef ORIN_TIMEDOMAIN_H
#define ORIN_TIMEDOMAIN_H

#include <orin/common.h>

#endif /* ORIN_TIMEDOMAIN_H */
