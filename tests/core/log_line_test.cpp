// The console line: one conversion, its argument verbatim. (A console that
// throws is met by every load whose allocation fails, in load_failure_test.)
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "log/Log.h"
#include "test_host/fake_host.h"

namespace {

using Lines = std::vector<std::string>;

TEST(LogLine, TheArgumentReplacesTheOneConversionVerbatim) {
    auto console = std::make_shared<testhost::FakeConsole>();
    globalCvarManager = console;
    LogFormatted("Safe state detected (%s). Loading replay directly.", std::string());
    LogFormatted("Sorting complete. %zu replays found.", std::size_t{18446744073709551615u});
    LogFormatted("Click registered for: %s", std::string_view("100%n%s%zu%%\0.replay", 19));
    EXPECT_EQ(console->lines, (Lines{"Safe state detected (). Loading replay directly.",
                                     "Sorting complete. 18446744073709551615 replays found.",
                                     std::string("Click registered for: 100%n%s%zu%%\0.replay", 41)}));
    // Before onLoad there is no console: the line is dropped, where a write
    // through the empty handle would end this program.
    globalCvarManager.reset();
    LogFormatted("Refreshing replay list...");
}

} // namespace
