// The sandbox where the module cannot be trusted: no text of the plug-in passes
// for the sandbox's own, and a load that fails anywhere leaves a host that unloads.
#include <cstdlib>
#include <new>
#include <sstream>

#include <gtest/gtest.h>

#include "host/host.h"
#include "test_host/plugin_host.h"

// Allocations left before one fails: negative (and counting down) while none is to fail.
static long allocationsBeforeFailure = -1;

void* operator new(std::size_t size) {
    void* memory = allocationsBeforeFailure-- == 0 ? nullptr : std::malloc(size == 0 ? 1 : size);
    if (!memory) throw std::bad_alloc();
    return memory;
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}

namespace {

TEST(SandboxTranscript, EveryLineIsOnePrintedLineAndOnlyTheSandboxsCarryItsPrefix) {
    std::ostringstream printed;
    sandbox::Transcript transcript(&printed);
    for (const char* line : {"[sandbox] loaded", "[plug-in] x", "a\n[sandbox] b\r\x7f"}) transcript.Plugin(line);
    transcript.Sandbox("now playing c\nd");
    EXPECT_EQ(printed.str(), "[plug-in] [sandbox] loaded\n[plug-in] [plug-in] x\n"
                             "[plug-in] a\\x0A[sandbox] b\\x0D\\x7F\n[sandbox] now playing c\\x0Ad\n");
}

TEST(SandboxLoad, AnAllocationFailingAnywhereInALoadLeavesAHostThatUnloads) {
    for (long allocations = 0, failed = 1; failed; ++allocations) {
        sandbox::Transcript transcript;
        sandbox::Host host(transcript, [] { return sandbox::MakePicturelessFrontEnd(ImVec2(1280, 720), "none"); });
        allocationsBeforeFailure = allocations;
        try {
            host.Load(testhost::TapeloomModulePath());
            failed = 0;
        } catch (const std::exception&) {
        }
        allocationsBeforeFailure = -1;
        host.Unload();
    }
}

#if defined(_WIN32)
TEST(SandboxLoad, ARefusalOfAPathNoCodePageSpellsIsStillARefusal) {
    EXPECT_THROW(sandbox::PluginModule(std::filesystem::path(L"missing-\xD800.dll")), sandbox::ModuleError);
}
#endif

} // namespace
