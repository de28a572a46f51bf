#pragma once

#include <functional>
#include <string>
#include <vector>

// The host console. The host implements it.
class CVarManagerWrapper {
public:
    virtual ~CVarManagerWrapper() = default;

    virtual void log(std::string text) = 0;
    virtual void executeCommand(std::string command, bool log = true) = 0;
    virtual void registerNotifier(std::string command, std::function<void(std::vector<std::string>)> callback,
                                  std::string description, unsigned char permissions) = 0;
    virtual void setBind(std::string key, std::string command) = 0;
};
