#pragma once

#include <filesystem>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <imgui.h>
#include <pluginsdk/PluginWindow.h>
#include <pluginsdk/QuintraPlugin.h>

#include "harness/plugin_module.h"
#include "harness/ui_driver.h"
#include "test_host/fake_host.h"

namespace testhost {

// The built Tapeloom module beside the test program.
inline std::filesystem::path TapeloomModulePath() {
    return sandbox::ExecutableFolder() / sandbox::ModuleFileName("Tapeloom");
}

// A frame's text (UiDriver::FrameText) as its non-empty screen rows, trimmed.
inline std::vector<std::string> ScreenLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        line.erase(0, line.find_first_not_of(' '));
        while (!line.empty() && (line.back() == ' ' || line.back() == '\r')) line.pop_back();
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

// A plug-in loaded the way the host does it: getPlugin, a host copy of the
// handle, both handles filled with recording fakes sharing one journal, onLoad,
// the window interface found by dynamic_pointer_cast, and a UI context
// attached before any frame. Unload releases everything in host order.
class PluginHost {
public:
    explicit PluginHost(const std::filesystem::path& file = TapeloomModulePath()) : module(file) {
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
    ~PluginHost() { Unload(); }
    PluginHost(const PluginHost&) = delete;
    PluginHost& operator=(const PluginHost&) = delete;

    // onUnload; the plug-in's notifiers, hooks and queued callables dropped (their
    // code goes with the module); every host copy released; deleteMe. Idempotent.
    void Unload() {
        if (!plugin) return;
        plugin->onUnload();
        console->notifiers.clear();
        game->hooks.clear();
        game->queued.clear();
        window.reset();
        plugin.reset();
        module.DeleteMe();
    }

    // Shows or hides the window as the host's "togglemenu" does.
    void Open() { shown = true, window->OnWindowOpened(); }
    void Close() { shown = false, window->OnWindowClosed(); }
    // What the host draws in a frame: the plug-in's window, placed once as a real host does, while shown.
    void Draw() {
        if (!shown || !window) return;
        ImGui::SetNextWindowPos(ImVec2(40, 40), ImGuiCond_FirstUseEver);
        ImGui::SetNextWindowSize(ImVec2(520, 420), ImGuiCond_FirstUseEver);
        window->RenderFrame();
    }
    void Frames(int count = 1) {
        for (int i = 0; i < count; ++i) ui.Frame([this] { Draw(); });
    }
    std::vector<std::string> Screen() {
        return ScreenLines(ui.FrameText([this] { Draw(); }));
    }
    bool Click(const std::string& label) {
        return ui.ClickButton("Tapeloom", label, [this] { Draw(); });
    }
    bool ClickLoad(int row) {
        return ui.ClickButtonInChild("Tapeloom", "ReplayList", "Load##" + std::to_string(row), [this] { Draw(); });
    }
    bool ClickClose() {
        return ui.ClickClose("Tapeloom", [this] { Draw(); });
    }

    std::shared_ptr<Journal> journal = std::make_shared<Journal>();
    std::shared_ptr<FakeConsole> console = std::make_shared<FakeConsole>(journal);
    std::shared_ptr<FakeGame> game = std::make_shared<FakeGame>(journal);
    sandbox::PluginModule module;
    std::shared_ptr<Quintra::Plugin::QuintraPlugin> plugin;
    std::shared_ptr<Quintra::Plugin::PluginWindow> window;
    sandbox::UiDriver ui;
    bool shown = false;
};

} // namespace testhost
