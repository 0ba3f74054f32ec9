// A session: one waveform's measurement objects and caches, and the checks
// and cache validity of every fetch on it.
#include <type_traits>

#include "engine.h"

namespace orin::meas {

// Nothing here throws: the members are built without allocating (the
// bundle's map makes its nodes on first use) and the host's mutex call is a
// C function. A host with no mutex left refuses the session as it would
// refuse its memory.
static_assert(std::is_nothrow_default_constructible_v<tMeasBundle> &&
              std::is_nothrow_default_constructible_v<tMediary>);

tSession::tSession(int32_t &status) {
    status = 0;
    if (ThMutexCreate(&_mutex, 0) != kMgNoErr) status = kErrEngineOutOfMemory;
}

tSession::~tSession() {
    if (_mutex) ThMutexDestroy(_mutex);
}

void tSession::initialize() {
    _bundle.initialize(&_mediary);
    _mediary.initialize(&_bundle);
}

// The registry has refused a null waveform already.
int32_t tSession::_checkSomeErrors(const tWaveform &w) const {
    if (w.count < 1) return kErrNoSamples;
    if (w.dt <= 0) return kErrEngineSamplingInterval;  // a NaN dt passes
    return 0;
}

int32_t tSession::_clearLocked() {
    if (_dirty) {
        _bundle.invalidateAllCaches();
        _dirty = false;
    }
    return 0;
}

int32_t tSession::clear() {
    tHostLock lock(_mutex);
    return _clearLocked();
}

// The caches hold for one set of reference parameters; any change of them
// (exact comparison, so a NaN field always counts as changed) starts afresh.
// The occurrence is not compared: results that depend on it are cached per
// occurrence, and the edge and crossing lists serve every occurrence.
int32_t tSession::_updateCacheValidity(const tParamStruct &params) {
    const tParamStruct &p = _params;
    if (params.highRef == p.highRef && params.histogramBins == p.histogramBins && params.hysteresis == p.hysteresis &&
        params.hystUnits == p.hystUnits && params.lowRef == p.lowRef && params.midRef == p.midRef &&
        params.refMethod == p.refMethod && params.refUnits == p.refUnits)
        return 0;
    _clearLocked();
    _params = params;
    return 0;
}

int32_t tSession::fetch(int32_t measId, tParamStruct params, const tWaveform &w, double *result,
                        tCursorStruct *cursor) {
    tHostLock lock(_mutex);
    if (const int32_t code = _checkSomeErrors(w)) return code;
    _updateCacheValidity(params);
    // The edge and crossing lists hold sample indices of the record they
    // were scanned on. A caller that passes a record of another length
    // without clearing would have them index past its end, so the caches
    // are forgotten instead.
    if (w.count != _recordCount) {
        _clearLocked();
        _recordCount = w.count;
    }
    // Ids 50..53 are intermediates the engine fetches for itself: their
    // objects hold no result (a valid list would answer as a cached value),
    // so they are refused here as the map refuses an id it does not know.
    const bool intermediate = measId >= kMeasMinAndMax && measId <= kMeasHistogram;
    const int32_t code =
        intermediate ? tMeasBundle::unknownId() : _mediary.fetchDependency(measId, params, w, result, cursor);
    _dirty = true;
    return code;
}

}  // namespace orin::meas
