#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <pluginsdk/CVarManagerWrapper.h>
#include <pluginsdk/GameWrapper.h>

namespace sandbox {

class Host;

// The console and the game as one plug-in sees them. Each plug-in gets its own
// pair, so that the host knows whose notifier, bind, hook or callable each one
// is. Once detached (at unload) they take nothing more: the module may still
// hold them until its static destruction, but nothing reaches the host.
class PluginConsole final : public CVarManagerWrapper {
public:
    PluginConsole(Host& host, int owner) : host_(&host), owner_(owner) {}
    void Detach() { host_ = nullptr; }

    void log(std::string text) override;
    void executeCommand(std::string command, bool log = true) override;
    void registerNotifier(std::string command, std::function<void(std::vector<std::string>)> callback,
                          std::string description, unsigned char permissions) override;
    void setBind(std::string key, std::string command) override;

private:
    Host* host_;
    int owner_;
};

class PluginGame final : public GameWrapper {
public:
    PluginGame(Host& host, int owner) : host_(&host), owner_(owner) {}
    void Detach() { host_ = nullptr; }

    void PlayReplay(const std::filesystem::path& replayPath) override;
    std::string GetCurrentMap() override;
    bool IsInFreeplay() override;
    void Execute(std::function<void(GameWrapper*)> callback) override;
    void HookEvent(std::string eventName, std::function<void(std::string eventName)> callback) override;
    void UnhookEvent(std::string eventName) override;

private:
    Host* host_;
    int owner_;
};

} // namespace sandbox
