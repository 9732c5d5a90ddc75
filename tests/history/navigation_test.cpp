#include <gtest/gtest.h>

#include "rules/snapshots.h"
#include "support/game_driver.h"

namespace korvalo::testing {
namespace {

using Lines = std::vector<std::string>;

TEST(Navigation, BackAtTheStartAndForwardAtTheNewestAreRefused)
{
    LoadedGame loaded;
    TestGame& game = loaded.game;
    game.form.MODORU_Click();
    game.form.SUSUMU_Click();
    EXPECT_EQ(game.lines(true), (Lines{"sound dsPlay 禁止.wav", "msgbox \"戻れません\" \"戻る\" OK none -> OK",
                                       "sound dsPlay 禁止.wav", "msgbox \"進めません\" \"進む\" OK none -> OK"}));
    game.form.JYUNBAN_1_Click();
    clickSquare(game.form, 4, 3);
    const GameState before = game.s;
    game.clear();
    game.form.SUSUMU_Click();
    EXPECT_EQ(game.lines(true), (Lines{"sound dsPlay 禁止.wav", "msgbox \"進めません\" \"進む\" OK none -> OK"}));
    EXPECT_EQ(boardText(game.s.board), boardText(before.board));
    EXPECT_EQ(game.s.moveNumber, before.moveNumber);
    EXPECT_EQ(game.s.turnColour, before.turnColour);
}

TEST(Navigation, BackAndForwardShowStoredPositionsAndSetTheColourToMove)
{
    LoadedGame loaded;
    TestGame& game = loaded.game;
    game.form.JYUNBAN_1_Click();
    clickSquare(game.form, 4, 3);
    GameState& s = game.s;
    ASSERT_EQ(s.lastMoveNumber, 4);
    const std::string newest = boardText(s.board);

    game.clear();
    game.form.MODORU_Click();
    EXPECT_EQ(s.moveNumber, 3);
    EXPECT_EQ(s.turnColour, red);  // red made move 4
    EXPECT_EQ(boardText(s.board), positionText(s.history[3]));
    const Lines events = game.lines();
    EXPECT_EQ(events.front(), "sound dsPlay 石打音.wav");
    EXPECT_EQ(linesStartingWith(events, "text \"赤\"").size(), 1u);

    for (int k = 3; k > 0; --k)
        game.form.MODORU_Click();
    EXPECT_EQ(s.moveNumber, 0);
    EXPECT_EQ(s.turnColour, black);
    game.form.SUSUMU_Click();
    game.form.SUSUMU_Click();
    game.form.SUSUMU_Click();
    game.form.SUSUMU_Click();
    EXPECT_EQ(s.moveNumber, 4);
    EXPECT_EQ(boardText(s.board), newest);
    EXPECT_EQ(s.turnColour, black);  // rotation after red
    EXPECT_EQ(s.lastMoveNumber, 4);
}

TEST(Navigation, MoveNumbersFollowThePositionShownOnlyWhenTicked)
{
    LoadedGame loaded;
    TestGame& game = loaded.game;
    game.form.JYUNBAN_1_Click();
    clickSquare(game.form, 4, 3);
    game.clear();
    game.form.MODORU_Click();
    EXPECT_TRUE(linesStartingWith(game.lines(), "text \"").size() == 2u);  // the turn line only

    game.ui.setChecked(CheckItem::TEJYUN, true);
    game.clear();
    game.form.MODORU_Click();  // position 2: moves 1 and 2 are numbered
    const Lines numbers = linesStartingWith(game.lines(), "text \"");
    ASSERT_EQ(numbers.size(), 4u);
    EXPECT_EQ(numbers[0].substr(0, 9), "text \"1\" ");
    EXPECT_EQ(numbers[1].substr(0, 9), "text \"2\" ");
}

TEST(Navigation, PlayingFromASteppedBackPositionCutsTheLaterMovesOff)
{
    LoadedGame loaded;
    TestGame& game = loaded.game;
    game.form.PLAY_4_Click();
    GameState& s = game.s;
    for (int k = 0; k < 7; ++k) {
        const auto squares = legalSquares(s, s.turnColour);
        clickSquare(game.form, squares.back().first, squares.back().second);
    }
    ASSERT_EQ(s.lastMoveNumber, 7);
    for (int k = 0; k < 3; ++k)
        game.form.MODORU_Click();
    ASSERT_EQ(s.moveNumber, 4);
    const auto squares = legalSquares(s, s.turnColour);
    clickSquare(game.form, squares.front().first, squares.front().second);
    EXPECT_EQ(s.moveNumber, 5);
    EXPECT_EQ(s.lastMoveNumber, 5);
    game.clear();
    game.form.SUSUMU_Click();
    EXPECT_EQ(linesStartingWith(game.lines(), "msgbox"), (Lines{"msgbox \"進めません\" \"進む\" OK none -> OK"}));
}

TEST(Navigation, FirstDiscardsTheGameAtOnce)
{
    LoadedGame loaded;
    TestGame& game = loaded.game;
    game.form.JYUNBAN_3_Click();
    game.clear();
    game.form.SAISYO_Click();
    EXPECT_TRUE(linesStartingWith(game.lines(), "msgbox").empty());
    EXPECT_EQ(game.s.turnColour, noneValue);
    EXPECT_EQ(game.s.lastMoveNumber, 0);
    game.clear();
    game.form.MODORU_Click();
    game.form.SUSUMU_Click();
    EXPECT_EQ(linesStartingWith(game.lines(), "msgbox").size(), 2u);
}

TEST(Snapshots, SaveAndReadTouchOnlyThePlayingSquares)
{
    GameState s;
    placeStartingPosition(s);
    for (int i = 0; i <= 11; ++i) {
        s.board[0][i] = s.board[10][i] = s.board[11][i] = 7;
        s.board[i][0] = s.board[i][10] = s.board[i][11] = 7;
    }
    保存_オセロ盤(s, 5);
    for (int i = 0; i <= 9; ++i) {
        EXPECT_EQ(s.history[5][0][i], emptyValue);
        EXPECT_EQ(s.history[5][i][0], emptyValue);
    }
    Grid saved = s.board;
    for (int x = 1; x <= 9; ++x)
        for (int y = 1; y <= 9; ++y)
            s.board[x][y] = emptyValue;
    読出_オセロ盤(s, 5);
    EXPECT_EQ(s.board, saved);  // the ring of 7s is still there, the squares are back
}

}  // namespace
}  // namespace korvalo::testing
