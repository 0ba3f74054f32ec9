/* orinanalysis: linalg routines. */
#ifndef ORIN_LINALG_H
#define ORIN_LINALG_H

#include <orin/common.h>

#endif /* ORIN_LINALG_H */
