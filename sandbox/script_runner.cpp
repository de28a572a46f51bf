#include "script_runner.h"

namespace sandbox {

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
        std::string problem = host.ClickLoad(step.number);
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

} // namespace sandbox
