#pragma once

#include <istream>
#include <string>

#include "host/host.h"
#include "host/transcript.h"
#include "script/script_reader.h"

namespace sandbox {

// Carries out one step against the host. Empty when it went through; else why
// the run has to stop there. A module refused at a load step throws ModuleError.
std::string RunStep(Host& host, Transcript& transcript, const Step& step);

// How a run of steps ended.
struct StepsEnd {
    enum class Kind { Done, StepFailed, NotAStep, Refused, Unreadable, Interrupted };
    Kind kind = Kind::Done;
    std::string message;
};

// Runs steps as they are read: a script from standard input is carried out
// line by line. A failure reads "script line N: ...", or, for the demo's own
// steps, "the demo stopped: ...": no one wrote those lines. With a prompt
// (a person at a terminal), the prompt is written before each line and a
// failure is told in the console and the run goes on.
StepsEnd RunSteps(Host& host, Transcript& transcript, std::istream& input, const std::string& name, bool demo = false,
                  std::ostream* prompt = nullptr);

} // namespace sandbox
