// A headless screenshot of the sandbox shows what a person would see: the
// plug-in's window with its rows where the host put it, and nothing there once
// the window is closed. Judged by regions and colours, never pixel by pixel.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>

#include <gtest/gtest.h>
#include <stb_image.h>

#include "plugin_module.h"

namespace {

struct Picture {
    int width = 0;
    int height = 0;
    std::unique_ptr<unsigned char, decltype(&stbi_image_free)> pixels{nullptr, stbi_image_free};

    const unsigned char* At(int x, int y) const {
        return pixels.get() +
               (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 4;
    }
    bool Same(const unsigned char* a, const unsigned char* b) const {
        return a[0] == b[0] && a[1] == b[1] && a[2] == b[2];
    }

    // The share of the rectangle's pixels for which `test` holds.
    template <typename Test> double Share(int x0, int y0, int x1, int y1, Test test) const {
        int hits = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) hits += test(At(x, y)) ? 1 : 0;
        return static_cast<double>(hits) / ((x1 - x0) * (y1 - y0));
    }
};

Picture Load(const std::filesystem::path& file) {
    Picture picture;
    int channels = 0;
    picture.pixels.reset(stbi_load(file.c_str(), &picture.width, &picture.height, &channels, 4));
    return picture;
}

class SandboxPicture : public testing::Test {
protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() /
                 ("tapeloom-picture-test-" + std::to_string(testing::UnitTest::GetInstance()->random_seed()) + "-" +
                  std::to_string(reinterpret_cast<std::uintptr_t>(this)));
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    // Runs the sandbox headless on the script; its exit code.
    int RunSandbox(const std::string& script) {
        std::filesystem::path file = folder / "script.txt";
        std::ofstream(file) << script;
        // Streamed rather than added up: at -O3 GCC 12 takes "..." + string for an
        // overlapping copy (-Wrestrict), a false alarm.
        std::ostringstream command;
        command << '"' << (sandbox::ExecutableFolder() / "tapeloom-sandbox").string() << "\" --headless --script \""
                << file.string() << "\" > \"" << (folder / "transcript.txt").string() << '"';
        return std::system(command.str().c_str());
    }

    std::filesystem::path folder;
};

TEST_F(SandboxPicture, ShowsTheOpenWindowWithItsRowsAndNothingThereOnceClosed) {
    std::filesystem::path open = folder / "open.png";
    std::filesystem::path closed = folder / "closed.png";
    ASSERT_EQ(RunSandbox("key F8\nframes 3\nscreenshot " + open.string() + "\nclose\nframes 2\nscreenshot " +
                         closed.string() + "\n"),
              0);

    Picture shown = Load(open);
    ASSERT_NE(shown.pixels, nullptr) << stbi_failure_reason();
    EXPECT_EQ(shown.width, 1280);
    EXPECT_EQ(shown.height, 720);

    std::set<unsigned> colours;
    for (int y = 0; y < shown.height; y += 3)
        for (int x = 0; x < shown.width; x += 3) {
            const unsigned char* p = shown.At(x, y);
            colours.insert(static_cast<unsigned>(p[0] << 16 | p[1] << 8 | p[2]));
        }
    EXPECT_GT(colours.size(), 20u) << "a picture of text and widgets, not a blank one";

    // The host puts the window at (40, 40), 520 by 460; the margin left of it is background.
    const unsigned char* background = shown.At(10, 10);
    auto isBackground = [&](const unsigned char* p) { return shown.Same(p, background); };
    EXPECT_GT(shown.Share(0, 0, 38, 720, isBackground), 0.99);
    EXPECT_LT(shown.Share(44, 44, 556, 496, isBackground), 0.05) << "the window covers its region";
    // Its rows' Load buttons form a blue column at the list's right edge.
    auto isBlue = [](const unsigned char* p) { return p[2] > p[0] + 60; };
    EXPECT_GT(shown.Share(470, 125, 540, 390, isBlue), 0.4);
    EXPECT_LT(shown.Share(60, 125, 200, 390, isBlue), 0.05) << "the dates beside them are text, not buttons";

    Picture hidden = Load(closed);
    ASSERT_NE(hidden.pixels, nullptr) << stbi_failure_reason();
    auto wasBackground = [&](const unsigned char* p) { return hidden.Same(p, background); };
    EXPECT_GT(hidden.Share(44, 44, 556, 496, wasBackground), 0.99) << "a closed window leaves nothing behind";
}

} // namespace
