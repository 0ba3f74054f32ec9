// The result of a handle entry point's work: the library's error code for the
// error output, and the memory manager's status that the entry point returns
// (non-zero only after a refused resize).
//
// The two are different kinds of number that happen to share a C type, so the
// host's status travels in its own type: a memory-manager status cannot be
// taken for a library code, nor a library code for a status.
#ifndef ORIN_FRAME_OUTCOME_H
#define ORIN_FRAME_OUTCOME_H

#include <orin/common.h>
#include <orin/host.h>

namespace orin {

struct HostStatus {
    MgErr value = kMgNoErr;
    constexpr explicit HostStatus(MgErr v = kMgNoErr) : value(v) {}
    constexpr bool ok() const { return value == kMgNoErr; }
};

struct Outcome {
    int32_t code = 0;
    HostStatus status;

    constexpr Outcome() = default;
    // A library code from a check or a core routine.
    constexpr Outcome(int32_t libraryCode) : code(libraryCode) {}
    constexpr Outcome(int32_t libraryCode, HostStatus hostStatus) : code(libraryCode), status(hostStatus) {}
    // Only the two constructors above make an outcome: a bare MgErr in the
    // place of a HostStatus does not compile.
    Outcome(int32_t, MgErr) = delete;

    // A resize the memory manager refused: error output -20001, and the
    // host's status returned.
    static constexpr Outcome refused(HostStatus hostStatus) { return {kErrOutOfMemory, hostStatus}; }

    constexpr bool ok() const { return code == 0 && status.ok(); }
};

}  // namespace orin

// Returns from the enclosing body when a step fails.
#define ORIN_TRY(expr)                                     \
    do {                                                   \
        const ::orin::Outcome orinTryOutcome_ = (expr);    \
        if (!orinTryOutcome_.ok()) return orinTryOutcome_; \
    } while (0)

#endif  // ORIN_FRAME_OUTCOME_H
