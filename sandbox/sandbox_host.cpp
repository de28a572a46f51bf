#include "sandbox_host.h"

#include <algorithm>
#include <exception>
#include <utility>

#include <imgui.h>
#include <imgui_internal.h>

namespace sandbox {

namespace {

// Where a real host first puts a plug-in window, and how big: the window sets
// neither itself, and an auto-fitted window around a list that fills the rest would open tiny.
const ImVec2 kPluginWindowPos(40, 40);
const ImVec2 kPluginWindowSize(520, 460);

// A command that keeps issuing itself would otherwise never let the host go on.
constexpr int kMaxCommandsInARow = 1000;

std::pair<std::string, std::string> SplitCommand(const std::string& text) {
    std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    std::size_t end = text.find(' ', first);
    std::string name = text.substr(first, end == std::string::npos ? std::string::npos : end - first);
    std::string argument;
    if (end != std::string::npos) {
        std::size_t from = text.find_first_not_of(' ', end);
        std::size_t to = text.find_last_not_of(' ');
        if (from != std::string::npos) argument = text.substr(from, to - from + 1);
    }
    return {name, argument};
}

std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    std::size_t at = 0;
    while ((at = text.find_first_not_of(' ', at)) != std::string::npos) {
        std::size_t end = text.find(' ', at);
        words.push_back(text.substr(at, end == std::string::npos ? std::string::npos : end - at));
        at = end;
    }
    return words;
}

const char* Text(const char* text) {
    return text ? text : "?";
}

} // namespace

Host::Host(Transcript& transcript, std::function<std::unique_ptr<FrontEnd>()> makeFrontEnd, ImVec2 displaySize)
    : transcript_(transcript), game_(transcript), ui_(displaySize) {
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
    auto module = std::make_unique<PluginModule>(file);
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
    auto console = std::make_shared<PluginConsole>(*this, owner);
    auto gameObject = std::make_shared<PluginGame>(*this, owner);
    module_ = std::move(module);
    owner_ = owner;
    pluginClass_ = std::move(pluginClass);
    console_ = std::move(console);
    gameObject_ = std::move(gameObject);
    // The host's own copy: the plug-in lives as long as the host needs it, whatever the module does.
    plugin_ = *handle;
    plugin_->cvarManager = console_;
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

void Host::Unload() {
    if (!module_) return;
    if (plugin_) Guard("onUnload", [&] { plugin_->onUnload(); });

    // From here on the plug-in reaches nothing, and nothing of its code is
    // kept: every callable it left lives in its library.
    console_->Detach();
    gameObject_->Detach();
    auto theirs = [this](const auto& item) { return item.owner == owner_; };
    std::erase_if(notifiers_, theirs);
    std::erase_if(binds_, theirs);
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
        ++faults_;
        seen.reset();
        transcript_.Sandbox("the plug-in object outlived deleteMe; its library stays loaded");
        static_cast<void>(module_.release());
    } else {
        seen.reset();
        module_.reset();
    }
    transcript_.Sandbox("unloaded " + pluginClass_);
}

void Host::Command(const std::string& text) {
    IssueCommand(text);
}

void Host::Key(const std::string& name) {
    auto bind = std::find_if(binds_.begin(), binds_.end(), [&](const Bind& b) { return b.key == name; });
    if (bind == binds_.end()) {
        transcript_.Sandbox("key " + name + ": nothing is bound to it");
        return;
    }
    transcript_.Sandbox("key " + name);
    IssueCommand(bind->command);
}

void Host::Frame() {
    {
        ContextScope scope(ui_.Context());
        frontEnd_->BeginFrame();
        ui_.Frame([this] { DrawFrame(); });
        frontEnd_->EndFrame();
    }
    AfterFrame();
}

void Host::DrawFrame() {
    inFrame_ = true;
    PanelRequest request = DrawHostPanel(game_, transcript_, panelInput_);
    if (request.kind != PanelRequest::Kind::None) panelRequest_ = std::move(request);
    DrawPluginWindow();
    inFrame_ = false;
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
    }
}

void Host::Log(std::string text) {
    transcript_.Plugin(text);
}

void Host::IssueCommand(std::string text) {
    QueuedCommand command{std::move(text), std::nullopt};
    auto [name, argument] = SplitCommand(command.text);
    if (name == "togglemenu" && window_.window && argument == window_.menuName) command.show = !window_.shown;
    commands_.push_back(std::move(command));
    if (!inFrame_) DrainCommands();
}

void Host::DrainCommands() {
    // A command issued by one being processed joins the queue behind it.
    if (draining_) return;
    draining_ = true;
    for (int processed = 0; !commands_.empty(); ++processed) {
        if (processed == kMaxCommandsInARow) {
            transcript_.Sandbox("a command keeps issuing commands; " + std::to_string(commands_.size()) + " dropped");
            commands_.clear();
            ++faults_;
            break;
        }
        QueuedCommand command = std::move(commands_.front());
        commands_.pop_front();
        Dispatch(command);
    }
    draining_ = false;
}

void Host::Dispatch(const QueuedCommand& command) {
    transcript_.Sandbox("> " + command.text);
    auto [name, argument] = SplitCommand(command.text);
    if (name == "togglemenu") {
        if (!window_.window || argument != window_.menuName) {
            transcript_.Sandbox("togglemenu: no window named \"" + argument + "\"");
            return;
        }
        ShowWindow(command.show.value_or(!window_.shown));
        return;
    }
    if (name == "load_freeplay") {
        game_.LoadFreeplay();
        return;
    }
    auto notifier =
        std::find_if(notifiers_.begin(), notifiers_.end(), [&](const Notifier& n) { return n.command == name; });
    if (notifier == notifiers_.end()) {
        transcript_.Sandbox("unknown command: " + name);
        return;
    }
    // A copy: the callback may register or drop notifiers while it runs.
    auto callback = notifier->callback;
    Guard("a console command's callback", [&] { callback(Words(command.text)); });
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
    for (Callable& callable : batch) Guard("an Execute callable", [&] { callable.callback(callable.game); });
}

void Host::FireEvent(const std::string& eventName) {
    std::vector<std::function<void(std::string)>> callbacks;
    for (const Hook& hook : hooks_) {
        if (hook.eventName == eventName) callbacks.push_back(hook.callback);
    }
    for (auto& callback : callbacks) Guard("an event hook", [&] { callback(eventName); });
}

void Host::RegisterNotifier(int owner, std::string command, std::function<void(std::vector<std::string>)> callback) {
    std::erase_if(notifiers_, [&](const Notifier& n) { return n.command == command; });
    notifiers_.push_back({owner, std::move(command), std::move(callback)});
}

void Host::SetBind(int owner, std::string key, std::string command) {
    std::erase_if(binds_, [&](const Bind& b) { return b.key == key; });
    binds_.push_back({owner, std::move(key), std::move(command)});
}

void Host::QueueCallable(int owner, std::function<void(GameWrapper*)> callback, GameWrapper* game) {
    callables_.push_back({owner, std::move(callback), game});
}

void Host::HookEvent(int owner, std::string eventName, std::function<void(std::string)> callback) {
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
    ui_.Frame([this] { DrawFrame(); });
    return {};
}

std::string Host::ClickButton(const std::string& label) {
    std::string title;
    if (std::string problem = ReadyForClick(title); !problem.empty()) return problem;
    bool clicked = ui_.ClickButton(title, label, [this] { DrawFrame(); });
    DrainCommands();
    return clicked ? std::string() : "no visible button \"" + label + "\" in the " + title + " window";
}

std::string Host::ClickLoad(int row) {
    std::string title;
    if (std::string problem = ReadyForClick(title); !problem.empty()) return problem;
    ImGuiWindow* list = ui_.FindChildWindow(title, "ReplayList");
    if (!list) return "the " + title + " window has no replay list";
    const std::string label = "Load##" + std::to_string(row);
    bool clicked = ui_.ClickButtonInChild(title, "ReplayList", label, [this] { DrawFrame(); });
    if (!clicked) {
        // The row may be scrolled out of sight: bring it to the middle of the list and look again.
        const ImGuiStyle& style = ui_.Context()->Style;
        float rowHeight = ui_.Context()->FontSize + style.FramePadding.y * 2 + style.ItemSpacing.y;
        ui_.ScrollTo(list, std::max(0.0f, static_cast<float>(row) * rowHeight - list->Size.y / 2));
        ui_.Frame([this] { DrawFrame(); });
        clicked = ui_.ClickButtonInChild(title, "ReplayList", label, [this] { DrawFrame(); });
    }
    DrainCommands();
    return clicked ? std::string() : "no row " + std::to_string(row) + " in the replay list";
}

std::string Host::ClickClose() {
    std::string title;
    if (std::string problem = ReadyForClick(title); !problem.empty()) return problem;
    bool clicked = ui_.ClickClose(title, [this] { DrawFrame(); });
    DrainCommands();
    return clicked ? std::string() : "the " + title + " window has no close button in sight";
}

Screenshot Host::WritePicture(const std::filesystem::path& file) {
    ContextScope scope(ui_.Context());
    return frontEnd_->WritePicture(file);
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

// The per-plug-in objects: each call is handed to the host while attached.

void PluginConsole::log(std::string text) {
    if (host_) host_->Log(std::move(text));
}

void PluginConsole::executeCommand(std::string command, bool) {
    if (host_) host_->IssueCommand(std::move(command));
}

void PluginConsole::registerNotifier(std::string command, std::function<void(std::vector<std::string>)> callback,
                                     std::string, unsigned char) {
    if (host_) host_->RegisterNotifier(owner_, std::move(command), std::move(callback));
}

void PluginConsole::setBind(std::string key, std::string command) {
    if (host_) host_->SetBind(owner_, std::move(key), std::move(command));
}

void PluginGame::PlayReplay(const std::filesystem::path& replayPath) {
    if (host_) host_->PlayReplay(replayPath);
}

std::string PluginGame::GetCurrentMap() {
    return host_ ? host_->CurrentMap() : std::string();
}

bool PluginGame::IsInFreeplay() {
    return host_ && host_->InFreeplay();
}

void PluginGame::Execute(std::function<void(GameWrapper*)> callback) {
    if (host_) host_->QueueCallable(owner_, std::move(callback), this);
}

void PluginGame::HookEvent(std::string eventName, std::function<void(std::string eventName)> callback) {
    if (host_) host_->HookEvent(owner_, std::move(eventName), std::move(callback));
}

void PluginGame::UnhookEvent(std::string eventName) {
    if (host_) host_->UnhookEvent(owner_, eventName);
}

} // namespace sandbox
