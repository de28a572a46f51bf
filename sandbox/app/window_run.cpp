#include "app/window_run.h"

#include <string>

namespace sandbox {

StepsEnd RunWindow(Host& host) {
    while (!host.Front().CloseRequested() && !host.StopSignal()) {
        host.Frame();
        for (const std::string& key : host.Front().TakePressedKeys()) host.Key(key);
    }
    return {};
}

} // namespace sandbox
