#pragma once
// A position's worth to each colour without playing it to the end: the
// chance of each colour ending first, from a few counts of its stones and
// moves weighed by fitted weights (a softmax over the colours). The search
// may stop a playout early and take this instead of the game's end.
#include <array>

#include "computer/bitboard.h"
#include "computer/end_search.h"

namespace korvalo::strong {

// What is counted for a colour: its stones in each of the 15 classes of
// squares alike under the board's turns and mirrors (by their distances to
// the nearest edges), its legal squares, its stones next to a free corner
// diagonally and on an edge, its stones next to a free square, its edge
// stones joined to an own corner, and whether it moves one, two or three
// turns after the colour to move.
inline constexpr int features = 23;
using Features = std::array<int, features>;
Features featuresOf(const Board& b, int c);

// The stage of the game a position's weights belong to, by its free
// squares: 0 with 48 or more, 1 with 32 or more, 2 with 16 or more, else 3.
inline constexpr int stages = 4;
int stageOf(const Board& b);

// The weights of each stage, in 256ths of the softmax's exponent.
using Weights = std::array<std::array<int, features>, stages>;

// Each colour's chance of ending first in position b, where some colour is
// to move, in thousandths of soleFirst: the four sum to about soleFirst.
Rewards estimatedRewards(const Board& b);

}  // namespace korvalo::strong
