#include "script/step_runner.h"

#include <algorithm>
#include <optional>
#include <variant>

#include "harness/screen_text.h"
#include "tapeloom/tapeloom.h"

namespace sandbox {

namespace {

bool ConsoleShows(const Transcript& transcript, const std::string& text) {
    const auto& lines = transcript.Lines();
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& line) { return line.find(text) != line.npos; });
}

// Which host frame a check read: the screen shows it until the next.
std::string InFrame(const Host::Screen& screen) {
    return " (frame " + std::to_string(screen.frame) + ", the last host frame)";
}

// Empty when the window shows the text (or, with `orConsole`, a console line holds it).
std::string Sees(const Host& host, const Transcript& transcript, const std::string& text, bool orConsole) {
    if (orConsole && ConsoleShows(transcript, text)) return {};
    // The last host frame's text: a check that drew a frame of its own would change what it checks.
    const Host::Screen& screen = host.LastScreen();
    if (screen.windowDrawn && ScreenHolds(screen.text, text)) return {};
    if (!host.HasWindow()) return "there is no plug-in window";
    if (screen.windowDrawn) return "the plug-in's window shows no text holding \"" + text + "\"" + InFrame(screen);
    if (host.WindowShown())
        return "the plug-in's window was shown after the last host frame, which did not draw it "
               "(frames 1 draws it)";
    return "the plug-in's window is hidden";
}

// Whether a button of this label is on screen, its label a row of text or words of one.
bool LabelOnScreen(const Host& host, const std::string& label) {
    const std::string& text = host.LastScreen().text;
    for (std::size_t at = text.find(label); at != std::string::npos; at = text.find(label, at + 1)) {
        const std::size_t end = at + label.size();
        if ((at == 0 || text[at - 1] == ' ' || text[at - 1] == '\n') &&
            (end == text.size() || text[end] == ' ' || text[end] == '\n'))
            return true;
    }
    return false;
}

} // namespace

std::string RunStep(Host& host, Transcript& transcript, const Step& step) {
    switch (step.kind) {
    case Step::Kind::Frames:
        for (int i = 0; i < step.number && !host.StopSignal(); ++i) host.Frame();
        return {};
    case Step::Kind::Key:
        host.Key(step.text);
        return {};
    case Step::Kind::Command:
        host.Command(step.text);
        return {};
    case Step::Kind::Map:
        host.Game().GoToMap(step.text);
        return {};
    case Step::Kind::Freeplay:
        host.Game().EnterFreeplay();
        return {};
    case Step::Kind::Click: {
        transcript.Sandbox("click " + step.text);
        std::string problem = host.ClickButton(step.text);
        return problem.empty() ? problem : "click " + step.text + ": " + problem;
    }
    case Step::Kind::ClickLoad: {
        // Tapeloom's row shorthand, never in place of a button that shows this label.
        std::string label = "Load " + std::to_string(step.number);
        transcript.Sandbox("click " + label);
        std::string problem = !LabelOnScreen(host, label) && tapeloom::Loaded(host)
                                  ? tapeloom::ClickRow(host, step.number)
                                  : host.ClickButton(label);
        return problem.empty() ? problem : "click " + label + ": " + problem;
    }
    case Step::Kind::Close: {
        transcript.Sandbox("close (the window's close button)");
        std::string problem = host.ClickClose();
        return problem.empty() ? problem : "close: " + problem;
    }
    case Step::Kind::Panel: {
        transcript.Sandbox("panel " + step.text);
        std::string problem = host.ClickPanel(step.text);
        return problem.empty() ? problem : "panel " + step.text + ": " + problem;
    }
    case Step::Kind::See:
        return Sees(host, transcript, step.text, false);
    case Step::Kind::NotSee: {
        const Host::Screen& screen = host.LastScreen();
        if (!screen.windowDrawn || !ScreenHolds(screen.text, step.text)) return {};
        return "the plug-in's window shows \"" + step.text + "\"" + InFrame(screen) +
               (host.WindowShown() ? "" : "; it has been hidden since (frames 1 draws the screen again)");
    }
    case Step::Kind::WaitFor:
        for (int frame = 0;; ++frame) {
            std::string problem = Sees(host, transcript, step.text, true);
            if (problem.empty()) return {};
            if (frame == step.number || host.StopSignal()) {
                return "\"" + step.text + "\" did not show in " + std::to_string(step.number) + " frames: " + problem;
            }
            host.Frame();
        }
    case Step::Kind::Help: {
        std::string steps = "steps:";
        for (const StepUsage& usage : StepUsages()) steps.append(" | ", steps == "steps:" ? 1 : 3).append(usage.usage);
        transcript.Sandbox(steps);
        return {};
    }
    case Step::Kind::Screenshot: {
        Screenshot picture = host.WritePicture(step.text);
        switch (picture.outcome) {
        case Screenshot::Outcome::Written:
            transcript.Sandbox("screenshot " + step.text + " (" + picture.detail + ")");
            return {};
        case Screenshot::Outcome::Unavailable:
            // Not a failure: the same script runs where pictures can be had and where they cannot.
            transcript.Sandbox("screenshot " + step.text + " not taken: " + picture.detail);
            return {};
        case Screenshot::Outcome::Failed:
            return "screenshot " + step.text + ": " + picture.detail;
        }
        return {};
    }
    case Step::Kind::Expect:
        if (transcript.Count(step.text) > 0) return {};
        return "no console line so far is \"" + step.text + "\"";
    case Step::Kind::Count: {
        std::size_t found = transcript.Count(step.text);
        if (found == static_cast<std::size_t>(step.number)) return {};
        return "expected " + std::to_string(step.number) + " console lines \"" + step.text + "\", found " +
               std::to_string(found);
    }
    case Step::Kind::Unload:
        if (!host.Loaded()) {
            transcript.Sandbox("nothing to unload");
            return {};
        }
        host.Unload();
        return {};
    case Step::Kind::Reload:
        try {
            host.Reload();
        } catch (const ModuleError& refused) {
            throw ModuleError(std::string("reload: ") + refused.what());
        }
        return {};
    }
    return "a step this sandbox cannot carry out";
}

StepsEnd RunSteps(Host& host, Transcript& transcript, std::istream& input, const std::string& name, bool demo,
                  std::ostream* prompt) {
    auto failure = [demo](StepsEnd::Kind kind, const ScriptError& error) {
        return StepsEnd{kind, demo ? "the demo stopped: " + error.message : error.Describe()};
    };
    std::string line;
    std::string unreadable;
    for (int number = 1; !host.StopSignal(); ++number) {
        if (prompt) *prompt << "sandbox> " << std::flush;
        if (!ReadLine(input, line, unreadable)) break;
        StepsEnd end;
        StepReading reading = ReadStep(line, number);
        if (auto* error = std::get_if<ScriptError>(&reading)) {
            end = failure(StepsEnd::Kind::NotAStep, *error);
        } else if (const auto& step = std::get<std::optional<Step>>(reading)) {
            const int refusals = host.Commands().Refusals();
            try {
                std::string problem = RunStep(host, transcript, *step);
                host.TellOwnFrames((demo ? "the demo's line " : "script line ") + std::to_string(number));
                if (problem.empty() && !step->mayBeRefused && host.Commands().Refusals() != refusals)
                    problem = host.Commands().LastRefusal();
                if (!problem.empty()) end = failure(StepsEnd::Kind::StepFailed, {number, problem});
            } catch (const ModuleError& refused) {
                end = failure(StepsEnd::Kind::Refused, {number, refused.what()});
            }
        }
        if (end.kind == StepsEnd::Kind::Done) continue;
        if (!prompt) return end;
        transcript.Notice(end.message);
    }
    if (host.StopSignal()) return {StepsEnd::Kind::Interrupted, {}};
    if (!unreadable.empty()) return {StepsEnd::Kind::Unreadable, "cannot read the script " + name + ": " + unreadable};
    return {};
}

} // namespace sandbox
