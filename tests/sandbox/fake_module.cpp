// A module that looks like a plug-in but is not one this host can take: built
// once with another host interface version, once without a create function,
// and once with a plug-in whose onLoad throws into the host. Built once more
// as a plug-in this host takes, with a window: the "next build" a watching
// sandbox reloads, with a button that cannot be pressed, two ways to misbehave,
// a drawing that counts its calls and a hook on an event the sandbox never fires.
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <pluginsdk/PluginDescriptor.h>
#include <pluginsdk/QuintraPlugin.h>
#if defined(FAKE_WINDOW)
#include <imgui.h>
#include <pluginsdk/PluginWindow.h>
#endif

namespace {

std::shared_ptr<Quintra::Plugin::QuintraPlugin> nothing;

#if defined(FAKE_THROWING)
// final, both: the handle's control block destroys each as itself, with no virtual destructor.
struct Throwing final : Quintra::Plugin::QuintraPlugin {
    void onLoad() override { throw std::runtime_error("onLoad failed"); }
};
#endif

#if defined(FAKE_WINDOW)
std::shared_ptr<Quintra::Plugin::QuintraPlugin> kept;

struct Window final : Quintra::Plugin::QuintraPlugin, Quintra::Plugin::PluginWindow {
    void onLoad() override {
        cvarManager->log("onLoad of the next build");
        cvarManager->registerNotifier(
            "again", [this](std::vector<std::string>) { cvarManager->executeCommand("again"); }, "", 0);
        cvarManager->registerNotifier(
            "outlive", [](std::vector<std::string>) { kept = nothing; }, "", 0);
        // Both requests are queued while the window still shows: each asks to hide it.
        cvarManager->registerNotifier(
            "close_twice",
            [this](std::vector<std::string>) {
                cvarManager->executeCommand("togglemenu next");
                cvarManager->executeCommand("togglemenu next");
            },
            "", 0);
        // A crash in the plug-in's own code: the Windows host names the module it happened in.
        cvarManager->registerNotifier(
            "crash",
            [](std::vector<std::string>) {
                volatile int* volatile target = nullptr;
                *target = 1;
            },
            "", 0);
        cvarManager->registerNotifier(
            "rendered",
            [this](std::vector<std::string>) {
                cvarManager->log("RenderFrame ran " + std::to_string(rendered) + " times");
            },
            "", 0);
        // Never unhooked: the host must drop it with the plug-in.
        gameWrapper->HookEvent("Function TAGame.GameEvent_Soccar_TA.OnGameTimeUpdated",
                               [this](std::string) { cvarManager->log("the next build's hook ran"); });
        // Misspelt, and hooked twice.
        for (int i = 0; i < 2; ++i) gameWrapper->HookEvent("Function TAGame.GameEvent_Soccar_TA.OnGameTimeUpdate", {});
    }
    void RenderFrame() override {
        ImGui::Begin("Next build");
        ImGui::Text("Drawn %d times", ++rendered);
        ImGui::BeginDisabled();
        ImGui::Button("Greyed out");
        ImGui::EndDisabled();
        if (ImGui::Button("Load 1")) cvarManager->log("Load 1 was pressed");
        ImGui::End();
    }
    int rendered = 0;
    std::string MenuName() override { return "next"; }
    std::string MenuTitle() override { return "Next build"; }
    void AttachUiContext(std::uintptr_t context) override {
        ImGui::SetCurrentContext(reinterpret_cast<ImGuiContext*>(context));
    }
    bool WantsInputCapture() override { return false; }
    bool IsOverlayActive() override { return true; }
    void OnWindowOpened() override {}
    void OnWindowClosed() override {}
};
#endif

} // namespace

extern "C" {

#if !defined(FAKE_WITHOUT_CREATE)
TAPELOOM_API std::shared_ptr<Quintra::Plugin::QuintraPlugin>* getPlugin() {
#if defined(FAKE_THROWING)
    if (!nothing) nothing = std::make_shared<Throwing>();
#elif defined(FAKE_WINDOW)
    if (!nothing) nothing = std::make_shared<Window>();
#endif
    return &nothing;
}
#endif

TAPELOOM_API void deleteMe() {
    nothing.reset();
}

TAPELOOM_API extern const Quintra::Plugin::PluginDescriptor exports;

const Quintra::Plugin::PluginDescriptor exports = {
    FAKE_API_VERSION, __FILE__, "FakeModule", "A module the sandbox must refuse", "0", 1,
#if defined(FAKE_WITHOUT_CREATE)
    nullptr,
#else
    &getPlugin,
#endif
    &deleteMe,
};
}
