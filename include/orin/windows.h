/* orinanalysis: windows routines. */
#ifndef ORIN_WINDOWS_H
#define ORIN_WINDOWS_H

#include <orin/common.h>

#endif /* ORIN_WINDOWS_H */
