#include "tapeloom/tapeloom.h"

#include <algorithm>
#include <sstream>

#include <imgui.h>
#include <imgui_internal.h>

namespace sandbox::tapeloom {

namespace {

// The descriptor's class name, the replay list's child window and its rows'
// buttons, as the plug-in names them; its menu name and bind are in the demo's steps.
constexpr std::string_view kClassName = "Tapeloom";
constexpr const char* kReplayList = "ReplayList";

std::string LoadButton(int row) {
    return "Load##" + std::to_string(row);
}

} // namespace

bool Loaded(const Host& host) {
    return host.Loaded() && host.PluginClass() == kClassName;
}

std::string ClickRow(Host& host, int row) {
    std::string problem;
    ImGuiWindow* list = host.PluginChild(kReplayList, problem);
    if (!list) return problem;
    if (host.ClickButton(LoadButton(row), kReplayList).empty()) return {};
    // The row may be scrolled out of sight: bring it to the middle of the list and look again.
    const ImGuiStyle& style = host.Ui().Context()->Style;
    float rowHeight = host.Ui().Context()->FontSize + style.FramePadding.y * 2 + style.ItemSpacing.y;
    host.ScrollChild(list, std::max(0.0f, static_cast<float>(row) * rowHeight - list->Size.y / 2));
    if (host.ClickButton(LoadButton(row), kReplayList).empty()) return {};
    return "no row " + std::to_string(row) + " in the replay list";
}

StepsEnd RunHeadlessDemo(Host& host, Transcript& transcript) {
    std::istringstream opening("# The window opens as the host opens it on F8.\n"
                               "command togglemenu Tapeloom\n"
                               "frames 3\n"
                               "# In a match a replay cannot start directly: the plug-in goes through freeplay.\n"
                               "map Stadium_P\n");
    if (StepsEnd end = RunSteps(host, transcript, opening, "demo", true); end.kind != StepsEnd::Kind::Done) return end;
    transcript.Sandbox("click Load 2, or the last row when there are fewer");
    std::string problem = "no row";
    for (int row = 2; row >= 0 && !problem.empty(); --row) problem = ClickRow(host, row);
    host.TellOwnFrames("the demo's click");
    if (!problem.empty()) transcript.Sandbox("nothing clicked: " + problem);
    std::istringstream closing("frames 6\n"
                               "# Open again to show the list beside the console's story.\n"
                               "command togglemenu Tapeloom\n"
                               "frames 3\n");
    return RunSteps(host, transcript, closing, "demo", true);
}

void OpenForPerson(Host& host, Transcript& transcript) {
    transcript.Sandbox("demo: click Load in the Tapeloom window (F8 shows and hides it); the panel switches the game "
                       "between the main menu, a match and freeplay; close the sandbox window to unload and quit");
    host.Command("togglemenu Tapeloom");
}

} // namespace sandbox::tapeloom
