// The stand-in for Microsoft's static runtime, through what a module and its
// host rely on: static objects and atexit per DLL, thread-safe statics, timed
// waits, exceptions across the boundary, a program's own operator new.
#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <new>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "probe.h"

namespace {
std::string events;
int allocations = 0;
} // namespace

extern "C" __declspec(dllexport) void ProbeLogEvent(const char* event) {
    events += event;
    events += ' ';
}

void* operator new(std::size_t size) {
    ++allocations;
    if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
    throw std::bad_alloc();
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}

namespace {
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(MsvcRuntime, ADllsStaticsAndAtexitRunAtItsLoadAndUnloadInReverse) {
    events.clear();
    HMODULE probe = LoadLibraryW(L"msvc-runtime-probe.dll");
    ASSERT_NE(probe, nullptr);
    EXPECT_EQ(events, "+A +B ");
    const auto probeThrow =
        reinterpret_cast<void (*)()>(reinterpret_cast<void*>(GetProcAddress(probe, "?ProbeThrow@@YAXXZ")));
    ASSERT_NE(probeThrow, nullptr);
    EXPECT_THROW(probeThrow(), ProbeError);
    try {
        probeThrow();
    } catch (const std::exception& error) {
        EXPECT_STREQ(error.what(), "thrown in the DLL");
    }
    ASSERT_TRUE(FreeLibrary(probe));
    EXPECT_EQ(events, "+A +B atexit -B -A ");
}

struct Slow {
    Slow() {
        ++constructions;
        std::this_thread::sleep_for(50ms);
        ready = true;
    }
    static inline std::atomic<int> constructions = 0;
    bool ready = false;
};

bool UseSlow() {
    static Slow slow;
    return slow.ready;
}

TEST(MsvcRuntime, AFunctionStaticIsBuiltOnceAndSeenBuiltByTwoThreads) {
    bool seen[2] = {};
    std::thread other([&] { seen[1] = UseSlow(); });
    seen[0] = UseSlow();
    other.join();
    EXPECT_TRUE(seen[0] && seen[1]);
    EXPECT_EQ(Slow::constructions, 1);
}

TEST(MsvcRuntime, ANotifiedWaitWakesAtOnceAndAnUnnotifiedOneTimesOutOnTime) {
    std::mutex mutex;
    std::condition_variable condition;
    bool notified = false;
    std::unique_lock lock(mutex);
    std::thread notifier([&] {
        std::this_thread::sleep_for(20ms);
        std::lock_guard notifying(mutex);
        notified = true;
        condition.notify_one();
    });
    auto start = Clock::now();
    EXPECT_TRUE(condition.wait_for(lock, 10s, [&] { return notified; }));
    EXPECT_LT(Clock::now() - start, 2s);
    lock.unlock();
    notifier.join();

    lock.lock();
    start = Clock::now();
    EXPECT_EQ(condition.wait_for(lock, 200ms), std::cv_status::timeout);
    const auto waited = Clock::now() - start;
    EXPECT_GE(waited, 190ms);
    EXPECT_LT(waited, 2s);
}

TEST(MsvcRuntime, AProgramsOwnOperatorNewIsTheOneUsed) {
    const int before = allocations;
    // Stored where the compiler cannot leave the allocation out.
    int* volatile value = new int(1);
    EXPECT_EQ(allocations, before + 1);
    delete value;
}
} // namespace
