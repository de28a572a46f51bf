#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <pluginsdk/PluginWindow.h>
#include <pluginsdk/QuintraPlugin.h>

#include "host/fake_host.h"
#include "plugin_module.h"
#include "ui_driver.h"

namespace testhost {

// A frame's text (UiDriver::FrameText) as its non-empty screen rows, trimmed.
std::vector<std::string> ScreenLines(const std::string& text);

// The built Tapeloom module beside the test program.
std::filesystem::path TapeloomModulePath();

// A plug-in loaded the way the host does it: getPlugin, a host copy of the
// handle, both handles filled with recording fakes, onLoad, the window
// interface found by dynamic_pointer_cast, and a UI context attached before
// any frame. Unload releases everything in host order.
class PluginHost {
public:
    explicit PluginHost(const std::filesystem::path& module = TapeloomModulePath());
    ~PluginHost();
    PluginHost(const PluginHost&) = delete;
    PluginHost& operator=(const PluginHost&) = delete;

    // onUnload; the plug-in's notifiers, hooks and queued callables dropped;
    // every host copy released; deleteMe. Idempotent.
    void Unload();

    // Shows or hides the window as the host's "togglemenu" does.
    void Open();
    void Close();

    // One host frame: the plug-in's window is drawn while shown.
    void Frame();
    void Frames(int count);
    // One host frame; returns the text the screen showed (see UiDriver::FrameText).
    std::string FrameText();
    // Clicks a button of the plug-in window by label; in the replay list when `inList`.
    bool Click(const std::string& label);
    bool ClickInList(const std::string& label);
    bool ClickClose();

    std::shared_ptr<FakeConsole> console = std::make_shared<FakeConsole>();
    std::shared_ptr<FakeGame> game = std::make_shared<FakeGame>();
    sandbox::PluginModule module;
    std::shared_ptr<Quintra::Plugin::QuintraPlugin> plugin;
    std::shared_ptr<Quintra::Plugin::PluginWindow> window;
    sandbox::UiDriver ui;
    bool shown = false;

private:
    void Draw();
};

} // namespace testhost
