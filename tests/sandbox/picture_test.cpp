// A headless screenshot of the sandbox shows what a person would see: the
// plug-in's window with its rows where the host put it, and nothing there once
// the window is closed. Judged by regions and colours, never pixel by pixel.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <gtest/gtest.h>
#include <stb_image.h>
#include <unistd.h>

#include "plugin_module.h"

namespace {

using Pixel = const unsigned char*;

struct Picture {
    explicit Picture(const std::filesystem::path& file) {
        int channels = 0;
        pixels.reset(stbi_load(file.c_str(), &width, &height, &channels, 4));
    }
    Pixel At(int x, int y) const { return pixels.get() + (static_cast<std::size_t>(y * width + x)) * 4; }
    // The share of the rectangle's pixels for which `test` holds.
    template <typename Test> double Share(int x0, int y0, int x1, int y1, Test test) const {
        int hits = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) hits += test(At(x, y)) ? 1 : 0;
        return static_cast<double>(hits) / ((x1 - x0) * (y1 - y0));
    }

    int width = 0;
    int height = 0;
    std::unique_ptr<unsigned char, decltype(&stbi_image_free)> pixels{nullptr, stbi_image_free};
};

TEST(SandboxPicture, ShowsTheOpenWindowWithItsRowsAndNothingThereOnceClosed) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("tapeloom-picture-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "script.txt") << "key F8\nframes 3\nscreenshot " << (folder / "open.png").string()
                                         << "\nclose\nframes 2\nscreenshot " << (folder / "closed.png").string();
    const std::string sandbox = (sandbox::ExecutableFolder() / "tapeloom-sandbox").string();
    ASSERT_EQ(
        std::system((sandbox + " --headless --script " + (folder / "script.txt").string() + " >/dev/null").c_str()), 0);
    const Picture shown(folder / "open.png"), hidden(folder / "closed.png");
    std::filesystem::remove_all(folder);
    ASSERT_TRUE(shown.pixels && hidden.pixels) << stbi_failure_reason();
    EXPECT_EQ(shown.width, 1280);
    EXPECT_EQ(shown.height, 720);

    // The host puts the window at (40, 40), 520 by 460; the margin left of it is background.
    Pixel background = shown.At(10, 10);
    auto isBackground = [&](Pixel p) {
        return p[0] == background[0] && p[1] == background[1] && p[2] == background[2];
    };
    EXPECT_GT(shown.Share(0, 0, 38, 720, isBackground), 0.99);
    EXPECT_LT(shown.Share(44, 44, 556, 496, isBackground), 0.05) << "the window covers its region";
    // Its rows' Load buttons form a blue column at the list's right edge.
    auto isBlue = [](Pixel p) { return p[2] > p[0] + 60; };
    EXPECT_GT(shown.Share(470, 125, 540, 390, isBlue), 0.4);
    EXPECT_LT(shown.Share(60, 125, 200, 390, isBlue), 0.05) << "the dates beside them are text, not buttons";
    EXPECT_GT(hidden.Share(44, 44, 556, 496, isBackground), 0.99) << "a closed window leaves nothing behind";
}

} // namespace
