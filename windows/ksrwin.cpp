#include <orin/windows.h>

#include <cmath>

#include "detail.h"

// Power series of I0 (A&S 9.6.12): sum_k ((x/2)^k / k!)^2, each term the
// previous one times x^2 / (2k)^2.
double Io(double x) {
    const orin::extended x2 = static_cast<orin::extended>(x) * x;
    orin::extended sum = 1, term = 1;
    for (int32_t k = 1; k <= 25; ++k) {
        const orin::extended j = 2 * k;
        term = term * x2 / (j * j);
        sum += term;
        if (!(term > 1e-8)) break;
    }
    return static_cast<double>(sum);
}

// Kaiser-Bessel window (Kaiser 1974; Harris 1978, eq. 46) on the periodic grid
// t = 1 - 2i/n, symmetric about n/2.
int32_t KsrWin(double *x, int32_t n, double beta) {
    if (n < 1) return kErrEmptyArray;
    const orin::extended d = Io(beta);
    orin::windows::scale(x[0], Io(0) / d);
    const orin::extended step = 2.0L / n;
    const int32_t K = (n % 2 == 0) ? n / 2 - 1 : (n - 1) / 2;
    for (int32_t i = 1; i <= K; ++i) {
        const orin::extended t = 1 - step * i;
        const orin::extended w = Io(beta * std::sqrt(static_cast<double>(1 - t * t))) / d;
        orin::windows::scale(x[i], w);
        orin::windows::scale(x[n - i], w);
    }
    return kErrNone;
}
