#include <gtest/gtest.h>

#include "display/display_support.h"
#include "rules/legality.h"

namespace korvalo::testing {
namespace {

using Lines = std::vector<std::string>;

TEST(FlipAnimation, OldColourForThreeFramesThenNewColourEachHeldATenth)
{
    TestGame g;
    g.s.board[2][3] = black;
    g.form.display().描画_駒回転(2, 3, red);
    EXPECT_EQ(g.lines(true), turningFrames(2, 3, "KURO", "AKA"));
    EXPECT_EQ(g.s.board[2][3], black);  // the caller stores the new colour
    EXPECT_DOUBLE_EQ(g.ui.now, 0.6);
}

TEST(FlipAnimation, EmptyCellKeepsItsSquareForThreeFramesThenShowsTheNewColour)
{
    TestGame g;
    g.form.display().描画_駒回転(9, 1, white);
    Lines expected = {"refresh", "wait 0.1", "refresh", "wait 0.1", "refresh", "wait 0.1"};
    for (int element : {4, 5, 1}) {
        expected.push_back(pictureLine("SIRO", element, 9, 1));
        expected.push_back("refresh");
        expected.push_back("wait 0.1");
    }
    EXPECT_EQ(g.lines(true), expected);
}

// Per turned stone: the pause, one click, then the six frames.
Lines turnedStone(int x, int y, const std::string& from, const std::string& to)
{
    Lines out = {"wait 0.05", "sound dsPlay 石打音.wav"};
    for (const std::string& line : turningFrames(x, y, from, to))
        out.push_back(line);
    return out;
}

TEST(FlipAnimation, FlipFromTheStartTurnsD4ThenD5EachWithPauseClickAndFrames)
{
    TestGame g;
    g.seat(humanValue, computerValue, computerValue, computerValue);
    giveStoneSound(g);
    ASSERT_EQ(置けるか(g.s, 4, 3, black), trueValue);
    g.form.反転(4, 3, black);
    Lines expected = turnedStone(4, 4, "AO", "KURO");
    for (const std::string& line : turnedStone(4, 5, "AO", "KURO"))
        expected.push_back(line);
    EXPECT_EQ(g.lines(true), expected);
    EXPECT_EQ(g.s.board[4][4], black);
    EXPECT_EQ(g.s.board[4][5], black);
    EXPECT_EQ(g.s.board[4][3], emptyValue);
}

TEST(FlipAnimation, FlipAnimatesEachStoneFromItsOwnOldColourDirectionByDirection)
{
    TestGame g;
    g.s.playerKind = {0, computerValue, humanValue, computerValue, humanValue};
    giveStoneSound(g);
    g.setBoard(".........\n"
               ".........\n"
               "..1.1.1..\n"
               "...234...\n"
               "..12.341.\n"
               "...432...\n"
               "..1.1.1..\n"
               ".........\n"
               ".........\n");
    ASSERT_EQ(置けるか(g.s, 5, 5, black), trueValue);
    g.form.反転(5, 5, black);
    struct Stone {
        int x, y;
        const char* from;
    };
    const Stone order[] = {
        {4, 5, "AO"},                  // left
        {6, 5, "SIRO"}, {7, 5, "AKA"},  // right, nearest first
        {5, 4, "SIRO"},                // up
        {5, 6, "SIRO"},                // down
        {4, 4, "AO"},                  // up-left
        {4, 6, "AKA"},                 // down-left
        {6, 6, "AO"},                  // down-right
        {6, 4, "AKA"},                 // up-right
    };
    Lines expected;
    for (const Stone& st : order)
        for (const std::string& line : turnedStone(st.x, st.y, st.from, "KURO"))
            expected.push_back(line);
    EXPECT_EQ(g.lines(true), expected);
}

}  // namespace
}  // namespace korvalo::testing
