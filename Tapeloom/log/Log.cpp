#include "log/Log.h"

#include <charconv>
#include <mutex>
#include <utility>

namespace {
std::mutex consoleMutex;
}

std::shared_ptr<CVarManagerWrapper> LogConsole() noexcept {
    std::lock_guard lock(consoleMutex);
    return globalCvarManager;
}

void SetLogConsole(std::shared_ptr<CVarManagerWrapper> console) noexcept {
    // The earlier console goes after the lock is let go: its destructor is host code.
    std::shared_ptr<CVarManagerWrapper> previous;
    std::lock_guard lock(consoleMutex);
    previous = std::exchange(globalCvarManager, std::move(console));
}

std::string FormatLogLine(std::string_view message, std::string_view argument) {
    std::string line;
    line.reserve(message.size() + argument.size());
    for (std::size_t i = 0; i < message.size(); ++i) {
        if (message[i] == '%') {
            std::string_view rest = message.substr(i + 1);
            std::size_t conversion = rest.starts_with('s') ? 1 : rest.starts_with("zu") ? 2 : 0;
            if (conversion != 0) {
                line.append(argument);
                line.append(rest.substr(conversion));
                return line;
            }
        }
        line.push_back(message[i]);
    }
    return line;
}

namespace {

void WriteLine(std::string line) noexcept {
    // Our own reference for the call: a console released meanwhile stays alive until the line is written.
    std::shared_ptr<CVarManagerWrapper> console = LogConsole();
    if (!console) return;
    try {
        console->log(std::move(line));
    } catch (...) {
        // A console that fails to take a line must not take the host down with it.
    }
}

} // namespace

void LogFormatted(std::string_view message) noexcept {
    try {
        WriteLine(std::string(message));
    } catch (...) {
    }
}

void LogFormatted(std::string_view message, std::string_view argument) noexcept {
    try {
        WriteLine(FormatLogLine(message, argument));
    } catch (...) {
    }
}

void LogFormatted(std::string_view message, std::size_t count) noexcept {
    char digits[24];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, count);
    (void)ec; // 24 digits hold any size_t
    LogFormatted(message, std::string_view(digits, static_cast<std::size_t>(end - digits)));
}
