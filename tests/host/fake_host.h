#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <pluginsdk/CVarManagerWrapper.h>
#include <pluginsdk/GameWrapper.h>

namespace testhost {

// What the plug-in asked of the console and the game, in order: "command TEXT",
// "PlayReplay PATH", and "~console"/"~game" when a fake is destroyed.
using Journal = std::vector<std::string>;

// Records everything the plug-in asks of the console.
class FakeConsole : public CVarManagerWrapper {
public:
    struct Notifier {
        std::string command;
        std::function<void(std::vector<std::string>)> callback;
        std::string description;
        unsigned char permissions = 0;
    };

    explicit FakeConsole(std::shared_ptr<Journal> shared = std::make_shared<Journal>()) : journal(std::move(shared)) {}
    ~FakeConsole() override { journal->push_back("~console"); }

    void log(std::string text) override { lines.push_back(std::move(text)); }
    void executeCommand(std::string command, bool log = true) override;
    void registerNotifier(std::string command, std::function<void(std::vector<std::string>)> callback,
                          std::string description, unsigned char permissions) override;
    void setBind(std::string key, std::string command) override {
        binds.emplace_back(std::move(key), std::move(command));
    }

    std::shared_ptr<Journal> journal;
    std::vector<std::string> lines;
    std::vector<Notifier> notifiers;
    std::vector<std::pair<std::string, std::string>> binds;
    bool allLogged = true; // whether every command asked to be logged
};

// Records what the plug-in asks of the game; queued callables run on demand.
class FakeGame : public GameWrapper {
public:
    explicit FakeGame(std::shared_ptr<Journal> shared = std::make_shared<Journal>()) : journal(std::move(shared)) {}
    ~FakeGame() override { journal->push_back("~game"); }

    void PlayReplay(const std::filesystem::path& replayPath) override;
    std::string GetCurrentMap() override { return currentMap; }
    bool IsInFreeplay() override { return inFreeplay; }
    void Execute(std::function<void(GameWrapper*)> callback) override { queued.push_back(std::move(callback)); }
    void HookEvent(std::string eventName, std::function<void(std::string eventName)> callback) override;
    void UnhookEvent(std::string eventName) override;

    // Runs what Execute queued so far, in order; returns how many ran.
    std::size_t RunQueued();
    // Calls the hook for the game-time event, if one is set; returns whether one was.
    bool Tick();

    std::shared_ptr<Journal> journal;
    std::string currentMap = "Menu_MainScreen";
    bool inFreeplay = false;
    std::vector<std::filesystem::path> played;
    std::vector<std::function<void(GameWrapper*)>> queued;
    std::map<std::string, std::function<void(std::string)>> hooks;
    std::vector<std::string> unhooked;
};

inline constexpr const char* kGameTimeEvent = "Function TAGame.GameEvent_Soccar_TA.OnGameTimeUpdated";

} // namespace testhost
