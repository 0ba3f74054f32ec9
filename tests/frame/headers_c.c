/* The public headers compile as C (this file is built by a C compiler). */
#include <orin/orinanalysis.h>

_Static_assert(sizeof(MutexRef) == 4, "a host mutex handle is one 32-bit word");
_Static_assert(offsetof(ComplexMatrix, elt) == 8, "2D complex elements start 8 bytes in");
_Static_assert(offsetof(Int32Matrix, elt) == 8, "2D int32 elements start 8 bytes in");

/* Called from the C++ suite, so that the C view of the layout is checked at
   run time too. */
int orin_c_median_of_four(double *out) {
    const double x[4] = {4.0, 1.0, 3.0, 2.0};
    return Median(x, 4, out);
}
