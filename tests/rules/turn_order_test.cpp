#include <gtest/gtest.h>

#include "rules/snapshots.h"
#include "rules/legality.h"
#include "rules/turn_order.h"

namespace korvalo {
namespace {

TEST(TurnOrder, NextColourCyclesClockwiseAndAnswersZeroForNoColour)
{
    EXPECT_EQ(nextColour(black), blue);
    EXPECT_EQ(nextColour(blue), white);
    EXPECT_EQ(nextColour(white), red);
    EXPECT_EQ(nextColour(red), black);
    for (int c = 1; c <= 4; ++c)
        EXPECT_EQ(nextColour(nextColour(nextColour(nextColour(c)))), c);
    EXPECT_EQ(nextColour(noneValue), 0);
    EXPECT_EQ(nextColour(0), 0);
}

TEST(TurnOrder, EveryColourCanPlayAtTheStart)
{
    GameState s;
    placeStartingPosition(s);
    s.playerKind = {0, humanValue, computerValue, humanValue, computerValue};
    for (int c = 1; c <= 4; ++c) {
        EXPECT_EQ(置き場所があるか(s, c), trueValue);
        EXPECT_EQ(置き場所があるか_手番以外(s, c), trueValue);
    }
}

TEST(TurnOrder, OnlyOneColourCanPlayOrNoneCan)
{
    GameState s;
    s.playerKind = {0, humanValue, humanValue, humanValue, humanValue};
    // Only white can play: c1 encloses the black stone on b1.
    ASSERT_TRUE(setBoardFromText(s.board,
                                 "31.......\n"
                                 ".........\n"
                                 ".........\n"
                                 ".........\n"
                                 ".........\n"
                                 ".........\n"
                                 ".........\n"
                                 ".........\n"
                                 ".........\n"));
    EXPECT_EQ(置き場所があるか(s, white), trueValue);
    EXPECT_EQ(置き場所があるか(s, black), falseValue);
    EXPECT_EQ(置き場所があるか(s, blue), falseValue);  // no blue stone at all
    EXPECT_EQ(置き場所があるか(s, red), falseValue);
    EXPECT_EQ(置き場所があるか_手番以外(s, white), falseValue);
    EXPECT_EQ(置き場所があるか_手番以外(s, black), trueValue);

    // Empty squares remain, but nobody can enclose anything.
    ASSERT_TRUE(setBoardFromText(s.board,
                                 "1.3......\n"
                                 ".........\n"
                                 ".........\n"
                                 ".........\n"
                                 ".........\n"
                                 ".........\n"
                                 ".........\n"
                                 ".........\n"
                                 "........4\n"));
    for (int c = 1; c <= 4; ++c)
        EXPECT_EQ(置き場所があるか(s, c), falseValue);
    EXPECT_EQ(置き場所があるか_手番以外(s, noneValue), falseValue);
}

TEST(TurnOrder, ColourOfMoveReadsTheNewStoneOfEachHistoryEntry)
{
    GameState s;
    placeStartingPosition(s);
    s.playerKind = {0, humanValue, humanValue, humanValue, humanValue};
    保存_オセロ盤(s, 0);
    s.board[4][3] = black;
    s.board[4][4] = black;  // turned stones change colour but were never empty
    保存_オセロ盤(s, 1);
    s.board[6][2] = blue;
    保存_オセロ盤(s, 2);
    保存_オセロ盤(s, 3);  // no new stone
    EXPECT_EQ(colourOfMove(s, 0), black);
    EXPECT_EQ(colourOfMove(s, 1), black);
    EXPECT_EQ(colourOfMove(s, 2), blue);
    EXPECT_EQ(colourOfMove(s, 3), 0);
}

}  // namespace
}  // namespace korvalo
