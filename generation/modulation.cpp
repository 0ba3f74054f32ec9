#include <orin/generation.h>

#include <cmath>

#include "detail.h"

namespace {

using orin::extended;
using orin::kPi;
using orin::kTwoPi;

// Peak of the modulating signal, compared by magnitude after truncation
// toward zero. The truncation is done in double so that samples beyond the
// int32 range (and NaN, which never replaces the peak) stay well defined.
void trackPeak(double x, double *peak) {
    if (std::fabs(std::trunc(x)) > std::fabs(std::trunc(*peak))) *peak = x;
}

// The carrier phase state is rounded to double after every sample, so that
// blocks of any sizes join exactly into the signal of one block.
double advance(double psi, extended increment, double cycle) {
    double next = static_cast<double>(psi + increment);
    if (next >= cycle) next = static_cast<double>(next - static_cast<extended>(cycle));
    else if (next < 0) next = static_cast<double>(next + static_cast<extended>(cycle));
    return next;
}

extended degrees(double psi, double dt) { return static_cast<extended>(psi) * dt * 180 / kPi; }

}  // namespace

int32_t FreqMod(int32_t n, double dt, double *phaseOut, double fc, double *x, double *peak, double *psi) {
    const double cycle = kTwoPi / dt;
    const extended carrier = static_cast<extended>(kTwoPi) * fc;
    double p = *psi;
    for (int32_t i = 0; i < n; ++i) {
        trackPeak(x[i], peak);
        p = advance(p, static_cast<extended>(kTwoPi) * x[i] + carrier, cycle);
        x[i] = std::sin(static_cast<double>(static_cast<extended>(p) * dt));
    }
    *psi = p;
    *phaseOut = static_cast<double>(degrees(p, dt));
    return kErrNone;
}

int32_t PhasMod(int32_t n, double dt, double *phaseOut, double fc, double *x, double *peak, double *psi) {
    const double cycle = kTwoPi / dt;
    const extended carrier = static_cast<extended>(kTwoPi) * fc;
    double p = *psi;
    double deviation = 0;
    for (int32_t i = 0; i < n; ++i) {
        deviation = x[i];
        trackPeak(deviation, peak);
        p = advance(p, carrier, cycle);
        x[i] =
            std::sin(static_cast<double>(deviation * static_cast<extended>(kPi) / 180 + static_cast<extended>(p) * dt));
    }
    *psi = p;
    // With no sample there is no deviation to add: the carrier phase alone.
    *phaseOut = static_cast<double>(degrees(p, dt) + deviation);
    return kErrNone;
}
