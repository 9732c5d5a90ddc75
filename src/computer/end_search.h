#pragma once
// The end of a game for the searching levels: what a finished game is worth
// to each colour, and the exact search of the rest of a game with few free
// squares left.
#include <array>
#include <optional>

#include "computer/bitboard.h"

namespace korvalo::strong {

// What a first place alone is worth; any other place is worth nothing.
inline constexpr int soleFirst = 1000;

// A result for each colour 1..4 (element 0 unused).
using Rewards = std::array<int, 5>;

// What a finished game is worth to each colour: a first place alone
// soleFirst, a shared one sharedFirst, any other place nothing.
Rewards rewardsOf(const Board& b, int sharedFirst);

// The square colour b.toMove plays by the exact search of the rest of the
// game (each colour playing for its own result), when the search ends within
// nodes positions and that colour ends first in it; none otherwise. Adds
// the positions it searched to *searched.
std::optional<int> solvedSquare(const Board& b, int sharedFirst, long nodes, long* searched);

}  // namespace korvalo::strong
