#include "script/script_runner.h"

#include "flow/menu_commands.h"
#include "script/script_language.h"

#include <istream>
#include <ostream>

namespace korvalo {

ScriptRunner::ScriptRunner(const ScriptOptions& options, std::ostream& out, Platform* surface,
                           std::function<bool(const std::string&)> snapshot)
    : options_(options), out_(out), snapshot_(std::move(snapshot)), ui_(surface)
{
    // Each line is printed as it happens and not kept: a script of any
    // length runs in the same memory.
    ui_.keepLines = false;
    ui_.onLine = [this](const std::string& line) {
        if (options_.draw || !RecordingPlatform::isDrawingLine(line))
            out_ << line << '\n' << std::flush;
    };
    if (options_.soundLibrary)
        library_ = std::make_unique<RecordingDsLibrary>([this](const std::string& line) { ui_.record(line); },
                                                        options_.soundDevice);
    form_ = std::make_unique<Form1>(ui_, library_.get());
    events_ = std::make_unique<FormEvents>(*form_);
    path_ = std::make_unique<InputPath>(*events_);
    path_->hold(*this);
    ui_.answerBox = [this](Buttons buttons) {
        const Answer answer = path_->answerFor(buttons).value_or(buttons == Buttons::YesNo ? Answer::Yes : Answer::OK);
        path_->answered(answer);
        return answer;
    };
    ui_.onEnd = [this] { path_->end(); };
}

int ScriptRunner::run(std::istream& script, std::ostream& err)
{
    ScriptReader reader(script);
    return run(reader, err);
}

int ScriptRunner::run(ScriptReader& reader, std::ostream& err)
{
    path_->load();
    std::string line;
    while (!ui_.ended) {
        std::string error;
        switch (reader.next(&line)) {
        case ScriptReader::Result::End: return 0;
        case ScriptReader::Result::Line:
            if (execute(line, &error))
                continue;
            error = reader.about(error);
            break;
        // A blocking reader does not give Wait.
        case ScriptReader::Result::Wait: error = reader.about("the script stopped giving lines"); break;
        case ScriptReader::Result::Cut:
        case ScriptReader::Result::TooLong:
        case ScriptReader::Result::Failed: error = reader.problem(); break;
        }
        err << "korvalo-script: " << error << '\n';
        return 2;
    }
    return 0;
}

bool ScriptRunner::execute(const std::string& line, std::string* error)
{
    using Kind = ScriptCommand::Kind;
    ScriptCommand command;
    if (!parseScriptLine(line, &command, error))
        return false;
    switch (command.kind) {
    case Kind::Nothing: break;
    case Kind::Input: path_->give(*this, command.input); break;
    case Kind::Answer:
        if (!path_->queueAnswers(*this, command.answers)) {
            *error = "more than " + std::to_string(InputPath::maxQueuedAnswers) + " answers wait for message boxes";
            return false;
        }
        break;
    case Kind::State: printState(); break;
    case Kind::Snapshot:
        if (!snapshot_ || !snapshot_(command.file)) {
            *error = "cannot save the snapshot: " + quotedLine(line);
            return false;
        }
        break;
    }
    return true;
}

void ScriptRunner::printState()
{
    korvalo::printState(out_, form_->s, ui_);
}

}  // namespace korvalo
