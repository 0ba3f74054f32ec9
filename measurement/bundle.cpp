// The measurement base class's cache, the function map and the per-session
// bundle of measurement objects.
#include "engine.h"
#include "probe.h"

namespace orin::meas {

int32_t tBaseMeas::fetch(const tParamStruct &params, const tWaveform &w, double *result, tCursorStruct *cursor) {
    if (_cacheValid && (!_perOccurrence || _cachedOccurrence == params.occurrence)) {
        *result = _cachedResult;
        *cursor = _cachedCursor;
        return 0;
    }
    probe::computed(_id);
    if (const int32_t code = _algorithm(params, w, result, cursor)) return code;
    _cachedResult = *result;
    _cachedCursor = *cursor;
    _cachedOccurrence = params.occurrence;
    _cacheValid = true;
    return 0;
}

int32_t tBaseMeas::_value(int32_t id, const tParamStruct &params, const tWaveform &w, double *value) const {
    return _mediary->fetchDependency(id, params, w, value, nullptr);
}

tCreateFunction tFuncMap::find(int32_t id, int32_t &error) const {
    const auto it = _map.find(id);
    if (it == _map.end()) {
        error = kErrUnknownMeasurement;
        return nullptr;
    }
    return it->second;
}

// Registers the prototype's class under its id. The prototype only answers
// those two questions and is deleted in every case.
int32_t tFuncMap::_addCreateFunctionToMap(tBaseMeas *prototype) {
    int32_t code = 0;
    try {
        if (!_map.emplace(prototype->getId(), prototype->getCreateFunction()).second) code = kErrDuplicateMeasurement;
    } catch (const std::bad_alloc &) {
        code = kErrEngineOutOfMemory;
    }
    delete prototype;
    return code;
}

tMeasBundle::~tMeasBundle() {
    for (auto &entry : _measures) delete entry.second;
}

int32_t tMeasBundle::find(int32_t id, tBaseMeas **measure) {
    const auto it = _measures.find(id);
    if (it != _measures.end()) {
        *measure = it->second;
        return 0;
    }
    if (const int32_t status = _funcMap.status()) return status;
    int32_t error = 0;
    const tCreateFunction create = _funcMap.find(id, error);
    if (error != 0) return error;
    tBaseMeas *made = create();
    if (!made) return kErrEngineOutOfMemory;
    made->initialize(_mediary);
    try {
        _measures.emplace(made->getId(), made);
    } catch (const std::bad_alloc &) {
        delete made;
        return kErrEngineOutOfMemory;
    }
    *measure = made;
    return 0;
}

// Objects and their storage stay: the histogram, edge and crossing arrays
// are reused by the next waveform.
int32_t tMeasBundle::invalidateAllCaches() {
    for (auto &entry : _measures) entry.second->_cacheValid = false;
    return 0;
}

}  // namespace orin::meas
