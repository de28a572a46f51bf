// The sandbox where the module cannot be trusted: no text of the plug-in passes
// for the sandbox's own, and an allocation failing anywhere in a load is told and survived.
#include <algorithm>
#include <cstdlib>
#include <new>
#include <sstream>

#include <gtest/gtest.h>

#include "app/demo_profile.h"
#include "harness/process.h"
#include "host/host.h"
#include "test_host/plugin_host.h"

// Allocations left before one fails: negative (and counting down) while none is to fail.
static long allocationsBeforeFailure = -1;
static long allocationsMade = 0;

void* operator new(std::size_t size) {
    ++allocationsMade;
    void* memory = allocationsBeforeFailure-- == 0 ? nullptr : std::malloc(size == 0 ? 1 : size);
    if (!memory) throw std::bad_alloc();
    return memory;
}
#if defined(__GNUC__) && !defined(__clang__)
// GCC takes the inlined free for a mismatch with the operator new it knows, not this one.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}

namespace {

using Lines = std::vector<std::string>;

TEST(SandboxTranscript, EveryLineIsOnePrintedLineAndOnlyTheSandboxsCarryItsPrefix) {
    std::ostringstream printed;
    sandbox::Transcript transcript(&printed);
    for (const char* line : {"[sandbox] loaded", "[plug-in] x", "a\n[sandbox] b\r\x7f"}) transcript.Plugin(line);
    transcript.Sandbox("now playing c\nd");
    EXPECT_EQ(printed.str(), "[plug-in] [sandbox] loaded\n[plug-in] [plug-in] x\n"
                             "[plug-in] a\\x0A[sandbox] b\\x0D\\x7F\n[sandbox] now playing c\\x0Ad\n");
}

// One load as the sandbox makes it: the module loaded, the window opened by its
// key (a refresh of the demo profile), two frames, the unload. A step that
// throws is told as the sandbox's main tells it, and the run goes on.
void LoadShowAndUnload(sandbox::Host& host, sandbox::Transcript& transcript) {
    for (int step = 0; step < 5; ++step) {
        try {
            if (step == 0) host.Load(testhost::TapeloomModulePath());
            if (step == 1) host.Key("F8");
            if (step == 2 || step == 3) host.Frame();
            if (step == 4) host.Unload();
        } catch (const std::exception& error) {
            transcript.Sandbox(std::string("step failed: ") + error.what());
        }
    }
}

// Whether a run whose allocation failed says so: a line names the failure, or
// the run is the clean one short of plug-in lines that could not be built.
bool Told(const Lines& run, const Lines& clean) {
    // The runtime's own text for the failure: "std::bad_alloc" in libstdc++, "bad allocation" in Microsoft's.
    const std::string badAlloc = std::bad_alloc().what();
    for (const char* told : {badAlloc.c_str(), "getPlugin gave no plug-in", "loaded ? ("}) {
        if (std::any_of(run.begin(), run.end(), [&](auto& line) { return line.find(told) != line.npos; })) return true;
    }
    auto next = run.begin();
    for (const std::string& line : clean) {
        if (next != run.end() && *next == line) {
            ++next;
        } else if (line.starts_with(sandbox::Transcript::kSandboxPrefix)) {
            return false;
        }
    }
    return next == run.end();
}

// Every allocation of a load, the window's first frames and the unload, failed
// one at a time: each failure is told, nothing of the plug-in outlives its
// release, and the same host then loads and runs the plug-in as if nothing had happened.
TEST(SandboxLoad, AnAllocationFailingAnywhereInALoadIsToldAndLeavesAHostThatLoadsAgain) {
    sandbox::TemporaryFolder profile;
    sandbox::WriteDemoProfile(profile.Path());
    ASSERT_TRUE(sandbox::SetEnvironmentPath("USERPROFILE", profile.Path()));
    auto frontEnd = [] { return sandbox::MakePicturelessFrontEnd(ImVec2(1280, 720), "none"); };

    sandbox::Transcript clean;
    long allocations = allocationsMade;
    {
        sandbox::Host host(clean, frontEnd);
        LoadShowAndUnload(host, clean);
    }
    allocations = allocationsMade - allocations;
    ASSERT_EQ(clean.Count("Sorting complete. 12 replays found."), 1u);
    for (long failing = 0; failing < allocations; ++failing) {
        SCOPED_TRACE("allocation " + std::to_string(failing) + " of " + std::to_string(allocations) + " fails");
        sandbox::Transcript transcript;
        sandbox::Host host(transcript, frontEnd);
        allocationsBeforeFailure = failing;
        LoadShowAndUnload(host, transcript);
        allocationsBeforeFailure = -1;
        const Lines run = transcript.Lines();
        EXPECT_TRUE(Told(run, clean.Lines())) << testing::PrintToString(run);
        EXPECT_EQ(std::count_if(run.begin(), run.end(), [](auto& l) { return l.find("outlived") != l.npos; }), 0);
        EXPECT_FALSE(host.Loaded());
        LoadShowAndUnload(host, transcript);
        EXPECT_EQ(Lines(transcript.Lines().begin() + static_cast<long>(run.size()), transcript.Lines().end()),
                  clean.Lines());
    }
}

#if defined(_WIN32)
TEST(SandboxLoad, ARefusalOfAPathNoCodePageSpellsIsStillARefusal) {
    EXPECT_THROW(sandbox::PluginModule(std::filesystem::path(L"missing-\xD800.dll")), sandbox::ModuleError);
}
#endif

} // namespace
