#pragma once
// Small pieces the game watch shares between its checks: names of colours
// and squares as failure messages write them, and the playing squares of a
// board.
#include <string>
#include <vector>

#include "property/board_oracle.h"

namespace korvalo::testing {

inline constexpr const char* colourNames[] = {"none", "black", "blue", "white", "red"};

inline std::string colourName(int c) { return c >= 1 && c <= 4 ? colourNames[c] : std::to_string(c); }

inline std::string square(int x, int y)
{
    std::string text(1, '(');
    text += std::to_string(x);
    text += ',';
    text += std::to_string(y);
    text += ')';
    return text;
}

inline int countStartingWith(const std::vector<std::string>& lines, const std::string& prefix)
{
    int n = 0;
    for (const std::string& line : lines)
        n += line.rfind(prefix, 0) == 0;
    return n;
}

inline Position playingSquares(const Grid& board)
{
    Position p{};
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y)
            p[x][y] = board[x][y];
    return p;
}

}  // namespace korvalo::testing
