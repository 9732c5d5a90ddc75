#pragma once
// One input the game receives, whichever source gives it (the person, a
// replayed file, a script), and the lines a recording writes for inputs and
// answers, which the script language reads back to the same values.
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace korvalo {

struct Input {
    enum class Kind { Menu, Press, Release, Click, Key, Close };
    Kind kind = Kind::Menu;
    std::string item;     // Menu: the item's name (JYUNBAN_1, MODORU, ...)
    double x = 0, y = 0;  // Press, Release, Click: twips from the drawing area's corner
    int button = 1;       // Press, Release: 1 left, 2 right, 4 middle, further bits further buttons
    int shift = 0;        // Press, Release: 1 Shift, 2 Ctrl, 4 Alt
    int code = 0;         // Key: the character code

    // Esc, the close button and 終了: the inputs by which a game is left.
    bool leaves() const;
    // A press, release or click: a move on the board, or a try at one.
    bool onBoard() const { return kind == Kind::Press || kind == Kind::Release || kind == Kind::Click; }
};

// The first line of a recording starts with this.
inline constexpr char recordingMark[] = "# Recorded by Korvalo ";

// The line a recording writes for an input. A click is written as its press
// and release, which the game receives one by one.
std::string inputLine(const Input& input);
std::string answerLine(const std::vector<Answer>& answers);
// The line of a square a strong computer chose: computer COLUMN ROW.
std::string computerLine(int column, int row);
// The first line of a recording: a comment saying which version wrote it and
// when (the time as given, e.g. 2026-12-08T01:02:03Z).
std::string recordingHeader(std::string_view when);

}  // namespace korvalo
