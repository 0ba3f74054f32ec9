/* A minimal C program built against the installed library: it links the
   library and the host layer and reads the library's exported data. */
#include <orin/orinanalysis.h>
#include <stdio.h>
#include <string.h>

int main(void) {
    static const unsigned char expected[8] = {0xff, 0xff, 0xff, 0x7f, 0xff, 0xff, 0xff, 0xff};
    if (memcmp(&iDNaN, expected, sizeof expected) != 0 || AnlysRandGenMutex == 0) {
        fprintf(stderr, "unexpected exported data\n");
        return 1;
    }
    printf("%s\n", notice);
    return 0;
}
