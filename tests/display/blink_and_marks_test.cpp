#include <gtest/gtest.h>

#include "display/display_support.h"

namespace korvalo::testing {
namespace {

using Lines = std::vector<std::string>;

TEST(Blink, EachPhaseIsPushedToTheScreenAndHeldATenthEndingOnThePiece)
{
    TestGame g;
    g.form.display().描画_駒点滅(6, 2, white, 2);
    const Lines phase = {pictureLine("MASU", 0, 6, 2), "refresh", "wait 0.1",
                         pictureLine("SIRO", 1, 6, 2), "refresh", "wait 0.1"};
    Lines expected = phase;
    expected.insert(expected.end(), phase.begin(), phase.end());
    EXPECT_EQ(g.lines(true), expected);

    g.clear();
    g.form.display().描画_駒点滅(6, 2, white, blinkCount);
    EXPECT_EQ(g.lines(true).size(), 3 * phase.size());
}

TEST(Blink, CountOfZeroOrLessDrawsNothing)
{
    TestGame g;
    g.form.display().描画_駒点滅(6, 2, white, 0);
    g.form.display().描画_駒点滅(6, 2, white, -1);
    EXPECT_EQ(g.lines(true), Lines{});
}

TEST(PlayableMarks, ExactlyTheFivePlayableSquaresInScanOrderWithoutRefresh)
{
    TestGame g;
    g.seat(humanValue, computerValue, computerValue, computerValue);
    g.setBoard(".........\n"
               ".........\n"
               ".........\n"
               "...22....\n"
               "...212...\n"
               "....2....\n"
               ".........\n"
               ".........\n"
               ".........\n");
    const std::string before = boardText(g.s.board);
    g.form.display().描画_措可桝(black);
    EXPECT_EQ(g.lines(true), (Lines{pictureLine("KOMA_SIDOU", 0, 3, 3), pictureLine("KOMA_SIDOU", 0, 3, 5),
                                    pictureLine("KOMA_SIDOU", 0, 5, 3), pictureLine("KOMA_SIDOU", 0, 5, 7),
                                    pictureLine("KOMA_SIDOU", 0, 7, 5)}));
    EXPECT_EQ(boardText(g.s.board), before);  // marks are never stored
}

}  // namespace
}  // namespace korvalo::testing
