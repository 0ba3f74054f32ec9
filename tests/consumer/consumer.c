/* A minimal C program built against the installed library. */
#include <orin/orinanalysis.h>
#include <stdio.h>

int main(void) {
    const double x[] = {4.0, 1.0, 3.0, 2.0};
    double median = 0.0;
    if (Median(x, 4, &median) != 0 || median != 2.5) {
        fprintf(stderr, "unexpected median %g\n", median);
        return 1;
    }
    printf("median 2.5\n");
    return 0;
}
