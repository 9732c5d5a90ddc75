#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "rules/legality.h"
#include "support/test_game.h"

namespace korvalo {
namespace {

using Squares = std::set<std::pair<int, int>>;

GameState startingGame()
{
    GameState s;
    placeStartingPosition(s);
    s.playerKind = {0, humanValue, computerValue, computerValue, humanValue};
    return s;
}

Squares playable(GameState& s, int c)
{
    Squares out;
    for (int x = 0; x <= 10; ++x)
        for (int y = 0; y <= 10; ++y)
            if (置けるか(s, x, y, c) == trueValue)
                out.insert({x, y});
    return out;
}

TEST(StartingPosition, FourStonesEachEmptyCentreAndEmptyRing)
{
    GameState s = startingGame();
    EXPECT_EQ(boardText(s.board),
              ".........\n"
              ".........\n"
              "....33...\n"
              "..2233...\n"
              "..22.44..\n"
              "...1144..\n"
              "...11....\n"
              ".........\n"
              ".........\n");
    for (int i = 0; i <= 11; ++i) {
        EXPECT_EQ(s.board[0][i], emptyValue);
        EXPECT_EQ(s.board[10][i], emptyValue);
        EXPECT_EQ(s.board[i][0], emptyValue);
        EXPECT_EQ(s.board[i][10], emptyValue);
    }
}

TEST(Legality, PlayableSquaresOfEveryColourInTheStartingPosition)
{
    GameState s = startingGame();
    EXPECT_EQ(playable(s, black), (Squares{{2, 3}, {2, 4}, {4, 3}, {7, 4}, {8, 4}, {8, 6}}));
    EXPECT_EQ(playable(s, blue), (Squares{{4, 8}, {6, 2}, {6, 7}, {6, 8}, {7, 2}, {7, 4}}));
    EXPECT_EQ(playable(s, white), (Squares{{2, 4}, {2, 6}, {3, 6}, {6, 7}, {8, 6}, {8, 7}}));
    EXPECT_EQ(playable(s, red), (Squares{{3, 6}, {3, 8}, {4, 2}, {4, 3}, {4, 8}, {6, 2}}));
    for (int c = 1; c <= 4; ++c)
        EXPECT_EQ(置けるか(s, 5, 5, c), falseValue);
}

TEST(Legality, BlackOnD3EnclosesTheBlueLineDownwards)
{
    GameState s = startingGame();
    ASSERT_EQ(置けるか(s, 4, 3, black), trueValue);
    const int k = s.playerKind[black];
    EXPECT_EQ(置けるか_下(s, 4, 3, k), trueValue);
    EXPECT_EQ(置けるか_上(s, 4, 3, k), falseValue);
    EXPECT_EQ(置けるか_右下(s, 4, 3, k), falseValue);
}

TEST(Legality, RunsOfMixedColoursCountAndRunsWithoutAnOwnEndDoNot)
{
    GameState s;
    s.playerKind = {0, computerValue, humanValue, humanValue, computerValue};
    ASSERT_TRUE(setBoardFromText(s.board,
                                 ".........\n"
                                 "..241....\n"   // row 2: mixed run ending in black
                                 ".........\n"
                                 "..2243...\n"   // row 4: run into an empty square
                                 ".........\n"
                                 "......324\n"   // row 6: run into the edge
                                 ".........\n"
                                 ".1.......\n"   // row 8: own stone next to the square
                                 "..1......\n"));
    // b2 left of the blue-red run that ends in black: legal for black.
    EXPECT_EQ(置けるか(s, 2, 2, black), trueValue);
    // b4 left of blue, blue, red, white then empty: no own stone ends it.
    EXPECT_EQ(置けるか(s, 2, 4, black), falseValue);
    // f6 left of white, blue, red then the edge.
    EXPECT_EQ(置けるか(s, 6, 6, black), falseValue);
    // a8 has an own stone directly to its right and nothing else.
    EXPECT_EQ(置けるか(s, 1, 8, black), falseValue);
    // An occupied square is refused even though lines from it would enclose.
    EXPECT_EQ(置けるか(s, 3, 2, black), falseValue);
}

TEST(Legality, ViewBoardIsLeftAsTheColoursViewWhateverTheAnswer)
{
    GameState s = startingGame();  // black is a person (+1), blue the computer (-1)
    for (auto [x, y] : {std::pair{5, 5}, std::pair{0, 4}, std::pair{4, 4}, std::pair{4, 3}}) {
        置けるか(s, x, y, blue);
        const int k = s.playerKind[blue];
        EXPECT_EQ(s.viewBoard[4][4], k) << x << "," << y;   // blue's own stone
        EXPECT_EQ(s.viewBoard[4][6], -k) << x << "," << y;  // black's stone
        EXPECT_EQ(s.viewBoard[5][5], emptyValue);
    }
}

}  // namespace
}  // namespace korvalo
