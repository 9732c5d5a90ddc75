#pragma once
// Turning the stones that a move encloses.
#include <functional>

#include "rules/game_state.h"

namespace korvalo {

// Called for every stone about to turn, while its cell still holds the old
// colour: the game pauses, clicks and animates the turn here.
using BeforeTurn = std::function<void(int column, int row)>;

// Turns every run that the move of colour c on (x, y) encloses, direction by
// direction (left, right, up, down, up-left, down-left, down-right, up-right),
// each run from the new stone outwards. viewBoard must hold c's view of the
// board, as 置けるか leaves it. Never writes (x, y) itself.
void 反転(GameState& s, int x, int y, int c, const BeforeTurn& beforeTurn);

}  // namespace korvalo
