#pragma once
// An independent statement of the four-colour rule, written straight on the
// squares, to judge the game's moves and turns from outside: a colour may
// play on an empty square from which, in some direction, a run of one or more
// stones of other colours ends on a stone of its own; playing turns every
// such run.
#include <array>
#include <utility>
#include <vector>

#include "rules/game_state.h"

namespace korvalo::testing {

inline constexpr std::array<std::pair<int, int>, 8> directions = {
    {{-1, -1}, {0, -1}, {1, -1}, {-1, 0}, {1, 0}, {-1, 1}, {0, 1}, {1, 1}}};

inline bool onBoard(int x, int y) { return x >= 1 && x <= 9 && y >= 1 && y <= 9; }

// Length of the run of other colours from (x, y) towards (dx, dy) that ends
// on a stone of c; 0 when there is none. Board is a Grid or a Position.
template <class Board>
int enclosedRun(const Board& b, int x, int y, int c, int dx, int dy)
{
    int run = 0;
    int i = x + dx;
    int j = y + dy;
    while (onBoard(i, j) && b[i][j] != emptyValue && b[i][j] != c) {
        ++run;
        i += dx;
        j += dy;
    }
    return run > 0 && onBoard(i, j) && b[i][j] == c ? run : 0;
}

template <class Board>
bool mayPlay(const Board& b, int x, int y, int c)
{
    if (!onBoard(x, y) || b[x][y] != emptyValue)
        return false;
    for (const auto& [dx, dy] : directions)
        if (enclosedRun(b, x, y, c, dx, dy) > 0)
            return true;
    return false;
}

template <class Board>
bool canPlay(const Board& b, int c)
{
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y)
            if (mayPlay(b, x, y, c))
                return true;
    return false;
}

template <class Board>
std::vector<std::pair<int, int>> playableSquares(const Board& b, int c)
{
    std::vector<std::pair<int, int>> out;
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y)
            if (mayPlay(b, x, y, c))
                out.push_back({x, y});
    return out;
}

// The position after c plays (x, y): the new stone and every enclosed run in c.
template <class Board>
Board afterMove(const Board& b, int x, int y, int c)
{
    Board out = b;
    for (const auto& [dx, dy] : directions) {
        const int run = enclosedRun(b, x, y, c, dx, dy);
        for (int k = 1; k <= run; ++k)
            out[x + k * dx][y + k * dy] = c;
    }
    out[x][y] = c;
    return out;
}

template <class Board>
int stonesOf(const Board& b, int c)
{
    int n = 0;
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y)
            n += b[x][y] == c;
    return n;
}

// The colour before c in turn order.
inline int previousColour(int c) { return c == black ? red : c - 1; }

}  // namespace korvalo::testing
