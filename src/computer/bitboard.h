#pragma once
// The board as bit sets for the strong computer's search: one 128-bit word a
// colour, bit (row - 1) * 9 + (column - 1) for square (column, row), bits 81
// and up always clear. The rules are those of the game itself (a square is
// legal when it encloses stones of any other colour between it and an own
// stone, along a line), worked out on all squares at once.
#include <array>
#include <cstdint>

#include "rules/game_state.h"

namespace korvalo::strong {

__extension__ typedef unsigned __int128 Bits;

inline constexpr int squares = 81;

inline constexpr Bits bit(int index) { return Bits{1} << index; }
inline constexpr int indexOf(int column, int row) { return (row - 1) * 9 + (column - 1); }
inline constexpr int columnOf(int index) { return index % 9 + 1; }
inline constexpr int rowOf(int index) { return index / 9 + 1; }

inline constexpr Bits allSquares = (Bits{1} << squares) - 1;

// The squares of one column, and all squares but those of it.
constexpr Bits columnSquares(int column)
{
    Bits b = 0;
    for (int row = 1; row <= 9; ++row)
        b |= bit(indexOf(column, row));
    return b;
}
inline constexpr Bits notColumnA = allSquares & ~columnSquares(1);
inline constexpr Bits notColumnI = allSquares & ~columnSquares(9);

// One step in each of the eight directions: a shift, and the squares a stone
// may land on without wrapping round an edge.
struct Step {
    int shift;  // positive: towards higher indices
    Bits land;
};
inline constexpr std::array<Step, 8> steps = {{
    {+1, notColumnA},   // right
    {-1, notColumnI},   // left
    {+9, allSquares},   // down
    {-9, allSquares},   // up
    {+10, notColumnA},  // down-right
    {+8, notColumnI},   // down-left
    {-8, notColumnA},   // up-right
    {-10, notColumnI},  // up-left
}};

inline Bits moveBy(Bits b, const Step& s)
{
    return (s.shift > 0 ? b << s.shift : b >> -s.shift) & s.land;
}

inline int count(Bits b)
{
    return __builtin_popcountll(static_cast<uint64_t>(b)) + __builtin_popcountll(static_cast<uint64_t>(b >> 64));
}

inline int lowestIndex(Bits b)
{
    const auto low = static_cast<uint64_t>(b);
    return low ? __builtin_ctzll(low) : 64 + __builtin_ctzll(static_cast<uint64_t>(b >> 64));
}

// A position: the stones of colours 1..4 (element 0 unused) and the colour
// to move, 0 once no colour can play.
struct Board {
    std::array<Bits, 5> stones{};
    int toMove = 0;

    Bits occupied() const { return stones[1] | stones[2] | stones[3] | stones[4]; }
};

// The squares colour c may play on.
inline Bits legalSquares(const Board& b, int c)
{
    const Bits own = b.stones[c];
    const Bits occupied = b.occupied();
    const Bits others = occupied & ~own;
    const Bits empty = allSquares & ~occupied;
    Bits legal = 0;
    for (const Step& s : steps) {
        // A run of other stones can be at most seven long on a line of nine.
        Bits run = moveBy(own, s) & others;
        for (int i = 0; i < 6; ++i)
            run |= moveBy(run, s) & others;
        legal |= moveBy(run, s) & empty;
    }
    return legal;
}

// The stones colour c turns by playing on square index.
inline Bits turnedBy(const Board& b, int c, int index)
{
    const Bits own = b.stones[c];
    const Bits others = b.occupied() & ~own;
    Bits turned = 0;
    for (const Step& s : steps) {
        Bits run = 0;
        Bits at = moveBy(bit(index), s);
        while (at & others) {
            run |= at;
            at = moveBy(at, s);
        }
        if (at & own)
            turned |= run;
    }
    return turned;
}

// Plays colour c on square index, then hands the move on as the game does:
// to the next colour in turn order that can play, the mover itself when only
// it can, and to no colour (0) when none can. Returns the squares the colour
// now to move may play on.
Bits play(Board& b, int c, int index);

// The position of a game's board with colour c to move.
Board boardOf(const Grid& board, int c);

}  // namespace korvalo::strong
