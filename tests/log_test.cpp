// Log lines: one argument replaces the message's conversion, verbatim.
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "host/fake_host.h"
#include "log/Log.h"

namespace {

class LogLines : public testing::Test {
protected:
    void SetUp() override { globalCvarManager = console; }
    void TearDown() override { globalCvarManager.reset(); }

    std::shared_ptr<testhost::FakeConsole> console = std::make_shared<testhost::FakeConsole>();
};

TEST_F(LogLines, ArgumentsReplaceTheConversionUnchanged) {
    LogFormatted("Safe state detected (%s). Loading replay directly.", std::string());
    LogFormatted("Sorting complete. %zu replays found.", std::size_t{0});
    LogFormatted("Sorting complete. %zu replays found.", std::size_t{18446744073709551615u});
    LogFormatted("Click registered for: %s", "100%n%s%zu%%.replay");
    LogFormatted("Refreshing replay list...");

    EXPECT_EQ(console->lines, (std::vector<std::string>{
                                  "Safe state detected (). Loading replay directly.",
                                  "Sorting complete. 0 replays found.",
                                  "Sorting complete. 18446744073709551615 replays found.",
                                  "Click registered for: 100%n%s%zu%%.replay",
                                  "Refreshing replay list...",
                              }));
}

TEST_F(LogLines, ArgumentWithEmbeddedNulIsWrittenWhole) {
    LogFormatted("Click registered for: %s", std::string_view("a\0b", 3));
    ASSERT_EQ(console->lines.size(), 1u);
    EXPECT_EQ(console->lines[0], std::string("Click registered for: a\0b", 25));
}

TEST(LogWithoutConsole, LinesBeforeOnLoadAreDropped) {
    globalCvarManager.reset();
    LogFormatted("Refreshing replay list...");
    LogFormatted("Click registered for: %s", "x");
    LogFormatted("Sorting complete. %zu replays found.", std::size_t{3});
    SUCCEED();
}

class ThrowingConsole : public testhost::FakeConsole {
public:
    void log(std::string) override { throw std::runtime_error("console full"); }
};

TEST(LogWithFailingConsole, AFailingConsoleDoesNotThrowIntoTheCaller) {
    globalCvarManager = std::make_shared<ThrowingConsole>();
    EXPECT_NO_THROW(LogFormatted("Click registered for: %s", "x"));
    globalCvarManager.reset();
}

} // namespace
