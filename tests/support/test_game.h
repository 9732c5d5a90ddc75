#pragma once
// A whole game on the recording platform with the recording sound library.
#include <string>
#include <vector>

#include "flow/form1.h"
#include "sound/recording/recording_library.h"
#include "platform/recording/recording_platform.h"

namespace korvalo::testing {

struct TestGame {
    RecordingPlatform ui;
    RecordingDsLibrary lib{[this](const std::string& line) { ui.record(line); }};
    Form1 form{ui, &lib};
    GameState& s = form.state();

    // Puts the starting position on the board and seats every colour with
    // the given kind (humanValue or computerValue), without drawing anything.
    void seat(int kind1, int kind2, int kind3, int kind4);
    // Sets the playing squares from the nine-line text form.
    void setBoard(const std::string& text);
    // Lines recorded since the last clear(), drawing primitives left out
    // unless withDrawing.
    std::vector<std::string> lines(bool withDrawing = false) const;
    void clear() { ui.lines.clear(); }
};

// Lines of lines that start with prefix.
std::vector<std::string> linesStartingWith(const std::vector<std::string>& lines, const std::string& prefix);

}  // namespace korvalo::testing
