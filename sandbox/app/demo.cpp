#include "app/demo.h"

#include <sstream>
#include <string>

namespace sandbox {

StepsEnd RunHeadlessDemo(Host& host, Transcript& transcript) {
    std::istringstream opening("# The window opens as the host opens it on F8.\n"
                               "command togglemenu Tapeloom\n"
                               "frames 3\n"
                               "# In a match a replay cannot start directly: the plug-in goes through freeplay.\n"
                               "map Stadium_P\n");
    if (StepsEnd end = RunSteps(host, transcript, opening, "demo", true); end.kind != StepsEnd::Kind::Done) return end;
    transcript.Sandbox("click Load 2, or the last row when there are fewer");
    std::string problem = "no row";
    for (int row = 2; row >= 0 && !problem.empty(); --row) problem = ClickLoad(host, row);
    if (!problem.empty()) transcript.Sandbox("nothing clicked: " + problem);
    std::istringstream closing("frames 6\n"
                               "# Open again to show the list beside the console's story.\n"
                               "command togglemenu Tapeloom\n"
                               "frames 3\n");
    return RunSteps(host, transcript, closing, "demo", true);
}

StepsEnd RunWindow(Host& host) {
    while (!host.Front().CloseRequested() && !host.StopSignal()) {
        host.Frame();
        for (const std::string& key : host.Front().TakePressedKeys()) host.Key(key);
    }
    return {};
}

} // namespace sandbox
