// The host calling in from two threads, as it may: the UI thread draws, clicks
// and reloads the plug-in while the game's thread fires events and runs the
// queued callables.
#include <atomic>
#include <condition_variable>
#include <future>
#include <map>
#include <thread>

#include <gtest/gtest.h>

#include "test_host/plugin_host.h"
#include "test_host/replay_profile.h"

namespace {

constexpr const char* kGameTimeEvent = "Function TAGame.GameEvent_Soccar_TA.OnGameTimeUpdated";

// The fakes take calls from any thread: Locked() hands out the fake behind a
// guard that holds its lock to the end of the statement, and wakes whoever
// waits on `changed` when it goes.
template <typename Fake> struct Locking {
    struct Guard {
        std::unique_lock<std::mutex> lock;
        Fake* fake;
        Fake* operator->() const { return fake; }
        ~Guard() { fake->changed.notify_all(); }
    };
    Guard Locked() { return {std::unique_lock(mutex), static_cast<Fake*>(this)}; }
    std::mutex mutex;
    std::condition_variable changed;
};

// The host's console and game in one. The hook and the queued callables run
// outside the lock: a host need not wait for an event in flight before it
// unhooks it. Once `park` is set, IsInFreeplay holds its next caller until `resume`.
struct SharedHost : CVarManagerWrapper, GameWrapper, Locking<SharedHost> {
    // Counted by first word: "Safe", "Unsafe", "ERROR" and so on.
    void log(std::string text) override { ++Locked()->lines[text.substr(0, text.find(' '))]; }
    void executeCommand(std::string, bool) override {}
    void registerNotifier(std::string, std::function<void(std::vector<std::string>)>, std::string,
                          unsigned char) override {}
    void setBind(std::string, std::string) override {}
    void PlayReplay(const std::filesystem::path& path) override { ++Locked()->started[path.filename()]; }
    std::string GetCurrentMap() override { return map.load(); }
    bool IsInFreeplay() override {
        if (park.exchange(false)) arrived.set_value(), resume.get_future().wait();
        return freeplay;
    }
    void Execute(std::function<void(GameWrapper*)> f) override { Locked()->queued.push_back(std::move(f)); }
    void HookEvent(std::string name, std::function<void(std::string)> f) override { Locked()->hooks[name] = f; }
    void UnhookEvent(std::string name) override { Locked()->hooks.erase(name); }
    void Tick() {
        if (auto hook = Locked()->hooks[kGameTimeEvent]) hook(kGameTimeEvent);
        std::vector<std::function<void(GameWrapper*)>> batch = std::exchange(Locked()->queued, {});
        for (auto& callback : batch) callback(this);
    }
    void Set(const char* newMap, bool inFreeplay) { map = newMap, freeplay = inFreeplay; }
    std::atomic<const char*> map = "Stadium_P";
    std::atomic<bool> freeplay = false, park = false;
    // Promises, not semaphores: GCC 12's semaphore can miss a wake-up and sleep forever.
    std::promise<void> arrived, resume;
    std::map<std::string, int> lines;
    std::map<std::filesystem::path, int> started;
    std::vector<std::function<void(GameWrapper*)>> queued;
    std::map<std::string, std::function<void(std::string)>> hooks;
};

// The UI thread's side of the host: the module loaded, its window drawn and clicked.
struct UiThreadHost {
    UiThreadHost() { Load(); }
    ~UiThreadHost() { Unload(); }
    void Load() {
        plugin = *module.GetPlugin();
        plugin->cvarManager = game;
        plugin->gameWrapper = game;
        plugin->onLoad();
        window = std::dynamic_pointer_cast<Quintra::Plugin::PluginWindow>(plugin);
        window->AttachUiContext(ui.ContextAddress());
        window->OnWindowOpened();
        ui.Frame(draw);
    }
    void Unload() {
        if (!plugin) return;
        plugin->onUnload();
        module.DeleteMe();
        window.reset();
        plugin.reset();
    }
    // Reopened first, so that the list holds the folder's one replay under its current name.
    bool ClickLoad() {
        window->OnWindowClosed();
        window->OnWindowOpened();
        return ui.ClickButtonInChild("Tapeloom", "ReplayList", "Load##0", draw);
    }
    // Declared after the module, so that callables it left queued go before its code does.
    sandbox::PluginModule module{testhost::TapeloomModulePath()};
    std::shared_ptr<SharedHost> game = std::make_shared<SharedHost>();
    std::shared_ptr<Quintra::Plugin::QuintraPlugin> plugin;
    std::shared_ptr<Quintra::Plugin::PluginWindow> window;
    sandbox::UiDriver ui;
    std::function<void()> draw = [this] {
        ImGui::SetNextWindowSize(ImVec2(520, 420), ImGuiCond_FirstUseEver);
        window->RenderFrame();
    };
};

TEST(HostThreads, AnEventInFlightKeepsThePluginAliveWhileTheOtherThreadReleasesIt) {
    testhost::ReplayProfile profile;
    profile.AddFile("a.replay", testhost::TicksFromUnixSeconds(1'700'000'000));
    UiThreadHost host;
    ASSERT_TRUE(host.ClickLoad()) << "in a match: the replay waits for freeplay";
    // The event reaches the freeplay check with the replay pending and waits there.
    host.game->Set("Park_P", true);
    host.game->park = true;
    std::weak_ptr<Quintra::Plugin::QuintraPlugin> plugin = host.plugin;
    std::thread events([&] { host.game->Tick(); });
    host.game->arrived.get_future().wait();
    host.Unload();
    host.game->resume.set_value();
    events.join();
    EXPECT_EQ(host.game->lines["OnGameTimeUpdated:"], 1) << "the event finished its work on a live object";
    EXPECT_TRUE(plugin.expired()) << "and released it when it returned";
}

TEST(HostThreads, EveryClickStartsItsReplayOnceWhileEventsAndReloadsRunOnAnotherThread) {
    testhost::ReplayProfile profile;
    profile.AddFile("0.replay", testhost::TicksFromUnixSeconds(1'700'000'000));
    UiThreadHost host;
    std::jthread events([&](std::stop_token stop) {
        // Two ticks each on the main menu, in a match and in freeplay.
        for (unsigned tick = 0; !stop.stop_requested(); ++tick) {
            host.game->Set(tick % 6 < 2 ? "Menu_MainScreen" : "Stadium_P", tick % 6 >= 4);
            host.game->Tick();
        }
    });
    for (int i = 1; i <= 10'000; ++i) {
        const std::filesystem::path name = std::to_string(i) + ".replay";
        std::filesystem::rename(profile.Folder() / (std::to_string(i - 1) + ".replay"), profile.Folder() / name);
        ASSERT_TRUE(host.ClickLoad()) << name;
        if (i % 100 == 0) {
            // Released with its replay perhaps still pending: that one starts once or never.
            host.Unload();
            host.Load();
            continue;
        }
        auto fake = host.game->Locked();
        ASSERT_TRUE(
            fake->changed.wait_for(fake.lock, std::chrono::seconds(60), [&] { return fake->started.count(name); }))
            << name << " never started";
    }
    events = std::jthread(); // stops and joins the event thread
    for (auto& [name, count] : host.game->started) EXPECT_EQ(count, 1) << name;
    EXPECT_TRUE(host.game->lines["Safe"] > 0 && host.game->lines["Unsafe"] > 0) << "clicks met both states";
}

} // namespace
