#pragma once

#include <cstdint>
#include <string>

namespace Quintra::Plugin {

// The host's overlay window interface. The host calls these by slot position,
// so their order is fixed. No data, and no virtual destructor: the host never
// deletes a window through this interface.
class PluginWindow {
public:
    virtual void RenderFrame() = 0;
    virtual std::string MenuName() = 0;
    virtual std::string MenuTitle() = 0;
    // The address of the host's ImGuiContext.
    virtual void AttachUiContext(std::uintptr_t context) = 0;
    virtual bool WantsInputCapture() = 0;
    virtual bool IsOverlayActive() = 0;
    virtual void OnWindowOpened() = 0;
    virtual void OnWindowClosed() = 0;

protected:
    ~PluginWindow() = default;
};

} // namespace Quintra::Plugin
