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
//
// The host reaches the two interfaces at their offsets, so they stay the first
// two bases. The last base lets every callable handed to the host hold the
// object weakly and keep it alive for the whole call: a host may release the
// plug-in on one thread while an event runs on another.
class Tapeloom final : public Quintra::Plugin::QuintraPlugin,
                       public PluginWindowBase,
                       public std::enable_shared_from_this<Tapeloom> {
public:
    Tapeloom();
    ~Tapeloom() override;

    void onLoad() override;
    void onUnload() override;

    void OnWindowOpened() override;
    void RenderWindow() override;

    // Rebuilds replayCatalogue from disk. Failures end as log lines; never throws.
    void RefreshReplayList();
    // Starts the replay now, or sends the player to freeplay first.
    void LoadReplay(tapeloom::platform::NativeString path);

    // Newest first; written only by RefreshReplayList.
    ReplayCatalogue replayCatalogue;
    // The replay waiting for freeplay; empty when none is. Guarded by pendingMutex:
    // the UI frame writes it and the game's event hook reads it, and a host may
    // run those on different threads.
    tapeloom::platform::NativeString pendingReplay;

private:
    void OnGameTimeUpdated(std::string eventName);

    // A click's failure becomes one log line, never an exception in the host's frame.
    void LoadReplayContained(std::size_t row) noexcept;
    void DrawReplayRows();

    std::mutex pendingMutex;
};

// The one plug-in object (module_globals.cpp). The ownership block knows it as a
// Tapeloom, so its destructor runs whichever base a holder's handle is typed as.
extern std::shared_ptr<Quintra::Plugin::QuintraPlugin> pluginSingleton;

extern "C" {
TAPELOOM_API extern const Quintra::Plugin::PluginDescriptor exports;
TAPELOOM_API std::shared_ptr<Quintra::Plugin::QuintraPlugin>* getPlugin();
TAPELOOM_API void deleteMe();
}
