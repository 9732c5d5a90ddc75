#pragma once
// Turn order and passing: the next colour, whether a colour (or any other
// colour) can play anywhere, and which colour made a recorded move.
#include "rules/game_state.h"

namespace korvalo {

// The colour after c in the order black, blue, white, red; 0 for any other c.
int nextColour(int c);

// trueValue when c has a playable square. Leaves c's view in viewBoard.
int 置き場所があるか(GameState& s, int c);

// trueValue when any of the three colours other than c has a playable square
// (all four when c is no colour). Leaves the last colour's view in viewBoard.
int 置き場所があるか_手番以外(GameState& s, int c);

// The colour that made move k, read from the history: black for k = 0, 0 when
// entry k shows no newly filled square.
int colourOfMove(const GameState& s, int k);

}  // namespace korvalo
