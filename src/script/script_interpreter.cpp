#include "script/script_interpreter.h"

#include "flow/form1.h"

namespace korvalo {

ScriptInterpreter::ScriptInterpreter(ScriptReader& reader, InputPath& path, InputSource& source, Form1& form,
                                     ScriptListener& listener, std::ostream& out)
    : reader_(reader), path_(path), source_(source), form_(form), listener_(listener), out_(out)
{
}

ScriptInterpreter::Step ScriptInterpreter::readAhead()
{
    using Result = ScriptReader::Result;
    if (stop_ != Stop::None)
        return Step::Stopped;
    std::string line;
    // Once the program has ended, nothing more of the script is read.
    while (!path_.ended()) {
        switch (reader_.next(&line)) {
        case Result::Line: break;
        case Result::Wait: return Step::Wait;
        case Result::End: return Step::End;
        case Result::Cut: return stopAt(Stop::Cut, reader_.problem());
        case Result::TooLong: return stopAt(Stop::TooLong, reader_.problem());
        case Result::Failed: return stopAt(Stop::Failed, reader_.problem());
        }
        ScriptCommand command;
        std::string error;
        if (!parseScriptLine(line, &command, &error))
            return stopAt(Stop::Unreadable, reader_.about(error));
        if (command.kind == ScriptCommand::Kind::Input) {
            next_ = command.input;
            return Step::Input;
        }
        if (!execute(line, command))
            return Step::Stopped;
    }
    return Step::End;
}

bool ScriptInterpreter::give()
{
    if (!next_)
        return true;
    const Input input = *next_;
    next_.reset();
    if (std::string error; !listener_.awaitTurn(input, &error)) {
        stopAt(Stop::NotWaited, reader_.about(error));
        return false;
    }
    path_.give(source_, input);
    listener_.inputGiven(input);
    return true;
}

bool ScriptInterpreter::execute(const std::string& line, const ScriptCommand& command)
{
    using Kind = ScriptCommand::Kind;
    std::string error;
    switch (command.kind) {
    case Kind::Nothing:
    case Kind::Input: break;
    case Kind::WaitPlayers:
    case Kind::WaitEnd:
        if (!(command.kind == Kind::WaitPlayers ? listener_.waitForPlayers(command.players, &error)
                                                : listener_.waitForTheEnd(&error))) {
            stopAt(Stop::NotWaited, reader_.about(error));
            return false;
        }
        break;
    case Kind::Answer:
        if (!path_.queueAnswers(source_, command.answers)) {
            stopAt(Stop::TooManyAnswers, reader_.about("more than " + std::to_string(InputPath::maxQueuedAnswers) +
                                                       " answers wait for message boxes"));
            return false;
        }
        break;
    case Kind::Computer: form_.computer().carry(command.column, command.row); break;
    case Kind::Strength:
        form_.computer().setLevel(command.level);
        break;
    case Kind::State: printState(out_, form_.state(), form_.ui()); break;
    case Kind::Snapshot:
        if (!listener_.snapshot(command.file, &error)) {
            stopAt(Stop::Refused, reader_.about(error + ": " + quotedLine(line)));
            return false;
        }
        break;
    }
    return true;
}

ScriptInterpreter::Step ScriptInterpreter::stopAt(Stop why, const std::string& problem)
{
    stop_ = why;
    problem_ = problem;
    return Step::Stopped;
}

}  // namespace korvalo
