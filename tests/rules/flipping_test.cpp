#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rules/flipping.h"
#include "rules/legality.h"

namespace korvalo {
namespace {

struct Turned {
    int x, y, oldColour;
    bool operator==(const Turned&) const = default;
};

std::vector<Turned> play(GameState& s, int x, int y, int c)
{
    EXPECT_EQ(置けるか(s, x, y, c), trueValue);
    std::vector<Turned> turned;
    反転(s, x, y, c, [&](int i, int j) { turned.push_back({i, j, s.board[i][j]}); });
    return turned;
}

TEST(Flipping, BlackOnD3TurnsD4ThenD5AndLeavesD3Empty)
{
    GameState s;
    placeStartingPosition(s);
    s.playerKind = {0, humanValue, computerValue, computerValue, computerValue};
    const auto turned = play(s, 4, 3, black);
    EXPECT_EQ(turned, (std::vector<Turned>{{4, 4, blue}, {4, 5, blue}}));
    EXPECT_EQ(s.board[4][4], black);
    EXPECT_EQ(s.board[4][5], black);
    EXPECT_EQ(s.board[4][3], emptyValue);  // the caller places the new stone
}

TEST(Flipping, DirectionsInFixedOrderAndEachRunFromTheNewStoneOutwards)
{
    GameState s;
    s.playerKind = {0, computerValue, humanValue, computerValue, humanValue};
    // Black plays e5; runs enclosed in all eight directions, the right one two long.
    ASSERT_TRUE(setBoardFromText(s.board,
                                 ".........\n"
                                 ".........\n"
                                 "..1.1.1..\n"
                                 "...234...\n"
                                 "..12.341.\n"
                                 "...432...\n"
                                 "..1.1.1..\n"
                                 ".........\n"
                                 ".........\n"));
    const auto turned = play(s, 5, 5, black);
    const std::vector<Turned> expected = {
        {4, 5, blue},              // left
        {6, 5, white}, {7, 5, red},  // right, nearest first
        {5, 4, white},             // up
        {5, 6, white},             // down
        {4, 4, blue},              // up-left
        {4, 6, red},               // down-left
        {6, 6, blue},              // down-right before up-right
        {6, 4, red},               // up-right
    };
    EXPECT_EQ(turned, expected);
    EXPECT_EQ(s.board[5][5], emptyValue);
}

TEST(Flipping, StonesBeyondTheEnclosingStoneStayAndBoardIsTheSameWithoutObserver)
{
    GameState s;
    s.playerKind = {0, humanValue, humanValue, humanValue, humanValue};
    ASSERT_TRUE(setBoardFromText(s.board,
                                 ".........\n"
                                 ".........\n"
                                 ".........\n"
                                 ".........\n"
                                 ".23412...\n"
                                 ".........\n"
                                 ".........\n"
                                 ".........\n"
                                 ".........\n"));
    GameState quiet = s;
    const auto turned = play(s, 1, 5, black);
    EXPECT_EQ(turned, (std::vector<Turned>{{2, 5, blue}, {3, 5, white}, {4, 5, red}}));
    EXPECT_EQ(s.board[6][5], blue);  // beyond black's own stone on e5

    ASSERT_EQ(置けるか(quiet, 1, 5, black), trueValue);
    反転(quiet, 1, 5, black, nullptr);
    EXPECT_EQ(boardText(quiet.board), boardText(s.board));
}

}  // namespace
}  // namespace korvalo
