// tapeloom-sandbox: loads a plug-in module the way the host does and drives it,
// in a real window or headless, from a script or as a built-in demo.
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include <imgui.h>
#include <pluginsdk/PluginDescriptor.h>

#include "app/demo_profile.h"
#include "app/interrupt.h"
#include "app/window_run.h"
#include "harness/display_path.h"
#include "harness/plugin_module.h"
#include "harness/process.h"
#include "host/host.h"
#include "script/script_reader.h"
#include "script/step_runner.h"
#include "tapeloom/tapeloom.h"

// The build gives the version as a bare number, which no quoting rule can spoil.
#define SANDBOX_TEXT(x) #x
#define SANDBOX_STRING(x) SANDBOX_TEXT(x)

namespace {

constexpr const char* kUsage = R"(usage: tapeloom-sandbox [--module FILE] [--script FILE | --script -] [--interactive]
                        [--headless] [--watch] [--profile DIR] [--screenshot FILE.png]
                        [--transcript FILE] [-q | -v] [--keep-handle] [--version] [-h]

  --module FILE      the plug-in module to load (default: Tapeloom beside this program)
  --script FILE      run the script's steps, one per line ("-": standard input, with a
                     prompt where it is a terminal), then unload
  --interactive      after the script, the window is yours until you close it; headless,
                     steps follow from standard input with a prompt
  --headless         no window even where a display exists
  --watch            reload the module whenever its file is rebuilt
  --profile DIR      use DIR, an existing folder, as USERPROFILE instead of a generated demo profile
  --screenshot FILE  a picture when the steps end, of one more frame drawn for it (the
                     headless demo's default: tapeloom-demo.png beside this program)
  --transcript FILE  the transcript also written to FILE
  -q, --quiet        print only what went wrong and the verdict
  -v, --verbose      also print frames, queued commands, callables, events, click attempts
                     and the frames clicks draw for themselves
  --keep-handle      at each unload, keep the host's copy of the plug-in's handle
                     through deleteMe and release it just before the library goes
  --version          the sandbox's version, the host interface it offers, Dear ImGui's version
  --opt=value works as well as --opt value.

Without --script the demo runs: a generated profile with a dozen replays, the
Tapeloom window open, in a window where a display exists, else headless with a
short scripted run, a screenshot and the console transcript.

Script steps (blank lines and # comments are skipped; a step whose argument is a
number or a word may end in a # comment; "help" lists them):
  frames N | key NAME | command TEXT | try key NAME | try command TEXT | map NAME |
  freeplay | click LABEL | click Load N | close | panel LABEL | screenshot FILE.png |
  expect TEXT | count N TEXT | see TEXT | not-see TEXT | wait-for TEXT N | unload |
  reload | help

Exit codes, one for each kind of end:
  0    done: the steps ran to their end, or the window was closed
  1    a step failed: a check, a click, or a command or key that nothing took
  2    bad arguments (an unknown option, a missing value, a --profile that is no folder)
  3    the plug-in misbehaved and the host survived it: it threw into the host, a
       command kept issuing commands without end, or its object outlived deleteMe
       (on Windows also a crash)
  4    the module was refused, at the start or at a reload step
  5    the script cannot be run: it cannot be read, or a line is not a step
  6    the transcript could not be written
  7    the sandbox itself failed
  130  interrupted (SIGINT, SIGTERM; on Windows Ctrl-C, Ctrl-Break): the plug-in was unloaded first
)";

enum Exit {
    kDone = 0,
    kStepFailed = 1,
    kBadArguments = 2,
    kPluginFault = 3,
    kRefused = 4,
    kBadScript = 5,
    kTranscriptLost = 6,
    kSandboxFailed = 7,
    kInterrupted = 130,
};

const char* Verdict(int exit) {
    switch (exit) {
    case kDone:
        return "done";
    case kStepFailed:
        return "a step failed";
    case kBadArguments:
        return "bad arguments";
    case kPluginFault:
        return "the plug-in misbehaved";
    case kRefused:
        return "the module was refused";
    case kBadScript:
        return "the script cannot be run";
    case kTranscriptLost:
        return "the transcript could not be written";
    case kInterrupted:
        return "interrupted";
    }
    return "the sandbox failed";
}

struct Options {
    std::filesystem::path module;
    std::optional<std::string> script;
    bool interactive = false;
    bool headless = false;
    bool watch = false;
    std::optional<std::filesystem::path> profile;
    std::optional<std::filesystem::path> screenshot;
    std::optional<std::filesystem::path> transcript;
    sandbox::Transcript::Echo echo = sandbox::Transcript::Echo::Normal;
    bool keepHandle = false;
    bool help = false;
    bool version = false;
};

// Empty when the arguments make sense, else what is wrong with them.
std::string ReadOptions(const std::vector<std::string>& arguments, Options& options) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string argument = arguments[i];
        std::optional<std::string> attached;
        if (std::size_t equals = argument.find('='); argument.starts_with("--") && equals != std::string::npos) {
            attached = argument.substr(equals + 1);
            argument.resize(equals);
        }
        auto flag = [&](bool& set) {
            set = true;
            return attached ? argument + " takes no value" : std::string();
        };
        std::string problem;
        if (argument == "--help" || argument == "-h") {
            problem = flag(options.help);
        } else if (argument == "--version") {
            problem = flag(options.version);
        } else if (argument == "--headless") {
            problem = flag(options.headless);
        } else if (argument == "--keep-handle") {
            problem = flag(options.keepHandle);
        } else if (argument == "--watch") {
            problem = flag(options.watch);
        } else if (argument == "--interactive") {
            problem = flag(options.interactive);
        } else if (argument == "-q" || argument == "--quiet" || argument == "-v" || argument == "--verbose") {
            bool set = false;
            problem = flag(set);
            const bool quiet = argument == "-q" || argument == "--quiet";
            options.echo = quiet ? sandbox::Transcript::Echo::Quiet : sandbox::Transcript::Echo::Verbose;
        } else if (argument == "--module" || argument == "--script" || argument == "--profile" ||
                   argument == "--screenshot" || argument == "--transcript") {
            if (!attached && i + 1 < arguments.size()) attached = arguments[++i];
            // An empty path names nothing; an empty USERPROFILE cannot even exist on Windows.
            if (!attached || attached->empty()) return argument + " needs a value";
            if (argument == "--module") options.module = *attached;
            if (argument == "--script") options.script = *attached;
            if (argument == "--profile") options.profile = *attached;
            if (argument == "--screenshot") options.screenshot = *attached;
            if (argument == "--transcript") options.transcript = *attached;
        } else {
            return "unknown argument " + arguments[i];
        }
        if (!problem.empty()) return problem;
    }
    if (options.interactive && !options.script) return "--interactive needs --script";
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
        return Fail(end.message, kRefused);
    case sandbox::StepsEnd::Kind::NotAStep:
    case sandbox::StepsEnd::Kind::Unreadable:
        return Fail(end.message, kBadScript);
    case sandbox::StepsEnd::Kind::Interrupted:
        return kInterrupted;
    }
    return Fail(end.message, kSandboxFailed);
}

// Empty when the script reads as steps; else why not. The text is kept for the run.
std::string ReadScriptFile(const std::string& name, std::string& text) {
    std::filesystem::path file(name);
    errno = 0;
    std::ifstream input(file, std::ios::binary);
    if (!input) {
        const int code = errno;
        return "cannot read the script " + name + ": " + (code ? std::strerror(code) : "it cannot be opened");
    }
    std::string line;
    std::string unreadable;
    while (sandbox::ReadLine(input, line, unreadable)) text.append(line).push_back('\n');
    if (!unreadable.empty()) return "cannot read the script " + name + ": " + unreadable;
    auto steps = sandbox::ReadScript(text);
    if (auto* problem = std::get_if<sandbox::ScriptError>(&steps)) return problem->Describe();
    return {};
}

// The steps from standard input, with a prompt for a person.
sandbox::StepsEnd RunStandardInput(sandbox::Host& host, sandbox::Transcript& transcript,
                                   const std::atomic<int>& interrupt, bool prompt) {
    auto buffer = sandbox::InterruptibleStandardInput(interrupt);
    std::istream input(buffer.get());
    if (prompt) transcript.Sandbox("steps from standard input; \"help\" lists them, end of input ends the run");
    return sandbox::RunSteps(host, transcript, input, "from standard input", false, prompt ? &std::cout : nullptr);
}

int RunSandbox(const Options& options, const std::atomic<int>& interrupt, sandbox::Transcript& transcript) {
    // Read before anything is loaded: a broken script should not cost a run.
    std::string scriptText;
    if (options.script && *options.script != "-") {
        if (std::string problem = ReadScriptFile(*options.script, scriptText); !problem.empty())
            return Fail(problem, kBadScript);
    }

    std::optional<sandbox::TemporaryFolder> generated;
    std::filesystem::path profile;
    if (options.profile) {
        profile = *options.profile;
        std::error_code error;
        // A mistyped profile would otherwise pass for one without replays.
        if (!std::filesystem::is_directory(profile, error))
            return Fail("--profile " + sandbox::DisplayPath(profile) + " is not a folder", kBadArguments);
    } else {
        generated.emplace();
        profile = generated->Path() / "profile";
        sandbox::WriteDemoProfile(profile);
    }
    if (!sandbox::SetEnvironmentPath("USERPROFILE", profile)) return Fail("cannot set USERPROFILE", kSandboxFailed);

    int exit = kDone;
    {
        // Unloads the plug-in when it goes: always before the profile goes and before main returns.
        sandbox::Host host(transcript, [&] { return MakeFrontEnd(options.headless, transcript); });
        transcript.Sandbox("USERPROFILE=" + sandbox::DisplayPath(profile) + (generated ? " (generated)" : ""));
        host.KeepHandlePastDeleteMe(options.keepHandle);
        host.StopOn(&interrupt);
        host.WatchModule(options.watch);
        try {
            host.Load(options.module);
        } catch (const sandbox::ModuleError& refused) {
            return Fail(refused.what(), kRefused);
        }

        const bool window = host.Front().Describe() == "window";
        std::optional<std::filesystem::path> screenshot = options.screenshot;
        sandbox::StepsEnd end;
        if (options.script && *options.script == "-") {
            end = RunStandardInput(host, transcript, interrupt,
                                   options.interactive || sandbox::StandardInputIsTerminal());
        } else if (options.script) {
            std::istringstream script(scriptText);
            end = sandbox::RunSteps(host, transcript, script, *options.script);
            if (end.kind == sandbox::StepsEnd::Kind::Done && options.interactive) {
                transcript.Sandbox("the script ran to its end; the run is yours");
                end = window ? sandbox::RunWindow(host) : RunStandardInput(host, transcript, interrupt, true);
            }
        } else if (window) {
            sandbox::tapeloom::OpenForPerson(host, transcript);
            end = sandbox::RunWindow(host);
        } else {
            end = sandbox::tapeloom::RunHeadlessDemo(host, transcript);
            if (!screenshot) screenshot = sandbox::ExecutableFolder() / "tapeloom-demo.png";
        }
        if (host.StopSignal()) end = {sandbox::StepsEnd::Kind::Interrupted, {}};

        if (screenshot && end.kind == sandbox::StepsEnd::Kind::Done) {
            sandbox::Screenshot picture = host.WritePicture(*screenshot);
            const std::string name = sandbox::DisplayPath(std::filesystem::absolute(*screenshot));
            if (picture.outcome == sandbox::Screenshot::Outcome::Written)
                transcript.Sandbox((options.script ? "picture: " : "demo picture: ") + name + " (" + picture.detail +
                                   ")");
            else if (picture.outcome == sandbox::Screenshot::Outcome::Unavailable)
                transcript.Sandbox("picture " + name + " not taken: " + picture.detail);
            else
                end = {sandbox::StepsEnd::Kind::StepFailed, "screenshot " + name + ": " + picture.detail};
        }
        if (end.kind == sandbox::StepsEnd::Kind::Interrupted)
            transcript.Notice("interrupted by " + sandbox::InterruptName(host.StopSignal()) +
                              ": unloading the plug-in");
        host.Unload();
        exit = Exit(end);
        if (std::string faults = host.Faults(); exit == kDone && !faults.empty()) exit = Fail(faults, kPluginFault);
    }
    return exit;
}

int Run(const Options& options, const std::atomic<int>& interrupt) {
    std::ofstream transcriptFile;
    if (options.transcript) {
        transcriptFile.open(*options.transcript, std::ios::binary);
        if (!transcriptFile)
            return Fail("cannot write the transcript to " + sandbox::DisplayPath(*options.transcript), kTranscriptLost);
    }
    sandbox::Transcript transcript(&std::cout, options.echo);
    if (options.transcript) transcript.CopyTo(&transcriptFile);
    int exit = RunSandbox(options, interrupt, transcript);
    transcript.Notice(std::string("end: ") + Verdict(exit) + " (exit " + std::to_string(exit) + ")");
    if (transcript.EchoFailed() || (transcriptFile.is_open() && !transcriptFile.flush()))
        return Fail(std::string("the transcript could not be written to ") +
                        (transcript.EchoFailed() ? "standard output" : sandbox::DisplayPath(*options.transcript)),
                    kTranscriptLost);
    return exit;
}

} // namespace

int main(int argc, char** argv) {
    sandbox::ReportCrashes();
    const std::atomic<int>& interrupt = sandbox::CatchInterrupts();
    Options options;
    std::string problem = ReadOptions(std::vector<std::string>(argv + 1, argv + argc), options);
    if (options.help) {
        std::cout << kUsage;
        return kDone;
    }
    if (options.version && problem.empty()) {
        std::cout << "tapeloom-sandbox " << SANDBOX_STRING(TAPELOOM_VERSION) << " (host interface "
                  << Quintra::Plugin::kHostApiVersion << ", Dear ImGui " << IMGUI_VERSION << ")\n";
        return kDone;
    }
    if (!problem.empty()) {
        return Fail(problem + " (--help tells the usage)", kBadArguments);
    }
    try {
        // A path, never a name for the system's library search.
        if (options.module.empty())
            options.module =
                sandbox::ExecutableFolder() / sandbox::ModuleFileName(std::string(sandbox::tapeloom::kModuleName));
        options.module = std::filesystem::absolute(options.module);
        return Run(options, interrupt);
    } catch (const std::exception& error) {
        return Fail(error.what(), kSandboxFailed);
    }
}
