#pragma once
// The searching levels' choice of square: a Monte Carlo tree search over the
// four colours. Each node of the tree keeps the results of the colour that
// moved into it (max-n: every colour is taken to choose for itself), each
// new node is valued by playing the game out to its end with quick moves
// (or, by a setting no level uses, for some moves and then by the
// evaluation), and the square tried most at the root is played. Near the end of the game
// an exact search of the rest of it goes first. The work is fixed (moves
// played in the tree and the playouts, positions of the exact search), the
// arithmetic is whole numbers and the random numbers come from a generator
// seeded from the position and a salt (the level), so the same position
// always gives the same square, on any machine and at any speed. Nothing is
// kept from one choice to the next.
#include <array>
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
    Classes,  // any square one time in epsilon, else one of the best class
              // legal: corners, edges away from free corners, the inner
              // squares, squares next to a free corner on an edge, squares
              // diagonally next to a free corner
    Safe,     // a corner when one is legal, else any square but those next
              // to a free corner (on the edge or diagonally), when there is one
    Weighted, // a corner when one is legal, else any square, drawn with a
              // weight by its class: edges away from free corners, inner
              // squares, squares next to a free corner on an edge, diagonally
    Guard,    // as Corners, but a square after which one of the next colours
              // may take a corner is put aside while another is left,
              // up to `tries` of them
};

// Whose result a node keeps.
enum class Backup {
    MaxN,      // the colour that moved into it
    Paranoid,  // the searching colour's, the others' moves taken against it
    // As Paranoid, in a tree whose layers alternate between the searching
    // colour's moves and one layer of the others' replies: the move of any
    // one of them, as if the rest passed. The playouts play the game as it
    // is, every colour in turn.
    BestReply,
};

struct SearchSettings {
    // The work: moves played in the tree and in the playouts, all together.
    long work = 600000;
    Playout playout = Playout::Corners;
    int epsilon = 100;  // Classes: thousandths of moves played at random
    // Weighted: the weights of edges, inner squares, edge and diagonal
    // squares next to a free corner.
    std::array<int, 4> weights{16, 8, 2, 1};
    // Guard: how many squares are drawn before one that gives a corner
    // away is played all the same, and the colours after the mover that
    // must not be able to take a corner (1 to 3).
    int tries = 3;
    int watched = 1;
    // Playouts stop after this many moves and take the evaluation's
    // estimate instead of the game's end; -1 plays them to the end.
    int evaluateAfter = -1;
    // The least work a game from the root counts as, in moves: near the end
    // of the game its few moves cost little, but its steps through the
    // tree cost more than the moves they count, so short games are counted
    // up to this; 0 counts the moves alone.
    int leastGameWork = 0;
    // The weight of exploring less tried squares against playing the best
    // found so far, in thousandths.
    int exploration = 500;
    // Progressive History: the weight, in thousandths, of a square's mean
    // result for its colour over all the moves played so far, fading as the
    // square's own node is tried; 0 leaves it out.
    int history = 0;
    Backup backup = Backup::MaxN;
    // Knowledge in the tree: each new node starts as if tried this many
    // times with a result by its square's class (a corner good, a square
    // next to a free corner bad); 0 leaves it out.
    int prior = 0;
    // What a finished game is worth to a colour that shares the first place.
    int sharedFirst = 600;
    // The exact search near the end: at most this many free squares, and at
    // most solveNodes positions, else the tree search, whose work the
    // positions searched count in (each about a move's); 0 leaves it out.
    int solveEmpty = 0;
    long solveNodes = 0;
    uint64_t salt = 0;  // mixed into the seed
};

struct SearchStats {
    long playouts = 0;
    long nodes = 0;
    long moves = 0;   // played in the tree and the playouts
    long solved = 0;  // choices settled by the exact search
};

// The settings of a searching level, 3 to 5.
SearchSettings levelSettings(int level);

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

// A square of set chosen by random, every one alike.
int anyOf(Bits set, Random& random);

}  // namespace korvalo::strong
