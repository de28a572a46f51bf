#pragma once

#include <array>
#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <pluginsdk/PluginWindow.h>
#include <pluginsdk/QuintraPlugin.h>

#include "front_ends/front_end.h"
#include "front_ends/host_panel.h"
#include "harness/plugin_module.h"
#include "harness/ui_driver.h"
#include "host/console.h"
#include "host/game_simulation.h"
#include "host/module_file.h"
#include "host/plugin_objects.h"
#include "host/transcript.h"

namespace sandbox {

// The substitute host: loads one plug-in module the way the real host does,
// runs its console, its game and its UI frames, and unloads it so that
// nothing is ever called in a released plug-in.
class Host {
public:
    // The UI context and the front end's GL objects are made here.
    Host(Transcript& transcript, std::function<std::unique_ptr<FrontEnd>()> makeFrontEnd,
         ImVec2 displaySize = ImVec2(1280, 720));
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // The key that reloads the module in place: no plug-in binds it, and it is
    // not a function key, which a plug-in may bind.
    static constexpr std::string_view kReloadKey = "Ctrl+R";

    // Loads and starts the plug-in, unloading the one loaded first. Throws
    // ModuleError when the file is refused. The game goes on as it was.
    void Load(const std::filesystem::path& module);
    // Loads the file of the last Load again, as after an unload.
    void Reload();
    // Reload for a person or a watch: a refusal is told in the console and the
    // sandbox runs on without a plug-in, waiting for the next build.
    bool TryReload();
    // Reloads, after a frame, whenever the module file was rebuilt.
    void WatchModule(bool watch) { watching_ = watch; }
    // Frames and steps stop once this holds a signal number.
    void StopOn(const std::atomic<int>* signal) { stopSignal_ = signal; }
    int StopSignal() const { return stopSignal_ ? stopSignal_->load() : 0; }
    // onUnload; the plug-in's notifiers, binds, hooks and callables dropped;
    // every host copy of its handle released; deleteMe; the library unloaded.
    void Unload();
    bool Loaded() const { return module_ != nullptr; }
    // The descriptor's class name of the plug-in loaded last.
    const std::string& PluginClass() const { return pluginClass_; }
    // Keep the host's copies of the handle through deleteMe, releasing them
    // only just before the library goes, as a host may.
    void KeepHandlePastDeleteMe(bool keep) { keepHandle_ = keep; }

    // The console, as a person types into it.
    void Command(const std::string& text) { console_.Issue(text); }
    // A key press: the host's own reload key, else through the binds.
    void Key(const std::string& name);

    Console& Commands() { return console_; }
    GameSimulation& Game() { return game_; }
    FrontEnd& Front() { return *frontEnd_; }
    UiDriver& Ui() { return ui_; }

    // One host frame: the UI frame, then the commands it issued, the queued
    // callables, and one game tick. Host frames are numbered from 1.
    void Frame();

    // What the screen shows until the next host frame: the text that the last
    // host frame drew in the plug-in's windows (ScreenText). Checks read this,
    // so that no check ever runs the plug-in's code.
    struct Screen {
        long long frame = 0;      // the host frame that drew it; 0 before the first
        bool windowDrawn = false; // whether the plug-in's window was shown in it
        std::string text;
    };
    // The screen as the last host frame left it. Its text is read at the first
    // ask, or before a click's frames draw over it: most frames are never checked.
    const Screen& LastScreen() const {
        KeepScreen();
        return screen_;
    }

    // The contents of one UI frame: the host panel and the plug-in's window.
    // Commands issued while it runs wait until DrainCommands or the next host frame.
    void DrawFrame();
    // Processes the commands waiting in the queue.
    void DrainCommands() { console_.Drain(); }

    // Clicks in the plug-in's window: a button by its label, directly in the
    // window or in one of its child windows (BeginChild(child)), or the close
    // button. A click takes UI frames of its own to move the mouse, which are
    // no host frames (the verbose transcript counts them); the commands they
    // issued take effect before the next frame, while the callables they
    // queued and the game wait for the next host frame. Empty on success,
    // else what went wrong.
    // A click counts once the button took the press: a disabled button is
    // hovered like any other, and a click on it must not pass for one done.
    std::string ClickButton(const std::string& label, const std::string& child = {});
    std::string ClickClose();
    // A button of the sandbox's own panel, carried out at once.
    std::string ClickPanel(const std::string& label);
    // A child window of the plug-in's window, after a UI frame that gives a
    // window shown since the last one its place; null, with the reason, if none.
    ImGuiWindow* PluginChild(const std::string& child, std::string& problem);
    // Scrolls a child window to `y`, with a UI frame for it to take effect.
    void ScrollChild(ImGuiWindow* child, float y);
    // Tells in the verbose transcript how many UI frames the clicks and
    // scrolls since the last telling drew for themselves: each runs the
    // plug-in's RenderFrame while its window is shown, though no host frame.
    void TellOwnFrames(const std::string& who);

    // A picture is a frame a person could have seen: one host frame, drawn for
    // it from the present state and counted like any other.
    Screenshot WritePicture(const std::filesystem::path& file);

    // Whether the plug-in has a window, and whether it is shown (from the next frame on, on screen).
    bool HasWindow() const { return window_.window != nullptr; }
    bool WindowShown() const { return window_.shown; }
    // How the plug-in misbehaved in a way the host survived, one clause per
    // kind; empty when it never did.
    std::string Faults() const;

    // Entry points for the per-plug-in console and game.
    void Log(std::string text) { transcript_.Plugin(text); }
    void PlayReplay(const std::filesystem::path& replay) { game_.PlayReplay(replay); }
    std::string CurrentMap() const { return game_.Map(); }
    bool InFreeplay() const { return game_.InFreeplay(); }
    void QueueCallable(int owner, std::function<void(GameWrapper*)> callback, GameWrapper* game);
    void HookEvent(int owner, std::string eventName, std::function<void(std::string)> callback);
    void UnhookEvent(int owner, const std::string& eventName);

private:
    struct Hook {
        int owner;
        std::string eventName;
        std::function<void(std::string)> callback;
    };
    struct Callable {
        int owner;
        std::function<void(GameWrapper*)> callback;
        GameWrapper* game;
    };
    struct WindowSlot {
        std::shared_ptr<Quintra::Plugin::PluginWindow> window;
        std::string menuName;
        bool shown = false;
    };

    void DrawPluginWindow();
    // A UI frame that is no host frame, for a click: the mouse moving, pressing, releasing.
    void DrawOwnFrame();
    // One such UI frame, after the last host frame's screen is read.
    void OwnFrame();
    // Reads into the screen the text the last host frame drew in every window
    // but the host's panel, unless already read. Before any other UI frame.
    void KeepScreen() const;
    // What the panel says of the plug-in loaded now: its window and its binds.
    PanelHint Hint() const;
    void AfterFrame();
    void ShowWindow(bool show);
    void RunCallables();
    void FireEvent(const std::string& eventName);
    void ApplyPanelRequest();
    // Empty when the plug-in window can be clicked; `title` is then its ImGui name.
    std::string ReadyForClick(std::string& title);
    // Clicks the item in the window (or its child); empty once it took the press.
    std::string ClickItem(const std::string& title, const std::string& child, const std::string& label);
    // Runs a call into the plug-in; an exception out of it is told, counted and survived.
    bool Guard(const char* what, const std::function<void()>& call);

    Transcript& transcript_;
    GameSimulation game_;
    UiDriver ui_;
    Console console_;
    std::unique_ptr<FrontEnd> frontEnd_;

    ModuleFile copies_;
    std::unique_ptr<PluginModule> module_;
    std::filesystem::path moduleFile_;
    bool watching_ = false;
    const std::atomic<int>* stopSignal_ = nullptr;
    long long frames_ = 0;
    long long ownFrames_ = 0;
    long long toldOwnFrames_ = 0;
    mutable Screen screen_;
    mutable bool screenRead_ = true;
    bool keepHandle_ = false;
    int owner_ = 0; // whose registrations are the loaded plug-in's
    std::string pluginClass_;
    std::shared_ptr<Quintra::Plugin::QuintraPlugin> plugin_;
    std::shared_ptr<PluginConsole> pluginConsole_;
    std::shared_ptr<PluginGame> gameObject_;
    WindowSlot window_;

    std::vector<Hook> hooks_;
    std::vector<Callable> callables_;

    int faults_ = 0;
    int outlived_ = 0;

    PanelRequest panelRequest_;
    std::array<char, 256> panelInput_{};
};

} // namespace sandbox
