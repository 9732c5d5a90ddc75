#pragma once
// The ladder of computer levels. Level 2, the standard computer, plays the
// fixed value of each square (computer/move_choice.h) during the hand's tour.
// Every other level chooses apart from the game, from the position alone: a
// fixed amount of work, whole-number arithmetic and random numbers of its
// own seeded from the position and the level, so that the same position and
// level always give the same square on any machine and at any speed. Their
// squares are carried to the other windows and to the record.
//   1  a beginner: mostly the square that turns the most stones, often any
//   2  the square values (standard)
//   3  a short search of the game ahead (computer/search.h)
//   4  a longer search
//   5  the strongest search (strong)
#include <optional>
#include <string>
#include <utility>

#include "rules/game_state.h"

namespace korvalo {

inline constexpr int weakestLevel = 1;
inline constexpr int standardLevel = 2;
inline constexpr int strongestLevel = 5;

// Whether a level chooses apart from the hand's tour (and its squares are
// carried): every level but the standard.
inline constexpr bool choosesApart(int level)
{
    return level != standardLevel;
}

// The level a word names: 1 to 5, "standard" (2) or "strong" (5); none for
// any other word.
std::optional<int> levelOf(const std::string& word);

// The square (column, row) colour c plays on board at level (any but the
// standard one), none when c has no legal square.
std::optional<std::pair<int, int>> chooseSquareAt(const Grid& board, int c, int level);

}  // namespace korvalo
