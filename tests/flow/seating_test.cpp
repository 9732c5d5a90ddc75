#include <gtest/gtest.h>

#include "support/game_driver.h"

namespace korvalo::testing {
namespace {

using Lines = std::vector<std::string>;
using Command = void (Form1::*)();

TEST(Seating, JyunbanThreeFromNoGameLetsBlackAndBlueOpenWithoutAMessage)
{
    LoadedGame loaded;
    TestGame& game = loaded.game;
    game.form.JYUNBAN_3_Click();
    EXPECT_EQ(game.s.turnColour, white);
    EXPECT_EQ(game.s.gameMode, modeWhite);
    EXPECT_EQ(game.s.moveNumber, 2);
    EXPECT_TRUE(linesStartingWith(game.lines(), "msgbox").empty());
}

TEST(Seating, JyunbanOneFromNoGameAsksBlackToMoveAndRunsNoComputer)
{
    LoadedGame loaded;
    TestGame& game = loaded.game;
    game.form.JYUNBAN_1_Click();
    EXPECT_EQ(game.s.turnColour, black);
    EXPECT_EQ(game.s.moveNumber, 0);
    EXPECT_EQ(linesStartingWith(game.lines(), "msgbox"), (Lines{"msgbox \"下の番です\" \"\" OK none -> OK"}));
    EXPECT_TRUE(linesStartingWith(game.lines(), "wait").empty());
}

TEST(Seating, FourPersonsDuringAComputerTurnRunNoComputer)
{
    LoadedGame loaded;
    TestGame& game = loaded.game;
    game.form.JYUNBAN_3_Click();
    game.form.MODORU_Click();  // blue, a computer colour, is to move again
    ASSERT_EQ(game.s.turnColour, blue);
    game.clear();
    game.form.PLAY_4_Click();
    EXPECT_EQ(game.s.turnColour, blue);
    EXPECT_EQ(game.s.moveNumber, 1);
    EXPECT_EQ(game.s.playerKind, (std::array<int, 5>{0, 1, 1, 1, 1}));
    EXPECT_TRUE(linesStartingWith(game.lines(), "wait").empty());
}

TEST(Seating, RedChosenWhileRedIsToMoveIsGreetedAndOtherwiseTheComputersPlayOn)
{
    LoadedGame loaded;
    TestGame& game = loaded.game;
    game.form.PLAY_4_Click();
    for (int c = black; c <= white; ++c) {
        const auto squares = legalSquares(game.s, c);
        clickSquare(game.form, squares[0].first, squares[0].second);
    }
    ASSERT_EQ(game.s.turnColour, red);
    game.clear();
    game.form.JYUNBAN_4_Click();
    EXPECT_EQ(linesStartingWith(game.lines(), "msgbox"), (Lines{"msgbox \"右の番です\" \" \" OK none -> OK"}));
    EXPECT_EQ(game.s.moveNumber, 3);

    game.form.JYUNBAN_1_Click();  // now red is the computer's: it plays up to black
    EXPECT_EQ(game.s.turnColour, black);
    EXPECT_EQ(game.s.moveNumber, 4);
}

TEST(Seating, SwitchingFromBlackToBlueWhileBlackIsToMoveLetsBlackPlay)
{
    LoadedGame loaded;
    TestGame& game = loaded.game;
    game.form.JYUNBAN_1_Click();
    game.form.JYUNBAN_2_Click();
    EXPECT_EQ(game.s.turnColour, blue);
    EXPECT_EQ(game.s.moveNumber, 1);
    // Choosing blue again while blue is to move greets the person.
    game.clear();
    game.form.JYUNBAN_2_Click();
    EXPECT_EQ(linesStartingWith(game.lines(), "msgbox"), (Lines{"msgbox \"左の番です\" \" \" OK none -> OK"}));
    EXPECT_EQ(game.s.moveNumber, 1);
}

struct SeatingCase {
    const char* name;
    Command command;
    int mode;
    std::array<int, 5> kinds;
};

class WholeGame : public ::testing::TestWithParam<SeatingCase> {};

TEST_P(WholeGame, IsPlayedFromTheMenuToTheRankingAndStartsOver)
{
    const SeatingCase& c = GetParam();
    LoadedGame loaded;
    TestGame& game = loaded.game;
    (game.form.*c.command)();
    EXPECT_EQ(game.s.playerKind, c.kinds);
    if (game.s.turnColour != noneValue) {
        EXPECT_EQ(game.s.gameMode, c.mode);
    }
    playOut(game);
    const Lines events = game.lines();
    ASSERT_EQ(linesStartingWith(events, "msgbox \"終了しました\"").size(), 1u);
    const Lines ranking = linesStartingWith(events, "msgbox \" 黒 ");
    ASSERT_EQ(ranking.size(), 1u);
    EXPECT_NE(ranking[0].find("\\r\\r 青 "), std::string::npos);
    EXPECT_EQ(linesStartingWith(events, "msgbox \"続けます？\" \"対局\" YesNo none -> Yes").size(), 1u);
    // Yes: the starting position with no game running and the seating kept.
    EXPECT_EQ(game.s.turnColour, noneValue);
    EXPECT_EQ(game.s.gameMode, noneValue);
    EXPECT_EQ(game.s.moveNumber, 0);
    EXPECT_EQ(game.s.playerKind, c.kinds);
    GameState start;
    placeStartingPosition(start);
    EXPECT_EQ(boardText(game.s.board), boardText(start.board));
}

const SeatingCase seatings[] = {
    {"Black", &Form1::JYUNBAN_1_Click, modeBlack, {0, 1, -1, -1, -1}},
    {"Blue", &Form1::JYUNBAN_2_Click, modeBlue, {0, -1, 1, -1, -1}},
    {"White", &Form1::JYUNBAN_3_Click, modeWhite, {0, -1, -1, 1, -1}},
    {"Red", &Form1::JYUNBAN_4_Click, modeRed, {0, -1, -1, -1, 1}},
    {"Facing", &Form1::PLAY_TOIMEN_Click, modeFacing, {0, 1, -1, 1, -1}},
    {"SideBySide", &Form1::PLAY_TONARI_Click, modeSideBySide, {0, -1, 1, -1, 1}},
    {"FourPersons", &Form1::PLAY_4_Click, modeFour, {0, 1, 1, 1, 1}},
};

INSTANTIATE_TEST_SUITE_P(EverySeating, WholeGame, ::testing::ValuesIn(seatings),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(WholeGame, AnsweringNoEndsTheProgram)
{
    LoadedGame loaded;
    TestGame& game = loaded.game;
    game.form.PLAY_TONARI_Click();
    // The boxes before the question take OK and leave the No for it.
    game.ui.answers = {Answer::No};
    playOut(game);
    EXPECT_TRUE(game.form.programEnded());
    EXPECT_EQ(game.lines().back(), "exit");
}

}  // namespace
}  // namespace korvalo::testing
