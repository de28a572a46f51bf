#include "host/host.h"

#include <algorithm>
#include <exception>
#include <utility>
#include <vector>

#include <imgui.h>
#include <imgui_internal.h>

#include "harness/display_path.h"
#include "harness/screen_text.h"

namespace sandbox {

namespace {

// Where a real host first puts a plug-in window, and how big: the window sets
// neither itself, and an auto-fitted window around a list that fills the rest would open tiny.
const ImVec2 kPluginWindowPos(40, 40);
const ImVec2 kPluginWindowSize(520, 460);

const char* Text(const char* text) {
    return text ? text : "?";
}

// A refusal of the private copy names the file the developer gave.
std::string NamingTheFile(std::string message, const std::filesystem::path& copy, const std::filesystem::path& file) {
    // dlerror's message holds the path as the file system's bytes.
    const std::u8string bytes = copy.u8string();
    for (const std::string& name : {DisplayPath(copy), std::string(bytes.begin(), bytes.end())}) {
        for (std::size_t at = 0; (at = message.find(name, at)) != std::string::npos;) {
            message.replace(at, name.size(), DisplayPath(file));
            at += DisplayPath(file).size();
        }
    }
    return message;
}

std::string Times(int count) {
    return std::to_string(count) + (count == 1 ? " time" : " times");
}

} // namespace

Host::Host(Transcript& transcript, std::function<std::unique_ptr<FrontEnd>()> makeFrontEnd, ImVec2 displaySize)
    : transcript_(transcript), game_(transcript), ui_(displaySize),
      console_(transcript,
               {
                   .windowShown = [this](const std::string& menuName) -> std::optional<bool> {
                       if (!window_.window || menuName != window_.menuName) return std::nullopt;
                       return window_.shown;
                   },
                   .showWindow = [this](const std::string&, bool show) { ShowWindow(show); },
                   .loadFreeplay = [this] { game_.LoadFreeplay(); },
                   .callPlugin = [this](const char* what, const std::function<void()>& call) { Guard(what, call); },
               }) {
    ContextScope scope(ui_.Context());
    frontEnd_ = makeFrontEnd();
}

Host::~Host() {
    Unload();
    ContextScope scope(ui_.Context());
    frontEnd_.reset();
}

void Host::Load(const std::filesystem::path& file) {
    Unload();
    moduleFile_ = file;
    const std::filesystem::path copy = copies_.Copy(file);
    std::unique_ptr<PluginModule> module;
    try {
        module = std::make_unique<PluginModule>(copy);
    } catch (const ModuleError& refused) {
        throw ModuleError(NamingTheFile(refused.what(), copy, file));
    }
    std::shared_ptr<Quintra::Plugin::QuintraPlugin>* handle = nullptr;
    try {
        handle = module->GetPlugin();
    } catch (...) {
        throw ModuleError(DisplayPath(file) + ": getPlugin threw");
    }
    if (!handle || !*handle) throw ModuleError(DisplayPath(file) + ": getPlugin gave no plug-in");

    // Everything Unload relies on is made before the module counts as loaded:
    // a failure up to here leaves the host as it was.
    const Quintra::Plugin::PluginDescriptor& descriptor = module->Descriptor();
    const int owner = owner_ + 1;
    std::string pluginClass = Text(descriptor.className);
    auto pluginConsole = std::make_shared<PluginConsole>(*this, owner);
    auto gameObject = std::make_shared<PluginGame>(*this, owner);
    module_ = std::move(module);
    owner_ = owner;
    pluginClass_ = std::move(pluginClass);
    pluginConsole_ = std::move(pluginConsole);
    gameObject_ = std::move(gameObject);
    // The host's own copy: the plug-in lives as long as the host needs it, whatever the module does.
    plugin_ = *handle;
    plugin_->cvarManager = pluginConsole_;
    plugin_->gameWrapper = gameObject_;
    transcript_.Sandbox("loaded " + DisplayPath(file) + " (" + Text(descriptor.pluginName) + ", " +
                        Text(descriptor.className) + " " + Text(descriptor.pluginVersion) + ")");
    Guard("onLoad", [&] { plugin_->onLoad(); });

    if (auto window = std::dynamic_pointer_cast<Quintra::Plugin::PluginWindow>(plugin_)) {
        window_.window = std::move(window);
        Guard("MenuName", [&] { window_.menuName = window_.window->MenuName(); });
        Guard("AttachUiContext", [&] { window_.window->AttachUiContext(ui_.ContextAddress()); });
    } else {
        transcript_.Sandbox("the plug-in has no window");
    }
}

void Host::Reload() {
    if (moduleFile_.empty()) throw ModuleError("no module was loaded before");
    Load(moduleFile_);
}

bool Host::TryReload() {
    try {
        Reload();
        return true;
    } catch (const ModuleError& refused) {
        transcript_.Notice(std::string("reload refused: ") + refused.what() +
                           "; the sandbox runs on without a plug-in until the next build");
        return false;
    }
}

void Host::Key(const std::string& name) {
    if (name != kReloadKey) return console_.Key(name);
    transcript_.Sandbox("key " + name + ": reload");
    TryReload();
}

std::string Host::Faults() const {
    std::string faults;
    auto add = [&faults](int count, const std::string& what) {
        if (count > 0) faults += (faults.empty() ? "" : "; ") + what + " " + Times(count);
    };
    add(faults_, "the plug-in threw into the host");
    add(console_.EndlessRuns(), "a command kept issuing commands without end");
    add(outlived_, "the plug-in object outlived deleteMe");
    return faults;
}

void Host::Unload() {
    if (!module_) return;
    if (plugin_) Guard("onUnload", [&] { plugin_->onUnload(); });

    // From here on the plug-in reaches nothing, and nothing of its code is
    // kept: every callable it left lives in its library.
    pluginConsole_->Detach();
    gameObject_->Detach();
    console_.Forget(owner_);
    auto theirs = [this](const auto& item) { return item.owner == owner_; };
    std::erase_if(hooks_, theirs);
    std::erase_if(callables_, theirs);

    std::weak_ptr<Quintra::Plugin::QuintraPlugin> seen = plugin_;
    auto releaseHandles = [this] {
        window_ = {};
        plugin_.reset();
    };
    if (!keepHandle_) releaseHandles();
    try {
        module_->DeleteMe();
    } catch (...) {
        ++faults_;
        transcript_.Sandbox("the plug-in threw out of deleteMe");
    }
    // Kept through deleteMe, the object dies with the host's last copy, its code still loaded.
    if (keepHandle_) releaseHandles();
    if (!seen.expired()) {
        // Unloading now would leave a live object whose code is gone.
        ++outlived_;
        seen.reset();
        transcript_.Sandbox("the plug-in object outlived deleteMe; its library stays loaded");
        // Kept reachable for the rest of the process, so that a leak check does not count it.
        static std::vector<std::unique_ptr<PluginModule>> keptLoaded;
        keptLoaded.push_back(std::move(module_));
    } else {
        seen.reset();
        module_.reset();
    }
    transcript_.Sandbox("unloaded " + pluginClass_);
}

void Host::Frame() {
    ++frames_;
    if (transcript_.Verbose()) transcript_.Detail("frame " + std::to_string(frames_));
    {
        ContextScope scope(ui_.Context());
        frontEnd_->BeginFrame();
        const bool windowDrawn = window_.window && window_.shown;
        ui_.Frame([this] { DrawFrame(); });
        screen_ = {frames_, windowDrawn, {}};
        screenRead_ = false;
        frontEnd_->EndFrame();
    }
    AfterFrame();
    if (watching_ && copies_.Rebuilt()) {
        transcript_.Sandbox("the module file was rebuilt: reloading " + DisplayPath(moduleFile_));
        TryReload();
    }
}

void Host::DrawFrame() {
    console_.SetFrameRunning(true);
    PanelRequest request = DrawHostPanel(game_, transcript_, Hint(), panelInput_);
    if (request.kind != PanelRequest::Kind::None) panelRequest_ = std::move(request);
    DrawPluginWindow();
    console_.SetFrameRunning(false);
}

void Host::DrawPluginWindow() {
    if (!window_.shown || !window_.window) return;
    ImGui::SetNextWindowPos(kPluginWindowPos, ImGuiCond_FirstUseEver);
    ImGui::SetNextWindowSize(kPluginWindowSize, ImGuiCond_FirstUseEver);
    if (!Guard("RenderFrame", [&] { window_.window->RenderFrame(); })) {
        // An exception may have left its windows open; close them so the frame can end.
        ImGui::ErrorCheckEndFrameRecover(nullptr);
    }
}

void Host::KeepScreen() const {
    if (screenRead_) return;
    screen_.text =
        ScreenText(ui_.Context(), [](const ImGuiWindow& root) { return std::string_view(root.Name) != kPanelTitle; });
    screenRead_ = true;
}

void Host::DrawOwnFrame() {
    ++ownFrames_;
    DrawFrame();
}

void Host::OwnFrame() {
    KeepScreen();
    ui_.Frame([this] { DrawOwnFrame(); });
}

PanelHint Host::Hint() const {
    if (!module_) return {"no plug-in is loaded", "a command"};
    PanelHint hint;
    if (window_.window) {
        hint.console = "\"togglemenu " + window_.menuName + "\" shows and hides " + pluginClass_ + "'s window";
        hint.example = "a command, e.g. togglemenu " + window_.menuName;
    } else {
        hint.console = pluginClass_ + " has no window";
        hint.example = "a command";
    }
    for (const auto& [key, command] : console_.BindsOf(owner_)) hint.console += "; " + key + " runs " + command;
    hint.console += "; a command or key that nothing takes is told here";
    return hint;
}

void Host::AfterFrame() {
    DrainCommands();
    ApplyPanelRequest();
    RunCallables();
    if (game_.Tick()) FireEvent(std::string(GameSimulation::kGameTimeEvent));
}

void Host::ApplyPanelRequest() {
    PanelRequest request = std::exchange(panelRequest_, {});
    switch (request.kind) {
    case PanelRequest::Kind::None:
        break;
    case PanelRequest::Kind::MainMenu:
        game_.GoToMap(GameSimulation::kMainMenu);
        break;
    case PanelRequest::Kind::Match:
        game_.GoToMap(GameSimulation::kMatchMap);
        break;
    case PanelRequest::Kind::Freeplay:
        game_.EnterFreeplay();
        break;
    case PanelRequest::Kind::Command:
        Command(request.command);
        break;
    case PanelRequest::Kind::Reload:
        transcript_.Sandbox("Reload clicked");
        TryReload();
        break;
    }
}

void Host::ShowWindow(bool show) {
    const std::string& name = window_.menuName;
    if (window_.shown == show) {
        transcript_.Sandbox(name + " window already " + (show ? "shown" : "hidden"));
        return;
    }
    window_.shown = show;
    transcript_.Sandbox(name + " window " + (show ? "shown" : "hidden"));
    if (show)
        Guard("OnWindowOpened", [&] { window_.window->OnWindowOpened(); });
    else
        Guard("OnWindowClosed", [&] { window_.window->OnWindowClosed(); });
}

void Host::RunCallables() {
    // Those queued while these run wait for the next frame, so a callable that requeues itself cannot stall the host.
    std::vector<Callable> batch = std::exchange(callables_, {});
    if (!batch.empty() && transcript_.Verbose())
        transcript_.Detail("running " + std::to_string(batch.size()) + " Execute callable(s)");
    for (Callable& callable : batch) Guard("an Execute callable", [&] { callable.callback(callable.game); });
}

void Host::FireEvent(const std::string& eventName) {
    std::vector<std::function<void(std::string)>> callbacks;
    for (const Hook& hook : hooks_) {
        if (hook.eventName == eventName) callbacks.push_back(hook.callback);
    }
    if (transcript_.Verbose())
        transcript_.Detail("event " + eventName + ": " + std::to_string(callbacks.size()) + " hook(s)");
    for (auto& callback : callbacks) Guard("an event hook", [&] { callback(eventName); });
}

void Host::QueueCallable(int owner, std::function<void(GameWrapper*)> callback, GameWrapper* game) {
    callables_.push_back({owner, std::move(callback), game});
}

void Host::HookEvent(int owner, std::string eventName, std::function<void(std::string)> callback) {
    // A misspelt event would pass for a feature that never runs. The real host
    // fires events the sandbox does not, so this is told, never failed.
    const auto& fired = GameSimulation::kFiredEvents;
    const bool hookedBefore = std::any_of(hooks_.begin(), hooks_.end(), [&](const Hook& hook) {
        return hook.owner == owner && hook.eventName == eventName;
    });
    if (std::find(fired.begin(), fired.end(), eventName) == fired.end() && !hookedBefore) {
        std::string events;
        for (std::string_view event : fired) events += (events.empty() ? "" : ", ") + std::string(event);
        transcript_.Notice("the plug-in hooked \"" + eventName + "\", an event the sandbox never fires; it fires " +
                           events);
    }
    hooks_.push_back({owner, std::move(eventName), std::move(callback)});
}

void Host::UnhookEvent(int owner, const std::string& eventName) {
    std::erase_if(hooks_, [&](const Hook& h) { return h.owner == owner && h.eventName == eventName; });
}

std::string Host::ReadyForClick(std::string& title) {
    if (!window_.window) return "there is no plug-in window";
    if (!window_.shown) return "the plug-in window is not shown";
    Guard("MenuTitle", [&] { title = window_.window->MenuTitle(); });
    // One frame first, so that a window shown since the last frame has its place.
    OwnFrame();
    return {};
}

void Host::TellOwnFrames(const std::string& who) {
    if (ownFrames_ != toldOwnFrames_ && transcript_.Verbose())
        transcript_.Detail(who + " drew " + std::to_string(ownFrames_ - toldOwnFrames_) +
                           " UI frames of its own to move the mouse (no host frames)");
    toldOwnFrames_ = ownFrames_;
}

std::string Host::ClickItem(const std::string& title, const std::string& child, const std::string& label) {
    ImGuiWindow* window = child.empty() ? ui_.FindWindow(title) : ui_.FindChildWindow(title, child);
    if (!window) return "no visible button \"" + label + "\" in the " + title + " window";
    const ImGuiID id = UiDriver::ItemId(window, label);
    bool pressed = false;
    bool hovered = ui_.ClickItem(window, id, [&] {
        DrawOwnFrame();
        pressed = pressed || ui_.Context()->ActiveId == id;
    });
    DrainCommands();
    std::string problem;
    if (!hovered)
        problem = "no visible button \"" + label + "\" in the " + title + " window";
    else if (!pressed)
        problem = "the button \"" + label + "\" in the " + title +
                  " window was under the mouse but did not take "
                  "the press (disabled, or covered by another item)";
    if (transcript_.Verbose())
        transcript_.Detail("click attempt on " + label + " in " + title + (child.empty() ? "" : "/" + child) + ": " +
                           (problem.empty() ? "pressed and released" : problem));
    return problem;
}

std::string Host::ClickButton(const std::string& label, const std::string& child) {
    std::string title;
    if (std::string problem = ReadyForClick(title); !problem.empty()) return problem;
    return ClickItem(title, child, label);
}

std::string Host::ClickPanel(const std::string& label) {
    OwnFrame();
    std::string problem = ClickItem(std::string(kPanelTitle), {}, label);
    ApplyPanelRequest();
    return problem;
}

ImGuiWindow* Host::PluginChild(const std::string& child, std::string& problem) {
    std::string title;
    problem = ReadyForClick(title);
    if (!problem.empty()) return nullptr;
    ImGuiWindow* found = ui_.FindChildWindow(title, child);
    if (!found) problem = "the " + title + " window has no child window \"" + child + "\"";
    return found;
}

void Host::ScrollChild(ImGuiWindow* child, float y) {
    ui_.ScrollTo(child, y);
    OwnFrame();
}

std::string Host::ClickClose() {
    std::string title;
    if (std::string problem = ReadyForClick(title); !problem.empty()) return problem;
    std::string problem = ClickItem(title, {}, "#CLOSE");
    if (problem.starts_with("no visible")) return "the " + title + " window has no close button in sight";
    return problem;
}

Screenshot Host::WritePicture(const std::filesystem::path& file) {
    // Drawn now rather than kept from the last frame: a step since may have
    // changed what shows, and a click's frames of its own are no host frames.
    // The frame runs whether or not a picture can be had, so that a script
    // runs the same everywhere.
    Frame();
    ContextScope scope(ui_.Context());
    Screenshot picture = frontEnd_->WritePicture(file);
    if (picture.outcome == Screenshot::Outcome::Written)
        picture.detail += ", frame " + std::to_string(frames_) + ", drawn for the picture";
    return picture;
}

bool Host::Guard(const char* what, const std::function<void()>& call) {
    try {
        call();
        return true;
    } catch (const std::exception& error) {
        transcript_.Sandbox(std::string("the plug-in threw out of ") + what + ": " + error.what());
    } catch (...) {
        transcript_.Sandbox(std::string("the plug-in threw out of ") + what);
    }
    ++faults_;
    return false;
}

} // namespace sandbox
