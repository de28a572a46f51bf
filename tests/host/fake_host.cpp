#include "host/fake_host.h"

namespace testhost {

void FakeConsole::executeCommand(std::string command, bool log) {
    allLogged = allLogged && log;
    journal->push_back("command " + command);
}

void FakeConsole::registerNotifier(std::string command, std::function<void(std::vector<std::string>)> callback,
                                   std::string description, unsigned char permissions) {
    notifiers.push_back({std::move(command), std::move(callback), std::move(description), permissions});
}

void FakeGame::PlayReplay(const std::filesystem::path& replayPath) {
    std::string name = "?";
    try {
        const std::u8string text = replayPath.filename().u8string();
        name.assign(text.begin(), text.end());
    } catch (...) {
        // A name with a lone surrogate has no UTF-8 form; the path itself is kept whole below.
    }
    journal->push_back("PlayReplay " + name);
    played.push_back(replayPath);
}

void FakeGame::HookEvent(std::string eventName, std::function<void(std::string eventName)> callback) {
    hooks[std::move(eventName)] = std::move(callback);
}

void FakeGame::UnhookEvent(std::string eventName) {
    hooks.erase(eventName);
    unhooked.push_back(std::move(eventName));
}

std::size_t FakeGame::RunQueued() {
    std::vector<std::function<void(GameWrapper*)>> batch = std::exchange(queued, {});
    for (auto& callback : batch) callback(this);
    return batch.size();
}

bool FakeGame::Tick() {
    auto hook = hooks.find(kGameTimeEvent);
    if (hook == hooks.end()) return false;
    hook->second(kGameTimeEvent);
    return true;
}

} // namespace testhost
