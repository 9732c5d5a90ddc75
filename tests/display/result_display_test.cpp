#include <gtest/gtest.h>

#include <set>

#include "display/display_support.h"

namespace korvalo::testing {
namespace {

using Lines = std::vector<std::string>;

// Runs the count-out and returns the lines after the wipe of the board, which
// it checks: 81 empty squares, one refresh and half a second.
Lines countOut(TestGame& g, int nBlack, int nBlue, int nWhite, int nRed)
{
    giveStoneSound(g);
    g.form.display().描画_判定(nBlack, nBlue, nWhite, nRed);
    const Lines& all = g.lines(true);
    EXPECT_GE(all.size(), 83u);
    if (all.size() < 83)
        return {};
    Lines wipe;
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y)
            wipe.push_back(pictureLine("MASU", 0, x, y));
    wipe.push_back("refresh");
    wipe.push_back("wait 0.5");
    EXPECT_EQ(Lines(all.begin(), all.begin() + 83), wipe);
    return Lines(all.begin() + 83, all.end());
}

Lines stepEnd() { return {"sound dsPlay 石打音.wav", "refresh", "wait 0.2"}; }

TEST(CountOut, AllZeroEndsAfterTheWipeAndThePauseWithoutSound)
{
    TestGame g;
    g.seat(humanValue, humanValue, humanValue, humanValue);
    const std::string board = boardText(g.s.board);
    EXPECT_EQ(countOut(g, 0, 0, 0, 0), Lines{});
    EXPECT_DOUBLE_EQ(g.ui.now, 0.5);
    EXPECT_EQ(boardText(g.s.board), board);  // the board itself is not touched
}

TEST(CountOut, TakenCornerIsSkippedAndAColourWithNoPiecesNeverJoinsAStep)
{
    TestGame g;
    const Lines rest = countOut(g, 9, 1, 0, 1);
    Lines expected = {pictureLine("KURO", 1, 9, 9), pictureLine("AO", 1, 1, 9), pictureLine("AKA", 1, 9, 1)};
    const Lines end = stepEnd();
    expected.insert(expected.end(), end.begin(), end.end());
    for (int row = 8; row >= 2; --row) {
        expected.push_back(pictureLine("KURO", 1, 9, row));
        expected.insert(expected.end(), end.begin(), end.end());
    }
    // Red took column 9, row 1: black's ninth piece turns into column 8.
    expected.push_back(pictureLine("KURO", 1, 8, 9));
    expected.insert(expected.end(), end.begin(), end.end());
    EXPECT_EQ(rest, expected);
}

TEST(CountOut, TheLargestCountSetsTheStepsAndItsColourPlacesTheLastPieceAlone)
{
    TestGame g;
    const Lines rest = countOut(g, 20, 20, 21, 20);
    EXPECT_EQ(linesStartingWith(rest, "sound").size(), 21u);
    EXPECT_EQ(linesStartingWith(rest, "wait 0.2").size(), 21u);
    ASSERT_GE(rest.size(), 4u);
    EXPECT_EQ(Lines(rest.end() - 3, rest.end()), stepEnd());
    EXPECT_EQ(rest[rest.size() - 4].rfind("picture SIRO 1 ", 0), 0u) << rest[rest.size() - 4];
    EXPECT_EQ(rest[rest.size() - 5], "wait 0.2");  // the previous step ends right before it
    // 81 pieces in all: every square receives exactly one.
    const Lines pictures = linesStartingWith(rest, "picture");
    std::set<std::string> squares;
    for (const std::string& line : pictures)
        squares.insert(line.substr(line.find(' ', 8)));
    EXPECT_EQ(pictures.size(), 81u);
    EXPECT_EQ(squares.size(), 81u);
}

TEST(CountOut, OneColourFillsTheBoardFromItsCornerColumnByColumn)
{
    TestGame g;
    const Lines rest = countOut(g, 81, 0, 0, 0);
    Lines expected;
    for (int x = 9; x >= 1; --x) {
        for (int y = 9; y >= 1; --y) {
            expected.push_back(pictureLine("KURO", 1, x, y));
            const Lines end = stepEnd();
            expected.insert(expected.end(), end.begin(), end.end());
        }
    }
    EXPECT_EQ(rest, expected);
    EXPECT_NEAR(g.ui.now, 0.5 + 81 * 0.2, 1e-9);
}

TEST(ColourSquares, EachColourWalksFromItsCornerAndTurnsAtTheEndOfItsLine)
{
    using Square = std::pair<int, int>;
    auto firstTen = [](int c) {
        TestGame g;
        std::vector<Square> out;
        for (int i = 0; i < 10; ++i) {
            int x = 0, y = 0;
            g.form.display().取得_色座標(c, x, y);
            out.push_back({x, y});
        }
        return out;
    };
    EXPECT_EQ(firstTen(black), (std::vector<Square>{{9, 9}, {9, 8}, {9, 7}, {9, 6}, {9, 5}, {9, 4}, {9, 3},
                                                    {9, 2}, {9, 1}, {8, 9}}));
    EXPECT_EQ(firstTen(blue), (std::vector<Square>{{1, 9}, {2, 9}, {3, 9}, {4, 9}, {5, 9}, {6, 9}, {7, 9},
                                                   {8, 9}, {9, 9}, {1, 8}}));
    EXPECT_EQ(firstTen(white), (std::vector<Square>{{1, 1}, {1, 2}, {1, 3}, {1, 4}, {1, 5}, {1, 6}, {1, 7},
                                                    {1, 8}, {1, 9}, {2, 1}}));
    EXPECT_EQ(firstTen(red), (std::vector<Square>{{9, 1}, {8, 1}, {7, 1}, {6, 1}, {5, 1}, {4, 1}, {3, 1},
                                                  {2, 1}, {1, 1}, {9, 2}}));
}

TEST(ColourSquares, NoFreeSquareOrAnUnknownColourLeavesTheOutputs)
{
    TestGame g;
    int x = 42, y = 43;
    g.form.display().取得_色座標(noneValue, x, y);
    EXPECT_EQ(std::pair(x, y), std::pair(42, 43));
    EXPECT_EQ(g.s.viewBoard[1][1], emptyValue);

    for (int i = 1; i <= 9; ++i)
        for (int j = 1; j <= 9; ++j)
            g.s.viewBoard[i][j] = 1;
    g.form.display().取得_色座標(black, x, y);
    EXPECT_EQ(std::pair(x, y), std::pair(42, 43));
}

}  // namespace
}  // namespace korvalo::testing
