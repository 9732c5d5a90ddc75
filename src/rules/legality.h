#pragma once
// May a colour play on a square: the view of the board for that colour and
// the eight line probes that walk it.
#include "rules/game_state.h"

namespace korvalo {

// trueValue when colour c may play on (x, y). Rebuilds viewBoard as c's view
// of the board (all playing squares) on every call, whatever the answer.
int 置けるか(GameState& s, int x, int y, int c);

// The line probes: trueValue when the line from (x, y) in the probe's
// direction runs over one or more other stones (-k) and ends on an own stone
// (k). They read viewBoard only, which must hold the view for the colour.
int 置けるか_左(const GameState& s, int x, int y, int k);
int 置けるか_右(const GameState& s, int x, int y, int k);
int 置けるか_上(const GameState& s, int x, int y, int k);
int 置けるか_下(const GameState& s, int x, int y, int k);
int 置けるか_左上(const GameState& s, int x, int y, int k);
int 置けるか_左下(const GameState& s, int x, int y, int k);
int 置けるか_右上(const GameState& s, int x, int y, int k);
int 置けるか_右下(const GameState& s, int x, int y, int k);

// A probe in any direction (dx, dy each -1, 0 or +1).
int probeLine(const GameState& s, int x, int y, int k, int dx, int dy);

}  // namespace korvalo
