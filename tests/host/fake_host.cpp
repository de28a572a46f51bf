#include "host/fake_host.h"

namespace testhost {

FakeConsole::~FakeConsole() {
    if (destructionLog) destructionLog->push_back("console");
}

void FakeConsole::log(std::string text) {
    lines.push_back(std::move(text));
}

void FakeConsole::executeCommand(std::string command, bool log) {
    if (journal) journal->push_back("executeCommand " + command);
    commands.emplace_back(std::move(command), log);
}

void FakeConsole::registerNotifier(std::string command, std::function<void(std::vector<std::string>)> callback,
                                   std::string description, unsigned char permissions) {
    notifiers.push_back({std::move(command), std::move(callback), std::move(description), permissions});
}

void FakeConsole::setBind(std::string key, std::string command) {
    binds.emplace_back(std::move(key), std::move(command));
}

bool FakeConsole::RunNotifier(const std::string& command, std::vector<std::string> arguments) {
    for (Notifier& notifier : notifiers) {
        if (notifier.command == command) {
            notifier.callback(std::move(arguments));
            return true;
        }
    }
    return false;
}

FakeGame::~FakeGame() {
    if (destructionLog) destructionLog->push_back("game");
}

void FakeGame::PlayReplay(const std::filesystem::path& replayPath) {
    if (journal) journal->push_back("PlayReplay");
    playedReplays.push_back(replayPath);
}

std::string FakeGame::GetCurrentMap() {
    return currentMap;
}

bool FakeGame::IsInFreeplay() {
    return inFreeplay;
}

void FakeGame::Execute(std::function<void(GameWrapper*)> callback) {
    queued.push_back(std::move(callback));
}

void FakeGame::HookEvent(std::string eventName, std::function<void(std::string eventName)> callback) {
    hooks[std::move(eventName)] = std::move(callback);
}

void FakeGame::UnhookEvent(std::string eventName) {
    hooks.erase(eventName);
    unhooked.push_back(std::move(eventName));
}

std::size_t FakeGame::RunQueued() {
    std::vector<std::function<void(GameWrapper*)>> batch = std::move(queued);
    queued.clear();
    for (auto& callback : batch) callback(this);
    return batch.size();
}

bool FakeGame::FireEvent(const std::string& eventName) {
    auto hook = hooks.find(eventName);
    if (hook == hooks.end()) return false;
    hook->second(eventName);
    return true;
}

} // namespace testhost
