// The id table: every measurement class, registered in a fixed order when the
// library is loaded.
#include "amplitude.h"
#include "engine.h"
#include "frame/lifecycle.h"
#include "levels.h"
#include "lists.h"
#include "probe.h"
#include "pulse_duration/edge.h"
#include "pulse_duration/overshoot.h"
#include "pulse_duration/preshoot.h"
#include "timing.h"

namespace orin::meas {

namespace {

// Registration order; the map itself is ordered by id.
constexpr tCreateFunction kClasses[] = {
    &tAverage::staticCreate,
    &tRms::staticCreate,
    &tRefVolts<10>::staticCreate,
    &tRefVolts<9>::staticCreate,
    &tRefVolts<11>::staticCreate,
    &tVoltageMinAndMax::staticCreate,
    &tDepend<0, 50>::staticCreate,
    &tDepend<1, 50>::staticCreate,
    &tDifference<2, 1, 0>::staticCreate,
    &tDifference<5, 4, 3>::staticCreate,
    &tPeriod::staticCreate,
    &tRiseFallTime<20, 1>::staticCreate,
    &tRiseFallTime<19, 0>::staticCreate,
    &tFrequency::staticCreate,
    &tRootSumSquares::staticCreate,
    &tHistogram::staticCreate,
    &tVoltageLow::staticCreate,
    &tVoltageHigh::staticCreate,
    &tCycleAverage::staticCreate,
    &tCycleRms::staticCreate,
    &tWidth<22, 1>::staticCreate,
    &tWidth<23, 0>::staticCreate,
    &tDutyCycle<24, 1>::staticCreate,
    &tDutyCycle<25, 0>::staticCreate,
    &tPreshoot<26, 1>::staticCreate,
    &tPreshoot<27, 0>::staticCreate,
    &tOvershoot<29, 0>::staticCreate,
    &tOvershoot<28, 1>::staticCreate,
    &tPulseCenter<30, 22>::staticCreate,
    &tPulseCenter<31, 23>::staticCreate,
    &tSlewRate<32, 20>::staticCreate,
    &tSlewRate<33, 19>::staticCreate,
    &tVoltageBaseTop<7, 0, 3>::staticCreate,
    &tVoltageBaseTop<6, 1, 4>::staticCreate,
    &tDifference<8, 6, 7>::staticCreate,
    &tEdgeTimes::staticCreate,
    &tCrossPoints::staticCreate,
    &tHystVolts::staticCreate,
};

}  // namespace

tFuncMap::tFuncMap() {
    size_t registered = 0;
    for (const tCreateFunction create : kClasses) {
        if (_status != 0) break;
        tBaseMeas *prototype = create();
        _status = prototype ? _addCreateFunctionToMap(prototype) : kErrEngineOutOfMemory;
        if (++registered == 2 && _status == 0) {
            if (const tCreateFunction again = probe::duplicateClass()) {
                tBaseMeas *duplicate = again();
                _status = duplicate ? _addCreateFunctionToMap(duplicate) : kErrEngineOutOfMemory;
            }
        }
    }
}

// Built after the session registry and before the lifecycle guard, and
// destroyed in the reverse order.
tFuncMap tMeasBundle::_funcMap __attribute__((init_priority(ORIN_INIT_PRIORITY_FUNCMAP)));

}  // namespace orin::meas
