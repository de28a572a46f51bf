// Log lines with any argument. A file name, a map name or an error's text
// reaches the console verbatim and is never read as a format, whatever "%",
// "%n" or "%s" it holds; a count is its decimal digits; only the message's
// first conversion is replaced. An error's text is the operation, the
// system's message without trailing blanks and the path's own bytes, quoted.
//
// Input: selector byte, count (8 bytes), error code (4 bytes), message length
// (1 byte), message, then the argument to the end.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "log/Log.h"
#include "platform/platform.h"

namespace {

using fuzzsupport::Check;
using fuzzsupport::Console;

// The module's messages that take text, split where the text goes.
struct Message {
    std::string_view before;
    std::string_view after;
};
constexpr Message kTextMessages[] = {
    {"ERROR while scanning directory: ", ""},
    {"Click registered for: ", ""},
    {"Safe state detected (", "). Loading replay directly."},
    {"Unsafe state detected (", "). Starting Freeplay bypass."},
    {"ERROR while starting the replay: ", ""},
};

// The oracle's reading of a message: its first "%s" or "%zu" takes the argument.
std::string Expected(std::string_view message, std::string_view argument) {
    for (std::size_t at = message.find('%'); at != std::string_view::npos; at = message.find('%', at + 1)) {
        const std::string_view rest = message.substr(at + 1);
        const std::size_t length = rest.starts_with('s') ? 1 : rest.starts_with("zu") ? 2 : 0;
        if (length != 0)
            return std::string(message.substr(0, at)) + std::string(argument) + std::string(rest.substr(length));
    }
    return std::string(message);
}

std::uint64_t Little(const std::uint8_t* data, int bytes) {
    std::uint64_t value = 0;
    for (int i = 0; i < bytes; ++i) value |= std::uint64_t{data[i]} << (8 * i);
    return value;
}

std::shared_ptr<Console> console = std::make_shared<Console>();

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 14) return 0;
    const std::uint8_t selector = data[0];
    const std::uint64_t count = Little(data + 1, 8);
    const int code = static_cast<int>(static_cast<std::uint32_t>(Little(data + 9, 4)));
    const std::size_t messageLength = std::min<std::size_t>(data[13], size - 14);
    const std::string_view message(reinterpret_cast<const char*>(data + 14), messageLength);
    const std::string_view argument(reinterpret_cast<const char*>(data + 14 + messageLength),
                                    size - 14 - messageLength);

    globalCvarManager = console;
    console->lines.clear();

    const Message& known = kTextMessages[selector % std::size(kTextMessages)];
    const std::string knownFormat = std::string(known.before) + "%s" + std::string(known.after);
    LogFormatted(knownFormat, argument);
    Check(console->lines.back() == std::string(known.before) + std::string(argument) + std::string(known.after),
          "the argument did not arrive verbatim");

    LogFormatted("Sorting complete. %zu replays found.", static_cast<std::size_t>(count));
    Check(console->lines.back() == "Sorting complete. " + std::to_string(count) + " replays found.",
          "a count is not its decimal digits");

    const std::string line = FormatLogLine(message, argument);
    Check(line == Expected(message, argument), "a message's conversion was not replaced as written");
    LogFormatted(message, argument);
    Check(console->lines.back() == line, "LogFormatted wrote another line than FormatLogLine");
    LogFormatted(message);
    Check(console->lines.back() == message, "a message without argument was changed");
    Check(console->lines.size() == 4, "one call, one line");

    // An error's text, with the argument as its path.
    constexpr std::string_view kOperations[] = {"directory_iterator::directory_iterator",
                                                "directory_iterator::operator++", "directory_entry::last_write_time",
                                                "exists"};
    const std::string operation(kOperations[(selector >> 3) % std::size(kOperations)]);
    const bool withPath = (selector & 4) != 0;
    tapeloom::platform::Error error{operation, code, std::nullopt};
    if (withPath) error.path = tapeloom::platform::NativeString(argument);
    const std::string text = error.Text();
    const std::string tail = withPath ? ": \"" + std::string(argument) + "\"" : "";
    Check(text.starts_with(operation + ": ") && text.size() > operation.size() + 2 + tail.size() &&
              text.ends_with(tail),
          "an error's text is not operation, message, quoted path");
    const std::string_view systemMessage =
        std::string_view(text).substr(operation.size() + 2, text.size() - operation.size() - 2 - tail.size());
    Check(!systemMessage.empty() && std::string_view(" \t\r\n").find(systemMessage.back()) == std::string_view::npos,
          "the system's message is empty or ends in a blank");

    // Before onLoad there is no console: the line is dropped, nothing else happens.
    globalCvarManager.reset();
    LogFormatted(message, argument);
    Check(console->lines.size() == 4, "a line reached a console that was let go");
    return 0;
}
