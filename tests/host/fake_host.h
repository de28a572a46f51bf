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

// Records everything the plug-in asks of the console.
class FakeConsole : public CVarManagerWrapper {
public:
    struct Notifier {
        std::string command;
        std::function<void(std::vector<std::string>)> callback;
        std::string description;
        unsigned char permissions = 0;
    };

    ~FakeConsole() override;

    void log(std::string text) override;
    void executeCommand(std::string command, bool log = true) override;
    void registerNotifier(std::string command, std::function<void(std::vector<std::string>)> callback,
                          std::string description, unsigned char permissions) override;
    void setBind(std::string key, std::string command) override;

    // Runs a registered notifier as the console would for a typed command.
    bool RunNotifier(const std::string& command, std::vector<std::string> arguments = {});

    std::vector<std::string> lines;
    std::vector<std::pair<std::string, bool>> commands;
    std::vector<Notifier> notifiers;
    std::vector<std::pair<std::string, std::string>> binds;
    // When set, every command is also appended here as "executeCommand TEXT".
    std::vector<std::string>* journal = nullptr;
    // Appended to when the console is destroyed, to observe release order.
    std::vector<std::string>* destructionLog = nullptr;
};

// Records what the plug-in asks of the game; queued callables run on demand.
class FakeGame : public GameWrapper {
public:
    ~FakeGame() override;

    void PlayReplay(const std::filesystem::path& replayPath) override;
    std::string GetCurrentMap() override;
    bool IsInFreeplay() override;
    void Execute(std::function<void(GameWrapper*)> callback) override;
    void HookEvent(std::string eventName, std::function<void(std::string eventName)> callback) override;
    void UnhookEvent(std::string eventName) override;

    // Runs what Execute queued so far, in order; returns how many ran.
    std::size_t RunQueued();
    // Calls the hook for the event, if one is set; returns whether one was.
    bool FireEvent(const std::string& eventName);

    std::string currentMap = "Menu_MainScreen";
    bool inFreeplay = false;
    std::vector<std::filesystem::path> playedReplays;
    std::vector<std::function<void(GameWrapper*)>> queued;
    std::map<std::string, std::function<void(std::string)>> hooks;
    std::vector<std::string> unhooked;
    // When set, every replay started is also noted here as "PlayReplay" (the
    // paths are in playedReplays), to check its order against the commands.
    std::vector<std::string>* journal = nullptr;
    std::vector<std::string>* destructionLog = nullptr;
};

} // namespace testhost
