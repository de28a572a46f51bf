// Failures that must stay inside the module: contents that throw mid-window,
// a refresh that meets an exception of no standard type, and (Windows) a
// folder the system lists as having no entries at all.
#include <imgui_internal.h>

#include "catalogue_profile.h"
#include "ui_driver.h"
#include "window/PluginWindowBase.h"
#if defined(_WIN32)
#include "platform/platform_win32.h"
#endif

namespace {

namespace platform = tapeloom::platform;
using Lines = std::vector<std::string>;

class FailureContainment : public catalogueprofile::CatalogueProfile {};

TEST_F(FailureContainment, ContentsThatThrowLeaveTheHostsWindowCurrent) {
    struct ThrowingWindow : PluginWindowBase {
        void RenderWindow() override {
            ImGui::BeginChild("rows");
            ImGui::Columns(2);
            ImGui::PushID("row");
            throw 42;
        }
    } window;
    sandbox::UiDriver ui;
    window.AttachUiContext(ui.ContextAddress());
    window.OnWindowOpened();
    ui.Frame([&] {
        ImGuiWindow* host = ImGui::GetCurrentWindow();
        window.RenderFrame();
        EXPECT_EQ(ImGui::GetCurrentWindow(), host) << ImGui::GetCurrentWindow()->Name;
    });
    EXPECT_EQ(console->lines, Lines{"ERROR while drawing the window: unknown error"});
}

TEST_F(FailureContainment, RefreshThatMeetsAnyExceptionLogsIt) {
    MakeFolder("Demos");
    Refresh([](const platform::NativeString&,
               std::optional<platform::Error>&) -> std::unique_ptr<platform::FolderListing> { throw 42; });
    EXPECT_EQ(console->lines, (Lines{"Refreshing replay list...", "ERROR while scanning directory: unknown error",
                                     "Sorting complete. 0 replays found."}));
}

#if defined(_WIN32)
// Wine cannot make an empty FAT root: this FindFirstFileExW answers as one does.
HANDLE WINAPI FindInEmptyRoot(LPCWSTR, FINDEX_INFO_LEVELS, LPVOID, FINDEX_SEARCH_OPS, LPVOID, DWORD) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
}

TEST_F(FailureContainment, FolderWithoutEntriesIsAnEmptyListNotAnError) {
    MakeFolder("Demos");
    Refresh([](const platform::NativeString& folder, std::optional<platform::Error>& error) {
        return platform::OpenFolderListing(folder, error, FindInEmptyRoot);
    });
    EXPECT_EQ(console->lines, (Lines{"Refreshing replay list...", "Sorting complete. 0 replays found."}));
}
#endif

} // namespace
