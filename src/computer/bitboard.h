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

// One step along a direction: a shift (positive towards higher indices)
// and the squares a stone may land on without wrapping round an edge. The
// shifts are constants, so each direction compiles to straight-line code.
template <int Shift>
constexpr Bits shifted(Bits b)
{
    if constexpr (Shift > 0)
        return b << Shift;
    else
        return b >> -Shift;
}
template <int Shift>
inline constexpr Bits landing = Shift == 9 || Shift == -9 ? allSquares
                                : Shift == 1 || Shift == 10 || Shift == -8 ? notColumnA
                                                                            : notColumnI;

// Each corner with the squares next to it on the edges and diagonally:
// playing there while the corner is free most often hands it to another
// colour.
struct Corner {
    int corner;
    Bits edge, diagonal;
};
inline constexpr Corner corners[] = {
    {indexOf(1, 1), bit(indexOf(2, 1)) | bit(indexOf(1, 2)), bit(indexOf(2, 2))},
    {indexOf(9, 1), bit(indexOf(8, 1)) | bit(indexOf(9, 2)), bit(indexOf(8, 2))},
    {indexOf(1, 9), bit(indexOf(2, 9)) | bit(indexOf(1, 8)), bit(indexOf(2, 8))},
    {indexOf(9, 9), bit(indexOf(8, 9)) | bit(indexOf(9, 8)), bit(indexOf(8, 8))},
};

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

// The empty squares reached along the direction from an own stone over a
// run of one to seven other stones (the longest a line of nine holds). The
// run grows by doubling: by one, then by two over pairs of other stones,
// then by four over fours of them.
template <int Shift>
inline Bits legalAlong(Bits own, Bits others, Bits empty)
{
    const Bits over = others & landing<Shift>;
    Bits run = shifted<Shift>(own) & over;
    run |= shifted<Shift>(run) & over;
    const Bits pairs = over & shifted<Shift>(over);
    run |= shifted<2 * Shift>(run) & pairs;
    const Bits fours = pairs & shifted<2 * Shift>(pairs);
    run |= shifted<4 * Shift>(run) & fours;
    return shifted<Shift>(run) & landing<Shift> & empty;
}

// The squares colour c may play on.
inline Bits legalSquares(const Board& b, int c)
{
    const Bits own = b.stones[c];
    const Bits occupied = b.occupied();
    const Bits others = occupied & ~own;
    const Bits empty = allSquares & ~occupied;
    return legalAlong<1>(own, others, empty) | legalAlong<-1>(own, others, empty) |
           legalAlong<9>(own, others, empty) | legalAlong<-9>(own, others, empty) |
           legalAlong<10>(own, others, empty) | legalAlong<8>(own, others, empty) |
           legalAlong<-8>(own, others, empty) | legalAlong<-10>(own, others, empty);
}

// The squares from each square to the edge along each direction, the
// square itself left out: first the four towards higher indices (right,
// down, down-right, down-left), then the four towards lower ones.
struct Rays {
    std::array<Bits, 4> up, down;
};
constexpr std::array<Rays, squares> makeRays()
{
    constexpr int columnStep[4] = {1, 0, 1, -1}, rowStep[4] = {0, 1, 1, 1};
    std::array<Rays, squares> rays{};
    for (int index = 0; index < squares; ++index)
        for (int d = 0; d < 4; ++d)
            for (const int sign : {1, -1}) {
                Bits ray = 0;
                int column = columnOf(index) + sign * columnStep[d], row = rowOf(index) + sign * rowStep[d];
                for (; column >= 1 && column <= 9 && row >= 1 && row <= 9;
                     column += sign * columnStep[d], row += sign * rowStep[d])
                    ray |= bit(indexOf(column, row));
                (sign > 0 ? rays[index].up : rays[index].down)[d] = ray;
            }
    return rays;
}
inline constexpr std::array<Rays, squares> rays = makeRays();

inline Bits highestBit(Bits b)
{
    const auto high = static_cast<uint64_t>(b >> 64);
    return high ? bit(127 - __builtin_clzll(high)) : bit(63 - __builtin_clzll(static_cast<uint64_t>(b)));
}

// The stones colour c turns by playing on square index: along each ray, the
// other stones before the first square that is not another's, when that
// square is an own stone.
inline Bits turnedBy(const Board& b, int c, int index)
{
    const Bits own = b.stones[c];
    const Bits notOthers = own | ~b.occupied();
    const Rays& r = rays[index];
    Bits turned = 0;
    for (const Bits ray : r.up) {
        const Bits stop = ray & notOthers;
        const Bits first = stop & (~stop + 1);
        if (first & own)
            turned |= ray & (first - 1);
    }
    for (const Bits ray : r.down) {
        // Bit 0 keeps the highest bit defined; it counts only on the ray.
        const Bits first = highestBit((ray & notOthers) | 1);
        if (first & ray & own)
            turned |= ray & ~(first | (first - 1));
    }
    return turned;
}

// Puts colour c's stone on square index and turns the stones it encloses,
// without handing the move on.
inline void place(Board& b, int c, int index)
{
    const Bits turned = turnedBy(b, c, index);
    for (int other = 1; other <= 4; ++other)
        b.stones[other] &= ~turned;
    b.stones[c] |= turned | bit(index);
}

// Plays colour c on square index, then hands the move on as the game does:
// to the next colour in turn order that can play, the mover itself when only
// it can, and to no colour (0) when none can. Returns the squares the colour
// now to move may play on.
Bits play(Board& b, int c, int index);

// The position of a game's board with colour c to move.
Board boardOf(const Grid& board, int c);

}  // namespace korvalo::strong
