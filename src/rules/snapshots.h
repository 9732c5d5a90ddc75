#pragma once
// Stored positions: the playing squares of the board after each move.
#include "rules/game_state.h"

namespace korvalo {

// history[n] := the playing squares (1..9 x 1..9) of board.
void 保存_オセロ盤(GameState& s, int n);
// The playing squares of board := history[n]; the ring is left alone.
void 読出_オセロ盤(GameState& s, int n);

}  // namespace korvalo
