// A replay folder far longer than the window: only the rows in view are drawn,
// and what a player sees and clicks there is still the whole list's.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <imgui.h>
#include <imgui_internal.h>

#include "host/plugin_host.h"
#include "host/replay_profile.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

using testhost::TicksFromUnixSeconds;

constexpr int kReplays = 10'000;
constexpr int kMiddle = kReplays / 2;
// 2024-03-15 18:42:07 UTC; replay i was written i seconds earlier, so it is row i.
constexpr std::int64_t kNewestSeconds = 1710528127;

std::string ReplayName(int index) {
    char name[32];
    std::snprintf(name, sizeof name, "replay-%05d.replay", index);
    return name;
}

// An empty replay file with the given write time, made with one open: under
// Wine, ten thousand files through the profile's own helper take over a minute.
void AddEmptyReplay(const std::filesystem::path& file, std::int64_t ticks) {
#if defined(_WIN32)
    HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE) << file;
    const FILETIME time{static_cast<DWORD>(static_cast<std::uint64_t>(ticks) & 0xffffffffu),
                        static_cast<DWORD>(static_cast<std::uint64_t>(ticks) >> 32)};
    const BOOL timed = SetFileTime(handle, nullptr, nullptr, &time);
    CloseHandle(handle);
    ASSERT_TRUE(timed) << file;
#else
    const int handle = open(file.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    ASSERT_GE(handle, 0) << file;
    const std::int64_t sinceUnix = ticks - testhost::TicksFromUnixSeconds(0);
    const timespec times[2] = {
        {0, UTIME_OMIT},
        {static_cast<time_t>(sinceUnix / 10'000'000), static_cast<long>(sinceUnix % 10'000'000 * 100)}};
    const bool timed = futimens(handle, times) == 0;
    close(handle);
    ASSERT_TRUE(timed) << file;
#endif
}

class LongReplayList : public testing::Test {
protected:
    // The folder is made once: ten thousand files are slow to create under Wine.
    static void SetUpTestSuite() {
        profile = std::make_unique<testhost::ReplayProfile>();
        for (int i = 0; i < kReplays; ++i) {
            AddEmptyReplay(profile->Folder() / ReplayName(i), TicksFromUnixSeconds(kNewestSeconds - i));
        }
    }
    static void TearDownTestSuite() { profile.reset(); }

    void SetUp() override {
        host.Open();
        host.Frames(2);
        list = host.ui.FindChildWindow(host.window->MenuTitle(), "ReplayList");
        ASSERT_NE(list, nullptr);
        sandbox::ContextScope scope(host.ui.Context());
        rowHeight = ImGui::GetFrameHeightWithSpacing();
        padding = ImGui::GetStyle().WindowPadding;
        spacing = ImGui::GetStyle().ItemSpacing;
    }

    // Scrolls the list so that row `first` is the topmost row in view.
    void ScrollToRow(int first) {
        host.ui.ScrollTo(list, padding.y + static_cast<float>(first) * rowHeight);
        host.Frame();
        ASSERT_EQ(list->Scroll.y, padding.y + static_cast<float>(first) * rowHeight);
    }

    struct Button {
        ImGuiID id;
        ImVec2 point;
    };
    // The buttons in view, top to bottom, found as a player finds them: by
    // moving the mouse down the button column.
    std::vector<Button> ButtonsInView() {
        const float x = list->Pos.x + list->Size.x - padding.x - 40.0f;
        std::vector<Button> buttons;
        for (float y = list->InnerRect.Min.y + 1; y < list->InnerRect.Max.y; y += 2) {
            host.ui.Context()->IO.MousePos = ImVec2(x, y);
            host.Frame();
            const ImGuiID id = host.ui.Context()->HoveredId;
            if (id != 0 && (buttons.empty() || buttons.back().id != id)) buttons.push_back({id, ImVec2(x, y)});
        }
        host.ui.Context()->IO.MousePos = ImVec2(-FLT_MAX, -FLT_MAX);
        return buttons;
    }

    // Presses and releases the mouse over a point, one frame each.
    void ClickAt(ImVec2 point) {
        ImGuiIO& io = host.ui.Context()->IO;
        io.MousePos = point;
        host.Frame();
        io.MouseDown[0] = true;
        host.Frame();
        io.MouseDown[0] = false;
        host.Frame();
        io.MousePos = ImVec2(-FLT_MAX, -FLT_MAX);
    }

    ImGuiID LoadButton(int row) const { return sandbox::UiDriver::ItemId(list, "Load##" + std::to_string(row)); }

    std::vector<std::filesystem::path> Played() {
        host.game->RunQueued();
        return host.game->playedReplays;
    }

    static inline std::unique_ptr<testhost::ReplayProfile> profile;
    testhost::PluginHost host;
    ImGuiWindow* list = nullptr;
    float rowHeight = 0;
    ImVec2 padding;
    ImVec2 spacing;
};

TEST_F(LongReplayList, LoadOnTheFirstRowInViewStartsThatRowsReplay) {
    ScrollToRow(kMiddle);
    const std::vector<Button> buttons = ButtonsInView();
    ASSERT_FALSE(buttons.empty());
    EXPECT_EQ(buttons.front().id, LoadButton(kMiddle));

    ClickAt(buttons.front().point);
    EXPECT_EQ(host.console->lines.back(), "Safe state detected (Menu_MainScreen). Loading replay directly.");
    EXPECT_EQ(host.console->lines[host.console->lines.size() - 2], "Click registered for: " + ReplayName(kMiddle));
    EXPECT_EQ(Played(), std::vector<std::filesystem::path>{profile->Folder() / ReplayName(kMiddle)});
}

TEST_F(LongReplayList, ButtonsInViewCarryTheirIndexInTheWholeList) {
    ScrollToRow(kMiddle);
    const std::vector<Button> buttons = ButtonsInView();
    // Every row that fits in the list shows its button.
    ASSERT_GE(buttons.size(), static_cast<std::size_t>((list->InnerRect.GetHeight() - padding.y) / rowHeight));
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        EXPECT_EQ(buttons[i].id, LoadButton(kMiddle + static_cast<int>(i))) << "button " << i << " in view";
    }
}

TEST_F(LongReplayList, TheCountAndTheScrollRangeCoverTheWholeList) {
    const std::vector<std::string> lines = testhost::ScreenLines(host.FrameText());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "[ Refresh list ] 10000 replays found"), lines.end());
    // One button-high row per replay, as when every row was submitted.
    EXPECT_EQ(list->ContentSize.y, static_cast<float>(kReplays) * rowHeight - spacing.y);

    host.ui.ScrollTo(list, static_cast<float>(kReplays) * rowHeight * 2);
    host.Frame();
    EXPECT_EQ(list->Scroll.y, list->ScrollMax.y);
    const std::vector<Button> buttons = ButtonsInView();
    ASSERT_FALSE(buttons.empty());
    EXPECT_EQ(buttons.back().id, LoadButton(kReplays - 1));
    ClickAt(buttons.back().point);
    EXPECT_EQ(Played(), std::vector<std::filesystem::path>{profile->Folder() / ReplayName(kReplays - 1)})
        << "the oldest replay is the last row";
}

} // namespace
