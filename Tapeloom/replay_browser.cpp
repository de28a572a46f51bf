// The window's contents: the refresh button and count, the column header, and
// one row per replay with its "Load" button.
#include <algorithm>
#include <charconv>
#include <climits>
#include <cstddef>

#include <imgui.h>

#include "Tapeloom.h"

namespace {

constexpr float kLoadButtonWidth = 80.0f;

} // namespace

void Tapeloom::OnWindowOpened() {
    windowOpen = true;
    RefreshReplayList();
}

void Tapeloom::RenderWindow() {
    if (ImGui::Button("Refresh list", ImVec2(0, 0))) RefreshReplayList();
    ImGui::SameLine(0, -1);
    ImGui::Text("%zu replays found", replayCatalogue.entries.size());
    ImGui::Separator();

    ImGui::Columns(2, "ReplayListHeader", false);
    ImGui::TextUnformatted("Date & Time");
    ImGui::NextColumn();
    ImGui::TextUnformatted("Action");
    ImGui::NextColumn();
    ImGui::Columns(1);
    ImGui::Separator();

    ImGui::BeginChild("ReplayList", ImVec2(0, 0), true, ImGuiWindowFlags_None);
    if (replayCatalogue.entries.empty()) {
        ImGui::TextUnformatted("No replays found.");
    } else {
        DrawReplayRows();
    }
    ImGui::EndChild();
}

void Tapeloom::DrawReplayRows() {
    // One offset for every row of the frame, taken from the child region itself.
    const float buttonOffset = ImGui::GetWindowWidth() - kLoadButtonWidth - ImGui::GetStyle().WindowPadding.x;

    // Only the rows in view are submitted, so a frame costs the same for a
    // hundred replays or a hundred thousand. Every row is exactly one button
    // high, so rows of that height give the scroll range that submitting
    // every row would.
    ImGuiListClipper clipper;
    clipper.Begin(static_cast<int>(std::min<std::size_t>(replayCatalogue.entries.size(), INT_MAX)),
                  ImGui::GetFrameHeightWithSpacing());

    // "Load##" + the row's index in the whole list: every button reads "Load"
    // and keeps its own ID wherever the list is scrolled.
    char label[6 + 12] = "Load##";
    while (clipper.Step()) {
        for (int row = clipper.DisplayStart; row < clipper.DisplayEnd; ++row) {
            const std::string_view time = replayCatalogue.DisplayTime(static_cast<std::size_t>(row));
            // Drawn unformatted: the row's text is never read as a format.
            ImGui::TextUnformatted(time.data(), time.data() + time.size());
            ImGui::SameLine(buttonOffset, -1);
            char* end = std::to_chars(label + 6, label + sizeof label - 1, row).ptr;
            *end = '\0';
            // A press hands this row on and the remaining rows are still drawn;
            // LoadReplay leaves the catalogue as it is.
            if (ImGui::Button(label, ImVec2(kLoadButtonWidth, 0))) LoadReplayContained(static_cast<std::size_t>(row));
        }
    }
}
