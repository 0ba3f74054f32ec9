// The session registry: creates, finds, clears and destroys sessions, and
// runs a fetch on one of them.
#include <cmath>

#include "engine.h"
#include "frame/lifecycle.h"
#include "probe.h"

using orin::meas::tLibrary;

// Exported data. initStatus is constant-initialised, so it holds 0 before the
// registry's constructor runs and may set it. `library` is a C++ object
// exported under its plain name; the C language linkage pins that name
// (whatever namespace the type lives in), and the priority builds it before
// the function map and the lifecycle guard, and destroys it after them.
extern "C" {
__attribute__((visibility("default"))) int32_t initStatus = 0;
__attribute__((visibility("default"))) tLibrary library
    __attribute__((init_priority(ORIN_INIT_PRIORITY_REGISTRY))) (initStatus);
}

namespace orin::meas {

tLibrary::tLibrary(int32_t &status) {
    try {
        probe::registryConstructing();
        // Without its mutex the registry cannot guard its sessions, so a
        // refused mutex counts as a failed construction.
        if (ThMutexCreate(&_mutex, 0) != kMgNoErr) status = kErrEngineConstruction;
    } catch (...) {
        status = kErrEngineConstruction;
    }
}

tLibrary::~tLibrary() {
    for (auto &entry : _sessions) delete entry.second;
    _sessions.clear();
    if (_mutex) ThMutexDestroy(_mutex);
}

int32_t tLibrary::_getNextSessionId() {
    int32_t id = _lastSessionId == INT32_MAX ? INT32_MIN : _lastSessionId + 1;
    if (id == -1 || id == 0) id = 1;
    _lastSessionId = id;
    return id;
}

int32_t tLibrary::create(int32_t *sessionId) {
    int32_t status = 0;
    tSession *session = new (std::nothrow) tSession(status);
    if (!session) return kErrEngineOutOfMemory;
    if (status != 0) {
        delete session;
        return status;
    }
    session->initialize();
    tHostLock lock(_mutex);
    // After 2^32 creations the ids wrap; skip those still in use rather than
    // lose the new session behind an old one.
    int32_t id = _getNextSessionId();
    while (_sessions.count(id)) id = _getNextSessionId();
    try {
        _sessions.emplace(id, session);
    } catch (const std::bad_alloc &) {
        delete session;
        return kErrEngineOutOfMemory;
    }
    *sessionId = id;
    return 0;
}

int32_t tLibrary::_findSession(int32_t sessionId, tSession **session) {
    tHostLock lock(_mutex);
    const auto it = _sessions.find(sessionId);
    if (it == _sessions.end()) return kErrUnknownSession;
    ++it->second->_users;
    *session = it->second;
    return 0;
}

void tLibrary::_release(tSession *session) {
    tHostLock lock(_mutex);
    if (--session->_users == 0 && session->_destroyed) delete session;
}

int32_t tLibrary::destroy(int32_t sessionId) {
    tHostLock lock(_mutex);
    const auto it = _sessions.find(sessionId);
    if (it == _sessions.end()) return kErrUnknownSession;
    tSession *session = it->second;
    _sessions.erase(it);
    if (session->_users == 0) delete session;
    else session->_destroyed = true;
    return 0;
}

// A session found by _findSession, released when the call leaves, however
// it leaves.
class tLibrary::tHold {
public:
    tHold(tLibrary &owner, int32_t sessionId) : library_(owner) { code_ = library_._findSession(sessionId, &session_); }
    ~tHold() {
        if (session_) library_._release(session_);
    }
    tHold(const tHold &) = delete;
    tHold &operator=(const tHold &) = delete;
    int32_t code() const { return code_; }
    tSession *operator->() const { return session_; }

private:
    tLibrary &library_;
    tSession *session_ = nullptr;
    int32_t code_;
};

int32_t tLibrary::clear(int32_t sessionId) {
    const tHold session(*this, sessionId);
    if (session.code() != 0) return session.code();
    // The session's own lock (taken by clear) waits for a fetch in progress;
    // the registry's lock is not held meanwhile, so the two never nest.
    return session->clear();
}

int32_t tLibrary::fetch(int32_t sessionId, int32_t measId, tParamStruct params, const tWaveform &w, double *result,
                        tCursorStruct *cursor) {
    if (!result) return kErrNullResult;
    if (!cursor) return kErrNullCursor;
    if (!w.samples) return kErrNoSamples;
    *result = 0.0;
    if (measId == kMeasNone) return 0;

    // A one-shot session is destroyed when the call leaves, however it leaves.
    struct tOneShot {
        tLibrary *library = nullptr;
        int32_t id = 0;
        ~tOneShot() {
            if (library) library->destroy(id);
        }
    } oneShot;
    if (sessionId == -1) {
        if (const int32_t code = create(&sessionId)) return code;
        oneShot.library = this;
        oneShot.id = sessionId;
    }
    const tHold session(*this, sessionId);
    if (session.code() != 0) return session.code();
    const int32_t code = session->fetch(measId, params, w, result, cursor);
    if (code == 0 && !std::isfinite(*result)) return kErrResultNotFinite;
    return code;
}

}  // namespace orin::meas
