#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/transcript.h"

namespace sandbox {

// The host's console: commands, the plug-ins' notifiers and key binds.
//
// Every command goes through one queue. A command issued while a frame is
// being drawn waits in the queue until the frame has ended; any other is
// processed at once, and so is whatever it issues in turn, in order.
// "togglemenu NAME" is resolved when it is issued, against the window's state
// at that moment: a toggle issued while the window is shown means "hide it",
// one issued while hidden means "show it". A window that asks to be hidden
// again and again (its close button sends the toggle on every frame until the
// host acts) therefore hides once, and a late copy of that request finds the
// window hidden and does nothing: it can never show the window again.
class Console {
public:
    // What the console asks of the rest of the host.
    struct Actions {
        // Whether the window of this menu name is shown; nullopt when there is no such window.
        std::function<std::optional<bool>(const std::string& menuName)> windowShown;
        std::function<void(const std::string& menuName, bool show)> showWindow;
        std::function<void()> loadFreeplay;
        // Runs a plug-in's callback; an exception out of it is told and survived.
        std::function<void(const char* what, const std::function<void()>& call)> callPlugin;
    };

    // A command that keeps issuing itself would otherwise never let the host go on.
    static constexpr int kMaxCommandsInARow = 1000;

    Console(Transcript& transcript, Actions actions) : transcript_(transcript), actions_(std::move(actions)) {}

    // A command, typed or issued by a plug-in.
    void Issue(std::string text);
    // A key press: the bound command, if any.
    void Key(const std::string& name);
    // While a frame is drawn, commands wait for its end.
    void SetFrameRunning(bool running) { frameRunning_ = running; }
    // Processes the commands waiting in the queue.
    void Drain();

    void RegisterNotifier(int owner, std::string command, std::function<void(std::vector<std::string>)> callback);
    void SetBind(int owner, std::string key, std::string command);
    // The keys this owner bound, each with its command, in the order bound.
    std::vector<std::pair<std::string, std::string>> BindsOf(int owner) const;
    // Drops everything this owner registered.
    void Forget(int owner);

    // Runs of commands cut short because they never ended.
    int EndlessRuns() const { return endlessRuns_; }
    // Commands and keys that nothing took: an unknown command, a key without a
    // bind, a window the host does not have. A typo must never pass for a step done.
    int Refusals() const { return refusals_; }
    const std::string& LastRefusal() const { return lastRefusal_; }

private:
    struct QueuedCommand {
        std::string text;
        // For "togglemenu": what the window is to become, decided when issued.
        std::optional<bool> show;
    };
    struct Notifier {
        int owner;
        std::string command;
        std::function<void(std::vector<std::string>)> callback;
    };
    struct Bind {
        int owner;
        std::string key;
        std::string command;
    };

    void Dispatch(const QueuedCommand& command);
    void Refuse(std::string why);

    Transcript& transcript_;
    Actions actions_;
    std::deque<QueuedCommand> commands_;
    std::vector<Notifier> notifiers_;
    std::vector<Bind> binds_;
    bool frameRunning_ = false;
    bool draining_ = false;
    int endlessRuns_ = 0;
    int refusals_ = 0;
    std::string lastRefusal_;
};

} // namespace sandbox
