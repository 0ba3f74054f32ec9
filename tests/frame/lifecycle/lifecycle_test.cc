// Loading and unloading the library at run time, as the host does.
#include <orin/host.h>

#include <dlfcn.h>
#include <gtest/gtest.h>

#include "hostcontrol.h"

namespace {

class Loaded {
public:
    Loaded() : handle_(dlopen(ORIN_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL)) {}
    ~Loaded() {
        if (handle_) dlclose(handle_);
    }
    explicit operator bool() const { return handle_ != nullptr; }
    template <class T>
    T *symbol(const char *name) const {
        return reinterpret_cast<T *>(dlsym(handle_, name));
    }

private:
    void *handle_;
};

bool stillLoaded() {
    void *h = dlopen(ORIN_LIBRARY_PATH, RTLD_NOW | RTLD_NOLOAD);
    if (h) dlclose(h);
    return h != nullptr;
}

}  // namespace

// Loading makes the generators' mutex (a live host mutex; the engine's
// registry holds one of its own besides), finish and start destroy and
// remake it handing back the host's status, and unloading destroys every
// mutex the library made.
TEST(Lifecycle, LoadFinishStartAndUnloadMakeAndDestroyTheMutexes) {
    const int64_t mutexes = OrinHostLiveMutexes();
    {
        Loaded lib;
        ASSERT_TRUE(lib) << dlerror();
        auto *mutex = lib.symbol<MutexRef>("AnlysRandGenMutex");
        auto *start = lib.symbol<int32_t()>("OrinAnalysisStart");
        auto *finish = lib.symbol<int32_t()>("OrinAnalysisFinish");
        ASSERT_TRUE(mutex && start && finish);
        EXPECT_NE(*mutex, 0u);
        EXPECT_EQ(ThMutexAcquire(*mutex), kMgNoErr);
        EXPECT_EQ(ThMutexRelease(*mutex), kMgNoErr);
        const int64_t loaded = OrinHostLiveMutexes();
        EXPECT_GE(loaded, mutexes + 1);

        EXPECT_EQ(finish(), kMgNoErr);
        EXPECT_EQ(*mutex, 0u);
        EXPECT_EQ(OrinHostLiveMutexes(), loaded - 1);
        // Destroying a handle that no longer exists: the host's refusal comes
        // back unchanged.
        EXPECT_EQ(finish(), kMgArgErr);
        EXPECT_EQ(start(), kMgNoErr);
        EXPECT_NE(*mutex, 0u);
        EXPECT_EQ(OrinHostLiveMutexes(), loaded);
    }
    EXPECT_FALSE(stillLoaded());
    EXPECT_EQ(OrinHostLiveMutexes(), mutexes) << "unload destroys every mutex the library made";
}
