#include <gtest/gtest.h>

#include "rules/count.h"

namespace korvalo {
namespace {

std::array<int, 5> ranks(int a, int b, int c, int d) { return rankColours({0, a, b, c, d}); }

TEST(Ranking, TiesShareARankAndTheNextRankIsSkipped)
{
    EXPECT_EQ(ranks(30, 20, 20, 11), (std::array<int, 5>{0, 1, 2, 2, 4}));
    EXPECT_EQ(ranks(40, 20, 10, 11), (std::array<int, 5>{0, 1, 2, 4, 3}));
    EXPECT_EQ(ranks(17, 17, 17, 17), (std::array<int, 5>{0, 1, 1, 1, 1}));
    EXPECT_EQ(ranks(0, 30, 5, 5), (std::array<int, 5>{0, 4, 1, 2, 2}));
}

TEST(Ranking, MessageIsExactToTheByte)
{
    const std::string expected =
        " 黒 1 位\u3000\uFF0830個\uFF09\r\r"
        " 青 2 位\u3000\uFF0820個\uFF09\r\r"
        " 白 2 位\u3000\uFF0820個\uFF09\r\r"
        " 赤 4 位\u3000\uFF0811個\uFF09\r";
    EXPECT_EQ(rankingMessage({0, 30, 20, 20, 11}), expected);
    // The ideographic space and brackets in UTF-8.
    EXPECT_NE(expected.find("\xE3\x80\x80\xEF\xBC\x88"), std::string::npos);
}

TEST(Count, CountsOnlyThePlayingSquares)
{
    GameState s;
    placeStartingPosition(s);
    s.board[10][5] = black;  // ring cells are not counted
    s.board[0][0] = black;
    for (int c = 1; c <= 4; ++c)
        EXPECT_EQ(調査_駒数(s, c), 4);
    EXPECT_EQ(調査_駒数(s, emptyValue), 81 - 16);
}

}  // namespace
}  // namespace korvalo
