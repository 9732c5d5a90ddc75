#pragma once
// The one interpreter of game scripts, for korvalo-script running a script
// and for the window replaying one: it reads the lines, carries out those
// that are not the game's input (answers, carried squares, the strength, the
// state) and gives each input to the game through the input path, as the
// source it reads for. What the two programs do differently (where pictures
// go, whether a network game is waited for) each tells through a
// ScriptListener; how fast the inputs go in is the caller's, which asks for
// the lines up to the next input and gives it when it likes.
#include <iosfwd>
#include <optional>
#include <string>

#include "input/input.h"
#include "input/input_path.h"
#include "input/input_source.h"
#include "script/script_language.h"
#include "script/script_reader.h"

namespace korvalo {

class Form1;

class ScriptListener {
public:
    virtual ~ScriptListener() = default;
    // A snapshot line: saves a picture of the drawing into file; false with
    // what stops it (the line is quoted after it) when it cannot.
    virtual bool snapshot(const std::string& file, std::string* refusal) = 0;
    // The wait lines of a network game; false with the reason when what was
    // waited for did not come. Without a network game they need nothing.
    virtual bool waitForPlayers(int /*players*/, std::string* /*error*/) { return true; }
    virtual bool waitForTheEnd(std::string* /*error*/) { return true; }
    // Before and after an input goes into the path: a window of a network
    // game waits for its turn, and for its move to be answered. False, with
    // the reason, when the turn never came.
    virtual bool awaitTurn(const Input& /*input*/, std::string* /*error*/) { return true; }
    virtual void inputGiven(const Input& /*input*/) {}
};

class ScriptInterpreter {
public:
    enum class Step {
        Input,    // an input is read and waits for give()
        Wait,     // the script has no line yet: ask again once reader().descriptor() is readable
        End,      // the end of the script, or the program has ended
        Stopped,  // a line that cannot be carried out: problem() and stop() say why
    };
    // Why the script stopped at a line, for the words a window shows.
    enum class Stop { None, Cut, TooLong, Failed, Unreadable, TooManyAnswers, Refused, NotWaited };

    // Everything given must outlive the interpreter. The state line prints
    // to out.
    ScriptInterpreter(ScriptReader& reader, InputPath& path, InputSource& source, Form1& form,
                      ScriptListener& listener, std::ostream& out);

    // Carries out the lines up to the next input, which it keeps for give().
    Step readAhead();
    // Gives the input read ahead to the game; false when its turn never
    // came (problem() says so).
    bool give();

    ScriptReader& reader() { return reader_; }
    // What stopped the script, "line N: what" in English; empty otherwise.
    const std::string& problem() const { return problem_; }
    Stop stop() const { return stop_; }

private:
    // Carries out one line that is not an input; false once it stopped.
    bool execute(const std::string& line, const ScriptCommand& command);
    Step stopAt(Stop why, const std::string& problem);

    ScriptReader& reader_;
    InputPath& path_;
    InputSource& source_;
    Form1& form_;
    ScriptListener& listener_;
    std::ostream& out_;
    std::optional<Input> next_;
    std::string problem_;
    Stop stop_ = Stop::None;
};

}  // namespace korvalo
