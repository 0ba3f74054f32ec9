/* The public headers compile as C (this file is built by a C compiler). */
#include <orin/orinanalysis.h>

#include <string.h>

_Static_assert(sizeof(MutexRef) == 4, "a host mutex handle is one 32-bit word");
_Static_assert(offsetof(ComplexMatrix, elt) == 8, "2D complex elements start 8 bytes in");
_Static_assert(offsetof(Int32Matrix, elt) == 8, "2D int32 elements start 8 bytes in");

/* Called from the C++ suite: the C view of the exported data and of a host
   block must match the C++ one. */
int orin_c_view(double *nan, double *second) {
    memcpy(nan, &iDNaN, sizeof *nan);
    UHandle h = NULL;
    if (NumericArrayResize(kTypeDouble, 1, &h, 2) != kMgNoErr) return -1;
    DoubleArrayHdl a = (DoubleArrayHdl)h;
    (*a)->dimSize = 2;
    (*a)->elt[0] = 1.5;
    (*a)->elt[1] = -2.5;
    memcpy(second, (const unsigned char *)*h + 12, sizeof *second);
    DSDisposeHandle(h);
    return 0;
}
