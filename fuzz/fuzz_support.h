#pragma once

// What every fuzz target needs: a failed invariant that libFuzzer reports as
// a crash with its reason, and a console that keeps the plug-in's lines.

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <pluginsdk/CVarManagerWrapper.h>

namespace fuzzsupport {

inline void Check(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

class Console final : public CVarManagerWrapper {
public:
    void log(std::string text) override { lines.push_back(std::move(text)); }
    void executeCommand(std::string, bool) override {}
    void registerNotifier(std::string, std::function<void(std::vector<std::string>)>, std::string,
                          unsigned char) override {}
    void setBind(std::string, std::string) override {}

    std::vector<std::string> lines;
};

} // namespace fuzzsupport
