// tapeloom-sandbox: loads a plug-in module the way the host does and drives it,
// in a real window or headless, from a script or as a built-in demo.
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include "app/demo.h"
#include "app/demo_profile.h"
#include "harness/display_path.h"
#include "harness/plugin_module.h"
#include "harness/process.h"
#include "host/host.h"
#include "script/script_reader.h"
#include "script/step_runner.h"

namespace {

constexpr const char* kUsage = R"(usage: tapeloom-sandbox [--module FILE] [--script FILE | --script -] [--headless]
                        [--profile DIR] [--screenshot FILE.png] [--keep-handle]

  --module FILE      the plug-in module to load (default: Tapeloom beside this program)
  --script FILE      run the script's steps, one per line ("-": standard input), then unload
  --headless         no window even where a display exists
  --profile DIR      use DIR as USERPROFILE instead of a generated demo profile
  --screenshot FILE  where the headless demo writes its picture
  --keep-handle      at each unload, keep the host's copy of the plug-in's handle
                     through deleteMe and release it just before the library goes

Without --script the demo runs: a generated profile with a dozen replays, the
Tapeloom window open, in a window where a display exists, else headless with a
short scripted run, a screenshot and the console transcript.

Script steps: frames N | key NAME | command TEXT | map NAME | freeplay |
  click LABEL | click Load N | close | screenshot FILE.png | expect TEXT |
  count N TEXT | unload | load  (blank lines and # comments are skipped)

Exit codes: 0 done; 1 a step failed, the transcript could not be written or
the sandbox itself failed; 2 bad arguments, a script that cannot be read or a
refused module (at the start or at a load step); 3 the plug-in threw into the host.
)";

enum Exit { kDone = 0, kStepFailed = 1, kRefused = 2, kPluginFault = 3 };

struct Options {
    std::filesystem::path module;
    std::optional<std::string> script;
    bool headless = false;
    std::optional<std::filesystem::path> profile;
    std::filesystem::path screenshot;
    bool keepHandle = false;
};

// Empty when the arguments make sense, else what is wrong with them.
std::string ReadOptions(const std::vector<std::string>& arguments, Options& options, bool& help) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= arguments.size()) return std::nullopt;
            return arguments[++i];
        };
        if (argument == "--help" || argument == "-h") {
            help = true;
        } else if (argument == "--headless") {
            options.headless = true;
        } else if (argument == "--keep-handle") {
            options.keepHandle = true;
        } else if (argument == "--module" || argument == "--script" || argument == "--profile" ||
                   argument == "--screenshot") {
            std::optional<std::string> given = value();
            // An empty path names nothing; an empty USERPROFILE cannot even exist on Windows.
            if (!given || given->empty()) return argument + " needs a value";
            if (argument == "--module") options.module = *given;
            if (argument == "--script") options.script = *given;
            if (argument == "--profile") options.profile = *given;
            if (argument == "--screenshot") options.screenshot = *given;
        } else {
            return "unknown argument " + argument;
        }
    }
    return {};
}

std::unique_ptr<sandbox::FrontEnd> MakeFrontEnd(bool headless, sandbox::Transcript& transcript) {
    std::string why;
    if (!headless) {
        if (auto window = sandbox::MakeWindowFrontEnd(ImVec2(1280, 720), why)) return window;
        transcript.Sandbox("no window: " + why + "; running headless");
    }
    auto frontEnd = sandbox::MakeHeadlessFrontEnd(ImVec2(1280, 720), why);
    if (!why.empty()) transcript.Sandbox("no pictures: " + why);
    return frontEnd;
}

int Fail(const std::string& message, int code) {
    std::cout.flush();
    std::cerr << "tapeloom-sandbox: " << message << std::endl;
    return code;
}

// The exit code of a run of steps, its failure told on standard error.
int Exit(const sandbox::StepsEnd& end) {
    switch (end.kind) {
    case sandbox::StepsEnd::Kind::Done:
        return kDone;
    case sandbox::StepsEnd::Kind::StepFailed:
        return Fail(end.message, kStepFailed);
    case sandbox::StepsEnd::Kind::Refused:
    case sandbox::StepsEnd::Kind::Unreadable:
        return Fail(end.message, kRefused);
    }
    return Fail(end.message, kStepFailed);
}

int Run(const Options& options) {
    sandbox::Transcript transcript(&std::cout);

    // Read before anything is loaded: a broken script should not cost a run.
    std::string scriptText;
    if (options.script && *options.script != "-") {
        std::ifstream file(std::filesystem::path(*options.script), std::ios::binary);
        if (!file) return Fail("cannot read the script " + *options.script, kRefused);
        std::string line;
        std::string unreadable;
        while (sandbox::ReadLine(file, line, unreadable)) scriptText.append(line).push_back('\n');
        if (!unreadable.empty()) return Fail("cannot read the script " + *options.script + ": " + unreadable, kRefused);
        auto steps = sandbox::ReadScript(scriptText);
        if (auto* error = std::get_if<sandbox::ScriptError>(&steps)) return Fail(error->Describe(), kStepFailed);
    }

    std::optional<sandbox::TemporaryFolder> generated;
    std::filesystem::path profile;
    if (options.profile) {
        profile = *options.profile;
    } else {
        generated.emplace();
        profile = generated->Path() / "profile";
        sandbox::WriteDemoProfile(profile);
    }
    if (!sandbox::SetEnvironmentPath("USERPROFILE", profile)) return Fail("cannot set USERPROFILE", kRefused);

    int exit = kDone;
    {
        // Unloads the plug-in when it goes: always before the profile goes and before main returns.
        sandbox::Host host(transcript, [&] { return MakeFrontEnd(options.headless, transcript); });
        transcript.Sandbox("USERPROFILE=" + sandbox::DisplayPath(profile) + (generated ? " (generated)" : ""));
        host.KeepHandlePastDeleteMe(options.keepHandle);
        try {
            host.Load(options.module);
        } catch (const sandbox::ModuleError& refused) {
            return Fail(refused.what(), kRefused);
        }

        if (options.script && *options.script == "-") {
            exit = Exit(sandbox::RunSteps(host, transcript, std::cin, "from standard input"));
        } else if (options.script) {
            std::istringstream script(scriptText);
            exit = Exit(sandbox::RunSteps(host, transcript, script, *options.script));
        } else if (host.Front().Describe() == "window") {
            exit = Exit(sandbox::RunWindowedDemo(host, transcript));
        } else {
            exit = Exit(sandbox::RunHeadlessDemo(host, transcript, options.screenshot));
            if (exit == kDone && std::filesystem::exists(options.screenshot))
                transcript.Sandbox("demo picture: " +
                                   sandbox::DisplayPath(std::filesystem::absolute(options.screenshot)));
        }
        host.Unload();
        if (exit == kDone && host.Faults() > 0)
            exit = Fail("the plug-in threw into the host " + std::to_string(host.Faults()) + " time(s)", kPluginFault);
    }
    if (exit == kDone && transcript.EchoFailed())
        exit = Fail("the transcript could not be written to standard output", kStepFailed);
    return exit;
}

} // namespace

int main(int argc, char** argv) {
    sandbox::ReportCrashes();
    // Standard input then reports a failed read as one, instead of as its end.
    std::ios::sync_with_stdio(false);
    Options options;
    bool help = false;
    std::string problem = ReadOptions(std::vector<std::string>(argv + 1, argv + argc), options, help);
    if (help) {
        std::cout << kUsage;
        return kDone;
    }
    if (!problem.empty()) {
        return Fail(problem + " (--help tells the usage)", kRefused);
    }
    try {
        // A path, never a name for the system's library search.
        if (options.module.empty()) options.module = sandbox::ExecutableFolder() / sandbox::ModuleFileName("Tapeloom");
        options.module = std::filesystem::absolute(options.module);
        if (options.screenshot.empty()) options.screenshot = sandbox::ExecutableFolder() / "tapeloom-demo.png";
        return Run(options);
    } catch (const std::exception& error) {
        return Fail(error.what(), kStepFailed);
    }
}
