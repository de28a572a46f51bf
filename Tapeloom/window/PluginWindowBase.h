#pragma once

#include <string>

#include <pluginsdk/PluginWindow.h>

// The plug-in's implementation of the host window interface on Dear ImGui: one
// ImGui window per host frame, contents left to RenderWindow, and a request to
// the host to hide the window when its close button is pressed.
class PluginWindowBase : public Quintra::Plugin::PluginWindow {
public:
    PluginWindowBase();

    // Host interface, in its slot order.
    void RenderFrame() override;
    std::string MenuName() override;
    std::string MenuTitle() override;
    void AttachUiContext(std::uintptr_t context) override;
    bool WantsInputCapture() override;
    bool IsOverlayActive() override;
    void OnWindowOpened() override;
    void OnWindowClosed() override;

    virtual ~PluginWindowBase();
    // The window's contents, drawn between Begin and End.
    virtual void RenderWindow() = 0;

    // Given to ImGui::Begin as the open flag: the title bar's close button clears it.
    bool windowOpen = false;
    // The ImGui window name shown in the title bar.
    std::string menuTitle;

protected:
    // "togglemenu " + MenuName(): the host shows the window if hidden, hides it if shown.
    std::string ToggleCommand();
};
