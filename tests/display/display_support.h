#pragma once
// Helpers for the display tests: expected lines of the recording platform.
#include <string>
#include <vector>

#include "support/test_game.h"

namespace korvalo::testing {

// Top-left corner of square (column, row) in twips, as the lines print it.
inline std::string squareAt(int column, int row)
{
    return std::to_string(400 + 630 * column) + " " + std::to_string(100 + 630 * row);
}

inline std::string pictureLine(const std::string& name, int element, int column, int row)
{
    return "picture " + name + " " + std::to_string(element) + " " + squareAt(column, row);
}

// Gives the game a stone-sound buffer, so that its clicks show as
// "sound dsPlay 石打音.wav", and clears the lines.
inline void giveStoneSound(TestGame& g)
{
    g.form.sounds().setBuffer(GameSounds::Sound::Stone, g.lib.dsCreateDSB(1, nullptr, 3, "石打音.wav"));
    g.clear();
}

// The six frames of a piece on (column, row) turning from one picture set to
// another, each pushed to the screen and held 0.1 s.
inline std::vector<std::string> turningFrames(int column, int row, const std::string& from, const std::string& to)
{
    std::vector<std::string> out;
    const std::pair<std::string, int> frames[] = {{from, 1}, {from, 2}, {from, 3}, {to, 4}, {to, 5}, {to, 1}};
    for (const auto& [name, element] : frames) {
        out.push_back(pictureLine(name, element, column, row));
        out.push_back("refresh");
        out.push_back("wait 0.1");
    }
    return out;
}

}  // namespace korvalo::testing
