#include "script/step_runner.h"

#include <algorithm>
#include <optional>
#include <variant>

#include <imgui.h>
#include <imgui_internal.h>

namespace sandbox {

namespace {

// The plug-in's own names: its list's child window and its rows' buttons.
constexpr const char* kReplayList = "ReplayList";

std::string LoadButton(int row) {
    return "Load##" + std::to_string(row);
}

} // namespace

std::string ClickLoad(Host& host, int row) {
    std::string problem;
    ImGuiWindow* list = host.PluginChild(kReplayList, problem);
    if (!list) return problem;
    if (host.ClickButton(LoadButton(row), kReplayList).empty()) return {};
    // The row may be scrolled out of sight: bring it to the middle of the list and look again.
    const ImGuiStyle& style = host.Ui().Context()->Style;
    float rowHeight = host.Ui().Context()->FontSize + style.FramePadding.y * 2 + style.ItemSpacing.y;
    host.ScrollChild(list, std::max(0.0f, static_cast<float>(row) * rowHeight - list->Size.y / 2));
    if (host.ClickButton(LoadButton(row), kReplayList).empty()) return {};
    return "no row " + std::to_string(row) + " in the replay list";
}

std::string RunStep(Host& host, Transcript& transcript, const Step& step) {
    switch (step.kind) {
    case Step::Kind::Frames:
        for (int i = 0; i < step.number; ++i) host.Frame();
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
        std::string what = "Load " + std::to_string(step.number);
        transcript.Sandbox("click " + what);
        std::string problem = ClickLoad(host, step.number);
        return problem.empty() ? problem : "click " + what + ": " + problem;
    }
    case Step::Kind::Close: {
        transcript.Sandbox("close (the window's close button)");
        std::string problem = host.ClickClose();
        return problem.empty() ? problem : "close: " + problem;
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
    case Step::Kind::Load:
        try {
            host.Reload();
        } catch (const ModuleError& refused) {
            throw ModuleError(std::string("load: ") + refused.what());
        }
        return {};
    }
    return "a step this sandbox cannot carry out";
}

StepsEnd RunSteps(Host& host, Transcript& transcript, std::istream& input, const std::string& name, bool demo) {
    auto failure = [demo](StepsEnd::Kind kind, const ScriptError& error) {
        return StepsEnd{kind, demo ? "the demo stopped: " + error.message : error.Describe()};
    };
    std::string line;
    std::string unreadable;
    for (int number = 1; ReadLine(input, line, unreadable); ++number) {
        StepReading reading = ReadStep(line, number);
        if (auto* error = std::get_if<ScriptError>(&reading)) return failure(StepsEnd::Kind::StepFailed, *error);
        const auto& step = std::get<std::optional<Step>>(reading);
        if (!step) continue;
        try {
            std::string problem = RunStep(host, transcript, *step);
            if (!problem.empty()) return failure(StepsEnd::Kind::StepFailed, {number, problem});
        } catch (const ModuleError& refused) {
            return failure(StepsEnd::Kind::Refused, {number, refused.what()});
        }
    }
    if (!unreadable.empty()) return {StepsEnd::Kind::Unreadable, "cannot read the script " + name + ": " + unreadable};
    return {};
}

} // namespace sandbox
