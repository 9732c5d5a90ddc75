#include <gtest/gtest.h>

#include "display/display_support.h"

namespace korvalo::testing {
namespace {

using Lines = std::vector<std::string>;

TEST(MoveNumbers, OneDigitSitsFurtherRightThanTwoAndBothAsPlainDigits)
{
    TestGame g;
    g.form.display().描画_手順番号(3, 4, 7, rgb(0, 0, 0));
    g.form.display().描画_手順番号(3, 4, 12, whiteColour);
    g.form.display().描画_手順番号(3, 4, 9, whiteColour);
    g.form.display().描画_手順番号(3, 4, 10, whiteColour);
    EXPECT_EQ(g.lines(true), (Lines{"text \"7\" 2542 2746 14 0", "refresh",            //
                                    "text \"12\" 2479 2746 14 16777215", "refresh",    //
                                    "text \"9\" 2542 2746 14 16777215", "refresh",     //
                                    "text \"10\" 2479 2746 14 16777215", "refresh"}));
}

TEST(MoveNumbers, ColourFollowsThePieceNowOnTheSquareAndEmptyOrMarkedSquaresAreSkipped)
{
    TestGame g;
    const int squares[][3] = {
        // column, row, what lies there now
        {3, 4, white},  {5, 5, emptyValue}, {1, 1, black},      {9, 9, red},        {2, 2, blue},
        {4, 4, markValue}, {7, 7, emptyValue}, {8, 8, emptyValue}, {7, 1, emptyValue}, {6, 6, white},
    };
    for (int n = 1; n <= 10; ++n) {
        const auto& sq = squares[n - 1];
        g.s.moveColumn[n] = sq[0];
        g.s.moveRow[n] = sq[1];
        g.s.board[sq[0]][sq[1]] = sq[2];
    }
    g.s.lastMoveNumber = 10;
    g.form.display().描画_全手順番号();
    EXPECT_EQ(linesStartingWith(g.lines(), "text"), (Lines{"text \"1\" 2542 2746 14 0",
                                                           "text \"3\" 1282 856 14 16777215",
                                                           "text \"4\" 6322 5896 14 16777215",
                                                           "text \"5\" 1912 1486 14 16777215",
                                                           "text \"10\" 4369 4006 14 0"}));
}

TEST(MoveNumbers, AfterSteppingBackOnlyTheMovesOfTheShownPositionAreNumbered)
{
    TestGame g;
    // Moves 1..30 on the first 30 squares; the shown position is move 25, so
    // the squares of moves 26..30 are empty in it.
    for (int n = 1; n <= 30; ++n) {
        const int x = 1 + (n - 1) / 9;
        const int y = 1 + (n - 1) % 9;
        g.s.moveColumn[n] = x;
        g.s.moveRow[n] = y;
        g.s.board[x][y] = n <= 25 ? black : emptyValue;
    }
    g.s.lastMoveNumber = 30;
    g.s.moveNumber = 25;
    g.form.display().描画_全手順番号();
    Lines numbers;
    for (const std::string& line : linesStartingWith(g.lines(), "text"))
        numbers.push_back(line.substr(6, line.find('"', 6) - 6));
    Lines expected;
    for (int n = 1; n <= 25; ++n)
        expected.push_back(std::to_string(n));
    EXPECT_EQ(numbers, expected);
}

}  // namespace
}  // namespace korvalo::testing
