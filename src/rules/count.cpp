#include "rules/count.h"

namespace korvalo {

int 調査_駒数(const GameState& s, int c)
{
    int count = 0;
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y)
            if (s.board[x][y] == c)
                ++count;
    return count;
}

std::array<int, 5> rankColours(const std::array<int, 5>& counts)
{
    std::array<int, 5> rank{};
    for (int c = 1; c <= 4; ++c) {
        rank[c] = 1;
        for (int d = 1; d <= 4; ++d)
            if (d != c && counts[d] > counts[c])
                ++rank[c];
    }
    return rank;
}

std::string rankingMessage(const std::array<int, 5>& counts)
{
    static const char* const names[] = {"", " 黒 ", " 青 ", " 白 ", " 赤 "};
    const std::array<int, 5> rank = rankColours(counts);
    std::string text;
    for (int c = 1; c <= 4; ++c) {
        text += names[c];
        text += std::to_string(rank[c]);
        text += " 位　（";  // ideographic space, full-width bracket
        text += std::to_string(counts[c]);
        text += "個）";
        text += c < 4 ? "\r\r" : "\r";
    }
    return text;
}

}  // namespace korvalo
