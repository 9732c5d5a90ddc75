#pragma once
// The language of game scripts: what korvalo-script runs, what the window
// replays and what it writes when it records a game. One command a line:
//   menu NAME          a menu command by the item's name (JYUNBAN_1, MODORU, ...)
//   press X Y [right]  a mouse press, in twips from the drawing area's corner
//                      (each from -1000000 to 1000000)
//   release X Y        a mouse release
//   click COL ROW      a press and a release at the centre of a square
//   key CODE           a key, by its character code
//   close              the window's close button
//   answer OK|Yes|No.. answers for the next message boxes
//   computer COL ROW   the square the next computer move plays, chosen by a
//                      computer of a level other than the standard where the
//                      game was played first
//   computer LEVEL     how well the computer colours play from now on: 1 to
//                      5, standard (2) or strong (5)
//   state              prints the game's state
//   snapshot FILE      saves a picture of the drawing
//   wait players N     in a network game: waits until N windows take part
//   wait end           waits until a game has ended (the ranking shown)
//   # ...              a comment; empty lines are skipped too
#include <cstddef>
#include <deque>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "input/input.h"
#include "platform/platform.h"
#include "rules/game_state.h"

namespace korvalo {

struct ScriptCommand {
    enum class Kind { Nothing, Input, Answer, State, Snapshot, WaitPlayers, WaitEnd, Computer, Strength };
    Kind kind = Kind::Nothing;  // Nothing: an empty line or a comment
    korvalo::Input input;       // Input: what the game receives
    std::vector<Answer> answers;
    std::string file;           // Snapshot: the file
    int players = 0;            // WaitPlayers: how many
    int column = 0, row = 0;    // Computer: the square, 1..9 each
    int level = 2;              // Strength: the level, 1 to 5
};

// A whole text that is a finite decimal number.
bool toNumber(const std::string& text, double* value);

// Reads one line (without its line end); inputLine and answerLine write lines
// that it reads back to exactly the same values. False for a malformed line,
// with the reason followed by the line's start (quotedLine).
bool parseScriptLine(const std::string& line, ScriptCommand* command, std::string* error);

// What the state command prints: the turn, mode, move counters, seat kinds
// and check marks on one line, then the nine rows of the board.
void printState(std::ostream& out, const GameState& state, const Platform& ui);

}  // namespace korvalo
