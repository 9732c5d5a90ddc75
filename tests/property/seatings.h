#pragma once
// The seven seating commands with the mode and seat kinds each one sets.
#include <array>

#include "flow/form1.h"

namespace korvalo::testing {

struct Seating {
    const char* name;
    void (Form1::*command)();
    int mode;
    std::array<int, 5> kinds;  // playerKind by colour 1..4
};

inline const std::array<Seating, 7> allSeatings = {{
    {"Black", &Form1::JYUNBAN_1_Click, modeBlack, {0, humanValue, computerValue, computerValue, computerValue}},
    {"Blue", &Form1::JYUNBAN_2_Click, modeBlue, {0, computerValue, humanValue, computerValue, computerValue}},
    {"White", &Form1::JYUNBAN_3_Click, modeWhite, {0, computerValue, computerValue, humanValue, computerValue}},
    {"Red", &Form1::JYUNBAN_4_Click, modeRed, {0, computerValue, computerValue, computerValue, humanValue}},
    {"Facing", &Form1::PLAY_TOIMEN_Click, modeFacing, {0, humanValue, computerValue, humanValue, computerValue}},
    {"SideBySide", &Form1::PLAY_TONARI_Click, modeSideBySide, {0, computerValue, humanValue, computerValue, humanValue}},
    {"FourPersons", &Form1::PLAY_4_Click, modeFour, {0, humanValue, humanValue, humanValue, humanValue}},
}};

}  // namespace korvalo::testing
