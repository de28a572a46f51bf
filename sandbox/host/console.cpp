#include "host/console.h"

#include <algorithm>
#include <utility>

namespace sandbox {

namespace {

std::pair<std::string, std::string> SplitCommand(const std::string& text) {
    std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    std::size_t end = text.find(' ', first);
    std::string name = text.substr(first, end == std::string::npos ? std::string::npos : end - first);
    std::string argument;
    if (end != std::string::npos) {
        std::size_t from = text.find_first_not_of(' ', end);
        std::size_t to = text.find_last_not_of(' ');
        if (from != std::string::npos) argument = text.substr(from, to - from + 1);
    }
    return {name, argument};
}

std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    std::size_t at = 0;
    while ((at = text.find_first_not_of(' ', at)) != std::string::npos) {
        std::size_t end = text.find(' ', at);
        words.push_back(text.substr(at, end == std::string::npos ? std::string::npos : end - at));
        at = end;
    }
    return words;
}

} // namespace

void Console::Issue(std::string text) {
    QueuedCommand command{std::move(text), std::nullopt};
    auto [name, argument] = SplitCommand(command.text);
    if (name == "togglemenu") {
        if (std::optional<bool> shown = actions_.windowShown(argument)) command.show = !*shown;
    }
    if (frameRunning_) transcript_.Detail("queued until the frame ends: " + command.text);
    commands_.push_back(std::move(command));
    if (!frameRunning_) Drain();
}

void Console::Key(const std::string& name) {
    auto bind = std::find_if(binds_.begin(), binds_.end(), [&](const Bind& b) { return b.key == name; });
    if (bind == binds_.end()) {
        Refuse("key " + name + ": nothing is bound to it");
        return;
    }
    transcript_.Sandbox("key " + name);
    Issue(bind->command);
}

void Console::Drain() {
    // A command issued by one being processed joins the queue behind it.
    if (draining_) return;
    draining_ = true;
    try {
        for (int processed = 0; !commands_.empty(); ++processed) {
            if (processed == kMaxCommandsInARow) {
                transcript_.Notice("a command keeps issuing commands; " + std::to_string(commands_.size()) +
                                   " dropped");
                commands_.clear();
                ++endlessRuns_;
                break;
            }
            QueuedCommand command = std::move(commands_.front());
            commands_.pop_front();
            Dispatch(command);
        }
    } catch (...) {
        // The host itself failed, out of memory: what this run queued goes with it, and the queue stays open.
        commands_.clear();
        draining_ = false;
        throw;
    }
    draining_ = false;
}

void Console::Dispatch(const QueuedCommand& command) {
    transcript_.Sandbox("> " + command.text);
    auto [name, argument] = SplitCommand(command.text);
    if (name == "togglemenu") {
        std::optional<bool> shown = actions_.windowShown(argument);
        if (!shown) {
            Refuse("togglemenu: no window named \"" + argument + "\"");
            return;
        }
        actions_.showWindow(argument, command.show.value_or(!*shown));
        return;
    }
    if (name == "load_freeplay") {
        actions_.loadFreeplay();
        return;
    }
    auto notifier =
        std::find_if(notifiers_.begin(), notifiers_.end(), [&](const Notifier& n) { return n.command == name; });
    if (notifier == notifiers_.end()) {
        Refuse("unknown command: " + name);
        return;
    }
    // A copy: the callback may register or drop notifiers while it runs.
    auto callback = notifier->callback;
    actions_.callPlugin("a console command's callback", [&] { callback(Words(command.text)); });
}

void Console::Refuse(std::string why) {
    transcript_.Notice(why);
    lastRefusal_ = std::move(why);
    ++refusals_;
}

void Console::RegisterNotifier(int owner, std::string command, std::function<void(std::vector<std::string>)> callback) {
    std::erase_if(notifiers_, [&](const Notifier& n) { return n.command == command; });
    notifiers_.push_back({owner, std::move(command), std::move(callback)});
}

void Console::SetBind(int owner, std::string key, std::string command) {
    std::erase_if(binds_, [&](const Bind& b) { return b.key == key; });
    binds_.push_back({owner, std::move(key), std::move(command)});
}

std::vector<std::pair<std::string, std::string>> Console::BindsOf(int owner) const {
    std::vector<std::pair<std::string, std::string>> binds;
    for (const Bind& bind : binds_) {
        if (bind.owner == owner) binds.emplace_back(bind.key, bind.command);
    }
    return binds;
}

void Console::Forget(int owner) {
    auto theirs = [owner](const auto& item) { return item.owner == owner; };
    std::erase_if(notifiers_, theirs);
    std::erase_if(binds_, theirs);
}

} // namespace sandbox
