#pragma once

#include <algorithm>
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
// "PlayReplay NAME", and "~console"/"~game" when a fake is destroyed.
using Journal = std::vector<std::string>;

inline constexpr const char* kGameTimeEvent = "Function TAGame.GameEvent_Soccar_TA.OnGameTimeUpdated";

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
    void executeCommand(std::string command, bool log = true) override {
        allLogged = allLogged && log;
        journal->push_back("command " + command);
    }
    void registerNotifier(std::string command, std::function<void(std::vector<std::string>)> callback,
                          std::string description, unsigned char permissions) override {
        notifiers.push_back({std::move(command), std::move(callback), std::move(description), permissions});
    }
    // As hosts that refuse to bind a key to a command that does not exist yet.
    void setBind(std::string key, std::string command) override {
        const bool known = std::any_of(notifiers.begin(), notifiers.end(),
                                       [&](const Notifier& notifier) { return notifier.command == command; });
        if (known) binds.emplace_back(std::move(key), std::move(command));
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

    void PlayReplay(const std::filesystem::path& replayPath) override {
        std::string name = "?"; // a lone surrogate has no UTF-8 form; `played` keeps the path whole
        try {
            const std::u8string text = replayPath.filename().u8string();
            name.assign(text.begin(), text.end());
        } catch (...) {
        }
        journal->push_back("PlayReplay " + name);
        played.push_back(replayPath);
    }
    std::string GetCurrentMap() override { return currentMap; }
    bool IsInFreeplay() override { return inFreeplay; }
    void Execute(std::function<void(GameWrapper*)> callback) override { queued.push_back(std::move(callback)); }
    void HookEvent(std::string name, std::function<void(std::string)> callback) override { hooks[name] = callback; }
    void UnhookEvent(std::string name) override { hooks.erase(name), unhooked.push_back(name); }

    // Runs what Execute queued so far, in order; returns how many ran.
    std::size_t RunQueued() {
        std::vector<std::function<void(GameWrapper*)>> batch = std::exchange(queued, {});
        for (auto& callback : batch) callback(this);
        return batch.size();
    }
    // Calls the hook for the game-time event, if one is set; returns whether one was.
    bool Tick() {
        auto hook = hooks.find(kGameTimeEvent);
        return hook != hooks.end() && (hook->second(kGameTimeEvent), true);
    }

    std::shared_ptr<Journal> journal;
    std::string currentMap = "Menu_MainScreen";
    bool inFreeplay = false;
    std::vector<std::filesystem::path> played;
    std::vector<std::function<void(GameWrapper*)>> queued;
    std::map<std::string, std::function<void(std::string)>> hooks;
    std::vector<std::string> unhooked;
};

} // namespace testhost
