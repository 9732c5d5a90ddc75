#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "computer/move_choice.h"
#include "support/test_game.h"

namespace korvalo::testing {
namespace {

using Lines = std::vector<std::string>;
using Square = std::pair<int, int>;

TEST(SquareValue, WholeBoardInTenths)
{
    // Rows 1..9 top to bottom, columns a..i.
    const int table[9][9] = {
        {208, 7, 6, 5, 4, 5, 6, 7, 208},      {107, -94, 5, 4, 3, 4, 5, -94, 107},
        {106, 5, 4, 3, 2, 3, 4, 5, 106},      {105, 4, 3, 2, 1, 2, 3, 4, 105},
        {104, 3, 2, 1, 0, 1, 2, 3, 104},      {105, 4, 3, 2, 1, 2, 3, 4, 105},
        {106, 5, 4, 3, 2, 3, 4, 5, 106},      {107, -94, 5, 4, 3, 4, 5, -94, 107},
        {208, 7, 6, 5, 4, 5, 6, 7, 208},
    };
    for (int row = 1; row <= 9; ++row)
        for (int column = 1; column <= 9; ++column)
            EXPECT_EQ(取得_評価値(column, row), table[row - 1][column - 1]) << "column " << column << " row " << row;
}

// Colour c chooses on the given board, every other colour seated as a
// person; returns the square, leaving only the lines of the choice.
Square choose(TestGame& g, const std::string& board, int c = black)
{
    g.s.playerKind = {0, humanValue, humanValue, humanValue, humanValue};
    g.s.playerKind[c] = computerValue;
    g.setBoard(board);
    g.clear();
    int column = 0, row = 0;
    g.form.computer().COM置場所取得(c, column, row);
    return {column, row};
}

TEST(ComputerChoice, EqualValuesGoToTheFirstSquareScannedAndTheHandVisitsEachLegalSquare)
{
    TestGame g;
    // a3 and i3 are the only legal squares, both worth 10.6.
    EXPECT_EQ(choose(g, ".........\n"
                        ".........\n"
                        ".21...12.\n"
                        ".........\n"
                        ".........\n"
                        ".........\n"
                        ".........\n"
                        ".........\n"
                        ".........\n"),
              Square(1, 3));
    EXPECT_EQ(g.lines(true), (Lines{"icon TE 1 shown 0 0", "icon TE 1 shown 720 1950", "wait 0.3",
                                    "icon TE 1 shown 6320 1950", "wait 0.3", "icon TE 1 hidden"}));

    // e1 and e9 only, both 0.4: the top row comes first within a column.
    TestGame h;
    EXPECT_EQ(choose(h, ".........\n"
                        "....2....\n"
                        "....1....\n"
                        ".........\n"
                        ".........\n"
                        ".........\n"
                        "....1....\n"
                        "....2....\n"
                        ".........\n"),
              Square(5, 1));
}

TEST(ComputerChoice, HigherValueWinsWhereverItLiesInTheScan)
{
    TestGame g;
    // c1 (0.6) and a5 (10.4).
    EXPECT_EQ(choose(g, ".........\n"
                        "..2......\n"
                        "..1......\n"
                        ".........\n"
                        ".21......\n"
                        ".........\n"
                        ".........\n"
                        ".........\n"
                        ".........\n"),
              Square(1, 5));
    // b2 (-9.4) is scanned before e5 (0.0), which still wins.
    TestGame h;
    EXPECT_EQ(choose(h, ".........\n"
                        ".........\n"
                        "..2......\n"
                        "...1.....\n"
                        ".........\n"
                        "....2....\n"
                        "....1....\n"
                        ".........\n"
                        ".........\n"),
              Square(5, 5));
}

TEST(ComputerChoice, AnOnlyLegalSquareIsPlayedWhateverItsValue)
{
    TestGame g;
    // b2 only, worth -9.4.
    EXPECT_EQ(choose(g, ".........\n"
                        ".........\n"
                        "..2......\n"
                        "...1.....\n"
                        ".........\n"
                        ".........\n"
                        ".........\n"
                        ".........\n"
                        ".........\n"),
              Square(2, 2));
    EXPECT_EQ(g.lines(), (Lines{"icon TE 1 shown 0 0", "icon TE 1 shown 1420 1250", "wait 0.3",
                                "icon TE 1 hidden"}));
}

TEST(ComputerChoice, HandOfTheThinkingColourVisitsColumnsThenRowsAndTheChoiceRepeats)
{
    TestGame g;
    // White thinks; five legal squares: c3, c5, e3, e7, g5.
    const Square chosen = choose(g,
                                 ".........\n"
                                 ".........\n"
                                 ".........\n"
                                 "...22....\n"
                                 "...232...\n"
                                 "....2....\n"
                                 ".........\n"
                                 ".........\n"
                                 ".........\n",
                                 white);
    EXPECT_EQ(chosen, Square(3, 3));  // c3 (0.4) beats the four squares worth 0.2
    EXPECT_EQ(g.lines(), (Lines{"icon TE 3 shown 0 0",                    //
                                "icon TE 3 shown 2120 1950", "wait 0.3",  // c3
                                "icon TE 3 shown 2120 3350", "wait 0.3",  // c5
                                "icon TE 3 shown 3520 1950", "wait 0.3",  // e3
                                "icon TE 3 shown 3520 4750", "wait 0.3",  // e7
                                "icon TE 3 shown 4920 3350", "wait 0.3",  // g5
                                "icon TE 3 hidden"}));
    EXPECT_FALSE(g.ui.icon(IconPicture::TE, 3).visible);

    const std::string before = boardText(g.s.board);
    int column = 0, row = 0;
    g.form.computer().COM置場所取得(white, column, row);
    EXPECT_EQ(Square(column, row), chosen);
    EXPECT_EQ(boardText(g.s.board), before);
}

}  // namespace
}  // namespace korvalo::testing
