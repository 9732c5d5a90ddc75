#include <gtest/gtest.h>

#include "display/display_support.h"

namespace korvalo::testing {
namespace {

using Lines = std::vector<std::string>;

TEST(BoardDrawing, CellPointsTurnIntoTwipsAndEveryTextRefreshes)
{
    TestGame g;
    g.form.display().描画_文字列(0.3, 1.3, "x", 15, whiteColour);
    g.form.display().描画_文字列(1.4, 0.4, "y", 12, 0);
    g.form.display().描画_文字列(10.5, 5, "z", 12, whiteColour);
    EXPECT_EQ(g.lines(true), (Lines{"text \"x\" 589 919 15 16777215", "refresh",  //
                                    "text \"y\" 1282 352 12 0", "refresh",        //
                                    "text \"z\" 7015 3250 12 16777215", "refresh"}));
}

TEST(BoardDrawing, NumbersArePrintedWithTheBlankOfTheirSignAndStringsUnchanged)
{
    TestGame g;
    g.form.display().描画_文字列(0.3, 1.3, 5, 15, whiteColour);
    g.form.display().描画_文字列(0.3, 1.3, 12, 15, whiteColour);
    g.form.display().描画_文字列(0.3, 1.3, -3, 15, whiteColour);
    g.form.display().描画_文字列(0.3, 1.3, "5", 15, whiteColour);
    EXPECT_EQ(linesStartingWith(g.lines(), "text"),
              (Lines{"text \" 5\" 589 919 15 16777215", "text \" 12\" 589 919 15 16777215",
                     "text \"-3\" 589 919 15 16777215", "text \"5\" 589 919 15 16777215"}));
}

TEST(BoardDrawing, PiecesSquaresAndMarkUseTheirOwnPictureWithoutRefresh)
{
    TestGame g;
    g.form.display().描画_駒(3, 4, black);
    g.form.display().描画_駒(3, 4, blue);
    g.form.display().描画_駒(3, 4, white);
    g.form.display().描画_駒(3, 4, red);
    g.form.display().描画_駒(3, 4, markValue);
    g.form.display().描画_駒(3, 4, emptyValue);  // leaves the square as it is
    g.form.display().描画_駒(3, 4, noneValue);
    g.form.display().描画_桝(9, 9);
    EXPECT_EQ(g.lines(true), (Lines{"picture KURO 1 2290 2620", "picture AO 1 2290 2620",
                                    "picture SIRO 1 2290 2620", "picture AKA 1 2290 2620",
                                    "picture KOMA_SIDOU 0 2290 2620", "picture MASU 0 6070 5770"}));
}

TEST(BoardDrawing, WholeBoardCopiesEverySquareColumnByColumnFromTheBoard)
{
    TestGame g;
    g.seat(humanValue, humanValue, humanValue, humanValue);
    g.form.display().描画_オセロ盤();
    const Lines& lines = g.lines(true);
    ASSERT_EQ(lines.size(), 81u);  // no refresh, nothing else
    EXPECT_EQ(lines[0], "picture MASU 0 1030 730");
    EXPECT_EQ(lines[1], "picture MASU 0 1030 1360");
    EXPECT_EQ(lines[80], "picture MASU 0 6070 5770");
    // Column x, row y is line 9 (x - 1) + (y - 1).
    auto at = [&](int x, int y) { return lines[9 * (x - 1) + (y - 1)]; };
    EXPECT_EQ(at(4, 7), pictureLine("KURO", 1, 4, 7));
    EXPECT_EQ(at(3, 4), pictureLine("AO", 1, 3, 4));
    EXPECT_EQ(at(6, 3), pictureLine("SIRO", 1, 6, 3));
    EXPECT_EQ(at(7, 5), pictureLine("AKA", 1, 7, 5));
    EXPECT_EQ(at(5, 5), pictureLine("MASU", 0, 5, 5));
    EXPECT_EQ(linesStartingWith(lines, "picture MASU").size(), 81u - 16u);
}

TEST(BoardDrawing, RectangleCornerInCellUnitsAndSizeInTwips)
{
    TestGame g;
    g.form.display().描画_四角形(9.4, 2.8, 2000, 2600, backColour);
    EXPECT_EQ(g.lines(true), (Lines{"fill 6322 1864 2000 2600 32768"}));
}

TEST(BoardDrawing, LabelsStandAboveTheColumnsAndLeftOfTheRowsWithTheTitleRightOfTheBoard)
{
    TestGame g;
    g.form.display().描画_座標と題字();
    Lines expected = {"text \"a    b     c    d     e     f     g    h     i\" 1282 352 15 16777215", "refresh"};
    for (int r = 1; r <= 9; ++r) {
        expected.push_back("text \" " + std::to_string(r) + "\" 589 " + std::to_string(289 + 630 * r) +
                           " 15 16777215");
        expected.push_back("refresh");
    }
    expected.push_back("picture RABERU 0 7100 250");
    EXPECT_EQ(g.lines(true), expected);
    EXPECT_EQ(g.lines(true)[2], "text \" 1\" 589 919 15 16777215");
}

}  // namespace
}  // namespace korvalo::testing
