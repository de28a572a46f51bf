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
// handle, both handles filled with recording fakes sharing one journal, onLoad,
// the window interface found by dynamic_pointer_cast, and a UI context
// attached before any frame. Unload releases everything in host order.
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

    void Frames(int count = 1);
    // One host frame; returns its screen rows (see UiDriver::FrameText).
    std::vector<std::string> Screen();
    // Clicks a button of the plug-in window by label, or a row's Load button.
    bool Click(const std::string& label);
    bool ClickLoad(int row);
    bool ClickClose();
    // What the host draws in a frame: the plug-in's window, while shown.
    void Draw();

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
