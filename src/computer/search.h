#pragma once
// The strong computer's choice of square: a Monte Carlo tree search over the
// four colours. Each node of the tree keeps the results of the colour that
// moved into it (max-n: every colour is taken to choose for itself), and each
// new node is valued by playing the game out to its end with quick moves.
// The work is a fixed number of playouts, the arithmetic is whole numbers and
// the random numbers come from a generator seeded from the position, so the
// same position always gives the same square, on any machine and at any
// speed.
#include <cstdint>
#include <optional>
#include <utility>

#include "computer/bitboard.h"
#include "rules/game_state.h"

namespace korvalo::strong {

// How the playouts choose their moves.
enum class Playout {
    Uniform,  // any legal square alike
    Corners,  // a corner when one is legal, else any square but those
              // diagonally next to a free corner, when there is one
};

struct SearchSettings {
    int playouts = 12000;
    Playout playout = Playout::Corners;
    // The weight of exploring less tried squares against playing the best
    // found so far, in thousandths.
    int exploration = 500;
};

struct SearchStats {
    long playouts = 0;
    long nodes = 0;
};

// The square (column, row) colour c plays on the board, none when c has no
// legal square.
std::optional<std::pair<int, int>> chooseSquare(const Grid& board, int c, const SearchSettings& settings = {},
                                                SearchStats* stats = nullptr);

// The random numbers of the search: SplitMix64. The state advances by
// 0x9E3779B97F4A7C15 each draw; the draw is the state mixed by
// z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9, z = (z ^ (z >> 27)) *
// 0x94D049BB133111EB, z ^ (z >> 31), all modulo 2^64.
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t next()
    {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // A whole number 0..n-1: the high 32 bits of a draw times n, over 2^32.
    int below(int n) { return static_cast<int>(((next() >> 32) * static_cast<uint64_t>(n)) >> 32); }

private:
    uint64_t state_;
};

// The seed of a position: its stones and the colour to move, mixed.
uint64_t seedOf(const Board& b);

}  // namespace korvalo::strong
