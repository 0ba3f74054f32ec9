// The library's symbol tables: it exports exactly its export list and
// imports from the host only the platform functions. (The headers against
// the export lists and the calling convention: test_exports.py.)
#include <dlfcn.h>
#include "support/prelude.h"

#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace {

// The library's dynamic symbols that nm lists with these options: each name
// with its kind (U, w, T, ...).
std::map<std::string, std::string> nm(const char *options) {
    const std::string command = std::string("nm -D ") + options + " '" + ORIN_LIBRARY_PATH + "'";
    std::map<std::string, std::string> symbols;
    FILE *pipe = popen(command.c_str(), "r");
    if (!pipe) return symbols;
    char line[512];
    while (std::fgets(line, sizeof line, pipe)) {
        std::istringstream fields(line);
        std::string field, last, kind;
        while (fields >> field) {
            kind = last;
            last = field;
        }
        symbols[last] = kind;
    }
    pclose(pipe);
    return symbols;
}

// The file of the object that defines name in this process, or "".
std::string definingObject(const std::string &name) {
    void *address = dlsym(RTLD_DEFAULT, name.c_str());
    Dl_info info{};
    if (!address || !dladdr(address, &info) || !info.dli_fname) return "";
    return info.dli_fname;
}

}  // namespace

TEST(Exports, DefinedSymbolsEqualTheExportList) {
    std::set<std::string> listed;
    std::ifstream list(ORIN_EXPORT_LIST);
    ASSERT_TRUE(list) << ORIN_EXPORT_LIST;
    for (std::string name; std::getline(list, name);)
        if (!name.empty()) listed.insert(name);
    const std::map<std::string, std::string> exported = nm("--defined-only");
    for (const std::string &name : listed) EXPECT_TRUE(exported.count(name)) << "listed but not exported: " << name;
    for (const auto &symbol : exported)
        EXPECT_TRUE(listed.count(symbol.first)) << "exported but not listed: " << symbol.first;
}

TEST(Exports, UnversionedImportsAreHostFunctionsOnly) {
    // Versioned imports (name@GLIBC_..., name@CXXABI_...) come from the C and
    // C++ runtimes; everything else must be one of the host's functions, or
    // one of the optional hooks of the stand-alone host (weak) and the
    // toolchain's own weak references.
    const std::set<std::string> host = {
        "NumericArrayResize", "DSHandToHand",   "DSNewHandle",    "DSSetHandleSize", "DSNewHClr", "DSDisposeHandle",
        "DSNewPtr",           "DSNewPClr",      "DSDisposePtr",   "MoveBlock",       "ClearMem",  "ThMutexCreate",
        "ThMutexAcquire",     "ThMutexRelease", "ThMutexDestroy", "QSort",           "DBPrintf"};
    const std::set<std::string> weakOptional = {
        "OrinHostScratchAcquire",    "OrinHostScratchRelease", "_ITM_deregisterTMCloneTable",
        "_ITM_registerTMCloneTable", "__gmon_start__",         "__cxa_finalize"};
    for (const auto &[name, kind] : nm("--undefined-only")) {
        if (name.find('@') != std::string::npos) continue;
        // Sanitizer runtimes provide malloc and friends without versions; an
        // import is fine as long as a runtime, not the host layer, defines it.
        if (!host.count(name) && !weakOptional.count(name)) {
            const std::string object = definingObject(name);
            EXPECT_TRUE(!object.empty() && object.find("liborinhost") == std::string::npos)
                << "unexpected import " << name << " (defined by '" << object << "')";
            continue;
        }
        if (kind == "w") EXPECT_TRUE(weakOptional.count(name)) << "host function imported weakly: " << name;
        else EXPECT_TRUE(host.count(name)) << "hook imported strongly: " << name;
    }
}
