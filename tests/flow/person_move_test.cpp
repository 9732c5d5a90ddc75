#include <gtest/gtest.h>

#include "rules/snapshots.h"
#include "rules/turn_order.h"
#include "support/game_driver.h"

namespace korvalo::testing {
namespace {

using Lines = std::vector<std::string>;

// One person on black, no computer turn yet: black to move at the start.
struct BlackToMove : LoadedGame {
    BlackToMove()
    {
        game.form.JYUNBAN_1_Click();
        game.clear();
    }
    bool refused() const
    {
        return !linesStartingWith(game.lines(), "sound dsPlay 禁止.wav").empty();
    }
};

TEST(PersonMove, SquaresAreFoundByRoundingDownWithTheLabelBandOutside)
{
    struct Press { double x, y; bool onASquare; };
    // a3 and i3 and e1 and e9 are all illegal for black at the start, so a
    // press on them is refused with the forbidden sound; off the squares nothing happens.
    const Press presses[] = {
        {1029.9, squareY(3), false}, {1030, squareY(3), true},   // column 1 starts at 400 + 630
        {6699.9, squareY(3), true},  {6700, squareY(3), false},  // column 9 ends before 400 + 10 x 630
        {squareX(5), 729.9, false},  {squareX(5), 730, true},    // row 1 starts at 100 + 630
        {squareX(5), 6399.9, true},  {squareX(5), 6400, false},
        {-5, -5, false},             {300, 300, false},
    };
    for (const Press& p : presses) {
        BlackToMove t;
        t.game.form.Form_MouseDown(1, 0, p.x, p.y);
        EXPECT_EQ(t.refused(), p.onASquare) << p.x << "," << p.y;
        if (!p.onASquare) {
            EXPECT_TRUE(t.game.lines(true).empty()) << p.x << "," << p.y;
        }
    }
}

TEST(PersonMove, EveryButtonPlaysAlike)
{
    Lines previous;
    for (int button : {1, 2, 4}) {
        BlackToMove t;
        clickSquare(t.game.form, 4, 3, button);
        EXPECT_EQ(t.game.s.history[1][4][3], black);
        if (!previous.empty()) {
            EXPECT_EQ(t.game.lines(true), previous) << "button " << button;
        }
        previous = t.game.lines(true);
    }
}

TEST(PersonMove, IllegalPressMarksThePlayableSquaresUntilReleaseAndChangesNothing)
{
    BlackToMove t;
    const GameState before = t.game.s;
    t.game.form.Form_MouseDown(1, 0, squareX(5), squareY(5));  // the empty centre
    const Lines marks = linesStartingWith(t.game.lines(true), "picture KOMA_SIDOU");
    EXPECT_EQ(marks, (Lines{"picture KOMA_SIDOU 0 1660 1990", "picture KOMA_SIDOU 0 1660 2620",
                            "picture KOMA_SIDOU 0 2920 1990", "picture KOMA_SIDOU 0 4810 2620",
                            "picture KOMA_SIDOU 0 5440 2620", "picture KOMA_SIDOU 0 5440 3880"}));
    EXPECT_EQ(boardText(t.game.s.board), boardText(before.board));
    EXPECT_EQ(t.game.s.moveNumber, 0);
    EXPECT_EQ(t.game.s.turnColour, black);

    t.game.clear();
    t.game.form.Form_MouseUp(1, 0, squareX(5), squareY(5));
    const Lines redrawn = linesStartingWith(t.game.lines(true), "picture");
    EXPECT_EQ(redrawn.size(), 81u - 16u);
    for (const std::string& mark : marks) {
        const std::string square = "picture MASU 0" + mark.substr(std::string("picture KOMA_SIDOU 0").size());
        EXPECT_NE(std::find(redrawn.begin(), redrawn.end(), square), redrawn.end()) << square;
    }
}

TEST(PersonMove, OnePersonMovesThenTheThreeComputersAnswer)
{
    BlackToMove t;
    clickSquare(t.game.form, 4, 3);
    const GameState& s = t.game.s;
    EXPECT_EQ(s.moveNumber, 4);
    EXPECT_EQ(s.lastMoveNumber, 4);
    EXPECT_EQ(s.turnColour, black);
    EXPECT_EQ(s.moveColumn[1], 4);
    EXPECT_EQ(s.moveRow[1], 3);
    for (int k = 1; k <= 4; ++k) {
        EXPECT_EQ(colourOfMove(s, k), k);  // black, blue, white, red in turn
        EXPECT_EQ(s.history[k][s.moveColumn[k]][s.moveRow[k]], k);
    }
    // No pause before the person's stone: the first line is its click.
    EXPECT_EQ(t.game.lines().front(), "sound dsPlay 石打音.wav");
}

TEST(PersonMove, APersonWithoutSquarePassesOnAnyPressWithTheMessageTwice)
{
    LoadedGame loaded;
    TestGame& game = loaded.game;
    GameState& s = game.s;
    s.playerKind = {0, computerValue, humanValue, computerValue, computerValue};
    s.gameMode = modeBlue;
    // Blue has no stone; black can take white's stone.
    game.setBoard(".........\n.13......\n.........\n.........\n.........\n"
                  ".........\n.........\n.........\n.........\n");
    s.turnColour = blue;
    保存_オセロ盤(s, 0);
    game.clear();
    clickSquare(game.form, 9, 9);
    const Lines boxes = linesStartingWith(game.lines(), "msgbox");
    ASSERT_GE(boxes.size(), 2u);
    EXPECT_EQ(boxes[0], "msgbox \"　　PASS\" \"　　青の手番\" OK none -> OK");
    EXPECT_EQ(boxes[1], "msgbox \"　　PASS\" \"　　青の手番\" OK none -> OK");
}

TEST(PersonMove, FourPersonsPassInTurnAndStopAtTheFirstThatCanPlay)
{
    LoadedGame loaded;
    TestGame& game = loaded.game;
    GameState& s = game.s;
    game.form.PLAY_4_Click();
    // After black's c1 blue has no stone, white's lone stone encloses
    // nothing, and red can take e5 from d5.
    game.setBoard("12.......\n.........\n.........\n.........\n....14...\n"
                  ".........\n.........\n.........\n........3\n");
    保存_オセロ盤(s, 0);
    game.clear();
    clickSquare(game.form, 3, 1);
    EXPECT_EQ(s.turnColour, red);
    const Lines events = game.lines();
    const Lines texts = linesStartingWith(events, "text");
    const Lines boxes = linesStartingWith(events, "msgbox");
    EXPECT_EQ(boxes, (Lines{"msgbox \"　　PASS\" \"　　青の手番\" OK none -> OK",
                            "msgbox \"　　PASS\" \"　　白の手番\" OK none -> OK"}));
    EXPECT_EQ(texts, (Lines{"text \"青\" 7015 3250 12 16777215", "text \"の番です\" 7393 3250 12 16777215",
                            "text \"白\" 7015 3250 12 16777215", "text \"の番です\" 7393 3250 12 16777215",
                            "text \"赤\" 7015 3250 12 16777215", "text \"の番です\" 7393 3250 12 16777215"}));
}

TEST(PersonMove, FourPersonsWhoseColourCannotPlayPassWithOnePress)
{
    LoadedGame loaded;
    TestGame& game = loaded.game;
    game.form.PLAY_4_Click();
    game.setBoard(".........\n.13......\n.........\n.........\n.........\n"
                  ".........\n.........\n.........\n.........\n");
    game.s.turnColour = blue;
    game.clear();
    clickSquare(game.form, 9, 9);
    EXPECT_EQ(game.s.turnColour, white);
    EXPECT_EQ(linesStartingWith(game.lines(), "msgbox"),
              (Lines{"msgbox \"　　PASS\" \"　　青の手番\" OK none -> OK"}));
}

}  // namespace
}  // namespace korvalo::testing
