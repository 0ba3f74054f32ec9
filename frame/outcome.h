// The result of a handle entry point's work: the library's error code for the
// error output, and the memory manager's status that the entry point returns
// (non-zero only after a refused resize).
#ifndef ORIN_FRAME_OUTCOME_H
#define ORIN_FRAME_OUTCOME_H

#include <orin/common.h>
#include <orin/host.h>

namespace orin {

struct Outcome {
    int32_t code = 0;
    MgErr status = kMgNoErr;

    constexpr Outcome() = default;
    // A library code from a check or a core routine.
    constexpr Outcome(int32_t libraryCode) : code(libraryCode) {}
    constexpr Outcome(int32_t libraryCode, MgErr hostStatus) : code(libraryCode), status(hostStatus) {}

    // A resize the memory manager refused: error output -20001, and the
    // host's status returned.
    static constexpr Outcome refused(MgErr hostStatus) { return {kErrOutOfMemory, hostStatus}; }

    constexpr bool ok() const { return code == 0 && status == kMgNoErr; }
};

}  // namespace orin

// Returns from the enclosing body when a step fails.
#define ORIN_TRY(expr)                              \
    do {                                            \
        const ::orin::Outcome orinTryOutcome_ = (expr); \
        if (!orinTryOutcome_.ok()) return orinTryOutcome_; \
    } while (0)

#endif  // ORIN_FRAME_OUTCOME_H
