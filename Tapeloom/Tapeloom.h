#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <pluginsdk/QuintraPlugin.h>

#include "platform/platform.h"
#include "replay_catalogue.h"
#include "window/PluginWindowBase.h"

// The plug-in: an overlay that lists the game's replay files, newest first,
// and starts the one the player picks, through freeplay when the game cannot
// open a replay from where it is.
class Tapeloom final : public Quintra::Plugin::QuintraPlugin, public PluginWindowBase {
public:
    Tapeloom();
    ~Tapeloom() override;

    void onLoad() override;
    void onUnload() override;

    void OnWindowOpened() override;
    void RenderWindow() override;

    // Rebuilds replayEntries from disk. Failures end as log lines; never throws.
    void RefreshReplayList();
    // Starts the entry's replay now, or sends the player to freeplay first.
    void LoadReplay(const ReplayEntry& entry);

    // Newest first; written only by RefreshReplayList.
    std::vector<ReplayEntry> replayEntries;
    // The replay waiting for freeplay; empty when none is. Guarded by pendingMutex:
    // the UI frame writes it and the game's event hook reads it, and a host may
    // run those on different threads.
    tapeloom::platform::NativeString pendingReplay;

private:
    void OnGameTimeUpdated(std::string eventName);

    // A click's failure becomes one log line, never an exception in the host's frame.
    void LoadReplayContained(const ReplayEntry& entry) noexcept;
    void DrawReplayRows();

    std::mutex pendingMutex;
    // Expires with the object. Callables handed to the host hold it weakly, so
    // one that the host runs after the plug-in is gone does nothing.
    std::shared_ptr<const bool> lifetime = std::make_shared<const bool>(true);
};

extern "C" {
TAPELOOM_API extern const Quintra::Plugin::PluginDescriptor exports;
TAPELOOM_API std::shared_ptr<Quintra::Plugin::QuintraPlugin>* getPlugin();
TAPELOOM_API void deleteMe();
}
