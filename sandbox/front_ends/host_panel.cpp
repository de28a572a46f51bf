#include "front_ends/host_panel.h"

#include <imgui.h>

namespace sandbox {

PanelRequest DrawHostPanel(const GameSimulation& game, const Transcript& transcript, const PanelHint& hint,
                           std::array<char, 256>& commandInput) {
    PanelRequest request;
    ImGui::SetNextWindowPos(ImVec2(580, 40), ImGuiCond_FirstUseEver);
    ImGui::SetNextWindowSize(ImVec2(660, 640), ImGuiCond_FirstUseEver);
    if (!ImGui::Begin(kPanelTitle.data())) {
        ImGui::End();
        return request;
    }

    ImGui::Text("Map:          %s", game.Map().c_str());
    ImGui::Text("Freeplay:     %s", game.Loading() ? "loading..." : game.InFreeplay() ? "yes" : "no");
    ImGui::Text("Now playing:  %s", game.NowPlaying().empty() ? "nothing" : game.NowPlaying().c_str());
    if (ImGui::Button("Main menu")) request.kind = PanelRequest::Kind::MainMenu;
    ImGui::SameLine();
    std::string match = "Match (" + std::string(GameSimulation::kMatchMap) + ")";
    if (ImGui::Button(match.c_str())) request.kind = PanelRequest::Kind::Match;
    ImGui::SameLine();
    if (ImGui::Button("Freeplay")) request.kind = PanelRequest::Kind::Freeplay;
    if (ImGui::Button("Reload")) request.kind = PanelRequest::Kind::Reload;
    ImGui::SameLine();
    ImGui::TextDisabled("the module file again (Ctrl+R); --watch does it after each build");
    ImGui::Separator();

    ImGui::TextWrapped("Console: %s", hint.console.c_str());
    ImGui::SetNextItemWidth(-1);
    if (ImGui::InputTextWithHint("##command", hint.example.c_str(), commandInput.data(), commandInput.size(),
                                 ImGuiInputTextFlags_EnterReturnsTrue) &&
        commandInput[0] != '\0') {
        request.kind = PanelRequest::Kind::Command;
        request.command = commandInput.data();
        commandInput[0] = '\0';
        ImGui::SetKeyboardFocusHere(-1);
    }
    ImGui::BeginChild("Console", ImVec2(0, 0), true, ImGuiWindowFlags_HorizontalScrollbar);
    const std::vector<std::string>& lines = transcript.Lines();
    ImGuiListClipper clipper;
    clipper.Begin(static_cast<int>(lines.size()));
    while (clipper.Step()) {
        for (int i = clipper.DisplayStart; i < clipper.DisplayEnd; ++i) {
            const std::string& line = lines[static_cast<std::size_t>(i)];
            bool ours = line.starts_with(Transcript::kSandboxPrefix);
            if (ours) ImGui::PushStyleColor(ImGuiCol_Text, ImVec4(0.55f, 0.6f, 0.7f, 1.0f));
            ImGui::TextUnformatted(line.data(), line.data() + line.size());
            if (ours) ImGui::PopStyleColor();
        }
    }
    // Follows the newest line unless the person scrolled up to read.
    if (ImGui::GetScrollY() >= ImGui::GetScrollMaxY()) ImGui::SetScrollHereY(1.0f);
    ImGui::EndChild();
    ImGui::End();
    return request;
}

} // namespace sandbox
