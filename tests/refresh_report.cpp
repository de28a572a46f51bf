// Refreshes the catalogue once under USERPROFILE and prints the console's
// lines. Tests run it as another user: a folder that user cannot read means
// nothing to root.
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "log/Log.h"
#include "replay_catalogue.h"

namespace {

class PrintingConsole final : public CVarManagerWrapper {
public:
    void log(std::string text) override { std::cout << text << '\n'; }
    void executeCommand(std::string, bool) override {}
    void registerNotifier(std::string, std::function<void(std::vector<std::string>)>, std::string,
                          unsigned char) override {}
    void setBind(std::string, std::string) override {}
};

} // namespace

int main() {
    globalCvarManager = std::make_shared<PrintingConsole>();
    std::vector<ReplayEntry> entries;
    tapeloom::RefreshCatalogue(entries);
    globalCvarManager.reset();
    return 0;
}
