#pragma once
// The quick moves of the search's playouts, and the classes of squares they
// and the tree's prior tries go by.
#include <array>

#include "computer/bitboard.h"
#include "computer/search.h"

namespace korvalo::strong {

// The squares of set by class, the best first: corners, edges away from a
// free corner, inner squares away from one, then the squares next to a free
// corner on an edge and diagonally.
using Classes = std::array<Bits, 5>;
Classes classesOf(Bits set, Bits occupied);

// The square the colour to move plays in a playout: one of its legal
// squares, by the settings' playout rule.
int playoutSquare(const Board& b, Bits legal, const SearchSettings& settings, Random& random);

}  // namespace korvalo::strong
