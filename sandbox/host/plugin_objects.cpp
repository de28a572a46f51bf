#include "host/plugin_objects.h"

#include <utility>

#include "host/host.h"

namespace sandbox {

// The per-plug-in objects: each call is handed to the host while attached.

void PluginConsole::log(std::string text) {
    if (host_) host_->Log(std::move(text));
}

void PluginConsole::executeCommand(std::string command, bool) {
    if (host_) host_->Commands().Issue(std::move(command));
}

void PluginConsole::registerNotifier(std::string command, std::function<void(std::vector<std::string>)> callback,
                                     std::string, unsigned char) {
    if (host_) host_->Commands().RegisterNotifier(owner_, std::move(command), std::move(callback));
}

void PluginConsole::setBind(std::string key, std::string command) {
    if (host_) host_->Commands().SetBind(owner_, std::move(key), std::move(command));
}

void PluginGame::PlayReplay(const std::filesystem::path& replayPath) {
    if (host_) host_->PlayReplay(replayPath);
}

std::string PluginGame::GetCurrentMap() {
    return host_ ? host_->CurrentMap() : std::string();
}

bool PluginGame::IsInFreeplay() {
    return host_ && host_->InFreeplay();
}

void PluginGame::Execute(std::function<void(GameWrapper*)> callback) {
    if (host_) host_->QueueCallable(owner_, std::move(callback), this);
}

void PluginGame::HookEvent(std::string eventName, std::function<void(std::string eventName)> callback) {
    if (host_) host_->HookEvent(owner_, std::move(eventName), std::move(callback));
}

void PluginGame::UnhookEvent(std::string eventName) {
    if (host_) host_->UnhookEvent(owner_, eventName);
}

} // namespace sandbox
