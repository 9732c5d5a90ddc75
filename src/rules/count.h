#pragma once
// Counting the stones at the end of a game and ranking the colours.
#include <array>
#include <string>

#include "rules/game_state.h"

namespace korvalo {

// Number of playing squares holding colour c.
int 調査_駒数(const GameState& s, int c);

// Ranks by colour 1..4 (element 0 unused): 1 + the number of colours with
// more stones, so ties share a rank and the next rank is skipped.
std::array<int, 5> rankColours(const std::array<int, 5>& counts);

// The ranking message of a finished game, one line per colour joined by
// carriage returns.
std::string rankingMessage(const std::array<int, 5>& counts);

}  // namespace korvalo
