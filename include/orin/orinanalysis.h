/* orinanalysis: the whole C interface.
   The conventions every declaration follows (host array layouts, error codes,
   iDNaN on failure, thread safety, the in/out notation of the argument
   blocks) are stated once in orin/common.h. */
#ifndef ORIN_ORINANALYSIS_H
#define ORIN_ORINANALYSIS_H

#include <orin/common.h>
#include <orin/host.h>
#include <orin/frame.h>
#include <orin/transforms.h>
#include <orin/windows.h>
#include <orin/filters.h>
#include <orin/generation.h>
#include <orin/timedomain.h>
#include <orin/statistics.h>
#include <orin/linalg.h>
#include <orin/fitting.h>
#include <orin/arrays.h>
#include <orin/measurement.h>

#endif /* ORIN_ORINANALYSIS_H */
