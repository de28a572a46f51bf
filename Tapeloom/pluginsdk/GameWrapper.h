#pragma once

#include <filesystem>
#include <functional>
#include <string>

// The game, as the host lets a plug-in see and drive it. The host implements it.
class GameWrapper {
public:
    virtual ~GameWrapper() = default;

    virtual void PlayReplay(const std::filesystem::path& replayPath) = 0;
    virtual std::string GetCurrentMap() = 0;
    virtual bool IsInFreeplay() = 0;
    // Runs the callable once, at a point of the host's choosing; every game-state change goes through here.
    virtual void Execute(std::function<void(GameWrapper*)> callback) = 0;
    virtual void HookEvent(std::string eventName, std::function<void(std::string eventName)> callback) = 0;
    virtual void UnhookEvent(std::string eventName) = 0;
};
