#pragma once
// The language of game scripts: what korvalo-script runs, what the window
// replays and what it writes when it records a game. One command a line:
//   menu NAME          a menu command by the item's name (JYUNBAN_1, MODORU, ...)
//   press X Y [right]  a mouse press, in twips from the drawing area's corner
//   release X Y        a mouse release
//   click COL ROW      a press and a release at the centre of a square
//   key CODE           a key, by its character code
//   close              the window's close button
//   answer OK|Yes|No.. answers for the next message boxes
//   state              prints the game's state
//   snapshot FILE      saves a picture of the drawing
//   # ...              a comment; empty lines are skipped too
#include <cstddef>
#include <deque>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "rules/game_state.h"

namespace korvalo {

struct ScriptCommand {
    enum class Kind { Nothing, Menu, Press, Release, Click, Key, Close, Answer, State, Snapshot };
    Kind kind = Kind::Nothing;  // Nothing: an empty line or a comment
    std::string text;           // Menu: the item's name; Snapshot: the file
    double x = 0, y = 0;        // Press, Release, Click: twips in the drawing area
    int button = 1;             // Press: 1 left, 2 right
    int code = 0;               // Key: the character code
    std::vector<Answer> answers;

    // A command that the game receives as input from the person.
    bool isInput() const;
};

// A whole text that is a finite decimal number.
bool toNumber(const std::string& text, double* value);

// Reads one line (without its line end). False for a malformed line, with the
// reason followed by the line's start (quotedLine).
bool parseScriptLine(const std::string& line, ScriptCommand* command, std::string* error);

// The lines of each input as a recording writes them; parseScriptLine reads
// them back to exactly the same values.
std::string menuLine(std::string_view item);
std::string mouseLine(bool press, int button, double x, double y);
std::string keyLine(int code);
std::string closeLine();
std::string answerLine(const std::vector<Answer>& answers);
// The first line of a recording: a comment saying which version wrote it and
// when (the time as given, e.g. 2026-12-08T01:02:03Z).
std::string recordingHeader(std::string_view when);

// Answers a script may have waiting for message boxes at one time; a script
// that queues more is refused (a real one waits for a few dozen at most).
inline constexpr std::size_t maxQueuedAnswers = 4096;

// The answer a message box with these buttons takes from answers queued by a
// script: a box that offers only OK takes a queued OK and leaves a queued Yes
// or No for the question it belongs to; a Yes/No box takes the next answer, a
// queued OK counting as its default, Yes. With nothing queued, OK and Yes.
Answer takeQueuedAnswer(std::deque<Answer>& queue, Buttons buttons);

// What the state command prints: the turn, mode, move counters, seat kinds
// and check marks on one line, then the nine rows of the board.
void printState(std::ostream& out, const GameState& state, const Platform& ui);

}  // namespace korvalo
