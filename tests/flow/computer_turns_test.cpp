#include <gtest/gtest.h>

#include "rules/snapshots.h"
#include "rules/turn_order.h"
#include "support/game_driver.h"

namespace korvalo::testing {
namespace {

using Lines = std::vector<std::string>;

Lines waitsAndSounds(const Lines& lines)
{
    Lines out;
    for (const std::string& line : lines)
        if (line.rfind("wait", 0) == 0 || line.rfind("sound", 0) == 0)
            out.push_back(line);
    return out;
}

TEST(ComputerTurn, ThinksPausesClicksBlinksTurnsAndHandsOn)
{
    LoadedGame loaded;
    TestGame& game = loaded.game;
    game.form.JYUNBAN_2_Click();  // black is the computer and plays at once
    GameState& s = game.s;
    ASSERT_EQ(s.moveNumber, 1);
    // b3 is black's best square at the start (0.5); it turns c4 and d5.
    EXPECT_EQ(s.moveColumn[1], 2);
    EXPECT_EQ(s.moveRow[1], 3);
    EXPECT_EQ(s.board[2][3], black);
    EXPECT_EQ(s.board[3][4], black);
    EXPECT_EQ(s.board[4][5], black);
    EXPECT_EQ(s.turnColour, blue);
    EXPECT_EQ(s.lastMoveNumber, 1);
    EXPECT_EQ(positionText(s.history[1]), boardText(s.board));

    Lines expected(6, "wait 0.3");  // the hand visits black's six squares
    expected.push_back("wait 0.5");
    expected.push_back("sound dsPlay 石打音.wav");
    expected.insert(expected.end(), 6, "wait 0.1");  // blink
    for (int stone = 0; stone < 2; ++stone) {
        expected.push_back("wait 0.05");
        expected.push_back("sound dsPlay 石打音.wav");
        expected.insert(expected.end(), 6, "wait 0.1");
    }
    EXPECT_EQ(waitsAndSounds(game.lines()), expected);
    // The turn line of blue comes last.
    const Lines texts = linesStartingWith(game.lines(), "text");
    ASSERT_GE(texts.size(), 2u);
    EXPECT_EQ(texts[texts.size() - 2], "text \"青\" 7015 3250 12 16777215");
}

TEST(ComputerTurn, AColourWithoutSquarePassesExactlyOneTurn)
{
    LoadedGame loaded;
    TestGame& game = loaded.game;
    GameState& s = game.s;
    s.playerKind = {0, humanValue, computerValue, computerValue, computerValue};
    s.gameMode = modeBlack;
    // Red has no stone; black and white can play.
    game.setBoard(".........\n.........\n...13....\n...31....\n.........\n"
                  ".........\n.........\n.........\n.........\n");
    s.turnColour = red;
    保存_オセロ盤(s, 0);
    game.clear();
    EXPECT_EQ(game.form.com_ban(s.turnColour), humanValue);
    EXPECT_EQ(s.turnColour, black);
    EXPECT_EQ(s.moveNumber, 0);
    const Lines events = game.lines();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.front(), "msgbox \"　　PASS\" \"　　赤の手番\" OK none -> OK");
    EXPECT_EQ(linesStartingWith(events, "text \"黒\"").size(), 1u);
}

TEST(ComputerTurn, MovesAfterWhichOthersPassAnnounceEachInTurnOrder)
{
    LoadedGame loaded;
    TestGame& game = loaded.game;
    GameState& s = game.s;
    s.playerKind = {0, computerValue, computerValue, humanValue, computerValue};
    s.gameMode = modeWhite;
    // Black takes the blue stone on b1 from c1; then only white (b2 over c2... ) can play.
    game.setBoard("12.......\n.34......\n.........\n.........\n.........\n"
                  ".........\n.........\n.........\n.........\n");
    // After black's move blue has no stone, white can take d2's red stone from e2.
    s.turnColour = black;
    保存_オセロ盤(s, 0);
    game.clear();
    EXPECT_EQ(game.form.com_ban(s.turnColour), humanValue);
    EXPECT_EQ(s.turnColour, white);
    const Lines events = game.lines();
    const Lines boxes = linesStartingWith(events, "msgbox");
    EXPECT_EQ(boxes, (Lines{"msgbox \"　　PASS\" \"　　青の手番\" OK none -> OK"}));
    // Blue's turn line comes before its pass message, white's after it.
    auto at = [&](const std::string& line) { return std::find(events.begin(), events.end(), line) - events.begin(); };
    EXPECT_LT(at("text \"青\" 7015 3250 12 16777215"), at(boxes[0]));
    EXPECT_GT(at("text \"白\" 7015 3250 12 16777215"), at(boxes[0]));
}

TEST(ComputerTurn, AMoveThatLeavesNobodyAbleToPlayEndsTheGameOnce)
{
    LoadedGame loaded;
    TestGame& game = loaded.game;
    GameState& s = game.s;
    s.playerKind = {0, computerValue, humanValue, humanValue, humanValue};
    s.gameMode = modeBlue;
    game.setBoard("12.......\n.........\n.........\n.........\n.........\n"
                  ".........\n.........\n.........\n.........\n");
    s.turnColour = black;
    保存_オセロ盤(s, 0);
    game.clear();
    EXPECT_EQ(game.form.com_ban(s.turnColour), 0);
    EXPECT_EQ(linesStartingWith(game.lines(), "msgbox \"終了しました\"").size(), 1u);
    EXPECT_EQ(s.turnColour, noneValue);
}

TEST(ComputerTurn, AfterSteppingBackTheNewMoveCutsTheLaterOnesOff)
{
    LoadedGame loaded;
    TestGame& game = loaded.game;
    game.form.JYUNBAN_3_Click();  // black and blue move; white (a person) to move
    clickSquare(game.form, legalSquares(game.s, white)[0].first, legalSquares(game.s, white)[0].second);
    GameState& s = game.s;
    const int last = s.lastMoveNumber;
    ASSERT_GE(last, 4);
    game.form.MODORU_Click();
    while (s.moveNumber > 0 && s.playerKind[s.turnColour] != computerValue)
        game.form.MODORU_Click();
    ASSERT_LT(s.moveNumber, last);
    // A press while a computer colour is to move lets the computer seats play on.
    ASSERT_EQ(s.playerKind[s.turnColour], computerValue);
    game.form.Form_MouseDown(1, 0, 10, 10);
    EXPECT_EQ(s.moveNumber, s.lastMoveNumber);
    EXPECT_EQ(s.turnColour, white);
    for (int k = 1; k <= s.lastMoveNumber; ++k)
        EXPECT_NE(colourOfMove(s, k), 0) << k;
}

}  // namespace
}  // namespace korvalo::testing
