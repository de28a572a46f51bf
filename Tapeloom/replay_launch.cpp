// Starting a replay: directly where the game can open one, otherwise through
// freeplay, with the chosen replay kept pending until freeplay runs.
#include <exception>
#include <string>
#include <string_view>
#include <utility>

#include "Tapeloom.h"
#include "log/Log.h"

namespace {

constexpr const char* kToggleWindowCommand = "toggle_tapeloom_window";
constexpr const char* kToggleWindowDescription = "Opens and closes the Tapeloom window";
constexpr const char* kToggleWindowKey = "F8";
constexpr const char* kGameTimeEvent = "Function TAGame.GameEvent_Soccar_TA.OnGameTimeUpdated";
constexpr std::string_view kSafeMap = "Menu_MainScreen";
constexpr const char* kFreeplayCommand = "load_freeplay";

using tapeloom::platform::NativeString;
using tapeloom::platform::NativeStringView;

// What a callable handed to the host may hold: weak handles only, so that it
// reaches nothing once the plug-in object or a host object is gone. Each call
// holds the plug-in for its whole length, so the object cannot go while the
// call is halfway through.
struct HostHandles {
    std::weak_ptr<Tapeloom> plugin;
    std::weak_ptr<GameWrapper> game;
    std::weak_ptr<CVarManagerWrapper> console;

    void PlayReplay(const NativeString& path) const {
        auto alive = plugin.lock();
        if (!alive) return;
        if (auto target = game.lock()) target->PlayReplay(std::filesystem::path(path));
    }
    void Run(const std::string& command) const {
        auto alive = plugin.lock();
        if (!alive) return;
        if (auto target = console.lock()) target->executeCommand(command, true);
    }
};

// Exceptions of the host's own objects stop at the callable's edge.
template <typename Action> void Contained(const char* what, Action&& action) noexcept {
    try {
        action();
    } catch (const std::exception& error) {
        LogFormatted(what, error.what());
    } catch (...) {
        LogFormatted(what, "unknown error");
    }
}

// The last component by the platform's own rule, extension included.
NativeStringView FileName(NativeStringView path) {
    std::size_t separator = path.find_last_of(tapeloom::platform::kPathSeparators);
    return separator == NativeStringView::npos ? path : path.substr(separator + 1);
}

// A console line is one line: a line feed in a file name would end it early and
// start another that the name's owner wrote. Only the log text changes; the
// replay still starts from its exact path.
std::string ShowControlCharacters(std::string_view name) {
    constexpr char kHex[] = "0123456789ABCDEF";
    std::string shown;
    shown.reserve(name.size());
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            shown.push_back(c);
            continue;
        }
        shown.append({'\\', 'x', kHex[byte >> 4], kHex[byte & 0xF]});
    }
    return shown;
}

} // namespace

void Tapeloom::onLoad() {
    Contained("ERROR while loading the plug-in: %s", [&] {
        SetLogConsole(cvarManager);
        if (!cvarManager || !gameWrapper) {
            LogFormatted("ERROR while loading the plug-in: %s", "the host gave no console or game");
            return;
        }
        HostHandles handles{weak_from_this(), gameWrapper, cvarManager};
        cvarManager->registerNotifier(
            kToggleWindowCommand,
            [handles, command = ToggleCommand()](std::vector<std::string>) noexcept {
                Contained("ERROR in toggle_tapeloom_window: %s", [&] { handles.Run(command); });
            },
            kToggleWindowDescription, 0);
        cvarManager->setBind(kToggleWindowKey, kToggleWindowCommand);
        gameWrapper->HookEvent(kGameTimeEvent, [self = weak_from_this()](std::string eventName) noexcept {
            // Held until the call returns: the host need not wait for an event
            // in flight before it releases the plug-in on another thread.
            std::shared_ptr<Tapeloom> plugin = self.lock();
            if (!plugin) return;
            Contained("ERROR on the game-time event: %s", [&] { plugin->OnGameTimeUpdated(std::move(eventName)); });
        });
    });
}

void Tapeloom::onUnload() {
    Contained("ERROR while unloading the plug-in: %s", [&] {
        if (gameWrapper) gameWrapper->UnhookEvent(kGameTimeEvent);
    });
}

void Tapeloom::LoadReplay(NativeString path) {
    if (!gameWrapper) return;
    LogFormatted("Click registered for: %s", ShowControlCharacters(tapeloom::platform::NarrowForLog(FileName(path))));

    std::string map = gameWrapper->GetCurrentMap();
    bool inFreeplay = gameWrapper->IsInFreeplay();
    HostHandles handles{weak_from_this(), gameWrapper, cvarManager};
    std::string toggle = ToggleCommand();

    if (inFreeplay || map == kSafeMap) {
        LogFormatted("Safe state detected (%s). Loading replay directly.", map);
        {
            // The latest click wins: a replay chosen earlier must not start by
            // surprise the next time the player enters freeplay.
            std::lock_guard lock(pendingMutex);
            pendingReplay.clear();
        }
        gameWrapper->Execute([handles, path = std::move(path), toggle = std::move(toggle)](GameWrapper*) noexcept {
            Contained("ERROR while starting the replay: %s", [&] {
                handles.PlayReplay(path);
                handles.Run(toggle);
            });
        });
        return;
    }

    LogFormatted("Unsafe state detected (%s). Starting Freeplay bypass.", map);
    {
        std::lock_guard lock(pendingMutex);
        pendingReplay = std::move(path);
    }
    gameWrapper->Execute([handles, toggle = std::move(toggle)](GameWrapper*) noexcept {
        Contained("ERROR while starting freeplay: %s", [&] {
            handles.Run(kFreeplayCommand);
            handles.Run(toggle);
        });
    });
}

void Tapeloom::OnGameTimeUpdated(std::string /*eventName*/) {
    {
        std::lock_guard lock(pendingMutex);
        if (pendingReplay.empty()) return;
    }
    if (!gameWrapper || !gameWrapper->IsInFreeplay()) return;

    NativeString path;
    {
        std::lock_guard lock(pendingMutex);
        path.swap(pendingReplay);
    }
    // Another thread's event took it between the two looks.
    if (path.empty()) return;

    LogFormatted("OnGameTimeUpdated: Freeplay is now active. Starting pending replay.");
    HostHandles handles{weak_from_this(), gameWrapper, cvarManager};
    gameWrapper->Execute([handles, path = std::move(path)](GameWrapper*) noexcept {
        Contained("ERROR while starting the pending replay: %s", [&] { handles.PlayReplay(path); });
    });
}

void Tapeloom::LoadReplayContained(std::size_t row) noexcept {
    Contained("ERROR while loading the replay: %s", [&] { LoadReplay(replayCatalogue.FilePath(row)); });
}
