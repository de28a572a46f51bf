#include "host/plugin_host.h"

#include <sstream>
#include <stdexcept>

#include <imgui.h>

namespace testhost {

std::vector<std::string> ScreenLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        line.erase(0, line.find_first_not_of(' '));
        while (!line.empty() && (line.back() == ' ' || line.back() == '\r')) line.pop_back();
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

std::filesystem::path TapeloomModulePath() {
    return sandbox::ExecutableFolder() / sandbox::ModuleFileName("Tapeloom");
}

PluginHost::PluginHost(const std::filesystem::path& file) : module(file) {
    std::shared_ptr<Quintra::Plugin::QuintraPlugin>* handle = module.GetPlugin();
    if (!handle || !*handle) throw std::runtime_error("getPlugin gave no plug-in");
    plugin = *handle;
    plugin->cvarManager = console;
    plugin->gameWrapper = game;
    plugin->onLoad();
    window = std::dynamic_pointer_cast<Quintra::Plugin::PluginWindow>(plugin);
    if (!window) throw std::runtime_error("the plug-in has no window");
    window->AttachUiContext(ui.ContextAddress());
}

PluginHost::~PluginHost() {
    Unload();
}

void PluginHost::Unload() {
    if (!plugin) return;
    plugin->onUnload();
    // The callables live in the module's code: none may outlive it.
    console->notifiers.clear();
    game->hooks.clear();
    game->queued.clear();
    window.reset();
    plugin.reset();
    module.DeleteMe();
}

void PluginHost::Open() {
    shown = true;
    window->OnWindowOpened();
}

void PluginHost::Close() {
    shown = false;
    window->OnWindowClosed();
}

void PluginHost::Draw() {
    if (!shown || !window) return;
    // A real host places each plug-in window once; the window itself sets no size.
    ImGui::SetNextWindowPos(ImVec2(40, 40), ImGuiCond_FirstUseEver);
    ImGui::SetNextWindowSize(ImVec2(520, 420), ImGuiCond_FirstUseEver);
    window->RenderFrame();
}

void PluginHost::Frames(int count) {
    for (int i = 0; i < count; ++i) ui.Frame([this] { Draw(); });
}

std::vector<std::string> PluginHost::Screen() {
    return ScreenLines(ui.FrameText([this] { Draw(); }));
}

bool PluginHost::Click(const std::string& label) {
    return ui.ClickButton(window->MenuTitle(), label, [this] { Draw(); });
}

bool PluginHost::ClickLoad(int row) {
    return ui.ClickButtonInChild(window->MenuTitle(), "ReplayList", "Load##" + std::to_string(row), [this] { Draw(); });
}

bool PluginHost::ClickClose() {
    return ui.ClickClose(window->MenuTitle(), [this] { Draw(); });
}

} // namespace testhost
